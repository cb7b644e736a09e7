#pragma once

#include "platform/Platform.h"
#include "platform/linux/FileRegistry.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxConnectivity.h"
#include "platform/linux/LinuxSystemInfo.h"

#include <QString>

namespace platform {

// The real backend: owns one implementation of each interface and hands them
// out as a Platform, which stays valid while this object lives.
class LinuxPlatform final {
public:
    LinuxPlatform();
    // The registry at `registryPath` instead of the user's config folder.
    explicit LinuxPlatform(const QString& registryPath);

    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    Platform Get();

    LinuxConnectivity& Connectivity() { return m_connectivity; }
    LinuxClock& Clock() { return m_clock; }
    LinuxSystemInfo& SystemInfo() { return m_systemInfo; }
    FileRegistry& Registry() { return m_registry; }

private:
    LinuxConnectivity m_connectivity;
    LinuxClock m_clock;
    LinuxSystemInfo m_systemInfo;
    FileRegistry m_registry;
};

} // namespace platform
