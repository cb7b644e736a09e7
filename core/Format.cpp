#include "core/Format.h"

#include "core/Errors.h"
#include "core/UserDialogs.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

TFormatSettings g_settings = TFormatSettings::Brazilian();

// A finite, non-negative number as decimal digits: value = 0.Digits × 10^Exponent.
// Digits has no leading zeros; an empty Digits is zero.
struct Decimal {
    std::string Digits;
    int Exponent = 0;
};

// The shortest decimal form that reads back as the same double: what the
// number was written as, which is what rounding must work on (0.125 typed by a
// user is 0.125, not 0.12499999999999999).
Decimal ShortestDecimal(double value)
{
    Decimal d;
    if (value == 0)
        return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string text(buf, res.ptr);
    const auto ePos = text.find('e');
    const std::string mantissa = text.substr(0, ePos);
    const int exp10 = std::atoi(text.c_str() + ePos + 1);
    for (char c : mantissa)
        if (c >= '0' && c <= '9')
            d.Digits.push_back(c);
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    d.Exponent = exp10 + 1;
    return d;
}

// Keeps `decimals` digits after the decimal point, rounding half away from zero.
void RoundDecimal(Decimal& d, int decimals)
{
    const int keep = d.Exponent + decimals;
    if (keep >= int(d.Digits.size()))
        return;
    if (keep < 0) {
        d.Digits.clear();
        return;
    }
    const bool up = d.Digits[keep] >= '5';
    d.Digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[i] == '9') {
            d.Digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.Digits[i];
        } else {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exponent;
        }
    }
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    if (d.Digits.empty())
        d.Exponent = 0;
}

// Splits a decimal into its integer digits (no leading zeros, "" for zero)
// and its fraction digits (exactly as many as there are).
void SplitDecimal(const Decimal& d, std::string& intPart, std::string& fracPart)
{
    intPart.clear();
    fracPart.clear();
    if (d.Digits.empty())
        return;
    if (d.Exponent <= 0) {
        fracPart = std::string(size_t(-d.Exponent), '0') + d.Digits;
    } else if (d.Exponent >= int(d.Digits.size())) {
        intPart = d.Digits + std::string(size_t(d.Exponent - int(d.Digits.size())), '0');
    } else {
        intPart = d.Digits.substr(0, size_t(d.Exponent));
        fracPart = d.Digits.substr(size_t(d.Exponent));
    }
}

QString GroupThousands(const std::string& digits, QChar separator)
{
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += QLatin1Char(digits[size_t(i)]);
    }
    return out;
}

QString SpecialValue(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// One section of a number picture, taken apart.
struct NumberPicture {
    QString Prefix;        // literal text before the digits
    QString Suffix;        // literal text after the digits
    int MinInteger = 0;    // '0' placeholders before the decimal point
    int MinDecimals = 0;   // '0' placeholders after it
    int MaxDecimals = 0;   // '0' and '#' placeholders after it
    bool Grouping = false; // a ',' among the placeholders
    bool HasDigits = false;
};

QStringList SplitSections(const QString& format)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

NumberPicture ParsePicture(const QString& section)
{
    NumberPicture p;
    bool inDecimals = false;
    QChar quote;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (p.HasDigits ? p.Suffix : p.Prefix) += c;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            p.HasDigits = true;
            const bool zero = c == QLatin1Char('0');
            if (inDecimals) {
                ++p.MaxDecimals;
                if (zero)
                    p.MinDecimals = p.MaxDecimals;
            } else if (zero) {
                ++p.MinInteger;
            }
        } else if (c == QLatin1Char('.')) {
            p.HasDigits = true;
            inDecimals = true;
        } else if (c == QLatin1Char(',')) {
            p.Grouping = true;
        } else {
            (p.HasDigits ? p.Suffix : p.Prefix) += c;
        }
    }
    return p;
}

