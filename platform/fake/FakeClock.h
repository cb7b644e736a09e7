#pragma once

#include "platform/Platform.h"

#include <QDateTime>

#include <string>
#include <vector>

namespace platform {

// A clock that moves only when told to. Time is kept to the millisecond, so
// many small steps add up exactly; it knows no daylight-saving time.
class FakeClock final : public IClock {
public:
    // Monday 04/03/2024 10:00 unless told otherwise.
    FakeClock();
    explicit FakeClock(double now);

    double Now() override;
    // Throws std::invalid_argument for a value that is not a date-time.
    void SetNow(double now);
    void AdvanceMilliseconds(qint64 msecs);
    void AdvanceSeconds(double seconds);
    void AdvanceMinutes(double minutes);
    void AdvanceHours(double hours);
    void AdvanceDays(double days);

    // Records the value and moves Now() there, unless refusing; an impossible
    // value is refused as the real clock refuses it.
    bool SetLocalTime(double value, std::string& error) override;
    void RefuseSetLocalTime(std::string error = "Sem permissão para acertar o relógio do sistema.");
    void AcceptSetLocalTime() { m_refusal.clear(); }
    const std::vector<double>& SetLocalTimeCalls() const { return m_setCalls; }

private:
    QDateTime m_now; // in UTC so that no hour is skipped or repeated
    std::string m_refusal;
    std::vector<double> m_setCalls;
};

} // namespace platform
