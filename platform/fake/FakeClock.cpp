#include "platform/fake/FakeClock.h"

#include "core/DateTime.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace platform {

namespace {

QDateTime ToFakeTime(double value)
{
    const QDate date = ToQDate(value);
    const QTime time = ToQTime(value);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

FakeClock::FakeClock() : FakeClock(EncodeDateTime(2024, 3, 4, 10, 0, 0)) {}

FakeClock::FakeClock(double now)
{
    SetNow(now);
}

double FakeClock::Now()
{
    return FromQDateTime(m_now);
}

void FakeClock::SetNow(double now)
{
    const QDateTime value = ToFakeTime(now);
    if (!value.isValid())
        throw std::invalid_argument("FakeClock::SetNow: not a date-time");
    m_now = value;
}

void FakeClock::AdvanceMilliseconds(qint64 msecs)
{
    m_now = m_now.addMSecs(msecs);
}

void FakeClock::AdvanceSeconds(double seconds)
{
    AdvanceMilliseconds(std::llround(seconds * 1000.0));
}

void FakeClock::AdvanceMinutes(double minutes)
{
    AdvanceMilliseconds(std::llround(minutes * 60000.0));
}

void FakeClock::AdvanceHours(double hours)
{
    AdvanceMilliseconds(std::llround(hours * 3600000.0));
}

void FakeClock::AdvanceDays(double days)
{
    AdvanceMilliseconds(std::llround(days * MSecsPerDay));
}

bool FakeClock::SetLocalTime(double value, std::string& error)
{
    error.clear();
    if (!m_refusal.empty()) {
        error = m_refusal;
        return false;
    }
    const QDateTime target = ToFakeTime(value);
    if (!std::isfinite(value) || !target.isValid()) {
        error = "Data e hora inválidas para acertar o relógio do sistema.";
        return false;
    }
    m_setCalls.push_back(value);
    m_now = target;
    return true;
}

void FakeClock::RefuseSetLocalTime(std::string error)
{
    m_refusal = error.empty() ? std::string("Sem permissão para acertar o relógio do sistema.") : std::move(error);
}

} // namespace platform
