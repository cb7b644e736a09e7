#pragma once

#include "platform/Platform.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeConnectivity.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeSystemInfo.h"

namespace platform {

// The test backend: owns one double of each interface and hands them out as a
// Platform, which stays valid while this object lives.
class FakePlatform final {
public:
    FakePlatform() = default;
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform Get();

    FakeConnectivity& Connectivity() { return m_connectivity; }
    FakeClock& Clock() { return m_clock; }
    FakeSystemInfo& SystemInfo() { return m_systemInfo; }
    FakeRegistry& Registry() { return m_registry; }

private:
    FakeConnectivity m_connectivity;
    FakeClock m_clock;
    FakeSystemInfo m_systemInfo;
    FakeRegistry m_registry;
};

} // namespace platform
