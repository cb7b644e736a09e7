#pragma once

#include "core/UserDialogs.h"
#include "platform/Platform.h"

#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>

class TfrmManualHint;
class TTrayIcon;

// The real user dialogs: notices as tray balloons (or the floating hint window
// where balloons cannot be shown), and the standard message boxes titled
// "Pulsim".
class TAppDialogs final : public TUserDialogs {
public:
    explicit TAppDialogs(platform::ISystemInfo& systemInfo);
    ~TAppDialogs() override;

    // The tray icon that carries balloons (none while it does not exist).
    void SetTrayIcon(TTrayIcon* trayIcon) { m_trayIcon = trayIcon; }
    // The floating hint window, created once at start and reused.
    TfrmManualHint* HintWindow();

    // The password windows, supplied by the window layer.
    std::function<bool()> PasswordPrompt;
    std::function<bool(const QString&)> PasswordConfirmation;

    // True when a notice goes to a balloon: the system is recent enough (4.9
    // or more) and the notification area can show balloons.
    bool UsesBalloons() const;

    void NotifyUser(const QString& text) override;
    void ShowInfo(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    void ShowError(const QString& text) override;
    bool AskSecurityPassword() override;
    bool ConfirmNewPassword(const QString& newPassword) override;

private:
    platform::ISystemInfo& m_systemInfo;
    QPointer<TTrayIcon> m_trayIcon;
    std::unique_ptr<TfrmManualHint> m_hint;
    QSet<QString> m_errorsOnScreen;
};
