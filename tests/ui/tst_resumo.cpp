#include "ui/uResumo.h"

#include "app/EngineWindows.h"
#include "app/uEngine.h"
#include "core/Format.h"
#include "data/uDM.h"
#include "platform/fake/FakePlatform.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"
#include "ui/Look.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

TDateTime At(int year, int month, int day, int hour = 0, int min = 0, int sec = 0)
{
    return EncodeDateTime(year, month, day, hour, min, sec);
}

// The engine on the fake platform over a temporary program folder; polls are
// driven by the test.
class SummaryFixture : public ProgramFolderFixture {
public:
    DialogRecorder dialogs;
    platform::FakePlatform fake;
    std::unique_ptr<TEngine> engine;

    explicit SummaryFixture(TDateTime now = At(2005, 3, 15, 10), int diaFechaConta = 20)
    {
        SetFormatSettings(TFormatSettings::Brazilian());
        fake.Clock().SetNow(now);
        EditConfig([&](TDM& dm) {
            dm.cdsConfigDiaFechaConta->SetAsInteger(diaFechaConta);
            dm.cdsConfigTarifaSelecionada->SetAsFloat(0.11);
        });
        engine = std::make_unique<TEngine>(dm, fake.Get(), Path());
        engine->NetDetect1->SetEnabled(false);
    }

    TBookmark AddAccess(const QString& user, TDateTime inicio, double seconds, double custo)
    {
        return ProgramFolderFixture::AddAccess(user, inicio, inicio + seconds / SecsPerDay, custo);
    }

    void SetCusto(TBookmark record, double custo)
    {
        dm.cdsAcessos->GotoBookmark(record);
        dm.cdsAcessos->Edit();
        dm.cdsAcessosCusto->SetAsFloat(custo);
        dm.cdsAcessos->Post();
    }
};

// A summary window that is gone at the end of the test whether or not it
// closed itself.
class Summary {
public:
    explicit Summary(TEngine& engine) : form(new TfrmResumo(engine)) {}
    ~Summary() { delete form.data(); }
    Summary(const Summary&) = delete;
    Summary& operator=(const Summary&) = delete;

    TfrmResumo* operator->() const { return form.data(); }
    QString Text(const char* label) const { return form->findChild<QLabel*>(QLatin1String(label))->text(); }
    QString Duracao() const { return Text("lblDuracao"); }
    QString Custo() const { return Text("lblCusto"); }
    QString TempoTotal() const { return Text("lblTempoTotal"); }
    QString GastoTotal() const { return Text("lblGastoTotal"); }

    QPointer<TfrmResumo> form;
};

// What the window layer does for the engine: one summary, created on demand.
class SummaryWindows final : public IEngineWindows {
public:
    explicit SummaryWindows(TEngine& engine) : m_engine(engine) {}
    ~SummaryWindows() override { delete form.data(); }

    QPointer<TfrmResumo> form;

    void ShowMainWindow() override {}
    bool SummaryExists() const override { return !form.isNull(); }
    bool SummaryVisible() const override { return form && form->isVisible(); }
    void ShowSummary() override
    {
        if (!form)
            form = new TfrmResumo(m_engine);
        form->show();
    }
    void CloseSummary() override
    {
        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void RefreshSummary() override { form->Refresh(); }
    void ShowScheduleWindow() override {}
    void ShowTariffUpdateWindow() override {}

private:
    TEngine& m_engine;
};

QString Label(const TfrmResumo* form, const char* name)
{
    return form->findChild<QLabel*>(QLatin1String(name))->text();
}

} // namespace

