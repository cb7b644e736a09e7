#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// The program's date-time: a count of days since 30/12/1899 00:00, the fraction
// being the time of day. Durations are differences of two date-times, in days.
// Every stored table value and every tariff rule works on this type, so the
// conversions below are the only place where it meets Qt's calendar types.
using TDateTime = double;

inline constexpr double HoursPerDay = 24.0;
inline constexpr double MinsPerDay = 1440.0;
inline constexpr double SecsPerDay = 86400.0;
inline constexpr double MSecsPerDay = 86400000.0;
inline constexpr TDateTime OneSecond = 1.0 / SecsPerDay;
inline constexpr TDateTime OneMinute = 1.0 / MinsPerDay;
inline constexpr TDateTime OneHour = 1.0 / HoursPerDay;

// Building and taking apart. EncodeDate/EncodeTime throw EConvertError on an
// impossible date or time; the Try forms answer false instead.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec = 0);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec = 0);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);

// Whole-day part (truncated towards zero) and time-of-day part (the fraction).
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Day of the week with Sunday = 1 ... Saturday = 7.
int DayOfWeek(TDateTime value);

// The same day number `months` months later (or earlier); when the target month
// is shorter, its last day. The time of day is kept.
TDateTime IncMonth(TDateTime value, int months);
int DaysInMonth(int year, int month);

// Conversions with Qt's types. The time of day is rounded to the millisecond.
QDate ToQDate(TDateTime value);
QTime ToQTime(TDateTime value);
QDateTime ToQDateTime(TDateTime value);
TDateTime FromQDate(const QDate& date);
TDateTime FromQTime(const QTime& time);
TDateTime FromQDateTime(const QDateTime& dateTime);
