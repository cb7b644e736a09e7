#include "platform/linux/LinuxConnectivity.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string_view>

#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsUp(unsigned flags)
{
    return (flags & IFF_UP) && (flags & IFF_RUNNING);
}

bool IsPppName(std::string_view name)
{
    return name.starts_with("ppp");
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r'))
            ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '\r')
            ++pos;
        if (pos > start)
            fields.push_back(line.substr(start, pos - start));
    }
    return fields;
}

// A whole field of hexadecimal digits with at most `maxDigits` of them.
bool ParseHex(std::string_view text, std::size_t maxDigits, unsigned long long& value)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return ec == std::errc() && end == text.data() + text.size();
}

bool IsAllZeroHex(std::string_view text, std::size_t digits)
{
    return text.size() == digits && std::all_of(text.begin(), text.end(), [](char c) { return c == '0'; });
}

// A usable default route: up, and not a reject (unreachable/prohibit) entry.
bool IsUsableRoute(unsigned long long routeFlags)
{
    return (routeFlags & RTF_UP) && !(routeFlags & RTF_REJECT);
}

template <class F>
void ForEachLine(std::string_view text, F&& f)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        f(text.substr(pos, end - pos));
        pos = end + 1;
    }
}

// /proc/net/route: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
// (addresses as 8 hex digits). The header line fails the hex checks.
bool HasIPv4DefaultRoute(std::string_view table, std::string_view iface)
{
    bool found = false;
    ForEachLine(table, [&](std::string_view line) {
        if (found)
            return;
        const auto f = SplitFields(line);
        if (f.size() < 8 || f[0] != iface)
            return;
        unsigned long long destination = 0, routeFlags = 0, mask = 0;
        if (f[1].size() != 8 || !ParseHex(f[1], 8, destination) || !ParseHex(f[3], 8, routeFlags)
            || f[7].size() != 8 || !ParseHex(f[7], 8, mask))
            return;
        found = destination == 0 && mask == 0 && IsUsableRoute(routeFlags);
    });
    return found;
}

// /proc/net/ipv6_route: dest(32 hex) plen(2) src(32) splen(2) nexthop(32)
// metric refcnt use flags (8 hex each) iface.
bool HasIPv6DefaultRoute(std::string_view table, std::string_view iface)
{
    bool found = false;
    ForEachLine(table, [&](std::string_view line) {
        if (found)
            return;
        const auto f = SplitFields(line);
        if (f.size() < 10 || f[9] != iface)
            return;
        unsigned long long routeFlags = 0;
        if (!IsAllZeroHex(f[0], 32) || !IsAllZeroHex(f[1], 2) || f[8].size() != 8 || !ParseHex(f[8], 8, routeFlags))
            return;
        found = IsUsableRoute(routeFlags);
    });
    return found;
}

bool HasNonBlank(const std::string& value)
{
    return value.find_first_not_of(" \t\r\n") != std::string::npos;
}

// Reads a /proc file; their size is reported as 0, so read until the end.
bool ReadFile(const std::string& path, std::string& contents, int& error)
{
    contents.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        contents.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return true;
}

} // namespace

const std::vector<std::string>& ProxyVariableNames()
{
    static const std::vector<std::string> names = {"http_proxy", "HTTP_PROXY", "https_proxy",
                                                    "HTTPS_PROXY", "all_proxy", "ALL_PROXY"};
    return names;
}

unsigned ConnectionFlagsOf(const ConnectivitySnapshot& snapshot)
{
    unsigned result = 0;
    for (const InterfaceState& iface : snapshot.interfaces) {
        if (iface.flags & IFF_LOOPBACK || !IsUp(iface.flags))
            continue;
        if (IsPppName(iface.name)) {
            if ((iface.flags & IFF_POINTOPOINT) && iface.hasIPv4)
                result |= ConnectionModem;
        } else if (HasIPv4DefaultRoute(snapshot.ipv4Routes, iface.name)
                   || HasIPv6DefaultRoute(snapshot.ipv6Routes, iface.name)) {
            result |= ConnectionLan;
        }
    }
    const auto& proxyNames = ProxyVariableNames();
    for (const auto& [name, value] : snapshot.environment) {
        if (std::find(proxyNames.begin(), proxyNames.end(), name) != proxyNames.end() && HasNonBlank(value))
            result |= ConnectionProxy;
    }
    return result;
}

bool ReadConnectivitySnapshot(ConnectivitySnapshot& snapshot, const ConnectivitySources& sources)
{
    snapshot = {};

    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_name)
            continue;
        // IPv4 addresses carry their label ("eth0:1"); the device is what routes name.
        std::string name(entry->ifa_name);
        if (const auto colon = name.find(':'); colon != std::string::npos)
            name.resize(colon);
        auto it = std::find_if(snapshot.interfaces.begin(), snapshot.interfaces.end(),
                               [&](const InterfaceState& s) { return s.name == name; });
        if (it == snapshot.interfaces.end()) {
            snapshot.interfaces.push_back({name, 0, false});
            it = std::prev(snapshot.interfaces.end());
        }
        it->flags |= entry->ifa_flags;
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET)
            it->hasIPv4 = true;
    }
    ::freeifaddrs(list);

    int error = 0;
    if (!ReadFile(sources.ipv4RoutePath, snapshot.ipv4Routes, error))
        return false;
    if (!ReadFile(sources.ipv6RoutePath, snapshot.ipv6Routes, error) && error != ENOENT)
        return false;

    for (const std::string& name : ProxyVariableNames()) {
        if (const char* value = std::getenv(name.c_str()))
            snapshot.environment.emplace_back(name, value);
    }
    return true;
}

LinuxConnectivity::LinuxConnectivity(ConnectivitySources sources) : m_sources(std::move(sources)) {}

bool LinuxConnectivity::GetConnectedState(unsigned& flags)
{
    flags = 0;
    ConnectivitySnapshot snapshot;
    if (!ReadConnectivitySnapshot(snapshot, m_sources))
        return false;
    flags = ConnectionFlagsOf(snapshot);
    return flags != 0;
}

} // namespace platform
