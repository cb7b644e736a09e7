#pragma once

#include "components/Events.h"
#include "platform/Platform.h"

#include <QObject>
#include <QTimer>

// Tells the program when a dial-up Internet connection comes up, while it
// lasts, and when it goes down, by polling the machine's connectivity on its
// own timer. Only a modem connection counts: a machine that is online through
// a local network or a proxy is offline here, even with a modem link up too.
class TNetDetect final : public QObject {
    Q_OBJECT

public:
    explicit TNetDetect(platform::IConnectivity& connectivity, QObject* parent = nullptr);

    // Polling runs while true; a new detector starts stopped.
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // Milliseconds between polls (1000 for a new detector); 0 stops the ticks.
    quint16 Interval() const { return m_interval; }
    void SetInterval(quint16 interval);
    // The detector's view: a connection is up.
    bool Connected() const { return m_connected; }
    // Simulation switch: while true the machine counts as online whatever the
    // system says.
    bool DebugConnected() const { return m_debugConnected; }
    void SetDebugConnected(bool value) { m_debugConnected = value; }

    TNotifyEvent OnConnect;    // a connection came up
    TNotifyEvent OnDisconnect; // the connection went down
    TNotifyEvent OnConnection; // a poll found the connection still up

    // The connectivity test: simulated, or online through the modem alone.
    bool IsOnline();
    // One tick. `Connected` changes only together with its event, and is set
    // before the event is raised so the handler already sees the new value.
    void Poll();

    // The timer behind the ticks (for the engine's inventory and for tests).
    const QTimer& Timer() const { return m_timer; }

private:
    void UpdateTimer();

    platform::IConnectivity& m_connectivity;
    QTimer m_timer;
    bool m_enabled = false;
    quint16 m_interval = 1000;
    bool m_connected = false;
    bool m_debugConnected = false;
};
