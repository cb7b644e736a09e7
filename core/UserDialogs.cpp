#include "core/UserDialogs.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace {

// Until the application installs its dialogs nothing is shown and every
// question is answered No (a prompt nobody can see must not grant anything).
class SilentDialogs final : public TUserDialogs {
public:
    void NotifyUser(const QString&) override {}
    void ShowInfo(const QString&) override {}
    bool AskYesNo(const QString&) override { return false; }
    void ShowError(const QString&) override {}
    bool AskSecurityPassword() override { return false; }
    bool ConfirmNewPassword(const QString&) override { return false; }
};

SilentDialogs g_silent;
TUserDialogs* g_dialogs = &g_silent;

} // namespace

TUserDialogs& UserDialogs()
{
    return *g_dialogs;
}

void SetUserDialogs(TUserDialogs* dialogs)
{
    g_dialogs = dialogs ? dialogs : &g_silent;
}

void NotifyUser(const QString& text)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        // Notices touch the tray icon and windows, which live on the main thread.
        QMetaObject::invokeMethod(app, [text] { UserDialogs().NotifyUser(text); }, Qt::QueuedConnection);
        return;
    }
    UserDialogs().NotifyUser(text);
}

void ShowInfo(const QString& text)
{
    UserDialogs().ShowInfo(text);
}

bool AskYesNo(const QString& text)
{
    return UserDialogs().AskYesNo(text);
}
