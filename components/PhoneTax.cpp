#include "components/PhoneTax.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "platform/Platform.h"

#include <QString>

#include <algorithm>
#include <cmath>

const std::array<const char*, TPhoneTax::HolidayCount> TPhoneTax::HolidayTable = {
    // Within a year: 1 January, Carnival Monday and Tuesday, Good Friday,
    // 21 April, 1 May, 9 June, 7 September, 12 October, 2 and 15 November, 25 December.
    "01/01/2003", "03/03/2003", "04/03/2003", "18/04/2003", "21/04/2003", "01/05/2003",
    "09/06/2003", "07/09/2003", "12/10/2003", "02/11/2003", "15/11/2003", "25/12/2003",
    "01/01/2004", "23/02/2004", "24/02/2004", "09/04/2004", "21/04/2004", "01/05/2004",
    "09/06/2004", "07/09/2004", "12/10/2004", "02/11/2004", "15/11/2004", "25/12/2004",
    "01/01/2005", "07/02/2005", "08/02/2005", "25/03/2005", "21/04/2005", "01/05/2005",
    "09/06/2005", "07/09/2005", "12/10/2005", "02/11/2005", "15/11/2005", "25/12/2005",
    "01/01/2006", "27/02/2006", "28/02/2006", "14/04/2006", "21/04/2006", "01/05/2006",
    "09/06/2006", "07/09/2006", "12/10/2006", "02/11/2006", "15/11/2006", "25/12/2006",
    "01/01/2007", "19/02/2007", "20/02/2007", "06/04/2007", "21/04/2007", "01/05/2007",
    "09/06/2007", "07/09/2007", "12/10/2007", "02/11/2007", "15/11/2007", "25/12/2007",
    "01/01/2008", "04/02/2008", "05/02/2008", "21/03/2008", "21/04/2008", "01/05/2008",
    "09/06/2008", "07/09/2008", "12/10/2008", "02/11/2008", "15/11/2008", "25/12/2008",
    "01/01/2009", "23/02/2009", "24/02/2009", "10/04/2009", "21/04/2009", "01/05/2009",
    "09/06/2009", "07/09/2009", "12/10/2009", "02/11/2009", "15/11/2009", "25/12/2009",
    "01/01/2010", "15/02/2010", "16/02/2010", "02/04/2010", "21/04/2010", "01/05/2010",
    "09/06/2010", "07/09/2010", "12/10/2010", "02/11/2010", "15/11/2010", "25/12/2010",
};

namespace {

// Boundaries of the time of day, as fractions of a day. 0.5834 is a little
// after 14:00 (14:00:05.76); the tariff rule is written with that number.
constexpr double NightEnd = 0.25;
constexpr double SaturdayAfternoon = 0.5834;

// The table is always written day/month/year with slashes, whatever short date
// format the user's settings hold, so it is read with that fixed form.
const std::array<TDateTime, TPhoneTax::HolidayCount>& HolidayDates()
{
    static const std::array<TDateTime, TPhoneTax::HolidayCount> dates = [] {
        const TFormatSettings dayMonthYear = TFormatSettings::Brazilian();
        std::array<TDateTime, TPhoneTax::HolidayCount> parsed{};
        for (int k = 0; k < TPhoneTax::HolidayCount; ++k)
            parsed[k] = StrToDate(QString::fromLatin1(TPhoneTax::HolidayTable[k]), dayMonthYear);
        return parsed;
    }();
    return dates;
}

bool IsHoliday(TDateTime date)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    if (year < TPhoneTax::HolidayYearFirst || year > TPhoneTax::HolidayYearLast)
        return false;
    const auto& dates = HolidayDates();
    const int first = (year - TPhoneTax::HolidayYearFirst) * TPhoneTax::HolidaysPerYear;
    for (int k = first; k < first + TPhoneTax::HolidaysPerYear; ++k)
        if (dates[k] == date)
            return true;
    return false;
}