// Formats the absolute value of `value` with one picture; `negative` adds the sign.
QString ApplyPicture(const NumberPicture& p, double magnitude, bool negative, const TFormatSettings& fs)
{
    if (!p.HasDigits)
        return p.Prefix + p.Suffix;
    Decimal d = ShortestDecimal(magnitude);
    RoundDecimal(d, p.MaxDecimals);
    std::string intPart, fracPart;
    SplitDecimal(d, intPart, fracPart);
    if (int(fracPart.size()) < p.MinDecimals)
        fracPart.append(size_t(p.MinDecimals - int(fracPart.size())), '0');
    if (int(intPart.size()) < p.MinInteger)
        intPart.insert(0, size_t(p.MinInteger - int(intPart.size())), '0');

    QString number = p.Grouping ? GroupThousands(intPart, fs.ThousandSeparator) : QString::fromLatin1(intPart);
    if (!fracPart.empty())
        number += fs.DecimalSeparator + QString::fromLatin1(fracPart);
    const bool isZero = d.Digits.empty();
    return (negative && !isZero ? QStringLiteral("-") : QString()) + p.Prefix + number + p.Suffix;
}

QString TwoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

void AppendDateTime(QString& out, const QString& format, TDateTime value, const TFormatSettings& fs, int depth);

} // namespace

TFormatSettings TFormatSettings::Brazilian()
{
    TFormatSettings s;
    s.LongMonthNames = {QStringLiteral("janeiro"),  QStringLiteral("fevereiro"), QStringLiteral("março"),
                        QStringLiteral("abril"),    QStringLiteral("maio"),      QStringLiteral("junho"),
                        QStringLiteral("julho"),    QStringLiteral("agosto"),    QStringLiteral("setembro"),
                        QStringLiteral("outubro"),  QStringLiteral("novembro"),  QStringLiteral("dezembro")};
    s.ShortMonthNames = {QStringLiteral("jan"), QStringLiteral("fev"), QStringLiteral("mar"), QStringLiteral("abr"),
                         QStringLiteral("mai"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("ago"),
                         QStringLiteral("set"), QStringLiteral("out"), QStringLiteral("nov"), QStringLiteral("dez")};
    s.LongDayNames = {QStringLiteral("domingo"),      QStringLiteral("segunda-feira"), QStringLiteral("terça-feira"),
                      QStringLiteral("quarta-feira"), QStringLiteral("quinta-feira"),  QStringLiteral("sexta-feira"),
                      QStringLiteral("sábado")};
    s.ShortDayNames = {QStringLiteral("dom"), QStringLiteral("seg"), QStringLiteral("ter"), QStringLiteral("qua"),
                       QStringLiteral("qui"), QStringLiteral("sex"), QStringLiteral("sáb")};
    return s;
}

TFormatSettings TFormatSettings::FromSystemLocale()
{
    TFormatSettings s = Brazilian();
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return s;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    if (decimal.size() == 1)
        s.DecimalSeparator = decimal.front();
    if (group.size() == 1 && group.front() != s.DecimalSeparator)
        s.ThousandSeparator = group.front();
    return s;
}

const TFormatSettings& FormatSettings()
{
    return g_settings;
}

void SetFormatSettings(const TFormatSettings& settings)
{
    g_settings = settings;
}

QString FormatFloat(const QString& format, double value, const TFormatSettings& fs)
{
    if (!std::isfinite(value))
        return SpecialValue(value);
    if (format.isEmpty())
        return FloatToStr(value, fs);
    if (std::fabs(value) >= 1e18)
        return FloatToStr(value, fs);

    const QStringList sections = SplitSections(format);
    const bool negative = std::signbit(value) && value != 0;
    const double magnitude = std::fabs(value);

    // The zero section applies to a value that shows as zero in the first one.
    const NumberPicture first = ParsePicture(sections.value(0));
    Decimal probe = ShortestDecimal(magnitude);
    RoundDecimal(probe, first.MaxDecimals);
    const bool showsZero = probe.Digits.empty();

    if (showsZero && sections.size() >= 3 && !sections.at(2).isEmpty())
        return ApplyPicture(ParsePicture(sections.at(2)), 0, false, fs);
    if (negative && sections.size() >= 2 && !sections.at(1).isEmpty())
        return ApplyPicture(ParsePicture(sections.at(1)), magnitude, false, fs);
    return ApplyPicture(first, magnitude, negative, fs);
}

QString FloatToStr(double value, const TFormatSettings& fs)
{
    if (!std::isfinite(value))
        return SpecialValue(value);
    if (value == 0)
        return QStringLiteral("0");

    // Fifteen significant digits, correctly rounded.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string text(buf, res.ptr);
    const auto ePos = text.find('e');
    std::string digits;
    for (char c : text.substr(0, ePos))
        if (c >= '0' && c <= '9')
            digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exp10 = std::atoi(text.c_str() + ePos + 1);

    QString out = value < 0 ? QStringLiteral("-") : QString();
    if (exp10 >= 15 || exp10 < -5) {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1)
            out += fs.DecimalSeparator + QString::fromLatin1(digits.substr(1));
        out += QLatin1Char('E') + QString::number(exp10);
        return out;
    }
    Decimal d{digits, exp10 + 1};
    std::string intPart, fracPart;
    SplitDecimal(d, intPart, fracPart);
    out += intPart.empty() ? QStringLiteral("0") : QString::fromLatin1(intPart);
    if (!fracPart.empty())
        out += fs.DecimalSeparator + QString::fromLatin1(fracPart);
    return out;
}

