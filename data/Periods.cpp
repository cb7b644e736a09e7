#include "data/Periods.h"

#include <algorithm>
#include <cmath>

int ClosingDay(int diaFechaConta, int year, int month)
{
    int day = diaFechaConta <= 0 ? 20 : diaFechaConta;
    if (month == 2 && day > 28)
        day = 28;
    return std::min(day, DaysInMonth(year, month));
}

TPeriod MonthPeriod(int year, int month, int diaFechaConta)
{
    const TDateTime closing = EncodeDate(year, month, ClosingDay(diaFechaConta, year, month));
    return {IncMonth(closing, -1) + 1, closing + 1};
}

namespace {

TDateTime ClosingOf(int year, int month, int diaFechaConta)
{
    return EncodeDate(year, month, ClosingDay(diaFechaConta, year, month));
}

void StepMonth(int& year, int& month, int by)
{
    const int total = year * 12 + (month - 1) + by;
    year = total / 12;
    month = total % 12 + 1;
}

} // namespace

TPeriod BillingCycleOf(TDateTime today, int diaFechaConta)
{
    const TDateTime date = std::trunc(today);
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    if (date > ClosingOf(year, month, diaFechaConta))
        StepMonth(year, month, 1);
    const TDateTime next = ClosingOf(year, month, diaFechaConta);
    StepMonth(year, month, -1);
    const TDateTime previous = ClosingOf(year, month, diaFechaConta);
    return {previous + 1, next + 1};
}
