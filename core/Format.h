#pragma once

#include "core/DateTime.h"

#include <QChar>
#include <QString>
#include <QStringList>

// How numbers and dates are written: separators, the short and long date forms
// and the month and day names. The program keeps one program-wide instance
// (FormatSettings()); every routine below also takes an explicit instance so a
// caller or a test can fix the separators whatever the machine's locale.
struct TFormatSettings {
    QChar DecimalSeparator = QLatin1Char(',');
    QChar ThousandSeparator = QLatin1Char('.');
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    QString ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, d' de 'mmmm' de 'yyyy");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QStringList ShortMonthNames;  // 12 entries, January first
    QStringList LongMonthNames;   // 12 entries
    QStringList ShortDayNames;    // 7 entries, Sunday first
    QStringList LongDayNames;     // 7 entries, Sunday first

    // Brazilian separators and Portuguese names, short date "dd/mm/yyyy".
    static TFormatSettings Brazilian();
    // The separators of the system locale; Brazilian ones when the locale is
    // C/POSIX (a bare machine still shows reais the way our users read them).
    // Names stay Portuguese and the short date stays "dd/mm/yyyy" in every case.
    static TFormatSettings FromSystemLocale();
};

// The program-wide settings (Brazilian until SetFormatSettings is called).
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// Numbers with a picture of the usual kind: "0" a digit always shown, "#" a digit
// shown when significant, the first "." the decimal point, a "," anywhere in the
// number part asks for thousands grouping, text in single or double quotes is
// copied as it stands, and ";" separates the positive, negative and zero sections.
// Examples: "0.0000", "#,0.0000", "'R$' #,0.0000", "'R$' 0.00000", "000", "0.00",
// "0.00,". The value is taken at its shortest exact decimal form and rounded
// half away from zero, so 0.125 with "0.00" gives 0,13 and 1.005 gives 1,01.
QString FormatFloat(const QString& format, double value, const TFormatSettings& settings = FormatSettings());

// The general form: at most 15 significant digits, no trailing zeros, the
// scientific form ("1,5E20", "1E-7") only where the plain one would not fit.
QString FloatToStr(double value, const TFormatSettings& settings = FormatSettings());

// Date-times with a picture: d dd ddd dddd ddddd (short date) dddddd (long date),
// m mm mmm mmmm (month; right after an hour, minutes), yy yyyy, h hh, n nn, s ss,
// z zzz, "/" the date separator, ":" the time separator, quoted text as is.
// Example: "dd/mm/yyyy hh:nn:ss".
QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& settings = FormatSettings());
QString DateToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
QString TimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
QString DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());

// Parses a date written in the short date format ("dd/mm/yyyy"; one-digit day
// and month and a two-digit year are accepted too). Throws EConvertError with
// the text "'<text>' is not a valid date" when it is not a date.
TDateTime StrToDate(const QString& text, const TFormatSettings& settings = FormatSettings());
bool TryStrToDate(const QString& text, TDateTime& result, const TFormatSettings& settings = FormatSettings());

// The length of a connection as users read it: exactly 0 gives "0 h. e 0 min.";
// otherwise one minute is added and the whole hours (not wrapped at 24) and the
// remaining whole minutes are written: 90 seconds → "0 h. e 2 min.",
// 25 h 10 min 20 s → "25 h. e 11 min.". A value that cannot be converted
// tells the user through NotifyUser and gives an empty text.
QString FormatDuration(double days);
