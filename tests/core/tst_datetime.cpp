#include "core/DateTime.h"
#include "core/Errors.h"

#include <QTest>

class TestDateTime final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QDateTime>("expected");
        QTest::addColumn<int>("dayOfWeek");
        QTest::addRow("day zero") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 7;
        QTest::addRow("19/02/2003 21:43") << 37671.905 << QDateTime(QDate(2003, 2, 19), QTime(21, 43, 12)) << 4;
        QTest::addRow("engine's stored start") << 37671.9050925926
                                               << QDateTime(QDate(2003, 2, 19), QTime(21, 43, 20)) << 4;
        QTest::addRow("engine's stored end") << 37671.9467215278
                                             << QDateTime(QDate(2003, 2, 19), QTime(22, 43, 16, 740)) << 4;
        QTest::addRow("a sunday noon") << 38417.5 << QDateTime(QDate(2005, 3, 6), QTime(12, 0)) << 1;
        QTest::addRow("rounds up to the next day") << 38417.9999999999
                                                   << QDateTime(QDate(2005, 3, 7), QTime(0, 0)) << 2;
        QTest::addRow("before day zero") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << 6;
    }

    void decode()
    {
        QFETCH(double, value);
        QFETCH(QDateTime, expected);
        QFETCH(int, dayOfWeek);
        QCOMPARE(ToQDateTime(value), expected);
        QCOMPARE(DayOfWeek(value), dayOfWeek);
        int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
        DecodeDate(value, y, m, d);
        DecodeTime(value, h, n, s, ms);
        QCOMPARE(QDateTime(QDate(y, m, d), QTime(h, n, s, ms)), expected);
    }

    void roundTripWithQt_data()
    {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addRow("2003") << QDateTime(QDate(2003, 2, 19), QTime(21, 43, 20));
        QTest::addRow("leap day") << QDateTime(QDate(2004, 2, 29), QTime(23, 59, 59, 999));
        QTest::addRow("today-ish") << QDateTime(QDate(2026, 12, 10), QTime(13, 29, 11, 5));
        QTest::addRow("1899") << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
        QTest::addRow("year 1") << QDateTime(QDate(1, 1, 1), QTime(0, 0));
    }

    void roundTripWithQt()
    {
        QFETCH(QDateTime, dateTime);
        QCOMPARE(ToQDateTime(FromQDateTime(dateTime)), dateTime);
    }

    void encode()
    {
        QCOMPARE(EncodeDate(2003, 2, 19), 37671.0);
        QCOMPARE(EncodeDateTime(2003, 2, 19, 21, 43, 20), 37671.0 + (21 * 3600 + 43 * 60 + 20) / 86400.0);
        QVERIFY_THROWS_EXCEPTION(EConvertError, EncodeDate(2005, 2, 29));
        QVERIFY_THROWS_EXCEPTION(EConvertError, EncodeTime(24, 0, 0));
        TDateTime out = 0;
        QVERIFY(!TryEncodeDate(0, 1, 1, out));
        QVERIFY(!TryEncodeTime(12, 60, 0, 0, out));
    }

    void parts()
    {
        QCOMPARE(DateOf(37671.905), 37671.0);
        QCOMPARE(TimeOf(37671.75), 0.75);
        QCOMPARE(DateOf(-1.25), -1.0);
    }

    void incMonth_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<int>("months");
        QTest::addColumn<QDate>("expected");
        QTest::addRow("plain") << QDate(2005, 3, 20) << -1 << QDate(2005, 2, 20);
        QTest::addRow("to a shorter month") << QDate(2005, 3, 30) << -1 << QDate(2005, 2, 28);
        QTest::addRow("leap february") << QDate(2004, 3, 30) << -1 << QDate(2004, 2, 29);
        QTest::addRow("across a year back") << QDate(2005, 1, 30) << -1 << QDate(2004, 12, 30);
        QTest::addRow("across a year forward") << QDate(2004, 12, 31) << 2 << QDate(2005, 2, 28);
    }

    void incMonth()
    {
        QFETCH(QDate, from);
        QFETCH(int, months);
        QFETCH(QDate, expected);
        const TDateTime value = FromQDate(from) + 0.25;
        QCOMPARE(IncMonth(value, months), FromQDate(expected) + 0.25);
    }

    void invalidValuesDoNotCrash()
    {
        QVERIFY(!ToQDateTime(std::numeric_limits<double>::quiet_NaN()).isValid());
        QVERIFY(!ToQDate(1e300).isValid());
        int y = 0, m = 0, d = 0;
        QVERIFY_THROWS_EXCEPTION(EConvertError, DecodeDate(std::numeric_limits<double>::infinity(), y, m, d));
    }
};

QTEST_GUILESS_MAIN(TestDateTime)
#include "tst_datetime.moc"
