#include "core/Errors.h"

#include "core/UserDialogs.h"

Exception::Exception(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toUtf8())
{
}

QString ErrorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void HandleException()
{
    QString message;
    try {
        throw;
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Erro desconhecido");
    }
    UserDialogs().ShowError(ErrorBoxText(message));
}

bool RunGuarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (...) {
        HandleException();
        return false;
    }
}
