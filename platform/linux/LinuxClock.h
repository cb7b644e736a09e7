#pragma once

#include "platform/Platform.h"

#include <ctime>
#include <functional>

namespace platform {

// The local wall clock. Now() goes through QDateTime::currentDateTime(), so a
// process run under libfaketime sees the faked time.
class LinuxClock final : public IClock {
public:
    // Sets CLOCK_REALTIME to the absolute time given; answers 0 or an errno
    // value. Tests pass their own to see what would be set without touching
    // the machine's clock.
    using RealtimeSetter = std::function<int(const timespec&)>;

    LinuxClock();
    explicit LinuxClock(RealtimeSetter setter);

    double Now() override;
    // `value` is a local wall-clock date-time. A value that is not a date-time,
    // falls before 1970 or does not exist locally (the hour skipped when
    // daylight-saving time starts) is refused without touching the clock.
    bool SetLocalTime(double value, std::string& error) override;

private:
    RealtimeSetter m_setter;
};

} // namespace platform
