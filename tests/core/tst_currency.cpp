#include "core/Currency.h"
#include "core/Errors.h"

#include <QTest>

class TestCurrency final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("raw");
        QTest::addRow("tariff") << 0.1159 << qint64(1159);
        QTest::addRow("exact") << 0.33 << qint64(3300);
        QTest::addRow("tie goes to even, down") << 0.10525 << qint64(1052);
        QTest::addRow("tie goes to even, up") << 0.10535 << qint64(1054);
        QTest::addRow("half a unit at zero") << 0.00005 << qint64(0);
        QTest::addRow("negative tie to even") << -0.10525 << qint64(-1052);
        QTest::addRow("large") << 123456789.1234 << qint64(1234567891234);
    }

    void fromDouble()
    {
        QFETCH(double, value);
        QFETCH(qint64, raw);
        QCOMPARE(Currency::FromDouble(value).Raw(), raw);
    }

    void arithmeticIsExact()
    {
        // A thousand pulses of 0.1159 add up to exactly 115.9000, which a sum
        // of doubles does not.
        Currency sum;
        const Currency pulse = Currency::FromDouble(0.1159);
        for (int i = 0; i < 1000; ++i)
            sum += pulse;
        QCOMPARE(sum.Raw(), qint64(1159000));
        QCOMPARE(pulse * 3 + pulse, Currency::FromRaw(4636));
    }

    void outOfRangeThrows()
    {
        QVERIFY_THROWS_EXCEPTION(EConvertError, Currency::FromDouble(1e300));
        QVERIFY_THROWS_EXCEPTION(EConvertError, Currency::FromDouble(std::numeric_limits<double>::quiet_NaN()));
    }
};

QTEST_GUILESS_MAIN(TestCurrency)
#include "tst_currency.moc"
