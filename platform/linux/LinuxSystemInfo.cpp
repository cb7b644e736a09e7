#include "platform/linux/LinuxSystemInfo.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform {

namespace {

// Reads a run of decimal digits at `pos`; false when there is none or it
// does not fit an int.
bool ReadNumber(const std::string& text, std::size_t& pos, int& value)
{
    const char* begin = text.data() + pos;
    const char* end = text.data() + text.size();
    if (begin == end || *begin < '0' || *begin > '9')
        return false;
    const auto [next, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc())
        return false;
    pos += std::size_t(next - begin);
    return true;
}

std::string AccountName()
{
    passwd entry{};
    passwd* found = nullptr;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 1024);
    for (;;) {
        const int result = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
        if (result == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (result != 0 || !found || !found->pw_name)
            return {};
        return found->pw_name;
    }
}

} // namespace

bool ParseKernelRelease(const std::string& release, int& major, int& minor)
{
    major = 0;
    minor = 0;
    std::size_t pos = 0;
    int first = 0, second = 0;
    if (!ReadNumber(release, pos, first) || pos >= release.size() || release[pos] != '.')
        return false;
    ++pos;
    if (!ReadNumber(release, pos, second))
        return false;
    major = first;
    minor = second;
    return true;
}

std::string TruncateUtf8(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t cut = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the
    // character that would be split; a UTF-8 character is at most 4 bytes, so
    // more than 3 means the text is not UTF-8 and the byte cut stands.
    std::size_t steps = 0;
    while (cut > 0 && steps < 4 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
        ++steps;
    }
    if (steps == 4)
        cut = maxBytes;
    return text.substr(0, cut);
}

std::string ChooseUserName(const std::string& accountName, const char* userVariable, const char* lognameVariable)
{
    std::string name = accountName;
    if (name.empty() && userVariable)
        name = userVariable;
    if (name.empty() && lognameVariable)
        name = lognameVariable;
    return TruncateUtf8(name, MaxUserNameBytes);
}

void LinuxSystemInfo::ReadRelease()
{
    if (m_releaseRead)
        return;
    m_releaseRead = true;
    utsname names{};
    if (::uname(&names) == 0)
        ParseKernelRelease(names.release, m_major, m_minor);
}

int LinuxSystemInfo::MajorVersion()
{
    ReadRelease();
    return m_major;
}

int LinuxSystemInfo::MinorVersion()
{
    ReadRelease();
    return m_minor;
}

std::string LinuxSystemInfo::LoggedOnUserName()
{
    return ChooseUserName(AccountName(), std::getenv("USER"), std::getenv("LOGNAME"));
}

} // namespace platform
