#pragma once

#include "core/UserDialogs.h"

#include <QList>
#include <QStringList>

// Installs itself as the program's user dialogs for its lifetime: records
// every notice, box and question, and answers questions and password prompts
// from scripted queues (an unscripted question is answered with the default
// and recorded, so a test can see it was asked).
class DialogRecorder final : public TUserDialogs {
public:
    enum class Kind { Notice, Info, Question, Error, PasswordPrompt, PasswordConfirmation };
    struct Entry {
        Kind kind;
        QString text;
    };

    DialogRecorder();
    ~DialogRecorder() override;
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    // Scripted answers, used in order.
    void AnswerYesNo(std::initializer_list<bool> answers);
    void AnswerPassword(std::initializer_list<bool> answers);
    bool DefaultYesNo = false;
    bool DefaultPassword = false;

    const QList<Entry>& Log() const { return m_log; }
    QStringList Texts(Kind kind) const;
    QStringList Notices() const { return Texts(Kind::Notice); }
    QStringList Infos() const { return Texts(Kind::Info); }
    QStringList Questions() const { return Texts(Kind::Question); }
    QStringList Errors() const { return Texts(Kind::Error); }
    int PasswordPrompts() const { return int(Texts(Kind::PasswordPrompt).size()); }
    void Clear() { m_log.clear(); }

    void NotifyUser(const QString& text) override;
    void ShowInfo(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    void ShowError(const QString& text) override;
    bool AskSecurityPassword() override;
    bool ConfirmNewPassword(const QString& newPassword) override;

private:
    QList<Entry> m_log;
    QList<bool> m_yesNo;
    QList<bool> m_passwords;
};
