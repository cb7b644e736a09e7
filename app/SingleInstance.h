#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// One copy of the program per user session. The running copy listens on a
// local socket; a second start delivers its wake-up message there and ends.
// A lock file decides who is first when two copies start at the same moment,
// and the socket a crashed copy left behind is cleared by the next one.
class TSingleInstance final : public QObject {
    Q_OBJECT

public:
    // The wake-up a second start delivers.
    static constexpr int WakeUpMessage = 3027;

    // `folder` holds the socket and the lock; by default the user's runtime
    // folder (one per session), or a private folder in /tmp.
    explicit TSingleInstance(QString folder = DefaultFolder(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    static QString DefaultFolder();

    // Delivers `message` to a running copy and waits for its acknowledgement.
    // Touches no file. True when a running copy took it.
    bool SendToRunning(int message, int timeoutMs = 1500) const;

    // Becomes the running copy. False when another copy is (or becomes) the
    // running one while we tried — the caller then delivers its message to it.
    bool Listen();

    QString ServerName() const;

Q_SIGNALS:
    void MessageReceived(int message);

private:
    void OnNewConnection();

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};
