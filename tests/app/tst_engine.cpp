#include "app/TrayIcon.h"
#include "app/uEngine.h"
#include "app/uUtil.h"
#include "core/Format.h"
#include "data/uDM.h"
#include "platform/fake/FakePlatform.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/ProgramFolderFixture.h"
#include "tests/support/RecordingWindows.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTest>

#include <cmath>

namespace {

const QString Welcome =
    QStringLiteral("Bem-vindo ao Pulsim, o software padrão para controle de gastos telefônicos com Internet!");
const QString Monitored = QStringLiteral("Esta conexão está sendo monitorada pelo Pulsim .");

// One access as it was written to Acessos.cds.
struct SavedAccess {
    QString usuario;
    TDateTime inicio = 0, fim = 0, duracao = 0;
    double custo = 0, economia = 0;
    int pulsos = 0;
};

// The engine on the fake platform, in a temporary program folder, with the
// dialogs recorded and the windows replaced by a recorder.
class EngineFixture : public ProgramFolderFixture {
public:
    DialogRecorder dialogs;
    platform::FakePlatform fake;
    RecordingWindows windows;
    std::unique_ptr<TEngine> engine;

    explicit EngineFixture(TDateTime now = EncodeDateTime(2024, 3, 4, 10, 0, 0))
    {
        SetFormatSettings(TFormatSettings::Brazilian());
        fake.Clock().SetNow(now);
        EditConfig([](TDM& dm) { dm.cdsConfigTarifaSelecionada->SetAsFloat(0.1100); });
        Start();
    }

    void Start()
    {
        engine = std::make_unique<TEngine>(dm, fake.Get(), Path());
        engine->SetWindows(&windows);
        // Polls and ticks are driven by the test, never by the clock.
        engine->NetDetect1->SetEnabled(false);
    }

    void Poll(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            engine->NetDetect1->Poll();
    }

    // Polls `seconds / step` times with the line up, the clock moving `step`
    // seconds before each (the detector polls every second; long calls are
    // walked in bigger steps so the test stays quick).
    void StayOnline(int seconds, int step = 1)
    {
        for (int i = 0; i < seconds / step; ++i) {
            fake.Clock().AdvanceSeconds(step);
            Poll();
        }
    }

    void LineUp() { fake.Connectivity().SetFlags(platform::ConnectionModem); }
    void LineDown() { fake.Connectivity().SetFlags(0); }

    // Connects, stays up for `seconds` (one poll a second) and hangs up.
    void Connection(int seconds, int step = 1)
    {
        LineUp();
        Poll();
        StayOnline(seconds, step);
        LineDown();
        Poll();
    }

    QList<SavedAccess> SavedAccesses()
    {
        TDM reader;
        reader.DataModuleCreate(Path());
        QList<SavedAccess> out;
        TTable* t = reader.cdsAcessos;
        t->SetIndexName(QString());
        for (t->First(); !t->Eof(); t->Next()) {
            out.append({reader.cdsAcessosUsuario->AsString(), reader.cdsAcessosInicio->AsDateTime(),
                        reader.cdsAcessosFim->AsDateTime(), reader.cdsAcessosDuracao->AsFloat(),
                        reader.cdsAcessosCusto->AsFloat(), reader.cdsAcessosEconomia->AsFloat(),
                        reader.cdsAcessosPulsos->AsInteger()});
        }
        return out;
    }
};

bool Near(TDateTime a, TDateTime b, double seconds = 0.01)
{
    return std::fabs(a - b) * 86400.0 <= seconds;
}

} // namespace

