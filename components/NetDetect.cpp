#include "components/NetDetect.h"

#include "core/Errors.h"

TNetDetect::TNetDetect(platform::IConnectivity& connectivity, QObject* parent)
    : QObject(parent)
    , m_connectivity(connectivity)
{
    m_timer.setInterval(m_interval);
    // An error raised by a handler ends that tick only: it is shown and the
    // timer keeps polling.
    connect(&m_timer, &QTimer::timeout, this, Guarded([this] { Poll(); }));
}

void TNetDetect::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    UpdateTimer();
}

void TNetDetect::SetInterval(quint16 interval)
{
    m_interval = interval;
    m_timer.setInterval(interval);
    UpdateTimer();
}

void TNetDetect::UpdateTimer()
{
    if (m_enabled && m_interval > 0)
        m_timer.start();
    else
        m_timer.stop();
}

bool TNetDetect::IsOnline()
{
    if (m_debugConnected)
        return true;
    unsigned flags = 0;
    if (!m_connectivity.GetConnectedState(flags))
        return false;
    // A LAN, a proxy or a modem busy with something else means this is not a
    // dial-up Internet connection, whatever else is up.
    constexpr unsigned notModem = platform::ConnectionLan | platform::ConnectionProxy | platform::ConnectionModemBusy;
    return (flags & notModem) == 0;
}

void TNetDetect::Poll()
{
    if (IsOnline() && !m_connected && OnConnect) {
        m_connected = true;
        OnConnect(this);
        return;
    }
    if (m_connected && OnConnection)
        OnConnection(this);
    if (!IsOnline() && m_connected && OnDisconnect) {
        m_connected = false;
        OnDisconnect(this);
    }
}