bool ReducedRate(TDateTime t)
{
    const TDateTime date = std::trunc(t);
    const double timeOfDay = t - date;
    if (timeOfDay >= 0 && timeOfDay < NightEnd)
        return true;
    // The day of the week of the truncated date: a moment a fraction of a
    // millisecond before midnight still belongs to its own day.
    const int dayOfWeek = DayOfWeek(date);
    if (dayOfWeek == 1)
        return true;
    if (dayOfWeek == 7 && timeOfDay >= SaturdayAfternoon)
        return true;
    return IsHoliday(date);
}

// The moment of the i-th sampled minute. Kept to this exact floating-point
// expression: it decides on which side of a boundary a sample falls.
TDateTime SampleTime(TDateTime start, qint64 i)
{
    return start + double(i) * (1.0 / MinsPerDay);
}

// Everything ReducedRate looks at: the truncated date and the band of the
// time of day its rules tell apart (negative, which only dates before day zero
// have, then [0, 0.25), [0.25, 0.5834) and from 0.5834 on). Two moments with
// the same key get the same answer.
struct SampleKey {
    TDateTime date;
    int band;
    bool operator==(const SampleKey&) const = default;
};

SampleKey KeyOf(TDateTime t)
{
    const TDateTime date = std::trunc(t);
    const double timeOfDay = t - date;
    const int band = timeOfDay < 0 ? 0 : timeOfDay < NightEnd ? 1 : timeOfDay < SaturdayAfternoon ? 2 : 3;
    return {date, band};
}

// A guess, usually exact or off by one, of the last sample index in [i, last]
// that still has `key`; only used to start the search near the answer.
qint64 GuessRunEnd(TDateTime start, qint64 i, qint64 last, const SampleKey& key)
{
    double boundary = 0;
    switch (key.band) {
    case 0:
        boundary = key.date;
        break;
    case 1:
        if (key.date < 0)
            return i; // only the midnight instant itself has this key
        boundary = key.date + NightEnd;
        break;
    case 2:
        boundary = key.date + SaturdayAfternoon;
        break;
    default:
        boundary = key.date + 1.0;
        break;
    }
    // The first sample at or past the boundary is about ceil((boundary - start) * 1440).
    const double firstPast = std::ceil((boundary - start) * MinsPerDay);
    if (!(firstPast - 1 > double(i)))
        return i;
    if (firstPast - 1 >= double(last))
        return last;
    return qint64(firstPast) - 1;
}

// The last index j in [i, last] whose sample has the same key as sample i.
// Sample times never decrease as i grows (a product and a sum of doubles are
// monotone in their operands), and the key never decreases as the time grows,
// so the indices sharing sample i's key form one run starting at i.
qint64 RunEnd(TDateTime start, qint64 i, qint64 last, const SampleKey& key)
{
    const auto sameKey = [&](qint64 j) { return KeyOf(SampleTime(start, j)) == key; };
    qint64 lo = i;        // known to have the key
    qint64 hi = last + 1; // known not to have it, or one past the end
    const qint64 guess = GuessRunEnd(start, i, last, key);
    if (guess > lo) {
        if (sameKey(guess))
            lo = guess;
        else
            hi = guess;
    }
    // Widen from the side the guess fell on, doubling the step, until the end
    // of the run is bracketed; then halve the bracket.
    if (hi <= last) {
        for (qint64 step = 1; hi - lo > 1; step *= 2) {
            const qint64 probe = std::max(lo + 1, hi - step);
            if (sameKey(probe)) {
                lo = probe;
                break;
            }
            hi = probe;
        }
    } else {
        for (qint64 step = 1; hi - lo > 1; step *= 2) {
            const qint64 probe = std::min(hi - 1, lo + step);
            if (!sameKey(probe)) {
                hi = probe;
                break;
            }
            lo = probe;
        }
    }
    while (hi - lo > 1) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (sameKey(mid))
            lo = mid;
        else
            hi = mid;
    }
    return lo;
}

