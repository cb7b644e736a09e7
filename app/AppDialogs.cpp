#include "app/AppDialogs.h"

#include "app/TrayIcon.h"
#include "app/uManualHint.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
const QString Title = QStringLiteral("Pulsim");
}

TAppDialogs::TAppDialogs(platform::ISystemInfo& systemInfo)
    : m_systemInfo(systemInfo)
{
}

TAppDialogs::~TAppDialogs() = default;

TfrmManualHint* TAppDialogs::HintWindow()
{
    if (!m_hint)
        m_hint = std::make_unique<TfrmManualHint>();
    return m_hint.get();
}

bool TAppDialogs::UsesBalloons() const
{
    const double version = m_systemInfo.MajorVersion() + m_systemInfo.MinorVersion() / 100.0;
    return version >= 4.9 && m_trayIcon && m_trayIcon->CanShowMessages();
}

void TAppDialogs::NotifyUser(const QString& text)
{
    if (UsesBalloons())
        m_trayIcon->ShowBalloon(Title, text, 10000);
    else
        HintWindow()->ShowNotice(Title, text);
}

void TAppDialogs::ShowInfo(const QString& text)
{
    QMessageBox box(QMessageBox::Information, Title, text, QMessageBox::Ok);
    box.exec();
}

bool TAppDialogs::AskYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, Title, text, QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sim"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Não"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void TAppDialogs::ShowError(const QString& text)
{
    // The same failure repeating (a full disk at every save of a connection)
    // does not stack up boxes: it is on screen until the user closes it.
    if (m_errorsOnScreen.contains(text))
        return;
    m_errorsOnScreen.insert(text);
    QMessageBox box(QMessageBox::Critical, Title, text, QMessageBox::Ok);
    box.exec();
    m_errorsOnScreen.remove(text);
}

bool TAppDialogs::AskSecurityPassword()
{
    return PasswordPrompt ? PasswordPrompt() : false;
}

bool TAppDialogs::ConfirmNewPassword(const QString& newPassword)
{
    return PasswordConfirmation ? PasswordConfirmation(newPassword) : false;
}
