#include "data/Periods.h"

#include <QTest>

class TestPeriods final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void monthPeriod_data()
    {
        QTest::addColumn<int>("closingDay");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addRow("20, March 2005") << 20 << 2005 << 3 << QDate(2005, 2, 21) << QDate(2005, 3, 20);
        QTest::addRow("0 means 20") << 0 << 2005 << 3 << QDate(2005, 2, 21) << QDate(2005, 3, 20);
        QTest::addRow("20, January crosses the year") << 20 << 2005 << 1 << QDate(2004, 12, 21) << QDate(2005, 1, 20);
        QTest::addRow("30, February 2005") << 30 << 2005 << 2 << QDate(2005, 1, 29) << QDate(2005, 2, 28);
        QTest::addRow("30, January 2005") << 30 << 2005 << 1 << QDate(2004, 12, 31) << QDate(2005, 1, 30);
        QTest::addRow("30, March 2005") << 30 << 2005 << 3 << QDate(2005, 3, 1) << QDate(2005, 3, 30);
        QTest::addRow("30, February 2004 (leap)") << 30 << 2004 << 2 << QDate(2004, 1, 29) << QDate(2004, 2, 28);
        QTest::addRow("30, March 2004 (leap)") << 30 << 2004 << 3 << QDate(2004, 3, 1) << QDate(2004, 3, 30);
        QTest::addRow("28, March 2004") << 28 << 2004 << 3 << QDate(2004, 2, 29) << QDate(2004, 3, 28);
        QTest::addRow("1, March 2005") << 1 << 2005 << 3 << QDate(2005, 2, 2) << QDate(2005, 3, 1);
        QTest::addRow("31 in a 30-day month") << 31 << 2005 << 4 << QDate(2005, 3, 31) << QDate(2005, 4, 30);
    }

    void monthPeriod()
    {
        QFETCH(int, closingDay);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        const TPeriod p = MonthPeriod(year, month, closingDay);
        QCOMPARE(ToQDateTime(p.Inicio), QDateTime(first, QTime(0, 0)));
        QCOMPARE(ToQDateTime(p.Fim), QDateTime(last.addDays(1), QTime(0, 0)));
    }

    void billingCycle_data()
    {
        QTest::addColumn<int>("closingDay");
        QTest::addColumn<QDateTime>("today");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        const QTime noon(12, 0);
        QTest::addRow("before the closing day") << 20 << QDateTime(QDate(2005, 3, 15), noon) << QDate(2005, 2, 21)
                                                << QDate(2005, 3, 20);
        QTest::addRow("on the closing day") << 20 << QDateTime(QDate(2005, 3, 20), QTime(23, 59))
                                            << QDate(2005, 2, 21) << QDate(2005, 3, 20);
        QTest::addRow("the day after") << 20 << QDateTime(QDate(2005, 3, 21), QTime(0, 0)) << QDate(2005, 3, 21)
                                       << QDate(2005, 4, 20);
        QTest::addRow("0 means 20") << 0 << QDateTime(QDate(2005, 3, 21), noon) << QDate(2005, 3, 21)
                                    << QDate(2005, 4, 20);
        QTest::addRow("across the year") << 20 << QDateTime(QDate(2004, 12, 25), noon) << QDate(2004, 12, 21)
                                         << QDate(2005, 1, 20);
        QTest::addRow("30, end of January") << 30 << QDateTime(QDate(2005, 1, 31), noon) << QDate(2005, 1, 31)
                                            << QDate(2005, 2, 28);
        QTest::addRow("30, 29 January") << 30 << QDateTime(QDate(2005, 1, 29), noon) << QDate(2004, 12, 31)
                                        << QDate(2005, 1, 30);
        QTest::addRow("30, first of March") << 30 << QDateTime(QDate(2005, 3, 1), noon) << QDate(2005, 3, 1)
                                            << QDate(2005, 3, 30);
        QTest::addRow("30, leap day belongs to March's bill") << 30 << QDateTime(QDate(2004, 2, 29), noon)
                                                              << QDate(2004, 2, 29) << QDate(2004, 3, 30);
    }

    void billingCycle()
    {
        QFETCH(int, closingDay);
        QFETCH(QDateTime, today);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        const TPeriod p = BillingCycleOf(FromQDateTime(today), closingDay);
        QCOMPARE(ToQDateTime(p.Inicio), QDateTime(first, QTime(0, 0)));
        QCOMPARE(ToQDateTime(p.Fim), QDateTime(last.addDays(1), QTime(0, 0)));
    }
};

QTEST_GUILESS_MAIN(TestPeriods)
#include "tst_periods.moc"