// Counts the samples 0..last that are reduced-rate and multi-pulse. The answer
// equals judging every sample on its own; it is found a run of equal keys at a
// time, so a call costs a few evaluations per day instead of one per minute.
void CountSamples(TDateTime start, qint64 last, qint64& reduced, qint64& multiPulse)
{
    reduced = 0;
    multiPulse = 0;
    for (qint64 i = 0; i <= last;) {
        const TDateTime t = SampleTime(start, i);
        const qint64 j = RunEnd(start, i, last, KeyOf(t));
        (ReducedRate(t) ? reduced : multiPulse) += j - i + 1;
        i = j + 1;
    }
}

void CheckDateTime(TDateTime value)
{
    static const TDateTime first = EncodeDate(1, 1, 1);
    static const TDateTime pastLast = EncodeDate(9999, 12, 31) + 1.0;
    if (!(value >= first && value < pastLast))
        throw EConvertError(QStringLiteral("Invalid connection date and time"));
}

Currency Pulses(Currency price, qint64 count)
{
    qint64 raw = 0;
    if (__builtin_mul_overflow(price.Raw(), count, &raw))
        throw EConvertError(QStringLiteral("Call cost out of range"));
    return Currency::FromRaw(raw);
}

Currency Sum(Currency a, Currency b)
{
    qint64 raw = 0;
    if (__builtin_add_overflow(a.Raw(), b.Raw(), &raw))
        throw EConvertError(QStringLiteral("Call cost out of range"));
    return Currency::FromRaw(raw);
}

} // namespace

TPhoneTax::TPhoneTax(platform::IClock& clock, QObject* parent)
    : QObject(parent)
{
    const TDateTime now = clock.Now();
    m_inicioConexao = now - OneHour;
    m_fimConexao = now;
    Calculate();
}

void TPhoneTax::SetInicioConexao(TDateTime value)
{
    if (value <= m_fimConexao)
        m_inicioConexao = value;
}

void TPhoneTax::SetFimConexao(TDateTime value)
{
    if (value >= m_inicioConexao)
        m_fimConexao = value;
}

void TPhoneTax::Calculate()
{
    // Copies, so that a handler may reassign its own event while it runs.
    if (const TNotifyEvent needData = OnNeedData)
        needData(this);
    Currency custo, economia;
    ComputeCost(m_minPorPulso, m_inicioConexao, m_fimConexao, m_valorPulso, custo, economia);
    m_custo = custo;
    m_economia = economia;
    if (const TNotifyEvent after = AfterCalculate)
        after(this);
}

bool TPhoneTax::IsReducedRateTime(TDateTime t) const
{
    return ReducedRate(t);
}

qint64 TPhoneTax::CountMinutes(TDateTime start, TDateTime end)
{
    const double d = end - start;
    const double m = d * MinsPerDay;
    // Two date-times of the years 1 to 9999 are less than 2^33 minutes apart;
    // the limit only keeps the conversion below defined.
    if (!(std::fabs(m) < 0x1p62))
        throw EConvertError(QStringLiteral("Invalid connection date and time"));
    return qint64(std::trunc(m)) + 1;
}

void TPhoneTax::ComputeCost(quint8 minPorPulso, TDateTime start, TDateTime end, Currency valorPulso, Currency& custo,
                            Currency& economia)
{
    CheckDateTime(start);
    CheckDateTime(end);
    // Zero minutes per pulse is not a tariff; reading it as one keeps the
    // divisions below defined.
    const qint64 perPulse = std::max<qint64>(minPorPulso, 1);
    const qint64 n = CountMinutes(start, end);
    if (n <= perPulse) {
        custo = valorPulso;
        economia = Currency();
        return;
    }
    qint64 reduced = 0, multiPulse = 0;
    CountSamples(start, n - 2, reduced, multiPulse);
    const Currency newEconomia = Pulses(valorPulso, reduced / perPulse);
    const Currency newCusto = Sum(valorPulso, Pulses(valorPulso, multiPulse / perPulse));
    custo = newCusto;
    economia = newEconomia;
}
