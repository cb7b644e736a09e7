#pragma once

#include "core/Errors.h"

#include <QString>
#include <QVariant>

#include <cstring>

// The message of the error `action` throws (of type E), or "<no error>".
template <class E = Exception, class F>
QString ErrorOf(F&& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

// Stored values compare exactly: same type, doubles bit for bit.
inline bool SameBits(const QVariant& a, const QVariant& b)
{
    if (a.isValid() != b.isValid())
        return false;
    if (!a.isValid())
        return true;
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    return a == b;
}
