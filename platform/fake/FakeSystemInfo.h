#pragma once

#include "platform/Platform.h"

#include <string>
#include <utility>

namespace platform {

// System facts chosen by the test: version 5.1, platform 2, user "usuario"
// unless told otherwise.
class FakeSystemInfo final : public ISystemInfo {
public:
    int MajorVersion() override { return m_major; }
    int MinorVersion() override { return m_minor; }
    int PlatformId() override { return m_platformId; }
    std::string LoggedOnUserName() override { return m_userName; }

    void SetVersion(int major, int minor)
    {
        m_major = major;
        m_minor = minor;
    }
    void SetPlatformId(int platformId) { m_platformId = platformId; }
    void SetLoggedOnUserName(std::string name) { m_userName = std::move(name); }

private:
    int m_major = 5;
    int m_minor = 1;
    int m_platformId = 2;
    std::string m_userName = "usuario";
};

} // namespace platform
