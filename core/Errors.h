#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// The program's errors. Operations throw; the error reaches the user through one
// central mechanism (HandleException), which every event handler, timer tick and
// window action is wrapped in by Guarded(). Nothing else catches unless it has a
// reason of its own to.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A text that is not a number or a date.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// The table layer's errors (closed table, missing field, required value...).
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be read or written.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// The silent error: it unwinds like any other but is never shown.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// The text of the error box: the message with a full stop appended when its
// last character sorts after the full stop (a letter or a digit).
QString ErrorBoxText(const QString& message);

// Shows the error being handled (call it inside a catch block) through the
// user dialogs' error box; EAbort is swallowed silently.
void HandleException();

// Wraps a handler so that an error escaping it is shown and the program goes on.
template <class F>
class GuardedHandler {
public:
    explicit GuardedHandler(F handler) : m_handler(std::move(handler)) {}

    // The return type keeps the wrapper as picky about its arguments as the
    // handler, so Qt's connect() can count the arguments it takes.
    template <class... Args>
    auto operator()(Args&&... args) const -> decltype(std::invoke(std::declval<const F&>(), std::forward<Args>(args)...), void())
    {
        try {
            std::invoke(m_handler, std::forward<Args>(args)...);
        } catch (...) {
            HandleException();
        }
    }

private:
    F m_handler;
};

template <class F>
GuardedHandler<std::decay_t<F>> Guarded(F&& handler)
{
    return GuardedHandler<std::decay_t<F>>(std::forward<F>(handler));
}

// Runs one action under the same rule; answers false when it threw.
bool RunGuarded(const std::function<void()>& action);
