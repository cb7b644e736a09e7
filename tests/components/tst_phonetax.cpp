#include "components/PhoneTax.h"
#include "core/Errors.h"
#include "platform/Platform.h"

#include <QDate>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <cmath>
#include <iterator>
#include <limits>
#include <memory>

// Lets QCOMPARE print amounts when they differ.
char* toString(const Currency& value)
{
    return qstrdup(QByteArray(QByteArray::number(value.Raw()) + " (x 0.0001)").constData());
}

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

class FixedClock final : public platform::IClock {
public:
    explicit FixedClock(double now) : m_now(now) {}
    double Now() override { return m_now; }
    bool SetLocalTime(double, std::string& error) override
    {
        error = "not in tests";
        return false;
    }

private:
    double m_now;
};

Currency Money(qint64 tenThousandths)
{
    return Currency::FromRaw(tenThousandths);
}

TDateTime At(int year, int month, int day, int hour = 0, int min = 0, int sec = 0, int msec = 0)
{
    return EncodeDateTime(year, month, day, hour, min, sec, msec);
}

// The holidays the tariff knows, written here independently of the program's
// table: day and month for each year from 2003 to 2010.
struct HolidayYear {
    int year;
    int dayMonth[12][2];
};

constexpr HolidayYear Holidays[] = {
    {2003, {{1, 1}, {3, 3}, {4, 3}, {18, 4}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
    {2004, {{1, 1}, {23, 2}, {24, 2}, {9, 4}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
    {2005, {{1, 1}, {7, 2}, {8, 2}, {25, 3}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
    {2006, {{1, 1}, {27, 2}, {28, 2}, {14, 4}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
    {2007, {{1, 1}, {19, 2}, {20, 2}, {6, 4}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
    {2008, {{1, 1}, {4, 2}, {5, 2}, {21, 3}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
    {2009, {{1, 1}, {23, 2}, {24, 2}, {10, 4}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
    {2010, {{1, 1}, {15, 2}, {16, 2}, {2, 4}, {21, 4}, {1, 5}, {9, 6}, {7, 9}, {12, 10}, {2, 11}, {15, 11}, {25, 12}}},
};

const QList<QDate>& HolidayDates()
{
    static const QList<QDate> dates = [] {
        QList<QDate> list;
        for (const HolidayYear& y : Holidays)
            for (const auto& dm : y.dayMonth)
                list.append(QDate(y.year, dm[1], dm[0]));
        return list;
    }();
    return dates;
}

// ---- The per-minute definition, written out literally --------------------

const qint64 JulianDayZero = QDate(1899, 12, 30).toJulianDay();

bool RefReducedRate(double t)
{
    const double date = std::trunc(t);
    const double frac = t - date;
    if (frac >= 0 && frac < 0.25)
        return true;
    const QDate d = QDate::fromJulianDay(qint64(date) + JulianDayZero);
    const int dayOfWeek = d.dayOfWeek() % 7 + 1; // Sunday = 1 ... Saturday = 7
    if (dayOfWeek == 1)
        return true;
    if (dayOfWeek == 7 && frac >= 0.5834)
        return true;
    static const QSet<QDate> holidays(HolidayDates().cbegin(), HolidayDates().cend());
    return d.year() >= 2003 && d.year() <= 2010 && holidays.contains(d);
}

double RefSample(double start, qint64 i)
{
    return start + double(i) * (1.0 / 1440.0);
}

struct RefResult {
    Currency custo, economia;
    qint64 reduced = 0, multiPulse = 0;
};

RefResult RefComputeCost(int minPorPulso, double start, double end, Currency valorPulso)
{
    RefResult r;
    const double d = end - start;
    const double m = d * 1440.0;
    const qint64 n = qint64(std::trunc(m)) + 1;
    if (n <= minPorPulso) {
        r.custo = valorPulso;
        return r;
    }
    for (qint64 i = 0; i <= n - 2; ++i)
        ++(RefReducedRate(RefSample(start, i)) ? r.reduced : r.multiPulse);
    r.economia = valorPulso * (r.reduced / minPorPulso);
    r.custo = valorPulso + valorPulso * (r.multiPulse / minPorPulso);
    return r;
}

// The inputs of ReducedRate's rules: the date and the band of the time of day.
std::pair<double, int> RefKey(double t)
{
    const double date = std::trunc(t);
    const double frac = t - date;
    return {date, frac < 0 ? 0 : frac < 0.25 ? 1 : frac < 0.5834 ? 2 : 3};
}

struct Write {
    bool start = true; // false: FimConexao
    double value = 0;
};

// Dates used throughout: a plain week of March 2005 (no holiday in it).
const TDateTime Monday = At(2005, 3, 14);
const TDateTime Tuesday = At(2005, 3, 15);
const TDateTime Friday = At(2005, 3, 18);
const TDateTime Saturday = At(2005, 3, 19);
const TDateTime Sunday = At(2005, 3, 20);
const TDateTime PrevSunday = At(2005, 3, 13);

TDateTime Time(int hour, int min, int sec = 0, int msec = 0)
{
    return EncodeTime(hour, min, sec, msec);
}

// Sets both bounds in the order the guarded writes accept.
void SetCall(TPhoneTax& tax, TDateTime start, TDateTime end)
{
    if (start > tax.FimConexao()) {
        tax.SetFimConexao(end);
        tax.SetInicioConexao(start);
    } else {
        tax.SetInicioConexao(start);
        tax.SetFimConexao(end);
    }
    QCOMPARE(tax.InicioConexao(), start);
    QCOMPARE(tax.FimConexao(), end);
}

} // namespace

Q_DECLARE_METATYPE(Write)

class TestPhoneTax final : public QObject {
    Q_OBJECT

private:
    FixedClock m_clock{At(2005, 3, 14, 10, 30, 30)};

private Q_SLOTS:
    void computeCost_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("minPorPulso");
        QTest::addColumn<qint64>("custo");
        QTest::addColumn<qint64>("economia");

        // Price 0.1100 throughout. Most calls start at hh:mm:30 so that every
        // sample sits well inside its minute.
        QTest::addRow("worked example, weekday") << Monday + Time(13, 50) << Monday + Time(14, 1, 30) << 4
                                                 << qint64(3300) << qint64(0);
        QTest::addRow("worked example, Sunday") << PrevSunday + Time(13, 50) << PrevSunday + Time(14, 1, 30) << 4
                                                << qint64(1100) << qint64(2200);

        QTest::addRow("same instant, weekday") << Monday + Time(10, 0) << Monday + Time(10, 0) << 4 << qint64(1100)
                                               << qint64(0);
        QTest::addRow("same instant, Sunday") << Sunday + Time(10, 0) << Sunday + Time(10, 0) << 4 << qint64(1100)
                                              << qint64(0);
        // Up to MinPorPulso started minutes: one pulse and no savings, whatever the hour.
        QTest::addRow("4 started minutes, weekday") << Monday + Time(10, 0) << Monday + Time(10, 3, 30) << 4
                                                    << qint64(1100) << qint64(0);
        QTest::addRow("4 started minutes, Sunday") << Sunday + Time(10, 0) << Sunday + Time(10, 3, 30) << 4
                                                   << qint64(1100) << qint64(0);
        QTest::addRow("4 started minutes, night") << Monday + Time(3, 0) << Monday + Time(3, 3, 30) << 4
                                                  << qint64(1100) << qint64(0);
        QTest::addRow("3 min 59 s, weekday") << Monday + Time(10, 0) << Monday + Time(10, 3, 59) << 4 << qint64(1100)
                                             << qint64(0);
        QTest::addRow("4 min 1 s, weekday") << Monday + Time(10, 0) << Monday + Time(10, 4, 1) << 4 << qint64(2200)
                                            << qint64(0);
        QTest::addRow("4 min 1 s, Sunday") << Sunday + Time(10, 0) << Sunday + Time(10, 4, 1) << 4 << qint64(1100)
                                           << qint64(1100);

        // Samples 05:57:30 .. 05:59:30 reduced, 06:00:30 .. 06:02:30 multi-pulse;
        // the two counts are divided separately.
        QTest::addRow("across 06:00, 4 min per pulse") << Monday + Time(5, 57, 30) << Monday + Time(6, 4) << 4
                                                       << qint64(1100) << qint64(0);
        QTest::addRow("across 06:00, 3 min per pulse") << Monday + Time(5, 57, 30) << Monday + Time(6, 4) << 3
                                                       << qint64(2200) << qint64(1100);

        // 23:00:30 to 07:00 the next day, one minute per pulse so the results
        // show the counts: 60 samples before midnight, 360 up to 06:00, 59 after.
        QTest::addRow("weekday into weekday") << Tuesday + Time(23, 0, 30) << Tuesday + 1 + Time(7, 0) << 1
                                              << qint64(1100 * 120) << qint64(1100 * 360);
        QTest::addRow("Friday into Saturday") << Friday + Time(23, 0, 30) << Friday + 1 + Time(7, 0) << 1
                                              << qint64(1100 * 120) << qint64(1100 * 360);
        QTest::addRow("Saturday into Sunday") << Saturday + Time(23, 0, 30) << Saturday + 1 + Time(7, 0) << 1
                                              << qint64(1100) << qint64(1100 * 479);
        QTest::addRow("Sunday into Monday") << Sunday + Time(23, 0, 30) << Sunday + 1 + Time(7, 0) << 1
                                            << qint64(1100 * 60) << qint64(1100 * 420);
        QTest::addRow("into a holiday") << At(2005, 6, 8, 23, 0, 30) << At(2005, 6, 9, 7, 0) << 1 << qint64(1100 * 61)
                                        << qint64(1100 * 419);
        QTest::addRow("out of a holiday") << At(2005, 6, 9, 23, 0, 30) << At(2005, 6, 10, 7, 0) << 1
                                          << qint64(1100 * 60) << qint64(1100 * 420);
        QTest::addRow("9 June 2011 is a working day") << At(2011, 6, 8, 23, 0, 30) << At(2011, 6, 9, 7, 0) << 1
                                                      << qint64(1100 * 120) << qint64(1100 * 360);
        QTest::addRow("holiday afternoon") << At(2005, 6, 9, 15, 0) << At(2005, 6, 9, 15, 8, 30) << 4 << qint64(1100)
                                           << qint64(2200);

        // Samples 13:58:00, 13:59:00 and 14:00:00 are multi-pulse, 14:01:00 is not.
        QTest::addRow("Saturday 14:00") << Saturday + Time(13, 58) << Saturday + Time(14, 2, 30) << 1
                                        << qint64(1100 * 4) << qint64(1100);
        QTest::addRow("Saturday 14:00:05 still multi-pulse") << Saturday + Time(13, 59, 5) << Saturday + Time(14, 1, 35)
                                                             << 1 << qint64(1100 * 3) << qint64(0);
        QTest::addRow("Saturday 14:00:06 reduced") << Saturday + Time(13, 59, 6) << Saturday + Time(14, 1, 36) << 1
                                                   << qint64(1100 * 2) << qint64(1100);

        // The sample expression decides the side of a boundary: here sample 5,
        // start + 5 * (1/1440), is exactly 0.0 (midnight, reduced-rate), while
        // start + 5 / 1440 would be a hair below it (30/12/1899 with a negative
        // time of day, multi-pulse). Samples 0 to 4 are multi-pulse either way.
        QTest::addRow("sample landing exactly on midnight")
            << -(5.0 * (1.0 / 1440.0)) << -(5.0 * (1.0 / 1440.0)) + 6.5 / 1440.0 << 1 << qint64(1100 * 6)
            << qint64(1100);

        // Only reachable here (the properties keep the start before the end):
        // a negative count must not turn into a huge one.
        QTest::addRow("end before start") << Monday + Time(10, 5) << Monday + Time(10, 0) << 4 << qint64(1100)
                                          << qint64(0);
    }

    void computeCost()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(int, minPorPulso);
        QFETCH(qint64, custo);
        QFETCH(qint64, economia);
        const Currency price = Money(1100);

        Currency gotCusto = Money(-1), gotEconomia = Money(-1);
        TPhoneTax::ComputeCost(quint8(minPorPulso), start, end, price, gotCusto, gotEconomia);
        QCOMPARE(gotCusto, Money(custo));
        QCOMPARE(gotEconomia, Money(economia));

        // The reference the randomized comparison trusts agrees with the hand figures.
        const RefResult ref = RefComputeCost(minPorPulso, start, end, price);
        QCOMPARE(ref.custo, Money(custo));
        QCOMPARE(ref.economia, Money(economia));
    }

    void isReducedRateTime_data()
    {
        QTest::addColumn<double>("moment");
        QTest::addColumn<bool>("reduced");

        QTest::addRow("weekday midnight") << Monday << true;
        QTest::addRow("weekday 05:59:59.999") << Monday + Time(5, 59, 59, 999) << true;
        QTest::addRow("weekday 06:00") << Monday + Time(6, 0) << false;
        QTest::addRow("weekday noon") << Monday + Time(12, 0) << false;
        QTest::addRow("weekday 23:59:59.999") << Monday + Time(23, 59, 59, 999) << false;

        QTest::addRow("Saturday 05:59:59") << Saturday + Time(5, 59, 59) << true;
        QTest::addRow("Saturday 06:00") << Saturday + Time(6, 0) << false;
        QTest::addRow("Saturday 14:00:00") << Saturday + Time(14, 0) << false;
        QTest::addRow("Saturday 14:00:05") << Saturday + Time(14, 0, 5) << false;
        QTest::addRow("Saturday 14:00:05.750") << Saturday + Time(14, 0, 5, 750) << false;
        QTest::addRow("Saturday 14:00:05.770") << Saturday + Time(14, 0, 5, 770) << true;
        QTest::addRow("Saturday 14:00:06") << Saturday + Time(14, 0, 6) << true;
        QTest::addRow("Saturday 23:59:59") << Saturday + Time(23, 59, 59) << true;

        QTest::addRow("Sunday 06:00") << Sunday + Time(6, 0) << true;
        QTest::addRow("Sunday noon") << Sunday + Time(12, 0) << true;

        // The day is the truncated date: the last representable moment of a
        // day belongs to it, although it rounds to the next day's midnight.
        QTest::addRow("last moment of a Sunday") << std::nextafter(Sunday + 1, 0.0) << true;
        QTest::addRow("last moment of a Friday") << std::nextafter(Saturday, 0.0) << false;
        QTest::addRow("last moment of a holiday") << std::nextafter(At(2005, 6, 10), 0.0) << true;

        for (int year = 2003; year <= 2010; ++year)
            QTest::addRow("9 June %d", year) << At(year, 6, 9, 12, 0) << true;
        // 9 June 2002 is a Sunday, so it says nothing about holidays; other
        // holiday dates outside 2003-2010 that fall on working days do.
        QTest::addRow("9 June 2011") << At(2011, 6, 9, 12, 0) << false;
        QTest::addRow("25 December 2002") << At(2002, 12, 25, 12, 0) << false;
        QTest::addRow("1 January 2002") << At(2002, 1, 1, 12, 0) << false;
        QTest::addRow("1 January 2003") << At(2003, 1, 1, 12, 0) << true;
        QTest::addRow("25 December 2010 (a Saturday)") << At(2010, 12, 25, 12, 0) << true;
        QTest::addRow("1 January 2011 (a Saturday)") << At(2011, 1, 1, 12, 0) << false;
        QTest::addRow("2 November 2011") << At(2011, 11, 2, 12, 0) << false;
    }

    void isReducedRateTime()
    {
        QFETCH(double, moment);
        QFETCH(bool, reduced);
        TPhoneTax tax(m_clock);
        QCOMPARE(tax.IsReducedRateTime(moment), reduced);
        QCOMPARE(RefReducedRate(moment), reduced);
    }

    void everyHolidayIsReducedAtNoon_data()
    {
        QTest::addColumn<QDate>("date");
        for (const QDate& d : HolidayDates())
            QTest::addRow("%s", qPrintable(d.toString(Qt::ISODate))) << d;
    }

    void everyHolidayIsReducedAtNoon()
    {
        QFETCH(QDate, date);
        TPhoneTax tax(m_clock);
        QVERIFY(tax.IsReducedRateTime(At(date.year(), date.month(), date.day(), 12, 0)));
    }

    // Every day from 2002 to 2011, at 10:00 and 15:00: besides the night and
    // the weekend rules, exactly the listed dates are reduced-rate time, so a
    // wrong or misplaced table entry shows up as a missing or a stray holiday.
    void holidaysAreExactlyTheListedDates()
    {
        TPhoneTax tax(m_clock);
        const QSet<QDate> holidays(HolidayDates().cbegin(), HolidayDates().cend());
        for (QDate d(2002, 1, 1); d <= QDate(2011, 12, 31); d = d.addDays(1)) {
            for (int hour : {10, 15}) {
                const bool expected = d.dayOfWeek() == Qt::Sunday || (d.dayOfWeek() == Qt::Saturday && hour == 15)
                    || holidays.contains(d);
                const TDateTime t = At(d.year(), d.month(), d.day(), hour, 0);
                QVERIFY2(tax.IsReducedRateTime(t) == expected,
                         qPrintable(QStringLiteral("%1 %2:00").arg(d.toString(Qt::ISODate)).arg(hour)));
            }
        }
    }

    void countMinutes_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<qint64>("minutes");

        const TDateTime s = Monday + Time(10, 0);
        const auto after = [s](qint64 seconds) { return s + double(seconds) / 86400.0; };
        QTest::addRow("same instant") << s << s << qint64(1);
        QTest::addRow("30 s") << s << after(30) << qint64(1);
        QTest::addRow("3 min 59 s") << s << after(239) << qint64(4);
        QTest::addRow("4 min 1 s") << s << after(241) << qint64(5);
        QTest::addRow("65,534 min 30 s") << s << after(65534 * 60 + 30) << qint64(65535);
        // From here on a 16-bit count wraps around (65,536 is 0).
        QTest::addRow("65,535 min 30 s") << s << after(65535 * 60 + 30) << qint64(65536);
        QTest::addRow("70,000 min 30 s") << s << after(70000 * 60 + 30) << qint64(70001);
        QTest::addRow("100,000 min 30 s") << s << after(100000 * 60 + 30) << qint64(100001);
        QTest::addRow("end 90 s before start") << s << after(-90) << qint64(0);
        QTest::addRow("end 150 s before start") << s << after(-150) << qint64(-1);
    }

    void countMinutes()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(qint64, minutes);
        QCOMPARE(TPhoneTax::CountMinutes(start, end), minutes);
    }

    // Calls longer than 65,534 minutes are charged minute by minute like any
    // other; with a wrapped count they came out as a single pulse.
    void longCallsMatchThePerMinuteDefinition_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<qint64>("minutes");

        QTest::addRow("65,534 min") << At(2005, 3, 14, 10, 0) << qint64(65534);
        QTest::addRow("65,535 min") << At(2005, 3, 14, 10, 0) << qint64(65535);
        QTest::addRow("65,536 min") << At(2005, 5, 20, 5, 59, 59, 999) << qint64(65536);
        QTest::addRow("70,000 min") << At(2006, 2, 24, 13, 59) << qint64(70000);
        QTest::addRow("100,000 min across the end of 2010") << At(2010, 11, 30, 23, 59, 30) << qint64(100000);
    }

    void longCallsMatchThePerMinuteDefinition()
    {
        QFETCH(double, start);
        QFETCH(qint64, minutes);
        const TDateTime end = start + double(minutes) * OneMinute + 30 * OneSecond;
        const Currency price = Money(1159);
        const RefResult ref = RefComputeCost(4, start, end, price);
        QVERIFY(ref.multiPulse > 30000 && ref.reduced > 15000);

        TPhoneTax tax(m_clock);
        SetCall(tax, start, end);
        tax.Calculate();
        QCOMPARE(TPhoneTax::CountMinutes(start, end), minutes + 1);
        QCOMPARE(tax.Custo(), ref.custo);
        QCOMPARE(tax.Economia(), ref.economia);
    }

    void minPorPulsoZeroCountsAsOne_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<qint64>("custo");
        QTest::addColumn<qint64>("economia");

        QTest::addRow("same instant") << Monday + Time(10, 0) << Monday + Time(10, 0) << qint64(1100) << qint64(0);
        QTest::addRow("30 s") << Monday + Time(10, 0) << Monday + Time(10, 0, 30) << qint64(1100) << qint64(0);
        QTest::addRow("weekday") << Monday + Time(10, 0, 30) << Monday + Time(10, 5) << qint64(5500) << qint64(0);
        QTest::addRow("Sunday") << Sunday + Time(10, 0, 30) << Sunday + Time(10, 5) << qint64(1100) << qint64(4400);
        QTest::addRow("across 06:00") << Monday + Time(5, 57, 30) << Monday + Time(6, 4) << qint64(4400)
                                      << qint64(3300);
    }

    void minPorPulsoZeroCountsAsOne()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(qint64, custo);
        QFETCH(qint64, economia);

        TPhoneTax tax(m_clock);
        SetCall(tax, start, end);
        tax.SetValorPulso(Money(1100));
        tax.SetMinPorPulso(0);
        tax.Calculate();
        QCOMPARE(tax.MinPorPulso(), quint8(0));
        QCOMPARE(tax.Custo(), Money(custo));
        QCOMPARE(tax.Economia(), Money(economia));

        Currency oneCusto, oneEconomia;
        TPhoneTax::ComputeCost(1, start, end, Money(1100), oneCusto, oneEconomia);
        QCOMPARE(oneCusto, Money(custo));
        QCOMPARE(oneEconomia, Money(economia));
    }

    void guardedWrites_data()
    {
        QTest::addColumn<QList<Write>>("writes");
        QTest::addColumn<double>("inicio");
        QTest::addColumn<double>("fim");

        // The clock says `now`: the component starts with [now - 1 h, now].
        const TDateTime now = m_clock.Now();
        const TDateTime start0 = now - OneHour;
        const auto at = [now](int minutes) { return now + minutes * OneMinute; };
        const auto S = [](double v) { return Write{true, v}; };
        const auto F = [](double v) { return Write{false, v}; };

        QTest::addRow("start after the end is ignored") << QList<Write>{S(at(1))} << start0 << now;
        QTest::addRow("start at the end is taken") << QList<Write>{S(now)} << now << now;
        QTest::addRow("earlier start is taken") << QList<Write>{S(at(-120))} << at(-120) << now;
        QTest::addRow("end before the start is ignored") << QList<Write>{F(at(-61))} << start0 << now;
        QTest::addRow("end at the start is taken") << QList<Write>{F(start0)} << start0 << start0;
        QTest::addRow("later end is taken") << QList<Write>{F(at(30))} << start0 << at(30);
        QTest::addRow("end judged against the start that stayed")
            << QList<Write>{S(at(120)), F(at(-30))} << start0 << at(-30);
        QTest::addRow("start judged against the end that stayed")
            << QList<Write>{F(at(-120)), S(at(-90))} << at(-90) << now;
        QTest::addRow("moving a call later, end first") << QList<Write>{F(at(180)), S(at(120))} << at(120) << at(180);
        QTest::addRow("moving a call later, start first")
            << QList<Write>{S(at(120)), F(at(180))} << start0 << at(180);
        // NaN compares with nothing, so it cannot be kept in order: ignored.
        QTest::addRow("NaN start is ignored") << QList<Write>{S(NaN), F(at(-30))} << start0 << at(-30);
        QTest::addRow("NaN end is ignored") << QList<Write>{F(NaN), S(at(-30))} << at(-30) << now;
    }

    void guardedWrites()
    {
        QFETCH(QList<Write>, writes);
        QFETCH(double, inicio);
        QFETCH(double, fim);

        TPhoneTax tax(m_clock);
        for (const Write& w : writes) {
            if (w.start)
                tax.SetInicioConexao(w.value);
            else
                tax.SetFimConexao(w.value);
        }
        QCOMPARE(tax.InicioConexao(), inicio);
        QCOMPARE(tax.FimConexao(), fim);
    }

    // The defaults describe the hour up to "now" (which, in floating point,
    // counts 60 started minutes: 59 samples), and are already calculated.
    void constructorDefaults_data()
    {
        QTest::addColumn<double>("now");
        QTest::addColumn<qint64>("custo");
        QTest::addColumn<qint64>("economia");

        QTest::addRow("weekday morning") << Monday + Time(10, 30, 30) << qint64(1159 * 15) << qint64(0);
        QTest::addRow("Sunday") << PrevSunday + Time(10, 30, 30) << qint64(1159) << qint64(1159 * 14);
        // 30 samples before 06:00, 29 after.
        QTest::addRow("across 06:00") << Monday + Time(6, 30, 30) << qint64(1159 * 8) << qint64(1159 * 7);
    }

    void constructorDefaults()
    {
        QFETCH(double, now);
        QFETCH(qint64, custo);
        QFETCH(qint64, economia);

        FixedClock clock(now);
        QObject owner;
        auto* tax = new TPhoneTax(clock, &owner);
        QCOMPARE(tax->parent(), &owner);
        QCOMPARE(tax->InicioConexao(), now - 1.0 / 24.0);
        QCOMPARE(tax->FimConexao(), now);
        QCOMPARE(tax->MinPorPulso(), quint8(4));
        QCOMPARE(tax->ValorPulso(), Money(1159));
        QVERIFY(!tax->OnNeedData);
        QVERIFY(!tax->AfterCalculate);
        QCOMPARE(tax->Custo(), Money(custo));
        QCOMPARE(tax->Economia(), Money(economia));
    }

    // The owner fills the inputs in OnNeedData and reads the results in
    // AfterCalculate; both get the component as Sender.
    void calculateRaisesNeedDataThenAfterCalculate()
    {
        TPhoneTax tax(m_clock);
        const Currency custoBefore = tax.Custo();
        QStringList log;
        tax.OnNeedData = [&](QObject* sender) {
            QCOMPARE(sender, static_cast<QObject*>(&tax));
            log << QStringLiteral("need");
            QCOMPARE(tax.Custo(), custoBefore);
            tax.SetInicioConexao(PrevSunday + Time(13, 50)); // start first: the new end is earlier than the old start
            tax.SetFimConexao(PrevSunday + Time(14, 1, 30));
            tax.SetValorPulso(Money(1100));
            tax.SetMinPorPulso(4);
        };
        tax.AfterCalculate = [&](QObject* sender) {
            QCOMPARE(sender, static_cast<QObject*>(&tax));
            log << QStringLiteral("after %1 %2").arg(tax.Custo().Raw()).arg(tax.Economia().Raw());
        };
        tax.Calculate();
        QCOMPARE(log, (QStringList{QStringLiteral("need"), QStringLiteral("after 1100 2200")}));
    }

    void resultsChangeOnlyInCalculate()
    {
        TPhoneTax tax(m_clock);
        const Currency custo = tax.Custo();
        const Currency economia = tax.Economia();
        tax.SetInicioConexao(tax.FimConexao() - 3 * OneHour);
        tax.SetValorPulso(Money(5000));
        tax.SetMinPorPulso(1);
        QCOMPARE(tax.Custo(), custo);
        QCOMPARE(tax.Economia(), economia);
        tax.Calculate();
        QVERIFY(tax.Custo() != custo);
    }

    void handlerErrorsReachTheCaller_data()
    {
        QTest::addColumn<bool>("inNeedData");
        QTest::addRow("from OnNeedData") << true;
        QTest::addRow("from AfterCalculate") << false;
    }

    void handlerErrorsReachTheCaller()
    {
        QFETCH(bool, inNeedData);
        TPhoneTax tax(m_clock);
        const Currency custoBefore = tax.Custo();
        bool afterRaised = false;
        tax.OnNeedData = [&](QObject*) {
            tax.SetMinPorPulso(1);
            if (inNeedData)
                throw EDatabaseError(QStringLiteral("no record"));
        };
        tax.AfterCalculate = [&](QObject*) {
            afterRaised = true;
            if (!inNeedData)
                throw EDatabaseError(QStringLiteral("post failed"));
        };
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, tax.Calculate());
        // Failing before the computation leaves the old results; failing after
        // it, the new ones are already stored.
        QCOMPARE(afterRaised, !inNeedData);
        QCOMPARE(tax.Custo() == custoBefore, inNeedData);
    }

    void handlerMayUnassignItself()
    {
        TPhoneTax tax(m_clock);
        auto calls = std::make_shared<int>(0);
        tax.OnNeedData = [&tax, calls](QObject*) {
            tax.OnNeedData = nullptr; // destroys the assigned copy of this handler
            ++*calls;                 // still valid: the handler being run is another copy
        };
        tax.Calculate();
        tax.Calculate();
        QCOMPARE(*calls, 1);
    }

    // Moments that are not date-times of the years 1 to 9999 are refused with
    // an error, never turned into a cost; the outputs stay as they were.
    void invalidMomentsAreRefused_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        const TDateTime s = Monday + Time(10, 0);
        QTest::addRow("NaN start") << NaN << s;
        QTest::addRow("NaN end") << s << NaN;
        QTest::addRow("infinite end") << s << Inf;
        QTest::addRow("infinite start") << -Inf << s;
        QTest::addRow("end after the year 9999") << s << At(9999, 12, 31) + 1;
        QTest::addRow("start before the year 1") << At(1, 1, 1) - OneSecond << s;
        QTest::addRow("both after the year 9999") << 1e9 << 1e9;
    }

    void invalidMomentsAreRefused()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        Currency custo = Money(-7), economia = Money(-7);
        QVERIFY_THROWS_EXCEPTION(EConvertError,
                                 TPhoneTax::ComputeCost(4, start, end, Money(1100), custo, economia));
        QCOMPARE(custo, Money(-7));
        QCOMPARE(economia, Money(-7));
    }

    void calculateRefusesAnInfiniteEnd()
    {
        TPhoneTax tax(m_clock);
        const Currency custo = tax.Custo();
        bool afterRaised = false;
        tax.AfterCalculate = [&](QObject*) { afterRaised = true; };
        tax.SetFimConexao(Inf); // not before the start, so the guard lets it in
        QVERIFY_THROWS_EXCEPTION(EConvertError, tax.Calculate());
        QCOMPARE(tax.Custo(), custo);
        QVERIFY(!afterRaised);
    }

    void costOutOfRangeIsRefused()
    {
        TPhoneTax tax(m_clock);
        const Currency custo = tax.Custo();
        tax.SetValorPulso(Money(std::numeric_limits<qint64>::max() / 8));
        tax.SetMinPorPulso(1);
        // Sixty multi-pulse pulses of that price do not fit in Currency.
        QVERIFY_THROWS_EXCEPTION(EConvertError, tax.Calculate());
        QCOMPARE(tax.Custo(), custo);
    }

    // The fast count relies on two facts: the sample times never decrease as
    // the index grows, and neither does the (date, band of the day) pair that
    // the rules look at. Check both on awkward starts over ten days of samples.
    void sampleTimesAndTheirKeysNeverDecrease_data()
    {
        QTest::addColumn<double>("start");
        QTest::addRow("Saturday 0.5834 minus 3 min") << Saturday + 0.5834 - 3 * (1.0 / 1440.0);
        QTest::addRow("06:00 minus 10 min") << Monday + 0.25 - 10 * (1.0 / 1440.0);
        QTest::addRow("seconds over 86400") << (Monday * 86400.0 + 21599.0) / 86400.0;
        QTest::addRow("one ulp before midnight") << std::nextafter(Monday, 0.0);
        QTest::addRow("EncodeDateTime with ms") << At(2007, 4, 6, 23, 59, 59, 999);
        QTest::addRow("before day zero") << -3.0 + 1e-9;
        QTest::addRow("just before day zero") << -0.3;
        QTest::addRow("year 9999") << At(9999, 12, 20, 5, 59, 59);
    }

    void sampleTimesAndTheirKeysNeverDecrease()
    {
        QFETCH(double, start);
        double previous = RefSample(start, 0);
        auto previousKey = RefKey(previous);
        for (qint64 i = 1; i < 10 * 1440; ++i) {
            const double t = RefSample(start, i);
            const auto key = RefKey(t);
            if (t < previous || key < previousKey)
                QFAIL(qPrintable(QStringLiteral("sample %1 goes back").arg(i)));
            previous = t;
            previousKey = key;
        }
    }

    // Thousands of calls placed around the boundaries, with starts built the
    // ways the program builds them, against the literal per-minute definition.
    void matchesThePerMinuteDefinitionOnRandomCalls()
    {
        QRandomGenerator rng(20050609);
        TPhoneTax tax(m_clock);

        QList<double> holidays;
        for (const QDate& d : HolidayDates())
            holidays << At(d.year(), d.month(), d.day());
        const double boundaries[] = {0.0, 0.25, 0.5834, EncodeTime(14, 0, 0), EncodeTime(14, 0, 5, 760), 1.0};
        const double firstDay = At(2001, 1, 1), lastDay = At(2012, 12, 31);

        const auto randomDate = [&]() -> double {
            switch (rng.bounded(4)) {
            case 0: // a holiday or the day before it
                return holidays.at(rng.bounded(int(holidays.size()))) - rng.bounded(2);
            case 1: { // a Saturday
                const double d = firstDay + rng.bounded(int(lastDay - firstDay));
                return d + (7 - DayOfWeek(d));
            }
            default:
                return firstDay + rng.bounded(int(lastDay - firstDay));
            }
        };

        const auto randomStart = [&]() -> double {
            if (rng.bounded(50) == 0) // around day zero, where the time of day turns negative
                return -3.0 + rng.generateDouble() * 4.0;
            const double date = randomDate();
            const double boundary = boundaries[rng.bounded(int(std::size(boundaries)))];
            const int minutesBefore = int(rng.bounded(30));
            switch (rng.bounded(6)) {
            case 0: // whole minutes before the boundary, so samples land on it
                return date + boundary - minutesBefore * (1.0 / 1440.0);
            case 1: { // seconds of the day over 86400
                const double seconds = std::round(boundary * 86400.0) - minutesBefore * 60 - rng.bounded(60);
                return (date * 86400.0 + seconds) / 86400.0;
            }
            case 2: { // EncodeDateTime of a moment near the boundary
                const qint64 ms = qint64(std::round(boundary * 86400000.0)) - minutesBefore * 60000
                    - qint64(rng.bounded(2)) * rng.bounded(60000);
                const qint64 msOfDay = (ms % 86400000 + 86400000) % 86400000;
                const double day = date + double((ms - msOfDay) / 86400000);
                int y = 0, m = 0, d = 0;
                DecodeDate(day, y, m, d);
                return At(y, m, d, int(msOfDay / 3600000), int(msOfDay / 60000 % 60), int(msOfDay / 1000 % 60),
                          int(msOfDay % 1000));
            }
            case 3: { // a few ulps either side of the boundary
                double t = date + boundary;
                for (int k = int(rng.bounded(8)) - 4; k != 0; k += k < 0 ? 1 : -1)
                    t = std::nextafter(t, k < 0 ? -Inf : Inf);
                return t;
            }
            case 4: // anywhere in the day
                return date + rng.generateDouble();
            default: // a continuous distance before the boundary
                return date + boundary - rng.generateDouble() * 30 * OneMinute;
            }
        };

        const auto randomLength = [&]() -> double {
            switch (rng.bounded(10)) {
            case 0:
                return 0.0;
            case 1: // a few minutes
                return rng.bounded(600) / 86400.0;
            case 2: // whole minutes, as a multiple of a minute
                return rng.bounded(3 * 1440) * (1.0 / 1440.0);
            case 3: // whole minutes, as seconds over 86400
                return rng.bounded(3 * 1440) * 60 / 86400.0;
            default: // up to three days
                return rng.bounded(3 * 86400) / 86400.0 + rng.generateDouble() / 86400.0;
            }
        };

        const auto check = [&](double start, double end, int mpp, Currency price) {
            Currency custo, economia;
            TPhoneTax::ComputeCost(quint8(mpp), start, end, price, custo, economia);
            const RefResult ref = RefComputeCost(mpp, start, end, price);
            if (custo != ref.custo || economia != ref.economia || tax.IsReducedRateTime(start) != RefReducedRate(start))
                QFAIL(qPrintable(QStringLiteral("start %1 end %2 mpp %3: got %4/%5, expected %6/%7")
                                     .arg(start, 0, 'g', 17)
                                     .arg(end, 0, 'g', 17)
                                     .arg(mpp)
                                     .arg(custo.Raw())
                                     .arg(economia.Raw())
                                     .arg(ref.custo.Raw())
                                     .arg(ref.economia.Raw())));
        };

        for (int call = 0; call < 5000; ++call) {
            const double start = randomStart();
            double end = start + randomLength();
            if (rng.bounded(8) == 0) { // an end built on its own, near a boundary of the same or a later day
                const double other = randomStart();
                end = std::max(start, std::trunc(start) + rng.bounded(3) + (other - std::trunc(other)));
            }
            check(start, end, 1 + int(rng.bounded(20)), Money(1 + rng.bounded(5000)));
            if (QTest::currentTestFailed())
                return;
        }
        for (int call = 0; call < 20; ++call) {
            const double start = randomStart();
            const double end = start + (60000 + rng.bounded(140000)) * OneMinute + rng.generateDouble() * OneMinute;
            check(start, end, 1 + int(rng.bounded(20)), Money(1 + rng.bounded(5000)));
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_GUILESS_MAIN(TestPhoneTax)
#include "tst_phonetax.moc"
