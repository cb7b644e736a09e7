#pragma once

#include <QString>

// Everything the program tells or asks the user in a standard box goes through
// one replaceable object: the application installs the real one (tray balloons,
// message boxes, the password prompt), tests install a recorder that captures
// what was shown and answers from a script.
class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    // A short notice that never waits for the user.
    virtual void NotifyUser(const QString& text) = 0;
    // A modal box titled "Pulsim" with the information icon and OK.
    virtual void ShowInfo(const QString& text) = 0;
    // A modal box titled "Pulsim" with the question icon; true exactly on Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // The error box: titled "Pulsim", stop icon, OK; `text` is already final.
    virtual void ShowError(const QString& text) = 0;
    // The security password prompt; true when the user confirmed the stored password.
    virtual bool AskSecurityPassword() = 0;
    // The confirmation of a new password; true when the user typed it again.
    virtual bool ConfirmNewPassword(const QString& newPassword) = 0;
};

// The installed object (a silent one until the application installs its own).
TUserDialogs& UserDialogs();
// Installs `dialogs` (not owned); nullptr puts the silent one back.
void SetUserDialogs(TUserDialogs* dialogs);

// The program's shared routines. NotifyUser may be called from any thread: from
// a worker it is queued to the main thread and returns at once.
void NotifyUser(const QString& text);
void ShowInfo(const QString& text);
bool AskYesNo(const QString& text);
