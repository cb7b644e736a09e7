#include "core/Currency.h"

#include "core/Errors.h"

#include <cmath>

Currency Currency::FromDouble(double value)
{
    const double scaled = value * double(Scale);
    // 2^63 ten-thousandths is the type's limit; beyond it (or for NaN) no
    // amount can be represented and pretending otherwise would be wrong money.
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        throw EConvertError(QStringLiteral("Valor monetário fora do intervalo: %1").arg(value));
    // nearbyint rounds in the default mode: to nearest, ties to even.
    return Currency(qint64(std::nearbyint(scaled)));
}
