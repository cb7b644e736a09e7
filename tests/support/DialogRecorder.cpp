#include "tests/support/DialogRecorder.h"

DialogRecorder::DialogRecorder()
{
    SetUserDialogs(this);
}

DialogRecorder::~DialogRecorder()
{
    SetUserDialogs(nullptr);
}

void DialogRecorder::AnswerYesNo(std::initializer_list<bool> answers)
{
    m_yesNo.append(QList<bool>(answers));
}

void DialogRecorder::AnswerPassword(std::initializer_list<bool> answers)
{
    m_passwords.append(QList<bool>(answers));
}

QStringList DialogRecorder::Texts(Kind kind) const
{
    QStringList out;
    for (const Entry& e : m_log)
        if (e.kind == kind)
            out << e.text;
    return out;
}

void DialogRecorder::NotifyUser(const QString& text)
{
    m_log.append({Kind::Notice, text});
}

void DialogRecorder::ShowInfo(const QString& text)
{
    m_log.append({Kind::Info, text});
}

bool DialogRecorder::AskYesNo(const QString& text)
{
    m_log.append({Kind::Question, text});
    return m_yesNo.isEmpty() ? DefaultYesNo : m_yesNo.takeFirst();
}

void DialogRecorder::ShowError(const QString& text)
{
    m_log.append({Kind::Error, text});
}

bool DialogRecorder::AskSecurityPassword()
{
    m_log.append({Kind::PasswordPrompt, QString()});
    return m_passwords.isEmpty() ? DefaultPassword : m_passwords.takeFirst();
}

bool DialogRecorder::ConfirmNewPassword(const QString& newPassword)
{
    m_log.append({Kind::PasswordConfirmation, newPassword});
    return m_passwords.isEmpty() ? DefaultPassword : m_passwords.takeFirst();
}
