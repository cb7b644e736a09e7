#include "app/uEngine.h"

#include "app/Artwork.h"
#include "app/EngineWindows.h"
#include "app/TrayIcon.h"
#include "app/uUtil.h"
#include "core/Currency.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/UserDialogs.h"
#include "data/uDM.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QUrl>

#include <cmath>

Q_LOGGING_CATEGORY(lcEngine, "pulsim.engine", QtWarningMsg)

namespace {

// The start of a connection is put this long before the poll that saw it.
constexpr TDateTime DetectionDelay = 5.0 / 86400.0;
// The record is refreshed on every 15th poll of the detector.
constexpr int PollsPerRefresh = 15;

void SetupTimer(QTimer& timer, const char* name, int interval, bool running)
{
    timer.setObjectName(QString::fromLatin1(name));
    timer.setInterval(interval);
    if (running)
        timer.start();
}

} // namespace

TEngine::TEngine(TDM& dm, const platform::Platform& platform, const QString& programFolder, QObject* parent,
                 const TPrepare& prepare)
    : QObject(parent)
    , TrayIcon(new TTrayIcon(Artwork::TrayFrames(), this))
    , PopTrayIcon(new QMenu())
    , AbriroPulsim(new QAction(QStringLiteral("&Abrir o Pulsim"), this))
    , Programardesconexo1(new QAction(QStringLiteral("&Programar desconexão..."), this))
    , AtualizaoAutomticadeTarifas1(new QAction(QStringLiteral("Atualização de &Tarifas..."), this))
    , Ajuda1(new QAction(QStringLiteral("Aj&uda..."), this))
    , Simularconexo1(new QAction(QStringLiteral("&Simular conexão"), this))
    , GerarArquivodeTarifas1(new QAction(QStringLiteral("Gerar Arquivo de Tarifas"), this))
    , Desativar1(new QAction(QStringLiteral("&Desativar..."), this))
    , NetDetect1(new TNetDetect(*platform.connectivity, this))
    , PhoneTax1(new TPhoneTax(*platform.clock, this))
    , m_dm(dm)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("Engine"));
    HelpFile = QDir(programFolder).filePath(QStringLiteral("Ajuda/Pulsim.html"));

    // The tray menu: its images, items in order, the two hidden commands.
    const QVector<QIcon> images = Artwork::MenuImages();
    PopTrayIcon->setObjectName(QStringLiteral("PopTrayIcon"));
    AbriroPulsim->setObjectName(QStringLiteral("AbriroPulsim"));
    AbriroPulsim->setIcon(images.at(2));
    Programardesconexo1->setObjectName(QStringLiteral("Programardesconexo1"));
    Programardesconexo1->setIcon(images.at(0));
    Programardesconexo1->setEnabled(false);
    AtualizaoAutomticadeTarifas1->setObjectName(QStringLiteral("AtualizaoAutomticadeTarifas1"));
    AtualizaoAutomticadeTarifas1->setIcon(images.at(1));
    Ajuda1->setObjectName(QStringLiteral("Ajuda1"));
    Ajuda1->setIcon(images.at(3));
    Simularconexo1->setObjectName(QStringLiteral("Simularconexo1"));
    Simularconexo1->setVisible(false);
    GerarArquivodeTarifas1->setObjectName(QStringLiteral("GerarArquivodeTarifas1"));
    GerarArquivodeTarifas1->setVisible(false);
    Desativar1->setObjectName(QStringLiteral("Desativar1"));
    Desativar1->setIcon(images.at(5));
    PopTrayIcon->addAction(AbriroPulsim);
    PopTrayIcon->addAction(Programardesconexo1);
    PopTrayIcon->addAction(AtualizaoAutomticadeTarifas1);
    PopTrayIcon->addSeparator();
    PopTrayIcon->addAction(Ajuda1);
    PopTrayIcon->addSeparator();
    PopTrayIcon->addAction(Simularconexo1);
    PopTrayIcon->addAction(GerarArquivodeTarifas1);
    PopTrayIcon->addAction(Desativar1);

    connect(AbriroPulsim, &QAction::triggered, this, Guarded([this] { AbriroPulsimClick(); }));
    connect(Programardesconexo1, &QAction::triggered, this, Guarded([this] { Programardesconexo1Click(); }));
    connect(AtualizaoAutomticadeTarifas1, &QAction::triggered, this,
            Guarded([this] { AtualizaoAutomticadeTarifas1Click(); }));
    connect(Ajuda1, &QAction::triggered, this, Guarded([this] { Ajuda1Click(); }));
    connect(Simularconexo1, &QAction::triggered, this, Guarded([this] { Simularconexo1Click(); }));
    connect(Desativar1, &QAction::triggered, this, Guarded([this] { Desativar1Click(); }));
    connect(PopTrayIcon, &QMenu::aboutToShow, this, Guarded([this] { PopTrayIconPopup(); }));

    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->SetIconIndex(0);
    TrayIcon->SetPopupMenu(PopTrayIcon);
    TrayIcon->OnDblClick = [this] { TrayIconDblClick(); };

    NetDetect1->setObjectName(QStringLiteral("NetDetect1"));
    NetDetect1->OnConnect = [this](QObject* sender) { NetDetect1Connect(sender); };
    NetDetect1->OnDisconnect = [this](QObject* sender) { NetDetect1Disconnect(sender); };
    NetDetect1->OnConnection = [this](QObject* sender) { NetDetect1Connection(sender); };
    NetDetect1->SetInterval(1000);
    NetDetect1->SetDebugConnected(false);
    NetDetect1->SetEnabled(true);

    // The calculator's stored figures only matter to the first calculation
    // after start, which the connection handlers replace anyway.
    PhoneTax1->setObjectName(QStringLiteral("PhoneTax1"));
    PhoneTax1->SetInicioConexao(37671.9050925926);
    PhoneTax1->SetFimConexao(37671.9467215278);
    PhoneTax1->SetValorPulso(Currency::FromRaw(1053));
    PhoneTax1->SetMinPorPulso(4);
    PhoneTax1->AfterCalculate = [this](QObject* sender) { PhoneTax1AfterCalculate(sender); };
    PhoneTax1->OnNeedData = [this](QObject* sender) { PhoneTax1NeedData(sender); };

    SetupTimer(TimerSplash, "TimerSplash", 3000, true);
    SetupTimer(TimerSeguranca, "TimerSeguranca", 1000, true);
    SetupTimer(TimerJanelaDataHora, "TimerJanelaDataHora", 500, true);
    SetupTimer(TimerConexaoPirata, "TimerConexaoPirata", 500, false);
    SetupTimer(TimerHorarioBloqueado, "TimerHorarioBloqueado", 1000, false);
    SetupTimer(TimerDetectaMudancaHora, "TimerDetectaMudancaHora", 1000, false);
    SetupTimer(TimerDataHora, "TimerDataHora", 3000, false);
    SetupTimer(TimerTarifa, "TimerTarifa", 1000, false);
    SetupTimer(TimerDesconexao, "TimerDesconexao", 1000, false);
    connect(&TimerSplash, &QTimer::timeout, this, Guarded([this] { TimerSplashTimer(); }));

    if (prepare)
        prepare(*this);
    RunGuarded([this] { FormCreate(); });
}

