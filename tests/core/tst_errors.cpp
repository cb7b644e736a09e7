#include "core/Errors.h"
#include "tests/support/DialogRecorder.h"

#include <QTest>

#include <stdexcept>

class TestErrors final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::addRow("letter gets a full stop") << "Field 'Nome' must have a value" << "Field 'Nome' must have a value.";
        QTest::addRow("digit gets a full stop") << "Erro 42" << "Erro 42.";
        QTest::addRow("full stop kept") << "cdsAcessos: Missing data provider or data packet."
                                        << "cdsAcessos: Missing data provider or data packet.";
        QTest::addRow("closing parenthesis sorts before") << "falhou (disco)" << "falhou (disco)";
        QTest::addRow("blank sorts before") << "texto " << "texto ";
        QTest::addRow("accented letter sorts after") << "não há memória" << "não há memória.";
        QTest::addRow("empty stays empty") << "" << "";
    }

    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(ErrorBoxText(message), expected);
    }

    void guardedHandlerShowsAndGoesOn()
    {
        DialogRecorder recorder;
        int after = 0;
        auto handler = Guarded([&](int value) {
            if (value < 0)
                throw EDatabaseError(QStringLiteral("cdsAcessos: Record not found"));
            after += value;
        });
        handler(-1);
        handler(2);
        QCOMPARE(after, 2);
        QCOMPARE(recorder.Errors(), QStringList{QStringLiteral("cdsAcessos: Record not found.")});
    }

    void abortIsSilentAndForeignErrorsAreShown()
    {
        DialogRecorder recorder;
        QVERIFY(!RunGuarded([] { throw EAbort(); }));
        QVERIFY(!RunGuarded([] { throw std::runtime_error("disk full"); }));
        QVERIFY(RunGuarded([] {}));
        QCOMPARE(recorder.Errors(), QStringList{QStringLiteral("disk full.")});
    }
};

QTEST_GUILESS_MAIN(TestErrors)
#include "tst_errors.moc"