class TestResumo final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void connectionFigures_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("custo");
        QTest::addColumn<QString>("duracao");
        QTest::addColumn<QString>("custoText");
        QTest::addRow("90 s that cost 0.2318") << 90.0 << 0.2318 << "0 h. e 2 min." << "R$ 0,23";
        QTest::addRow("25 h 10 min 20 s") << 90620.0 << 12.345 << "25 h. e 11 min." << "R$ 12,35";
        QTest::addRow("nothing yet") << 0.0 << 0.0 << "0 h. e 0 min." << "R$ 0,00";
        QTest::addRow("no thousands grouping") << 3600.0 << 1234.5 << "1 h. e 1 min." << "R$ 1234,50";
    }

    void connectionFigures()
    {
        QFETCH(double, seconds);
        QFETCH(double, custo);
        QFETCH(QString, duracao);
        QFETCH(QString, custoText);
        SummaryFixture f;
        f.engine->ConnectionRecord = f.AddAccess(QStringLiteral("joao"), At(2005, 3, 14, 9), seconds, custo);
        Summary summary(*f.engine);
        summary->show();
        QCOMPARE(summary.Duracao(), duracao);
        QCOMPARE(summary.Custo(), custoText);
        // The only access of the cycle: the cycle adds up to the same.
        QCOMPARE(summary.TempoTotal(), duracao);
        QCOMPARE(summary.GastoTotal(), custoText);
    }

    void noConnectionRecordShowsZero_data()
    {
        QTest::addColumn<bool>("deleted");
        QTest::addRow("no connection") << false;
        QTest::addRow("record deleted since") << true;
    }

    void noConnectionRecordShowsZero()
    {
        QFETCH(bool, deleted);
        SummaryFixture f;
        f.AddAccess(QStringLiteral("joao"), At(2005, 3, 1, 20), 30 * 60, 1.5);
        if (deleted) {
            f.engine->ConnectionRecord = f.AddAccess(QStringLiteral("joao"), At(2005, 3, 2, 20), 60, 0.11);
            f.dm.cdsAcessos->GotoBookmark(f.engine->ConnectionRecord);
            f.dm.cdsAcessos->Delete();
        } else {
            f.engine->ConnectionRecord = 0;
        }
        Summary summary(*f.engine);
        summary->show();
        QCOMPARE(summary.Duracao(), QStringLiteral("0 h. e 0 min."));
        QCOMPARE(summary.Custo(), QStringLiteral("R$ 0,00"));
        QCOMPARE(summary.TempoTotal(), QStringLiteral("0 h. e 31 min."));
        QCOMPARE(summary.GastoTotal(), QStringLiteral("R$ 1,50"));
        QVERIFY(f.dialogs.Errors().isEmpty());
    }

    void cycleBoundaries_data()
    {
        QTest::addColumn<QDateTime>("today");
        QTest::addColumn<int>("diaFechaConta");
        QTest::addColumn<QDateTime>("inicio");
        QTest::addColumn<bool>("counted");
        const auto at = [](int y, int m, int d, int h, int n = 0) { return QDateTime(QDate(y, m, d), QTime(h, n)); };
        QTest::addRow("on the closing day, its morning") << at(2005, 3, 20, 18) << 20 << at(2005, 3, 20, 8) << true;
        QTest::addRow("on the closing day, its last minutes")
            << at(2005, 3, 20, 23, 59) << 20 << at(2005, 3, 20, 23, 45) << true;
        QTest::addRow("day after closing: the closing day is gone")
            << at(2005, 3, 21, 9) << 20 << at(2005, 3, 20, 8) << false;
        QTest::addRow("day after closing: its first minute") << at(2005, 3, 21, 9) << 20 << at(2005, 3, 21, 0) << true;
        QTest::addRow("mid-cycle: the previous closing day")
            << at(2005, 3, 15, 10) << 20 << at(2005, 2, 20, 22) << false;
        QTest::addRow("mid-cycle: the day after it") << at(2005, 3, 15, 10) << 20 << at(2005, 2, 21, 0, 30) << true;
        QTest::addRow("January, closing 30: December 31st")
            << at(2005, 1, 29, 10) << 30 << at(2004, 12, 31, 10) << true;
        QTest::addRow("January, closing 30: December 30th")
            << at(2005, 1, 29, 10) << 30 << at(2004, 12, 30, 10) << false;
        QTest::addRow("January 31st, closing 30: the 30th is gone")
            << at(2005, 1, 31, 12) << 30 << at(2005, 1, 30, 10) << false;
        QTest::addRow("January 31st, closing 30: the 31st") << at(2005, 1, 31, 12) << 30 << at(2005, 1, 31, 8) << true;
        QTest::addRow("February, closing 30: closes on the 28th")
            << at(2005, 2, 28, 20) << 30 << at(2005, 2, 28, 10) << true;
        QTest::addRow("March 1st, closing 30: February 28th is gone")
            << at(2005, 3, 1, 9) << 30 << at(2005, 2, 28, 10) << false;
        QTest::addRow("March 1st, closing 30: March 1st") << at(2005, 3, 1, 9) << 30 << at(2005, 3, 1, 8) << true;
    }

    void cycleBoundaries()
    {
        QFETCH(QDateTime, today);
        QFETCH(int, diaFechaConta);
        QFETCH(QDateTime, inicio);
        QFETCH(bool, counted);
        SummaryFixture f(FromQDateTime(today), diaFechaConta);
        f.AddAccess(QStringLiteral("joao"), FromQDateTime(inicio), 10 * 60, 1.0);
        Summary summary(*f.engine);
        summary->show();
        QCOMPARE(summary.TempoTotal(), counted ? QStringLiteral("0 h. e 11 min.") : QStringLiteral("0 h. e 0 min."));
        QCOMPARE(summary.GastoTotal(), counted ? QStringLiteral("R$ 1,00") : QStringLiteral("R$ 0,00"));
    }

    void closingDayZeroIsTheTwentieth_data()
    {
        QTest::addColumn<QDateTime>("today");
        QTest::addColumn<QString>("gastoTotal");
        QTest::addRow("February 20th") << QDateTime(QDate(2005, 2, 20), QTime(12, 0)) << "R$ 1,00";
        QTest::addRow("March 20th") << QDateTime(QDate(2005, 3, 20), QTime(12, 0)) << "R$ 14,00";
        QTest::addRow("March 21st") << QDateTime(QDate(2005, 3, 21), QTime(12, 0)) << "R$ 16,00";
    }

    void closingDayZeroIsTheTwentieth()
    {
        QFETCH(QDateTime, today);
        QFETCH(QString, gastoTotal);
        QStringList figures[2];
        const int days[2] = {20, 0};
        for (int i = 0; i < 2; ++i) {
            SummaryFixture f(FromQDateTime(today), days[i]);
            // Costs of powers of two: the sum tells exactly which accesses counted.
            f.AddAccess(QStringLiteral("joao"), At(2005, 2, 20, 8), 60, 1);
            f.AddAccess(QStringLiteral("joao"), At(2005, 2, 21, 8), 120, 2);
            f.AddAccess(QStringLiteral("joao"), At(2005, 2, 28, 8), 240, 4);
            f.AddAccess(QStringLiteral("joao"), At(2005, 3, 20, 8), 480, 8);
            f.AddAccess(QStringLiteral("joao"), At(2005, 3, 21, 8), 960, 16);
            Summary summary(*f.engine);
            summary->show();
            figures[i] = QStringList{summary.TempoTotal(), summary.GastoTotal()};
        }
        QCOMPARE(figures[0].value(1), gastoTotal);
        QCOMPARE(figures[1], figures[0]);
    }

    void mainWindowListIsLeftAlone_data()
    {
        QTest::addColumn<QString>("filtroUsuario");
        QTest::addColumn<QDateTime>("inicioPeriodo");
        QTest::addColumn<QDateTime>("fimPeriodo");
        QTest::addColumn<int>("recNo");
        const QDateTime thisMonthStart(QDate(2005, 2, 20), QTime(23, 59, 59));
        const QDateTime thisMonthEnd(QDate(2005, 3, 20), QTime(23, 59, 59));
        const QDateTime januaryStart(QDate(2004, 12, 20), QTime(23, 59, 59));
        const QDateTime januaryEnd(QDate(2005, 1, 20), QTime(23, 59, 59));
        QTest::addRow("another user") << "maria" << thisMonthStart << thisMonthEnd << 1;
        QTest::addRow("another month, second row") << "Todos" << januaryStart << januaryEnd << 2;
        QTest::addRow("another user in another month") << "joao" << januaryStart << januaryEnd << 1;
        QTest::addRow("nothing listed") << "ninguem" << thisMonthStart << thisMonthEnd << 0;
    }

    void mainWindowListIsLeftAlone()
    {
        QFETCH(QString, filtroUsuario);
        QFETCH(QDateTime, inicioPeriodo);
        QFETCH(QDateTime, fimPeriodo);
        QFETCH(int, recNo);
        SummaryFixture f;
        TDM& dm = f.dm;
        f.AddAccess(QStringLiteral("joao"), At(2005, 3, 1, 20), 10 * 60, 1);
        const TBookmark connection = f.AddAccess(QStringLiteral("maria"), At(2005, 3, 2, 20), 20 * 60, 2);
        f.AddAccess(QStringLiteral("joao"), At(2005, 1, 10, 20), 40 * 60, 4);
        f.AddAccess(QStringLiteral("maria"), At(2005, 1, 11, 20), 60 * 60, 8);
        f.engine->ConnectionRecord = connection;

        // The main window's list: one user or one month, newest first, a row chosen.
        TTable* acessos = dm.cdsAcessos;
        acessos->SetIndexName(TDM::AcessosIndex);
        dm.FiltroUsuario = filtroUsuario;
        dm.InicioPeriodo = FromQDateTime(inicioPeriodo);
        dm.FimPeriodo = FromQDateTime(fimPeriodo);
        acessos->SetFiltered(true);
        if (recNo > 0)
            acessos->SetRecNo(recNo);
        QCOMPARE(acessos->RecNo(), recNo);
        const TBookmark current = acessos->GetBookmark();
        const int listed = acessos->RecordCount();
        // The main window's totals of its own period.
        dm.SomaPulsos = 7;
        dm.SomaDuracao = 0.5;
        dm.SomaCusto = 9.75;
        dm.SomaEconomia = 1.25;

        QSignalSpy dataChanged(acessos, &TTable::DataChanged);
        QSignalSpy currentChanged(acessos, &TTable::CurrentChanged);
        QSignalSpy recordChanged(acessos, &TTable::RecordChanged);
        Summary summary(*f.engine);
        summary->show();
        summary->Refresh();

        // Both users of this cycle, whatever the list shows.
        QCOMPARE(summary.TempoTotal(), QStringLiteral("0 h. e 31 min."));
        QCOMPARE(summary.GastoTotal(), QStringLiteral("R$ 3,00"));
        QCOMPARE(summary.Duracao(), QStringLiteral("0 h. e 21 min."));
        QCOMPARE(summary.Custo(), QStringLiteral("R$ 2,00"));

        QCOMPARE(acessos->RecNo(), recNo);
        QCOMPARE(acessos->GetBookmark(), current);
        QCOMPARE(acessos->RecordCount(), listed);
        QVERIFY(acessos->Filtered());
        QCOMPARE(acessos->IndexName(), TDM::AcessosIndex);
        QVERIFY(!acessos->ControlsDisabled());
        QCOMPARE(dataChanged.count(), 0);
        QCOMPARE(currentChanged.count(), 0);
        QCOMPARE(recordChanged.count(), 0);
        QCOMPARE(dm.SomaPulsos, 7);
        QCOMPARE(dm.SomaDuracao, 0.5);
        QCOMPARE(dm.SomaCusto, 9.75);
        QCOMPARE(dm.SomaEconomia, 1.25);
    }

    void opensOncePerShowing()
    {
        SummaryFixture f;
        const TBookmark record = f.AddAccess(QStringLiteral("joao"), At(2005, 3, 15, 9), 60, 0.11);
        f.engine->ConnectionRecord = record;
        Summary summary(*f.engine);
        summary->show();
        QCOMPARE(summary.Custo(), QStringLiteral("R$ 0,11"));

        f.SetCusto(record, 0.22);
        summary->show(); // already visible: nothing is read again
        QCOMPARE(summary.Custo(), QStringLiteral("R$ 0,11"));
        QCOMPARE(summary.GastoTotal(), QStringLiteral("R$ 0,11"));
        summary->Refresh();
        QCOMPARE(summary.Custo(), QStringLiteral("R$ 0,22"));
        QCOMPARE(summary.GastoTotal(), QStringLiteral("R$ 0,22"));

        f.SetCusto(record, 0.33);
        summary->hide();
        summary->show(); // hidden, then shown: a new opening
        QCOMPARE(summary.Custo(), QStringLiteral("R$ 0,33"));
        QCOMPARE(summary.GastoTotal(), QStringLiteral("R$ 0,33"));
    }

    void takesTheFocusOnlyWhenItOpens()
    {
        SummaryFixture f;
        Summary summary(*f.engine);
        summary->show();
        QVERIFY(QTest::qWaitForWindowActive(summary.form));

        // The user goes on working elsewhere; the refreshes leave the focus there.
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        summary->Refresh();
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), &elsewhere);
    }

    void followsTheEngineDuringAConnection()
    {
        SummaryFixture f;
        SummaryWindows windows(*f.engine);
        f.engine->SetWindows(&windows);
        const auto poll = [&f](int times, int seconds) {
            for (int i = 0; i < times; ++i) {
                f.fake.Clock().AdvanceSeconds(seconds);
                f.engine->NetDetect1->Poll();
            }
        };
        const auto recordFigures = [&f] {
            f.dm.cdsAcessos->GotoBookmark(f.engine->ConnectionRecord);
            return QStringList{FormatDuration(f.dm.cdsAcessosDuracao->AsFloat()),
                               QStringLiteral("R$ ") +
                                   FormatFloat(QStringLiteral("0.00"), f.dm.cdsAcessosCusto->AsFloat())};
        };
        const auto shown = [&windows] {
            return QStringList{Label(windows.form, "lblDuracao"), Label(windows.form, "lblCusto")};
        };

        f.fake.Connectivity().SetFlags(platform::ConnectionModem);
        f.engine->NetDetect1->Poll();
        QVERIFY(f.engine->ConnectionRecord != 0);
        windows.ShowSummary(); // the tray icon's double click
        const QStringList opening{QStringLiteral("0 h. e 1 min."), QStringLiteral("R$ 0,11")};
        QCOMPARE(shown(), opening);

        poll(14, 60);
        QCOMPARE(shown(), opening);
        poll(1, 60);
        QCOMPARE(shown(), recordFigures());
        QCOMPARE(shown().value(0), QStringLiteral("0 h. e 16 min."));
        QVERIFY(shown().value(1) != opening.value(1));
        QCOMPARE(Label(windows.form, "lblTempoTotal"), shown().value(0));
        QCOMPARE(Label(windows.form, "lblGastoTotal"), shown().value(1));

        // The end: the summary opens anew with the final figures and keeps them.
        poll(10, 1);
        const TBookmark record = f.engine->ConnectionRecord;
        f.fake.Connectivity().SetFlags(0);
        f.engine->NetDetect1->Poll();
        QCOMPARE(f.engine->ConnectionRecord, TBookmark(0));
        QVERIFY(windows.SummaryVisible());
        f.dm.cdsAcessos->GotoBookmark(record);
        QCOMPARE(shown(), (QStringList{FormatDuration(f.dm.cdsAcessosDuracao->AsFloat()),
                                      QStringLiteral("R$ ") + FormatFloat(QStringLiteral("0.00"),
                                                                          f.dm.cdsAcessosCusto->AsFloat())}));
        QCOMPARE(shown().value(0), QStringLiteral("0 h. e 16 min."));
        QVERIFY(f.dialogs.Errors().isEmpty());
    }

    void windowLook_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("color");
        const QColor black(Qt::black), blue(0, 75, 145), red(Qt::red);
        QTest::addRow("top left heading") << "lblTituloDuracao" << "Duração da conexão atual" << "Tahoma" << 8 << true
                                          << black;
        QTest::addRow("top right heading") << "lblTituloCusto" << "Custo da conexão atual" << "Tahoma" << 8 << true
                                           << black;
        QTest::addRow("bottom left heading") << "lblTituloTempoTotal"
                                             << "Tempo de conexão desde o fechamento da última conta" << "Tahoma" << 8
                                             << false << black;
        QTest::addRow("bottom right heading") << "lblTituloGastoTotal"
                                              << "Soma dos gastos desde o fechamento da última conta" << "Tahoma" << 8
                                              << false << black;
        QTest::addRow("duration") << "lblDuracao" << "0 h. e 0 min." << "Arial" << 14 << true << blue;
        QTest::addRow("cost") << "lblCusto" << "R$ 0,00" << "Arial" << 23 << true << red;
        QTest::addRow("cycle duration") << "lblTempoTotal" << "0 h. e 0 min." << "Arial" << 14 << true << blue;
        QTest::addRow("cycle cost") << "lblGastoTotal" << "R$ 0,00" << "Arial" << 14 << true << blue;
    }

    void windowLook()
    {
        QFETCH(QString, label);
        QFETCH(QString, text);
        QFETCH(QString, family);
        QFETCH(int, pointSize);
        QFETCH(bool, bold);
        QFETCH(QColor, color);
        SummaryFixture f;
        // A detail colour is set, and the summary does not take it.
        f.EditConfig([](TDM& dm) { dm.cdsConfigDetailColor->SetAsInteger(0x00FF00); });
        Summary summary(*f.engine);
        summary->show();
        QVERIFY(QTest::qWaitForWindowExposed(summary.form));

        const QLabel* l = summary->findChild<QLabel*>(label);
        QVERIFY(l);
        QCOMPARE(l->text(), text);
        QCOMPARE(l->font().family(), family);
        QCOMPARE(l->font().pointSize(), pointSize);
        QCOMPARE(l->font().bold(), bold);
        QCOMPARE(l->palette().color(QPalette::WindowText), color);
        QVERIFY(l->isVisible());
        QVERIFY(summary->rect().contains(l->geometry().translated(l->parentWidget()->pos())));
        // Nothing cut off: the text fits the room the label was given.
        if (l->wordWrap())
            QVERIFY(l->heightForWidth(l->width()) <= l->height());
        else
            QVERIFY(l->sizeHint().width() <= l->width() && l->sizeHint().height() <= l->height());

        QCOMPARE(summary->windowTitle(), QStringLiteral("Pulsim - Resumo da Conexão"));
        QCOMPARE(summary->size(), QSize(378, 151));
        QCOMPARE(summary->minimumSize(), summary->maximumSize());
        QCOMPARE(summary->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(summary->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(summary->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(summary->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!summary->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!summary->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        const QList<TDottedFrame*> frames = summary->findChildren<TDottedFrame*>();
        QCOMPARE(frames.size(), 4);
        for (const TDottedFrame* frame : frames)
            QCOMPARE(frame->OutlineColor(), QColor(47, 66, 139));
    }

    void closingDestroysTheWindow()
    {
        SummaryFixture f;
        Summary summary(*f.engine);
        summary->show();
        QVERIFY(summary->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(summary.form.isNull());
    }
};

QTEST_MAIN(TestResumo)
#include "tst_resumo.moc"
