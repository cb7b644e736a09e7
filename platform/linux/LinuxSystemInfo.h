#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <string>

namespace platform {

// The longest user name reported, in bytes.
inline constexpr std::size_t MaxUserNameBytes = 127;

// Major and minor numbers from a kernel release ("6.1.0-18-amd64" gives 6 and
// 1). Answers false, with both 0, when the release does not start with
// "<major>.<minor>".
bool ParseKernelRelease(const std::string& release, int& major, int& minor);

// The longest prefix of `text` of at most `maxBytes` bytes that does not end
// in the middle of a UTF-8 character.
std::string TruncateUtf8(const std::string& text, std::size_t maxBytes);

// The user name to report: the account's name when known, else $USER, else
// $LOGNAME (null or empty meaning unknown), cut to MaxUserNameBytes.
std::string ChooseUserName(const std::string& accountName, const char* userVariable, const char* lognameVariable);

class LinuxSystemInfo final : public ISystemInfo {
public:
    int MajorVersion() override;
    int MinorVersion() override;
    int PlatformId() override { return 2; }
    // The account the process runs as (its effective user).
    std::string LoggedOnUserName() override;

private:
    void ReadRelease();

    bool m_releaseRead = false;
    int m_major = 0;
    int m_minor = 0;
};

} // namespace platform
