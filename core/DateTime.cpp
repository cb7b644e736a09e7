#include "core/DateTime.h"

#include "core/Errors.h"

#include <cmath>
#include <limits>

namespace {

// Julian day number of 30/12/1899, day 0 of the program's date-time.
constexpr qint64 JulianDayOfDayZero = 2415019;
constexpr qint64 MSecsPerDayInt = 86400000;
// Years 1 to 9999, the range every date of the program lives in.
constexpr double MinDateTime = -693593.0;
constexpr double MaxDateTime = 2958466.0;

bool InRange(TDateTime value)
{
    return std::isfinite(value) && value >= MinDateTime && value < MaxDateTime;
}

// The date-time as whole days and milliseconds of the day, rounded to the
// millisecond; a time that rounds up to 24:00 belongs to the next day.
void Split(TDateTime value, qint64& days, qint64& msOfDay)
{
    if (!InRange(value))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    const qint64 total = std::llround(value * double(MSecsPerDayInt));
    days = total / MSecsPerDayInt;
    msOfDay = std::llabs(total % MSecsPerDayInt);
}

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        return false;
    result = double(QDate(year, month, day).toJulianDay() - JulianDayOfDayZero);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    result = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return result;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime result = 0;
    if (!TryEncodeTime(hour, min, sec, msec, result))
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec)
{
    const TDateTime date = EncodeDate(year, month, day);
    const TDateTime time = EncodeTime(hour, min, sec, msec);
    // Before day zero the fraction counts away from zero, as the time of day
    // of a negative date-time is its absolute fraction.
    return date >= 0 ? date + time : date - time;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    qint64 days = 0, ms = 0;
    Split(value, days, ms);
    const QDate date = QDate::fromJulianDay(days + JulianDayOfDayZero);
    year = date.year();
    month = date.month();
    day = date.day();
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec)
{
    qint64 days = 0, ms = 0;
    Split(value, days, ms);
    hour = int(ms / 3600000);
    min = int(ms / 60000 % 60);
    sec = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

TDateTime DateOf(TDateTime value)
{
    return std::trunc(value);
}

TDateTime TimeOf(TDateTime value)
{
    return value - std::trunc(value);
}

int DayOfWeek(TDateTime value)
{
    qint64 days = 0, ms = 0;
    Split(value, days, ms);
    // QDate counts Monday = 1 ... Sunday = 7.
    return QDate::fromJulianDay(days + JulianDayOfDayZero).dayOfWeek() % 7 + 1;
}

int DaysInMonth(int year, int month)
{
    return QDate(year, month, 1).daysInMonth();
}

TDateTime IncMonth(TDateTime value, int months)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    const int total = year * 12 + (month - 1) + months;
    year = total / 12;
    month = total % 12 + 1;
    day = std::min(day, DaysInMonth(year, month));
    const TDateTime date = EncodeDate(year, month, day);
    const double fraction = std::fabs(TimeOf(value));
    return date >= 0 ? date + fraction : date - fraction;
}

QDate ToQDate(TDateTime value)
{
    if (!InRange(value))
        return QDate();
    qint64 days = 0, ms = 0;
    Split(value, days, ms);
    return QDate::fromJulianDay(days + JulianDayOfDayZero);
}

QTime ToQTime(TDateTime value)
{
    if (!InRange(value))
        return QTime();
    qint64 days = 0, ms = 0;
    Split(value, days, ms);
    return QTime::fromMSecsSinceStartOfDay(int(ms));
}

QDateTime ToQDateTime(TDateTime value)
{
    return QDateTime(ToQDate(value), ToQTime(value));
}

TDateTime FromQDate(const QDate& date)
{
    return double(date.toJulianDay() - JulianDayOfDayZero);
}

TDateTime FromQTime(const QTime& time)
{
    return time.msecsSinceStartOfDay() / MSecsPerDay;
}

TDateTime FromQDateTime(const QDateTime& dateTime)
{
    const TDateTime date = FromQDate(dateTime.date());
    const TDateTime time = FromQTime(dateTime.time());
    return date >= 0 ? date + time : date - time;
}