namespace {

void AppendDateTime(QString& out, const QString& format, TDateTime value, const TFormatSettings& fs, int depth)
{
    if (depth > 2)
        return;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);

    bool afterHour = false;
    const int n = int(format.size());
    int i = 0;
    auto runOf = [&](QChar letter) {
        int count = 0;
        while (i + count < n && format.at(i + count).toLower() == letter)
            ++count;
        return count;
    };
    while (i < n) {
        const QChar c = format.at(i);
        const QChar lower = c.toLower();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int close = format.indexOf(c, i + 1);
            const int end = close < 0 ? n : close;
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char('/')) {
            out += fs.DateSeparator;
            ++i;
            continue;
        }
        if (c == QLatin1Char(':')) {
            out += fs.TimeSeparator;
            ++i;
            continue;
        }
        if (lower == QLatin1Char('d')) {
            const int count = runOf(lower);
            switch (count) {
            case 1: out += QString::number(day); break;
            case 2: out += TwoDigits(day); break;
            case 3: out += fs.ShortDayNames.value(DayOfWeek(value) - 1); break;
            case 4: out += fs.LongDayNames.value(DayOfWeek(value) - 1); break;
            case 5: AppendDateTime(out, fs.ShortDateFormat, value, fs, depth + 1); break;
            default: AppendDateTime(out, fs.LongDateFormat, value, fs, depth + 1); break;
            }
            i += count;
            afterHour = false;
            continue;
        }
        if (lower == QLatin1Char('m')) {
            const int count = runOf(lower);
            if (afterHour && count <= 2) {
                out += count == 1 ? QString::number(minute) : TwoDigits(minute);
            } else {
                switch (count) {
                case 1: out += QString::number(month); break;
                case 2: out += TwoDigits(month); break;
                case 3: out += fs.ShortMonthNames.value(month - 1); break;
                default: out += fs.LongMonthNames.value(month - 1); break;
                }
            }
            i += count;
            afterHour = false;
            continue;
        }
        if (lower == QLatin1Char('y')) {
            const int count = runOf(lower);
            out += count <= 2 ? TwoDigits(year % 100) : QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
            i += count;
            afterHour = false;
            continue;
        }
        if (lower == QLatin1Char('h')) {
            const int count = runOf(lower);
            out += count == 1 ? QString::number(hour) : TwoDigits(hour);
            i += count;
            afterHour = true;
            continue;
        }
        if (lower == QLatin1Char('n')) {
            const int count = runOf(lower);
            out += count == 1 ? QString::number(minute) : TwoDigits(minute);
            i += count;
            afterHour = false;
            continue;
        }
        if (lower == QLatin1Char('s')) {
            const int count = runOf(lower);
            out += count == 1 ? QString::number(second) : TwoDigits(second);
            i += count;
            afterHour = false;
            continue;
        }
        if (lower == QLatin1Char('z')) {
            const int count = runOf(lower);
            out += count == 1 ? QString::number(msec) : QStringLiteral("%1").arg(msec, 3, 10, QLatin1Char('0'));
            i += count;
            continue;
        }
        if (lower == QLatin1Char('c')) {
            AppendDateTime(out, fs.ShortDateFormat, value, fs, depth + 1);
            if (TimeOf(value) != 0) {
                out += QLatin1Char(' ');
                AppendDateTime(out, fs.LongTimeFormat, value, fs, depth + 1);
            }
            ++i;
            continue;
        }
        out += c;
        ++i;
    }
}

} // namespace

QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& fs)
{
    QString out;
    AppendDateTime(out, format, value, fs, 0);
    return out;
}

QString DateToStr(TDateTime value, const TFormatSettings& fs)
{
    return FormatDateTime(fs.ShortDateFormat, value, fs);
}

QString TimeToStr(TDateTime value, const TFormatSettings& fs)
{
    return FormatDateTime(fs.LongTimeFormat, value, fs);
}

QString DateTimeToStr(TDateTime value, const TFormatSettings& fs)
{
    return FormatDateTime(QStringLiteral("c"), value, fs);
}

bool TryStrToDate(const QString& text, TDateTime& result, const TFormatSettings& fs)
{
    const QStringList parts = text.trimmed().split(fs.DateSeparator);
    if (parts.size() != 3)
        return false;
    // The order of day, month and year follows the short date format.
    QString order;
    for (QChar c : fs.ShortDateFormat.toLower())
        if ((c == QLatin1Char('d') || c == QLatin1Char('m') || c == QLatin1Char('y')) && !order.contains(c))
            order += c;
    if (order.size() != 3)
        order = QStringLiteral("dmy");
    int values[3] = {0, 0, 0};
    int yearDigits = 0;
    for (int k = 0; k < 3; ++k) {
        const QString part = parts.at(k).trimmed();
        bool ok = false;
        if (part.isEmpty() || part.size() > 4)
            return false;
        for (QChar c : part)
            if (!c.isDigit())
                return false;
        values[k] = part.toInt(&ok);
        if (!ok)
            return false;
        if (order.at(k) == QLatin1Char('y'))
            yearDigits = int(part.size());
    }
    int day = values[order.indexOf(QLatin1Char('d'))];
    int month = values[order.indexOf(QLatin1Char('m'))];
    int year = values[order.indexOf(QLatin1Char('y'))];
    if (yearDigits <= 2)
        year += year < 50 ? 2000 : 1900;
    return TryEncodeDate(year, month, day, result);
}

TDateTime StrToDate(const QString& text, const TFormatSettings& fs)
{
    TDateTime result = 0;
    if (!TryStrToDate(text, result, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return result;
}

QString FormatDuration(double days)
{
    if (days == 0)
        return QStringLiteral("0 h. e 0 min.");
    // Far beyond any connection (and beyond what whole milliseconds can count).
    if (!std::isfinite(days) || std::fabs(days) > 1e9) {
        NotifyUser(QStringLiteral("Ocorreu um erro ao converter a duração da conexão para uma String. "
                                  "Se o problema persistir, contate o suporte."));
        return QString();
    }
    // Whole milliseconds first, so that an exact minute is never read as
    // 59.999... seconds; then one minute more, as users count started minutes.
    // A negative length (the clock went back) keeps its sign in front.
    const qint64 total = std::llround(days * 86400000.0) + 60000;
    const qint64 magnitude = total < 0 ? -total : total;
    return (total < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 3600000) +
           QStringLiteral(" h. e ") + QString::number(magnitude / 60000 % 60) + QStringLiteral(" min.");
}
