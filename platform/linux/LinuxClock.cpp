#include "platform/linux/LinuxClock.h"

#include "core/DateTime.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

namespace platform {

namespace {

int SetRealtimeClock(const timespec& value)
{
    return ::clock_settime(CLOCK_REALTIME, &value) == 0 ? 0 : errno;
}

} // namespace

LinuxClock::LinuxClock() : m_setter(&SetRealtimeClock) {}

LinuxClock::LinuxClock(RealtimeSetter setter) : m_setter(std::move(setter)) {}

double LinuxClock::Now()
{
    return FromQDateTime(QDateTime::currentDateTime());
}

bool LinuxClock::SetLocalTime(double value, std::string& error)
{
    error.clear();
    const QDateTime local = ToQDateTime(value); // invalid for NaN, infinities and years outside 1..9999
    if (!std::isfinite(value) || !local.isValid()) {
        error = "Data e hora inválidas para acertar o relógio do sistema.";
        return false;
    }
    // Qt marks a local time inside a daylight-saving gap as invalid; the round
    // trip also refuses any wall-clock time the zone rules would move.
    const qint64 msecs = local.toMSecsSinceEpoch();
    const QDateTime back = QDateTime::fromMSecsSinceEpoch(msecs);
    if (back.date() != local.date() || back.time() != local.time()) {
        error = "Data e hora inválidas para acertar o relógio do sistema.";
        return false;
    }
    if (msecs < 0) {
        error = "O relógio do sistema não aceita datas anteriores a 1970.";
        return false;
    }
    timespec absolute{};
    absolute.tv_sec = time_t(msecs / 1000);
    absolute.tv_nsec = long(msecs % 1000) * 1000000L;
    const int result = m_setter ? m_setter(absolute) : EINVAL;
    if (result == 0)
        return true;
    switch (result) {
    case EPERM:
    case EACCES:
        error = "Sem permissão para acertar o relógio do sistema.";
        break;
    case EINVAL:
        error = "O sistema recusou a data e hora informadas.";
        break;
    default:
        error = std::string("Não foi possível acertar o relógio do sistema (") + std::strerror(result) + ").";
        break;
    }
    return false;
}

} // namespace platform
