#pragma once

#include "core/DateTime.h"

// Billing periods. The telephone bill closes on a day of each month; a month's
// period runs from the day after the previous month's closing day through the
// whole closing day.
struct TPeriod {
    TDateTime Inicio = 0; // midnight starting the period's first day
    TDateTime Fim = 0;    // midnight after its last day
};

// The closing day used in `month` of `year`: 0 means 20; in February a day
// above 28 counts as 28; a day the month does not have counts as its last.
int ClosingDay(int diaFechaConta, int year, int month);

// The period of the bill that closes in `month` of `year`.
TPeriod MonthPeriod(int year, int month, int diaFechaConta);

// The billing cycle that contains the date `today`: from the day after the
// last closing before it through the next closing day (today's included).
TPeriod BillingCycleOf(TDateTime today, int diaFechaConta);
