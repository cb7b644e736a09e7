#pragma once

#include "components/NetDetect.h"
#include "components/PhoneTax.h"
#include "core/DateTime.h"
#include "data/Table.h"
#include "platform/Platform.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class IEngineWindows;
class TDM;
class TTrayIcon;

// The engine: a hidden object that lives for the whole run and owns every
// long-lived component and timer — the tray icon and its menu, the connection
// detector, the cost calculator — and their handlers. It turns each modem
// connection into an access record and keeps it current.
class TEngine final : public QObject {
    Q_OBJECT

public:
    // The wake-up a second start of the program delivers.
    static constexpr int WakeUpMessage = 3027;

    // Runs between creating the components and FormCreate: the place to hook
    // the engine up (its windows, the tray icon that carries notices) so that
    // FormCreate's own notices already go where they belong.
    using TPrepare = std::function<void(TEngine&)>;

    // Creates the components and timers and runs FormCreate.
    TEngine(TDM& dm, const platform::Platform& platform, const QString& programFolder, QObject* parent = nullptr,
            const TPrepare& prepare = {});
    ~TEngine() override;

    // The windows it opens (installed by the window layer; none until then).
    void SetWindows(IEngineWindows* windows) { m_windows = windows; }

    // The splash window, hidden and destroyed by TimerSplashTimer.
    QPointer<QWidget> Splash;

    // ---- Components ----
    TTrayIcon* const TrayIcon;
    QMenu* const PopTrayIcon;
    QAction* const AbriroPulsim;
    QAction* const Programardesconexo1;
    QAction* const AtualizaoAutomticadeTarifas1;
    QAction* const Ajuda1;
    QAction* const Simularconexo1;
    QAction* const GerarArquivodeTarifas1;
    QAction* const Desativar1;
    TNetDetect* const NetDetect1;
    TPhoneTax* const PhoneTax1;

    QTimer TimerSplash;
    QTimer TimerSeguranca;
    QTimer TimerJanelaDataHora;
    QTimer TimerConexaoPirata;
    QTimer TimerHorarioBloqueado;
    QTimer TimerDetectaMudancaHora;
    QTimer TimerDataHora;
    QTimer TimerTarifa;
    QTimer TimerDesconexao;

    // The help page opened by the tray menu.
    QString HelpFile;

    // ---- The current connection ----
    TDateTime ConnectionStart = 0;
    TDateTime ConnectionEnd = 0;
    TDateTime ConnectReference = 0;
    TBookmark ConnectionRecord = 0; // 0 between connections
    int PollCount = 0;
    bool RepeatAfterTamper = false;
    // The scheduled hang-up.
    TDateTime ScheduledHangUpTime = 0;
    bool ShutDownAfterHangUp = false;

    // ---- Handlers ----
    void FormCreate();
    void ApplicationEvents1Message(int message);
    void TimerSplashTimer();

    void NetDetect1Connect(QObject* Sender);
    void NetDetect1Connection(QObject* Sender);
    void NetDetect1Disconnect(QObject* Sender);
    void PhoneTax1NeedData(QObject* Sender);
    void PhoneTax1AfterCalculate(QObject* Sender);

    void TrayIconDblClick();
    void PopTrayIconPopup();
    void AbriroPulsimClick();
    void Programardesconexo1Click();
    void AtualizaoAutomticadeTarifas1Click();
    void Ajuda1Click();
    void Simularconexo1Click();
    void Desativar1Click();
    // Alt+F4 is swallowed (true); every other key passes.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // Enables or disables the editing controls of the open windows (they are
    // off while a connection is up). Windows register a switch for their
    // controls; a switch whose window is gone is dropped.
    void SetEditingControlsEnabled(bool enabled);
    void RegisterEditingControls(QObject* window, std::function<void(bool)> setEnabled);
    bool EditingControlsEnabled() const { return m_editingEnabled; }

    // Ends the application: windows and components go, tables are written.
    void Terminate();

    TDM& DM() const { return m_dm; }
    const platform::Platform& Platform() const { return m_platform; }
    TDateTime Now() const { return m_platform.clock->Now(); }

Q_SIGNALS:
    void TerminateRequested();

protected:
    bool event(QEvent* event) override;

private:
    void GotoConnectionRecord();
    // The record's end and duration as of now.
    void WriteConnectionEnd();
    void FreezeAccessViews(bool frozen);
    int PulseCountOfLastCalculation() const;

    TDM& m_dm;
    platform::Platform m_platform;
    IEngineWindows* m_windows = nullptr;
    struct ControlSwitch {
        QPointer<QObject> window;
        std::function<void(bool)> setEnabled;
    };
    std::vector<ControlSwitch> m_controlSwitches;
    bool m_editingEnabled = true;
    bool m_viewsFrozen = false;
};
