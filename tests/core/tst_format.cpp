#include "core/Errors.h"
#include "core/Format.h"
#include "tests/support/DialogRecorder.h"

#include <QTest>

#include <limits>

class TestFormat final : public QObject {
    Q_OBJECT

private:
    const TFormatSettings br = TFormatSettings::Brazilian();

    static TFormatSettings English()
    {
        TFormatSettings s = TFormatSettings::Brazilian();
        s.DecimalSeparator = QLatin1Char('.');
        s.ThousandSeparator = QLatin1Char(',');
        return s;
    }

private Q_SLOTS:
    void formatFloat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::addRow("cost of a call") << "0.0000" << 0.33 << "0,3300";
        QTest::addRow("four decimals rounds half up") << "0.0000" << 0.11115 << "0,1112";
        QTest::addRow("grouped") << "#,0.0000" << 1234.5 << "1.234,5000";
        QTest::addRow("grouped small") << "#,0.0000" << 0.2 << "0,2000";
        QTest::addRow("grouped millions") << "#,0.0000" << 1234567.891 << "1.234.567,8910";
        QTest::addRow("money column") << "'R$' #,0.0000" << 1234.5 << "R$ 1.234,5000";
        QTest::addRow("money zero") << "'R$' #,0.0000" << 0.0 << "R$ 0,0000";
        QTest::addRow("negative money") << "'R$' #,0.0000" << -5.25 << "-R$ 5,2500";
        QTest::addRow("tariff column") << "'R$' 0.00000" << 0.1159 << "R$ 0,11590";
        QTest::addRow("pulses padded") << "000" << 7.0 << "007";
        QTest::addRow("pulses wide") << "000" << 1234.0 << "1234";
        QTest::addRow("pulses zero") << "000" << 0.0 << "000";
        QTest::addRow("two decimals") << "0.00" << 0.2318 << "0,23";
        QTest::addRow("two decimals half up") << "0.00" << 0.125 << "0,13";
        QTest::addRow("typed 1.005 is 1,01") << "0.00" << 1.005 << "1,01";
        QTest::addRow("carry into integer") << "0.00" << 9.999 << "10,00";
        QTest::addRow("totals grouping") << "0.00," << 1234.5 << "1.234,50";
        QTest::addRow("totals small") << "0.00," << 46.45 << "46,45";
        QTest::addRow("totals zero") << "0.00," << 0.0 << "0,00";
        QTest::addRow("rounds to zero drops sign") << "0.00" << -0.001 << "0,00";
        QTest::addRow("optional decimals") << "0.##" << 2.5 << "2,5";
        QTest::addRow("quoted suffix") << "0 \"pulsos\"" << 12.0 << "12 pulsos";
        QTest::addRow("negative section") << "0.00;(0.00)" << -3.5 << "(3,50)";
        QTest::addRow("zero section") << "0.00;-0.00;'nada'" << 0.0 << "nada";
        QTest::addRow("empty format is general") << "" << 0.1 << "0,1";
    }

    void formatFloat()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatFloat(format, value, br), expected);
    }

    void formatFloatUsesTheGivenSeparators()
    {
        QCOMPARE(FormatFloat(QStringLiteral("'R$' #,0.0000"), 1234.5, English()), QStringLiteral("R$ 1,234.5000"));
        QCOMPARE(FormatFloat(QStringLiteral("0.00,"), 1234.5, English()), QStringLiteral("1,234.50"));
    }

    void formatFloatSpecialValues()
    {
        QCOMPARE(FormatFloat(QStringLiteral("0.00"), std::numeric_limits<double>::quiet_NaN(), br), QStringLiteral("NAN"));
        QCOMPARE(FormatFloat(QStringLiteral("0.00"), -std::numeric_limits<double>::infinity(), br), QStringLiteral("-INF"));
    }

    void floatToStr_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::addRow("zero") << 0.0 << "0";
        QTest::addRow("tariff") << 0.1159 << "0,1159";
        QTest::addRow("integer") << 1234.0 << "1234";
        QTest::addRow("negative") << -2.5 << "-2,5";
        QTest::addRow("fifteen digits") << 0.1 + 0.2 << "0,3";
        QTest::addRow("date-time") << 37671.9050925926 << "37671,9050925926";
        QTest::addRow("big stays plain") << 123456789012345.0 << "123456789012345";
        QTest::addRow("bigger goes scientific") << 1.5e20 << "1,5E20";
        QTest::addRow("tiny goes scientific") << 1e-7 << "1E-7";
        QTest::addRow("small stays plain") << 0.00001 << "0,00001";
    }

    void floatToStr()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FloatToStr(value, br), expected);
    }

    void formatDateTime_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::addRow("short date") << "dd/mm/yyyy" << 37671.905 << "19/02/2003";
        QTest::addRow("report stamp") << "dd/mm/yyyy hh:nn:ss" << 37671.9050925926 << "19/02/2003 21:43:20";
        QTest::addRow("minutes after hours") << "hh:mm" << 37671.905 << "21:43";
        QTest::addRow("unpadded") << "d/m/yy h:n:s" << 38418.0 + 5.0 / 86400 << "7/3/05 0:0:5";
        QTest::addRow("long date") << "dddddd" << 38418.0 << "segunda-feira, 7 de março de 2005";
        QTest::addRow("short date picture") << "ddddd" << 38418.0 << "07/03/2005";
        QTest::addRow("names") << "ddd mmm mmmm" << 38418.0 << "seg mar março";
        QTest::addRow("quoted text") << "'dia' d" << 38418.0 << "dia 7";
        QTest::addRow("milliseconds") << "ss.zzz" << 37671.9467215278 << "16.740";
        QTest::addRow("date and time, midnight") << "c" << 38418.0 << "07/03/2005";
        QTest::addRow("date and time") << "c" << 38418.5 << "07/03/2005 12:00:00";
    }

    void formatDateTime()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatDateTime(format, value, br), expected);
    }

    void strToDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::addRow("holiday") << "09/06/2005" << EncodeDate(2005, 6, 9);
        QTest::addRow("one digit") << "1/1/2003" << EncodeDate(2003, 1, 1);
        QTest::addRow("two digit year") << "01/01/15" << EncodeDate(2015, 1, 1);
        QTest::addRow("blanks") << " 20/03/2005 " << EncodeDate(2005, 3, 20);
    }

    void strToDate()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(StrToDate(text, br), expected);
    }

    void strToDateRejects_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("empty") << "";
        QTest::addRow("no day") << "02/2005";
        QTest::addRow("29 february of a common year") << "29/02/2005";
        QTest::addRow("letters") << "aa/bb/cccc";
        QTest::addRow("month 13") << "01/13/2005";
        QTest::addRow("signs") << "-1/02/2005";
    }

    void strToDateRejects()
    {
        QFETCH(QString, text);
        TDateTime out = 0;
        QVERIFY(!TryStrToDate(text, out, br));
        try {
            StrToDate(text, br);
            QFAIL("no error");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), QStringLiteral("'%1' is not a valid date").arg(text));
        }
    }

    void formatDuration_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("expected");
        QTest::addRow("zero") << 0.0 << "0 h. e 0 min.";
        QTest::addRow("one second") << 1.0 / 86400 << "0 h. e 1 min.";
        QTest::addRow("90 seconds") << 90.0 / 86400 << "0 h. e 2 min.";
        QTest::addRow("exactly one minute") << 60.0 / 86400 << "0 h. e 2 min.";
        QTest::addRow("59 minutes") << 59.0 / 1440 << "1 h. e 0 min.";
        QTest::addRow("25 h 10 min 20 s") << (25 * 3600 + 10 * 60 + 20) / 86400.0 << "25 h. e 11 min.";
        QTest::addRow("29 h 45 min") << (29 * 60 + 45) / 1440.0 << "29 h. e 46 min.";
        QTest::addRow("clock went back") << -3.0 / 1440 << "-0 h. e 2 min.";
    }

    void formatDuration()
    {
        QFETCH(double, days);
        QFETCH(QString, expected);
        QCOMPARE(FormatDuration(days), expected);
    }

    void formatDurationFailureTellsTheUser_data()
    {
        QTest::addColumn<double>("days");
        QTest::addRow("nan") << std::numeric_limits<double>::quiet_NaN();
        QTest::addRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::addRow("absurd") << 1e300;
    }

    void formatDurationFailureTellsTheUser()
    {
        QFETCH(double, days);
        DialogRecorder recorder;
        QCOMPARE(FormatDuration(days), QString());
        QCOMPARE(recorder.Notices(),
                 QStringList{QStringLiteral("Ocorreu um erro ao converter a duração da conexão para uma String. "
                                            "Se o problema persistir, contate o suporte.")});
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
