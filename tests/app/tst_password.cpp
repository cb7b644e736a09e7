#include "app/uUtil.h"

#include "data/uDM.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"

#include <QTest>

// The stored form of the security password: existing settings files hold it,
// so these tests pin it down to the byte.
class TestPassword final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("empty") << QString();
        QTest::addRow("one character") << QStringLiteral("A");
        QTest::addRow("6 characters") << QStringLiteral("SENHA1");
        QTest::addRow("23 characters: the whole key cycle") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVW");
        QTest::addRow("24 characters") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX");
        QTest::addRow("25 characters") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY");
        QTest::addRow("30 characters: the field's size") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
        QTest::addRow("accented capitals") << QStringLiteral("AÇÃO ÉÊ");
        QTest::addRow("the top of the code page") << QStringLiteral("ÿþý«»°");
        QTest::addRow("the code page's own range 0x80-0x9F")
            << QStringLiteral("\u20AC\u201A\u0192\u0081\u008D\u0178\u2122\u0152");
        QTest::addRow("blanks and digits") << QStringLiteral(" 12 34 ");
    }

    void roundTrip()
    {
        QFETCH(QString, text);
        const QString stored = ScramblePassword(text, PasswordKey);
        // One stored character per password character: a 6-character password
        // is 6 characters long, an empty one is empty.
        QCOMPARE(stored.size(), text.size());
        QCOMPARE(UnscramblePassword(stored, PasswordKey), text);
    }

    void keyCycleWrapsAfter23Characters()
    {
        // 'a' is 97. Key "Vqlmrza Tzbxoqkp Wyndarfe", characters 1..23 added in
        // turn, then character 1 ('V', 86) again for the 24th: 97 + 86 = 0xB7.
        // Had the cycle run to character 24 ('f'), the last byte would be 0xC7.
        const QByteArray expected("\xB7\xD2\xCD\xCE\xD3\xDB\xC2\x81"   // V q l m r z a blank
                                  "\xB5\xDB\xC3\xD9\xD0\xD2\xCC\xD1"   // T z b x o q k p
                                  "\x81\xB8\xDA\xCF\xC5\xC2\xD3"       // blank W y n d a r
                                  "\xB7");                             // V again
        const QString stored = ScramblePassword(QString(24, QLatin1Char('a')), PasswordKey);
        QCOMPARE(stored.size(), 24);
        // Every byte above lies where Windows-1252 and Latin-1 agree.
        QCOMPARE(stored.toLatin1(), expected);
    }

    void storedForm_data()
    {
        QTest::addColumn<QString>("clear");
        QTest::addColumn<QString>("stored");
        // 'A' + 'V' = 0x97, the em dash of Windows-1252; then 0xB3 0xAF 0xB1 0xB7 0xC0.
        QTest::addRow("6 capitals") << QStringLiteral("ABCDEF")
                                    << QStringLiteral("\u2014\u00B3\u00AF\u00B1\u00B7\u00C0");
        // '*' + 'V' = 0x80, which a settings file converted to Unicode holds as '€'.
        QTest::addRow("the euro sign") << QStringLiteral("*") << QStringLiteral("\u20AC");
        // '4' + 'V' = 0x8A ('Š'), '2' + 'q' = 0xA3 ('£'), '9' + 'l' = 0xA5 ('¥').
        QTest::addRow("digits") << QStringLiteral("429") << QStringLiteral("\u0160\u00A3\u00A5");
        // 0xFF + 'V' wraps round to 0x55.
        QTest::addRow("past 255") << QStringLiteral("\u00FF") << QStringLiteral("U");
    }

    void storedForm()
    {
        QFETCH(QString, clear);
        QFETCH(QString, stored);
        QCOMPARE(ScramblePassword(clear, PasswordKey), stored);
        QCOMPARE(UnscramblePassword(stored, PasswordKey), clear);
    }

    void blanksAreNoPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("set");
        QTest::addRow("never set") << QString() << false;
        QTest::addRow("blanks") << QStringLiteral("   ") << false;
        QTest::addRow("a blank and a tab") << QStringLiteral(" \t") << false;
        QTest::addRow("a letter among blanks") << QStringLiteral("  A ") << true;
        QTest::addRow("a password") << QStringLiteral("SENHA1") << true;
    }

    void blanksAreNoPassword()
    {
        QFETCH(QString, password);
        QFETCH(bool, set);
        ProgramFolderFixture f;
        DialogRecorder dialogs;
        dialogs.DefaultPassword = false;
        f.EditConfig([&](TDM& dm) {
            if (password.isNull())
                dm.cdsConfigSenhaSeguranca->Clear();
            else
                dm.cdsConfigSenhaSeguranca->SetAsString(ScramblePassword(password, PasswordKey));
        });
        QCOMPARE(PasswordIsSet(f.dm), set);
        // With no password the gate lets the command through without asking.
        QCOMPARE(CheckSecurityPassword(f.dm), !set);
        QCOMPARE(dialogs.PasswordPrompts(), set ? 1 : 0);
    }
};

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
