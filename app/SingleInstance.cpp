#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "pulsim.instance", QtWarningMsg)

namespace {

// One line each way: "PULSIM <message>\n", answered with "OK\n".
const QByteArray Greeting = "PULSIM ";
const QByteArray Acknowledgement = "OK\n";

} // namespace

TSingleInstance::TSingleInstance(QString folder, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(folder))
{
    connect(&m_server, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::DefaultFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/pulsim");
    return QDir::tempPath() + QStringLiteral("/pulsim-%1").arg(getuid());
}

QString TSingleInstance::ServerName() const
{
    return m_folder + QStringLiteral("/instance.socket");
}

bool TSingleInstance::SendToRunning(int message, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(Greeting + QByteArray::number(message) + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine() == Acknowledgement;
}

bool TSingleInstance::Listen()
{
    QDir().mkpath(m_folder);
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // The lock file holds the owner's process id: one left by a crashed copy
    // is recognised as stale and taken over.
    m_lock = std::make_unique<QLockFile>(m_folder + QStringLiteral("/instance.lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(2000)) {
        qCInfo(lcInstance) << "another copy holds the instance lock";
        m_lock.reset();
        return false;
    }
    // We hold the lock, so a socket still there belongs to a copy that died.
    QLocalServer::removeServer(ServerName());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(ServerName())) {
        qCWarning(lcInstance) << "cannot listen on" << ServerName() << m_server.errorString();
        return false;
    }
    return true;
}

void TSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine(64).trimmed();
            if (!line.startsWith(Greeting.trimmed())) {
                socket->disconnectFromServer();
                return;
            }
            bool ok = false;
            const int message = line.mid(Greeting.size()).toInt(&ok);
            socket->write(Acknowledgement);
            socket->flush();
            socket->disconnectFromServer();
            if (ok) {
                qCInfo(lcInstance) << "wake-up" << message << "received";
                Q_EMIT MessageReceived(message);
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        // The line may have arrived with the connection itself.
        handle();
    }
}