class TestEngine final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startupInventory()
    {
        ProgramFolderFixture folder;
        DialogRecorder dialogs;
        platform::FakePlatform fake;
        TEngine engine(folder.dm, fake.Get(), folder.Path());

        struct Expected {
            const QTimer* timer;
            int interval;
            bool running;
        };
        const Expected timers[] = {
            {&engine.TimerSplash, 3000, true},           {&engine.TimerSeguranca, 1000, true},
            {&engine.TimerJanelaDataHora, 500, false},   {&engine.TimerConexaoPirata, 500, false},
            {&engine.TimerHorarioBloqueado, 1000, false}, {&engine.TimerDetectaMudancaHora, 1000, false},
            {&engine.TimerDataHora, 3000, false},        {&engine.TimerTarifa, 1000, false},
            {&engine.TimerDesconexao, 1000, false},
        };
        for (const Expected& e : timers) {
            QCOMPARE(e.timer->interval(), e.interval);
            QVERIFY2(e.timer->isActive() == e.running, qPrintable(e.timer->objectName()));
        }
        QVERIFY(engine.NetDetect1->Enabled());
        QCOMPARE(engine.NetDetect1->Interval(), quint16(1000));
        QVERIFY(!engine.NetDetect1->DebugConnected());
        QCOMPARE(engine.PhoneTax1->MinPorPulso(), quint8(4));
        QCOMPARE(engine.PhoneTax1->ValorPulso(), Currency::FromRaw(1053));

        QVERIFY(engine.TrayIcon->Visible());
        QCOMPARE(engine.TrayIcon->Hint(), QStringLiteral("Pulsim"));
        QCOMPARE(engine.TrayIcon->IconIndex(), 0);
        QCOMPARE(engine.TrayIcon->FrameCount(), 10);
        QCOMPARE(engine.TrayIcon->AnimateInterval(), 200);
        QVERIFY(!engine.TrayIcon->Animate());
        QCOMPARE(dialogs.Notices().value(0), Welcome);
        QCOMPARE(engine.ScheduledHangUpTime, 0.0);
        QVERIFY(!engine.ShutDownAfterHangUp);
    }

    void splashGoesWithItsTimer()
    {
        EngineFixture f;
        QPointer<QWidget> splash = new QWidget;
        splash->show();
        f.engine->Splash = splash;
        f.engine->TimerSplashTimer();
        QVERIFY(splash.isNull());
        QVERIFY(!f.engine->TimerSplash.isActive());
        f.engine->TimerSplashTimer(); // without a splash: nothing to do
    }

    void startupFollowsTheSettings()
    {
        ProgramFolderFixture folder;
        folder.EditConfig([](TDM& dm) {
            dm.cdsConfigOcultarTrayIcon->SetAsBoolean(true);
            dm.cdsConfigBloquearDataHora->SetAsBoolean(true);
        });
        DialogRecorder dialogs;
        platform::FakePlatform fake;
        TEngine engine(folder.dm, fake.Get(), folder.Path());
        QVERIFY(!engine.TrayIcon->Visible());
        QVERIFY(engine.TimerJanelaDataHora.isActive());
        QCOMPARE(engine.TimerJanelaDataHora.interval(), 500);
        QCOMPARE(dialogs.Notices(), QStringList{Welcome});
    }

    void tenSecondConnection()
    {
        EngineFixture f;
        const TDateTime detected = f.fake.Clock().Now();
        f.LineUp();
        f.Poll();
        QVERIFY(f.engine->TrayIcon->Animate());
        QVERIFY(f.engine->Programardesconexo1->isEnabled());
        QVERIFY(!f.engine->EditingControlsEnabled());
        QVERIFY(f.dm.cdsAcessos->ControlsDisabled());

        // The record is in the file from the first poll on.
        QList<SavedAccess> saved = f.SavedAccesses();
        QCOMPARE(saved.size(), 1);
        QVERIFY(Near(saved[0].inicio, detected - 5.0 / 86400));
        QCOMPARE(saved[0].pulsos, 1);
        QCOMPARE(saved[0].custo, 0.1100);

        f.StayOnline(10);
        f.LineDown();
        f.Poll();

        saved = f.SavedAccesses();
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved[0].usuario, QStringLiteral("usuario"));
        QVERIFY(Near(saved[0].inicio, detected - 5.0 / 86400));
        QVERIFY(Near(saved[0].fim, detected + 10.0 / 86400));
        QVERIFY(Near(saved[0].duracao, 15.0 / 86400));
        QCOMPARE(saved[0].pulsos, 1);
        QCOMPARE(saved[0].custo, 0.1100);
        QCOMPARE(saved[0].economia, 0.0);

        QCOMPARE(f.dialogs.Notices(),
                 (QStringList{Welcome, Monitored, QStringLiteral("Essa conexão lhe custou R$ 0,1100 .")}));
        QVERIFY(!f.engine->TrayIcon->Animate());
        QCOMPARE(f.engine->TrayIcon->IconIndex(), 0);
        QVERIFY(!f.engine->Programardesconexo1->isEnabled());
        QVERIFY(f.engine->EditingControlsEnabled());
        QVERIFY(!f.dm.cdsAcessos->ControlsDisabled());
        QCOMPARE(f.engine->ConnectionRecord, TBookmark(0));
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("ShowSummary")});
    }

    void pulsesOfAConnection_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("minutosPulso");
        QTest::addColumn<int>("pulsos");
        QTest::addColumn<double>("economia");
        // Multi-pulse hours: the first pulse plus 20 div 4.
        QTest::addRow("20 min 30 s at 10:00") << QDateTime(QDate(2024, 3, 4), QTime(10, 0, 5)) << 20 * 60 + 25 << 4
                                              << 6 << 0.0;
        // Two reduced-rate minutes before 06:00, eight multi-pulse after.
        QTest::addRow("05:58 for 10 min 30 s") << QDateTime(QDate(2005, 3, 7), QTime(5, 58, 5)) << 10 * 60 + 25
                                               << 4 << 3 << 0.0;
        // Reduced-rate all along: one pulse, the rest saved.
        QTest::addRow("Sunday 20 min 30 s") << QDateTime(QDate(2024, 3, 3), QTime(10, 0, 5)) << 20 * 60 + 25 << 4
                                            << 1 << 5 * 0.11;
        QTest::addRow("one minute a pulse, 70 s") << QDateTime(QDate(2024, 3, 4), QTime(14, 0, 5)) << 65 << 1 << 2
                                                  << 0.0;
    }

    void pulsesOfAConnection()
    {
        QFETCH(QDateTime, start);
        QFETCH(int, seconds);
        QFETCH(int, minutosPulso);
        QFETCH(int, pulsos);
        QFETCH(double, economia);
        EngineFixture f(FromQDateTime(start));
        f.EditConfig([&](TDM& dm) { dm.cdsConfigMinutosPulso->SetAsInteger(minutosPulso); });
        f.Connection(seconds);
        const QList<SavedAccess> saved = f.SavedAccesses();
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved[0].pulsos, pulsos);
        QCOMPARE(saved[0].custo, 0.11 * pulsos);
        QVERIFY(std::fabs(saved[0].economia - economia) < 1e-9);
        QCOMPARE(f.dialogs.Notices().last(), QStringLiteral("Essa conexão lhe custou R$ %1 .")
                                                 .arg(FormatFloat(QStringLiteral("0.0000"), 0.11 * pulsos)));
    }

    void recordIsRefreshedEveryFifteenPolls()
    {
        EngineFixture f;
        f.LineUp();
        f.Poll();
        const TDateTime start = f.SavedAccesses().at(0).inicio;
        f.StayOnline(14);
        QVERIFY(Near(f.SavedAccesses().at(0).fim, start + 5.0 / 86400));
        f.StayOnline(1);
        QVERIFY(Near(f.SavedAccesses().at(0).fim, start + 20.0 / 86400));
        f.windows.summaryExists = true;
        f.StayOnline(15);
        QVERIFY(Near(f.SavedAccesses().at(0).fim, start + 35.0 / 86400));
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("RefreshSummary")});
    }

    void longUserNameIsCut()
    {
        EngineFixture f;
        const std::string name = "um_nome_de_usuario_muito_comprido_demais";
        f.fake.SystemInfo().SetLoggedOnUserName(name);
        f.Connection(3);
        QCOMPARE(f.SavedAccesses().at(0).usuario, QString::fromStdString(name).left(30));
    }

    void laterConnectionsBehaveLikeTheFirst()
    {
        EngineFixture f;
        f.Connection(10);
        f.fake.Clock().AdvanceMinutes(30);
        f.Connection(20);
        f.fake.Clock().AdvanceMinutes(30);
        f.Connection(5);
        const QList<SavedAccess> saved = f.SavedAccesses();
        QCOMPARE(saved.size(), 3);
        for (const SavedAccess& a : saved) {
            QCOMPARE(a.pulsos, 1);
            QCOMPARE(a.custo, 0.11);
        }
        QVERIFY(Near(saved[1].duracao, 25.0 / 86400));
        QCOMPARE(f.dialogs.Notices().count(Monitored), 3);
    }

    void zeroTariffCountsPulsesWithoutCrashing()
    {
        EngineFixture f;
        f.EditConfig([](TDM& dm) { dm.cdsConfigTarifaSelecionada->SetAsFloat(0); });
        f.Connection(9 * 60);
        const SavedAccess a = f.SavedAccesses().at(0);
        QCOMPARE(a.custo, 0.0);
        QCOMPARE(a.pulsos, 3);
        QCOMPARE(f.dialogs.Errors(), QStringList());
        QCOMPARE(f.dialogs.Notices().last(), QStringLiteral("Essa conexão lhe custou R$ 0,0000 ."));
    }

    void fiveDecimalTariffCountsExactPulses()
    {
        // Dividing a long call's cost by an unrounded tariff would lose pulses.
        EngineFixture f;
        f.EditConfig([](TDM& dm) {
            dm.cdsConfigTarifaSelecionada->SetAsFloat(0.10534);
            dm.cdsConfigMinutosPulso->SetAsInteger(1);
        });
        f.Connection(30 * 3600, 60);
        const SavedAccess a = f.SavedAccesses().at(0);
        QVERIFY(a.pulsos > 1200);
        QCOMPARE(a.custo, Currency::FromRaw(1053 * qint64(a.pulsos)).ToDouble());
    }

    void timersArmedFromTheSettings()
    {
        EngineFixture f;
        f.EditConfig([](TDM& dm) {
            dm.cdsConfigAtualizarHora->SetAsBoolean(true);
            dm.cdsConfigAtualizarTarifa->SetAsBoolean(true);
            dm.cdsConfigTempoEspera->SetAsInteger(45);
        });
        f.LineUp();
        f.Poll();
        QVERIFY(f.engine->TimerDataHora.isActive());
        QCOMPARE(f.engine->TimerDataHora.interval(), 45000);
        QVERIFY(f.engine->TimerTarifa.isActive());
        QCOMPARE(f.engine->TimerTarifa.interval(), 75000);
        f.LineDown();
        f.Poll();
        QVERIFY(!f.engine->TimerDataHora.isActive());
        QVERIFY2(f.engine->TimerTarifa.isActive(), "the tariff update goes on after the connection");
    }

    void timersStayOffWithoutTheSettings()
    {
        EngineFixture f;
        f.LineUp();
        f.Poll();
        QVERIFY(!f.engine->TimerDataHora.isActive());
        QVERIFY(!f.engine->TimerTarifa.isActive());
        QVERIFY(!f.engine->TimerConexaoPirata.isActive());
        QVERIFY(!f.engine->TimerHorarioBloqueado.isActive());
    }

    void guardTimers_data()
    {
        QTest::addColumn<bool>("blockUsers");
        QTest::addColumn<QString>("allowed");
        QTest::addColumn<bool>("blockMulti");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<bool>("pirate");
        QTest::addColumn<bool>("multi");
        const QDateTime weekday(QDate(2024, 3, 4), QTime(10, 0));
        const QDateTime night(QDate(2024, 3, 4), QTime(3, 0));
        QTest::addRow("user not allowed") << true << "outro" << false << weekday << true << false;
        QTest::addRow("user allowed") << true << "usuario" << false << weekday << false << false;
        QTest::addRow("allowed differs in case") << true << "Usuario" << false << weekday << true << false;
        QTest::addRow("multi-pulse hours refused") << false << "" << true << weekday << false << true;
        QTest::addRow("reduced-rate hours") << false << "" << true << night << false << false;
    }

    void guardTimers()
    {
        QFETCH(bool, blockUsers);
        QFETCH(QString, allowed);
        QFETCH(bool, blockMulti);
        QFETCH(QDateTime, when);
        QFETCH(bool, pirate);
        QFETCH(bool, multi);
        EngineFixture f(FromQDateTime(when));
        if (!allowed.isEmpty()) {
            f.dm.cdsUsuarios->Append();
            f.dm.cdsUsuariosNome->SetAsString(allowed);
            f.dm.cdsUsuarios->Post();
        }
        f.EditConfig([&](TDM& dm) {
            dm.cdsConfigBloquearInternet->SetAsBoolean(blockUsers);
            dm.cdsConfigBloquearHorarioMulti->SetAsBoolean(blockMulti);
        });
        f.LineUp();
        f.Poll();
        QCOMPARE(f.engine->TimerConexaoPirata.isActive(), pirate);
        QCOMPARE(f.engine->TimerHorarioBloqueado.isActive(), multi);
    }

    void connectionRecordSurvivesOrderAndFilter()
    {
        EngineFixture f;
        // Older accesses, then a connection while the log is sorted and
        // filtered to a period that does not contain it.
        f.Connection(5);
        f.fake.Clock().AdvanceHours(1);
        f.Connection(5);
        f.fake.Clock().AdvanceHours(1);
        f.dm.FiltroUsuario = QStringLiteral("Todos");
        f.dm.InicioPeriodo = EncodeDate(2020, 1, 1);
        f.dm.FimPeriodo = EncodeDate(2020, 2, 1);
        f.dm.cdsAcessos->SetFiltered(true);
        f.LineUp();
        f.Poll();
        f.dm.cdsAcessos->AddIndex(QStringLiteral("TempCusto"), QStringLiteral("Custo"), true);
        f.dm.cdsAcessos->SetIndexName(QStringLiteral("TempCusto"));
        f.dm.cdsAcessos->First();
        f.StayOnline(30);
        f.LineDown();
        f.Poll();
        const QList<SavedAccess> saved = f.SavedAccesses();
        QCOMPARE(saved.size(), 3);
        QVERIFY(Near(saved[0].duracao, 10.0 / 86400));
        QVERIFY(Near(saved[1].duracao, 10.0 / 86400));
        QVERIFY(Near(saved[2].duracao, 35.0 / 86400));
    }

    void summaryAtTheEndOfAConnection()
    {
        EngineFixture f;
        f.windows.summaryExists = f.windows.summaryVisible = true;
        f.Connection(5);
        QCOMPARE(f.windows.calls, (QStringList{QStringLiteral("CloseSummary"), QStringLiteral("ShowSummary")}));

        EngineFixture quiet;
        quiet.EditConfig([](TDM& dm) { dm.cdsConfigInformarGastos->SetAsBoolean(false); });
        quiet.Connection(5);
        QCOMPARE(quiet.windows.calls, QStringList());
    }

    void wakeUpMessage()
    {
        EngineFixture f;
        f.engine->ApplicationEvents1Message(TEngine::WakeUpMessage);
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("ShowMainWindow")});
        f.windows.calls.clear();
        f.engine->ApplicationEvents1Message(1234);
        QCOMPARE(f.windows.calls, QStringList());

        f.engine->NetDetect1->SetDebugConnected(true);
        f.engine->ApplicationEvents1Message(TEngine::WakeUpMessage);
        QCOMPARE(f.windows.calls, QStringList{QStringLiteral("ShowSummary")});
    }

    void trayOpensTheMainWindowOnlyOffline()
    {
        EngineFixture f;
        f.engine->TrayIconDblClick();
        f.engine->AbriroPulsim->trigger();
        QCOMPARE(f.windows.calls, (QStringList{"ShowMainWindow", "ShowMainWindow"}));

        // A simulated connection does not prevent opening it.
        f.windows.calls.clear();
        f.engine->Simularconexo1->trigger();
        QVERIFY(f.engine->NetDetect1->DebugConnected());
        f.engine->AbriroPulsim->trigger();
        QCOMPARE(f.windows.calls, QStringList{"ShowMainWindow"});

        f.windows.calls.clear();
        f.Poll();
        QVERIFY(f.engine->NetDetect1->Connected());
        f.engine->AbriroPulsim->trigger();
        f.engine->TrayIconDblClick();
        QCOMPARE(f.dialogs.Infos(), QStringList{QStringLiteral(
                                        "O programa não pode ser aberto enquanto você estiver conectado à Internet.")});
        QCOMPARE(f.windows.calls, QStringList{"ShowSummary"});
    }

    void openingAskForThePasswordWhenLocked()
    {
        EngineFixture f;
        f.EditConfig([](TDM& dm) {
            dm.cdsConfigBloquarAberturaPulsim->SetAsBoolean(true);
            dm.cdsConfigSenhaSeguranca->SetAsString(ScramblePassword(QStringLiteral("ABC"), PasswordKey));
        });
        f.dialogs.AnswerPassword({false, true});
        f.engine->AbriroPulsimClick();
        QCOMPARE(f.windows.calls, QStringList());
        f.engine->AbriroPulsimClick();
        QCOMPARE(f.windows.calls, QStringList{"ShowMainWindow"});
        QCOMPARE(f.dialogs.PasswordPrompts(), 2);
    }

    void menuStates()
    {
        EngineFixture f;
        const QList<QAction*> items = f.engine->PopTrayIcon->actions();
        QStringList captions;
        for (QAction* a : items)
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(captions, (QStringList{"&Abrir o Pulsim", "&Programar desconexão...", "Atualização de &Tarifas...",
                                        "-", "Aj&uda...", "-", "&Simular conexão", "Gerar Arquivo de Tarifas",
                                        "&Desativar..."}));
        QVERIFY(!f.engine->Simularconexo1->isVisible());
        QVERIFY(!f.engine->GerarArquivodeTarifas1->isVisible());
        QVERIFY(!f.engine->Programardesconexo1->isEnabled());
        QVERIFY(!f.engine->AbriroPulsim->icon().isNull());

        f.engine->PopTrayIconPopup();
        QVERIFY(!f.engine->AtualizaoAutomticadeTarifas1->isEnabled());
        f.LineUp();
        f.Poll();
        f.engine->PopTrayIconPopup();
        QVERIFY(f.engine->AtualizaoAutomticadeTarifas1->isEnabled());
        QVERIFY(f.engine->Ajuda1->isEnabled());
    }

    void shutDown_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<bool>("passwordOk");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<bool>("ends");
        QTest::addRow("unlocked, yes") << false << "" << QList<bool>{true} << false << 1 << 0 << true;
        QTest::addRow("unlocked, no") << false << "" << QList<bool>{false} << false << 1 << 0 << false;
        QTest::addRow("locked, no password: asks twice") << true << "" << QList<bool>{true, true} << false << 2 << 0
                                                         << true;
        QTest::addRow("locked, no password, second no") << true << "" << QList<bool>{true, false} << false << 2 << 0
                                                        << false;
        QTest::addRow("locked, right password") << true << "SENHA" << QList<bool>{true} << true << 1 << 1 << true;
        QTest::addRow("locked, prompt cancelled") << true << "SENHA" << QList<bool>{true} << false << 1 << 1
                                                  << false;
        QTest::addRow("locked, first no") << true << "SENHA" << QList<bool>{false} << true << 1 << 0 << false;
    }

    void shutDown()
    {
        QFETCH(bool, locked);
        QFETCH(QString, password);
        QFETCH(QList<bool>, answers);
        QFETCH(bool, passwordOk);
        QFETCH(int, questions);
        QFETCH(int, prompts);
        QFETCH(bool, ends);
        EngineFixture f;
        f.EditConfig([&](TDM& dm) {
            dm.cdsConfigBloquearDesativacao->SetAsBoolean(locked);
            dm.cdsConfigSenhaSeguranca->SetAsString(ScramblePassword(password, PasswordKey));
        });
        for (bool a : answers)
            f.dialogs.AnswerYesNo({a});
        f.dialogs.AnswerPassword({passwordOk});
        bool ended = false;
        QObject::connect(f.engine.get(), &TEngine::TerminateRequested, [&] { ended = true; });
        f.engine->Desativar1->trigger();
        QCOMPARE(ended, ends);
        QCOMPARE(f.dialogs.Questions(),
                 QStringList(questions, QStringLiteral("Deseja realmente desativar o Pulsim ?")));
        QCOMPARE(f.dialogs.PasswordPrompts(), prompts);
    }

    void altF4IsSwallowed()
    {
        EngineFixture f;
        QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(QCoreApplication::sendEvent(f.engine.get(), &altF4));
        QVERIFY(f.engine->FormKeyDown(Qt::Key_F4, Qt::AltModifier));
        QVERIFY(!f.engine->FormKeyDown(Qt::Key_F4, Qt::NoModifier));
        QVERIFY(!f.engine->FormKeyDown(Qt::Key_F4, Qt::AltModifier | Qt::ControlModifier));
        QVERIFY(!f.engine->FormKeyDown(Qt::Key_A, Qt::AltModifier));
    }

    void editingControlsFollowTheConnection()
    {
        EngineFixture f;
        QObject window;
        QList<bool> switched;
        f.engine->RegisterEditingControls(&window, [&](bool enabled) { switched << enabled; });
        {
            QObject gone;
            f.engine->RegisterEditingControls(&gone, [](bool) { QFAIL("a closed window is never called"); });
        }
        f.Connection(2);
        QCOMPARE(switched, (QList<bool>{false, true}));
    }

    void closedAccessLogIsReportedAndTrackingGoesOn()
    {
        EngineFixture f;
        f.dm.cdsAcessos->Close();
        QFile::remove(f.DataFile(QStringLiteral("Acessos.cds")));
        QFile corrupt(f.DataFile(QStringLiteral("Acessos.cds")));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("{ not a table");
        corrupt.close();
        f.engine->NetDetect1->SetEnabled(true);
        f.engine->NetDetect1->SetInterval(5);
        f.LineUp();
        QTRY_VERIFY(f.engine->NetDetect1->Connected());
        QTest::qWait(50);
        f.LineDown();
        QTRY_VERIFY(!f.engine->NetDetect1->Connected());
        QVERIFY(f.dialogs.Errors().contains(QStringLiteral("cdsAcessos: Missing data provider or data packet.")));
        QVERIFY(!f.engine->TrayIcon->Animate());
        QVERIFY(!f.dm.cdsAcessos->ControlsDisabled());
    }
};

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