TEngine::~TEngine()
{
    // The menu has no parent widget: it goes with the engine.
    delete PopTrayIcon;
}

void TEngine::FormCreate()
{
    // The help page lives beside the program; one that went missing is
    // put back from the copy built into it.
    if (!QFileInfo::exists(HelpFile)) {
        QDir().mkpath(QFileInfo(HelpFile).absolutePath());
        if (QFile::copy(QStringLiteral(":/defaults/Ajuda/Pulsim.html"), HelpFile))
            QFile::setPermissions(HelpFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    TrayIcon->SetHint(QStringLiteral("Pulsim"));
    TrayIcon->SetVisible(!m_dm.Setting(m_dm.cdsConfigOcultarTrayIcon).AsBoolean());
    ScheduledHangUpTime = 0;
    ShutDownAfterHangUp = false;
    AbriroPulsim->setText(QStringLiteral("&Abrir o Pulsim"));
    TimerJanelaDataHora.setInterval(500);
    if (m_dm.Setting(m_dm.cdsConfigBloquearDataHora).AsBoolean())
        TimerJanelaDataHora.start();
    else
        TimerJanelaDataHora.stop();
    NotifyUser(QStringLiteral("Bem-vindo ao Pulsim, o software padrão para controle de gastos telefônicos com Internet!"));
}

void TEngine::ApplicationEvents1Message(int message)
{
    if (message != WakeUpMessage)
        return;
    if (NetDetect1->Connected() || NetDetect1->DebugConnected()) {
        if (m_windows)
            m_windows->ShowSummary();
    } else {
        AbriroPulsimClick();
    }
}

void TEngine::TimerSplashTimer()
{
    TimerSplash.stop();
    if (Splash) {
        Splash->hide();
        delete Splash.data();
    }
}

// ---- Connection tracking ----

void TEngine::GotoConnectionRecord()
{
    m_dm.cdsAcessos->GotoBookmark(ConnectionRecord);
}

void TEngine::FreezeAccessViews(bool frozen)
{
    if (frozen == m_viewsFrozen)
        return;
    m_viewsFrozen = frozen;
    if (frozen)
        m_dm.cdsAcessos->DisableControls();
    else
        m_dm.cdsAcessos->EnableControls();
}

void TEngine::NetDetect1Connect(QObject*)
{
    TrayIcon->SetIconIndex(0);
    TrayIcon->SetAnimate(true);
    m_dm.cdsAcessos->SetIndexName(QString());
    SetEditingControlsEnabled(false);
    RepeatAfterTamper = false;
    m_dm.OpenTables();
    NotifyUser(QStringLiteral("Esta conexão está sendo monitorada pelo Pulsim ."));
    PollCount = 0;
    ConnectionStart = Now() - DetectionDelay;
    ConnectionEnd = ConnectionStart + DetectionDelay;

    FreezeAccessViews(true);
    TTable* acessos = m_dm.cdsAcessos;
    acessos->Append();
    m_dm.cdsAcessosUsuario->SetAsString(LoggedOnUserName(*m_platform.systemInfo));
    m_dm.cdsAcessosInicio->SetAsDateTime(ConnectionStart);
    m_dm.cdsAcessosFim->SetAsDateTime(ConnectionEnd);
    m_dm.cdsAcessosDuracao->SetAsFloat(ConnectionEnd - ConnectionStart);
    acessos->Post();
    ConnectionRecord = acessos->GetBookmark();
    ConnectReference = Now();

    const int wait = m_dm.Setting(m_dm.cdsConfigTempoEspera).AsInteger();
    TimerDataHora.setInterval(wait * 1000);
    if (m_dm.Setting(m_dm.cdsConfigAtualizarHora).AsBoolean())
        TimerDataHora.start();
    else
        TimerDataHora.stop();
    TimerTarifa.setInterval(wait * 1000 + 30000);
    if (m_dm.Setting(m_dm.cdsConfigAtualizarTarifa).AsBoolean())
        TimerTarifa.start();
    else
        TimerTarifa.stop();

    PhoneTax1->Calculate();

    // The first calculation spans from the calculator's previous start; the
    // connection has just begun, so it costs its first pulse.
    GotoConnectionRecord();
    acessos->Edit();
    m_dm.cdsAcessosCusto->SetAsFloat(m_dm.Setting(m_dm.cdsConfigTarifaSelecionada).AsFloat());
    m_dm.cdsAcessosEconomia->SetAsFloat(0);
    m_dm.cdsAcessosPulsos->SetAsInteger(1);
    if (acessos->State() == TDataSetState::Edit || acessos->State() == TDataSetState::Insert)
        acessos->Post();

    Programardesconexo1->setEnabled(true);
    qCInfo(lcEngine) << "connection began, record" << ConnectionRecord;

    const QString user = LoggedOnUserName(*m_platform.systemInfo);
    if (m_dm.Setting(m_dm.cdsConfigBloquearInternet).AsBoolean() && !IsAllowedUser(m_dm, user))
        TimerConexaoPirata.start();
    if (m_dm.Setting(m_dm.cdsConfigBloquearHorarioMulti).AsBoolean() && !PhoneTax1->IsReducedRateTime(Now()))
        TimerHorarioBloqueado.start();
}

void TEngine::WriteConnectionEnd()
{
    // One reading of the clock for both, so the record's end minus its start
    // is exactly its duration.
    ConnectionEnd = Now();
    GotoConnectionRecord();
    TTable* acessos = m_dm.cdsAcessos;
    acessos->Edit();
    m_dm.cdsAcessosFim->SetAsDateTime(ConnectionEnd);
    m_dm.cdsAcessosDuracao->SetAsFloat(ConnectionEnd - ConnectionStart);
    if (acessos->State() == TDataSetState::Edit || acessos->State() == TDataSetState::Insert)
        acessos->Post();
}

void TEngine::NetDetect1Connection(QObject*)
{
    ++PollCount;
    if (PollCount != PollsPerRefresh)
        return;
    PollCount = 0;
    if (!ConnectionRecord)
        return;
    WriteConnectionEnd();
    PhoneTax1->Calculate();
    if (m_windows && m_windows->SummaryExists())
        m_windows->RefreshSummary();
}

void TEngine::NetDetect1Disconnect(QObject*)
{
    TrayIcon->SetIconIndex(0);
    TrayIcon->SetAnimate(false);
    TimerDataHora.stop();
    TimerDetectaMudancaHora.stop();
    SetEditingControlsEnabled(true);
    Programardesconexo1->setEnabled(false);

    // Whatever happens to the final figures, the views follow the table again
    // and the connection is over.
    struct Finish {
        TEngine* engine;
        ~Finish()
        {
            engine->FreezeAccessViews(false);
            engine->ConnectionRecord = 0;
        }
    } finish{this};

    if (!ConnectionRecord)
        return;
    WriteConnectionEnd();
    PhoneTax1->Calculate();

    GotoConnectionRecord();
    qCInfo(lcEngine) << "connection ended, record" << ConnectionRecord << "pulses"
                     << m_dm.cdsAcessosPulsos->AsInteger();
    NotifyUser(QStringLiteral("Essa conexão lhe custou R$ ") +
               FormatFloat(QStringLiteral("0.0000"), m_dm.cdsAcessosCusto->AsFloat()) + QStringLiteral(" ."));
    GotoConnectionRecord();
    if (m_dm.Setting(m_dm.cdsConfigInformarGastos).AsBoolean() && m_windows) {
        if (m_windows->SummaryVisible())
            m_windows->CloseSummary();
        m_windows->ShowSummary();
    }
}

void TEngine::PhoneTax1NeedData(QObject*)
{
    GotoConnectionRecord();
    PhoneTax1->SetInicioConexao(m_dm.cdsAcessosInicio->AsDateTime());
    PhoneTax1->SetFimConexao(m_dm.cdsAcessosFim->AsDateTime());
    PhoneTax1->SetValorPulso(Currency::FromDouble(m_dm.Setting(m_dm.cdsConfigTarifaSelecionada).AsFloat()));
    PhoneTax1->SetMinPorPulso(static_cast<quint8>(m_dm.Setting(m_dm.cdsConfigMinutosPulso).AsInteger() & 0xFF));
}

int TEngine::PulseCountOfLastCalculation() const
{
    // The calculator charges one pulse plus one per group of multi-pulse
    // minutes; pricing the same call at one real per pulse gives that count
    // exactly, whatever the tariff (even a tariff of zero).
    Currency pulses, unused;
    TPhoneTax::ComputeCost(PhoneTax1->MinPorPulso(), PhoneTax1->InicioConexao(), PhoneTax1->FimConexao(),
                           Currency::FromRaw(Currency::Scale), pulses, unused);
    return int(pulses.Raw() / Currency::Scale);
}

void TEngine::PhoneTax1AfterCalculate(QObject*)
{
    GotoConnectionRecord();
    TTable* acessos = m_dm.cdsAcessos;
    acessos->Edit();
    m_dm.cdsAcessosCusto->SetAsFloat(PhoneTax1->Custo().ToDouble());
    m_dm.cdsAcessosEconomia->SetAsFloat(PhoneTax1->Economia().ToDouble());
    m_dm.cdsAcessosPulsos->SetAsInteger(PulseCountOfLastCalculation());
    if (acessos->State() == TDataSetState::Edit)
        acessos->Post();
}

void TEngine::SetEditingControlsEnabled(bool enabled)
{
    m_editingEnabled = enabled;
    std::erase_if(m_controlSwitches, [](const ControlSwitch& s) { return s.window.isNull(); });
    for (const ControlSwitch& s : m_controlSwitches)
        s.setEnabled(enabled);
}

void TEngine::RegisterEditingControls(QObject* window, std::function<void(bool)> setEnabled)
{
    m_controlSwitches.push_back({window, std::move(setEnabled)});
}

// ---- Tray icon and menu ----

void TEngine::TrayIconDblClick()
{
    if (NetDetect1->Connected()) {
        if (m_windows)
            m_windows->ShowSummary();
    } else {
        AbriroPulsimClick();
    }
}

void TEngine::PopTrayIconPopup()
{
    AtualizaoAutomticadeTarifas1->setEnabled(NetDetect1->Connected());
    Ajuda1->setEnabled(true);
}

void TEngine::AbriroPulsimClick()
{
    if (NetDetect1->Connected()) {
        ShowInfo(QStringLiteral("O programa não pode ser aberto enquanto você estiver conectado à Internet."));
        return;
    }
    if (m_dm.Setting(m_dm.cdsConfigBloquarAberturaPulsim).AsBoolean() && !CheckSecurityPassword(m_dm))
        return;
    if (m_windows)
        m_windows->ShowMainWindow();
}

void TEngine::Programardesconexo1Click()
{
    if (m_windows)
        m_windows->ShowScheduleWindow();
}

void TEngine::AtualizaoAutomticadeTarifas1Click()
{
    if (m_windows)
        m_windows->ShowTariffUpdateWindow();
}

void TEngine::Ajuda1Click()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile));
}

void TEngine::Simularconexo1Click()
{
    NetDetect1->SetDebugConnected(!NetDetect1->DebugConnected());
}

void TEngine::Desativar1Click()
{
    const QString question = QStringLiteral("Deseja realmente desativar o Pulsim ?");
    if (!m_dm.Setting(m_dm.cdsConfigBloquearDesativacao).AsBoolean()) {
        if (AskYesNo(question))
            Terminate();
        return;
    }
    if (!AskYesNo(question))
        return;
    if (!PasswordIsSet(m_dm)) {
        if (AskYesNo(question))
            Terminate();
        return;
    }
    if (CheckSecurityPassword(m_dm))
        Terminate();
}

bool TEngine::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    return key == Qt::Key_F4 && (modifiers & ~Qt::KeypadModifier) == Qt::AltModifier;
}

bool TEngine::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers())) {
            event->accept();
            return true;
        }
    }
    return QObject::event(event);
}

void TEngine::Terminate()
{
    Q_EMIT TerminateRequested();
    QCoreApplication::quit();
}
