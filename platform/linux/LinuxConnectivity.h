#pragma once

#include "platform/Platform.h"

#include <string>
#include <utility>
#include <vector>

namespace platform {

// One network interface as the connectivity rules see it. `flags` holds the
// kernel's IFF_* bits; aliases ("eth0:1") are folded into their device.
struct InterfaceState {
    std::string name;
    unsigned flags = 0;
    bool hasIPv4 = false;
};

// Everything the connectivity answer depends on, read in one go so that the
// decision itself is a pure function that tests can feed.
struct ConnectivitySnapshot {
    std::vector<InterfaceState> interfaces;
    std::string ipv4Routes; // the text of /proc/net/route
    std::string ipv6Routes; // the text of /proc/net/ipv6_route (empty without IPv6)
    // Proxy settings from the environment as name/value pairs.
    std::vector<std::pair<std::string, std::string>> environment;
};

// Where the reader takes the route tables from; tests point it elsewhere.
struct ConnectivitySources {
    std::string ipv4RoutePath = "/proc/net/route";
    std::string ipv6RoutePath = "/proc/net/ipv6_route";
};

// The environment variables whose non-empty value means "a proxy is configured".
const std::vector<std::string>& ProxyVariableNames();

// The ConnectionFlags the snapshot shows (0 when offline). Malformed route lines
// are ignored, never fatal.
unsigned ConnectionFlagsOf(const ConnectivitySnapshot& snapshot);

// Reads the live system: interfaces (getifaddrs), the route tables and the proxy
// variables. Answers false when the interfaces or the IPv4 route table cannot be
// read; a missing IPv6 route table means the kernel runs without IPv6 and reads
// as empty. No process is spawned: the detector calls this every second.
bool ReadConnectivitySnapshot(ConnectivitySnapshot& snapshot, const ConnectivitySources& sources = {});

class LinuxConnectivity final : public IConnectivity {
public:
    explicit LinuxConnectivity(ConnectivitySources sources = {});

    bool GetConnectedState(unsigned& flags) override;

private:
    ConnectivitySources m_sources;
};

} // namespace platform
