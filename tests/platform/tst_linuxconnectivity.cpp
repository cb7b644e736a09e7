#include "platform/linux/LinuxConnectivity.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include <net/if.h>

using platform::ConnectivitySnapshot;
using platform::InterfaceState;

Q_DECLARE_METATYPE(platform::ConnectivitySnapshot)

namespace {

constexpr unsigned Up = IFF_UP | IFF_RUNNING;
constexpr unsigned Modem = platform::ConnectionModem;
constexpr unsigned Lan = platform::ConnectionLan;
constexpr unsigned Proxy = platform::ConnectionProxy;

const std::string Ipv4Header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

InterfaceState Ppp(const std::string& name = "ppp0", unsigned flags = Up | IFF_POINTOPOINT, bool ipv4 = true)
{
    return {name, flags, ipv4};
}

InterfaceState Eth(const std::string& name = "eth0", unsigned flags = Up | IFF_BROADCAST)
{
    return {name, flags, true};
}

InterfaceState Loopback()
{
    return {"lo", Up | IFF_LOOPBACK, true};
}

// One /proc/net/route line as the kernel prints it.
std::string Route4(const std::string& iface, const std::string& destination = "00000000",
                   const std::string& flags = "0003", const std::string& mask = "00000000")
{
    return iface + "\t" + destination + "\t010200C0\t" + flags + "\t0\t0\t0\t" + mask + "\t0\t0\t0\n";
}

const std::string Zero32(32, '0');

// One /proc/net/ipv6_route line as the kernel prints it.
std::string Route6(const std::string& iface, const std::string& destination = Zero32, const std::string& prefix = "00",
                   const std::string& flags = "00000003")
{
    return destination + " " + prefix + " " + Zero32 + " 00 fd000000000000000000000000000001 00000400 00000002 00000000 "
           + flags + "     " + iface + "\n";
}

ConnectivitySnapshot Snapshot(std::vector<InterfaceState> interfaces, std::string ipv4 = {}, std::string ipv6 = {},
                              std::vector<std::pair<std::string, std::string>> environment = {})
{
    return {std::move(interfaces), Ipv4Header + ipv4, std::move(ipv6), std::move(environment)};
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv final {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

class TestLinuxConnectivity final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void flagsOfSnapshot_data();
    void flagsOfSnapshot();
    void proxyVariables_data();
    void proxyVariables();

    void readsThisMachine();
    void unreadableRouteTableIsOffline_data();
    void unreadableRouteTableIsOffline();
    void missingIpv6TableReadsAsEmpty();
    void proxyFromEnvironmentReachesTheAnswer();
};

void TestLinuxConnectivity::flagsOfSnapshot_data()
{
    QTest::addColumn<ConnectivitySnapshot>("snapshot");
    QTest::addColumn<unsigned>("expected");

    QTest::addRow("nothing") << Snapshot({}) << 0u;
    QTest::addRow("only loopback") << Snapshot({Loopback()}) << 0u;

    // The modem link.
    QTest::addRow("ppp0 alone") << Snapshot({Loopback(), Ppp()}) << Modem;
    QTest::addRow("ppp1 alone") << Snapshot({Ppp("ppp1")}) << Modem;
    QTest::addRow("ppp0 up but not running") << Snapshot({Ppp("ppp0", IFF_UP | IFF_POINTOPOINT)}) << 0u;
    QTest::addRow("ppp0 down") << Snapshot({Ppp("ppp0", IFF_POINTOPOINT)}) << 0u;
    QTest::addRow("ppp0 without IPv4") << Snapshot({Ppp("ppp0", Up | IFF_POINTOPOINT, false)}) << 0u;
    QTest::addRow("ppp0 not point-to-point") << Snapshot({Ppp("ppp0", Up)}) << 0u;
    QTest::addRow("point-to-point link not named ppp") << Snapshot({{"tun0", Up | IFF_POINTOPOINT, true}}) << 0u;
    QTest::addRow("ppp0 default route is not a LAN")
        << Snapshot({Ppp()}, Route4("ppp0"), Route6("ppp0")) << Modem;

    // The local network.
    QTest::addRow("eth0 with IPv4 default route") << Snapshot({Loopback(), Eth()}, Route4("eth0")) << Lan;
    QTest::addRow("eth0 with IPv6 default route") << Snapshot({Eth()}, {}, Route6("eth0")) << Lan;
    QTest::addRow("ppp0 and eth0 with default route") << Snapshot({Ppp(), Eth()}, Route4("eth0")) << (Modem | Lan);
    QTest::addRow("eth0 without default route")
        << Snapshot({Eth()}, Route4("eth0", "000200C0", "0001", "00FFFFFF"), Route6("eth0", "fd" + std::string(30, '0'), "40"))
        << 0u;
    QTest::addRow("eth0 default route but link down") << Snapshot({Eth("eth0", IFF_UP)}, Route4("eth0")) << 0u;
    QTest::addRow("default route of another interface")
        << Snapshot({Eth("eth0"), Eth("wlan0", IFF_BROADCAST)}, Route4("wlan0")) << 0u;
    QTest::addRow("route interface name only shares a prefix") << Snapshot({Eth("eth0")}, Route4("eth01")) << 0u;
    QTest::addRow("default route on loopback ignored") << Snapshot({Loopback()}, Route4("lo"), Route6("lo")) << 0u;
    QTest::addRow("IPv4 default route not up") << Snapshot({Eth()}, Route4("eth0", "00000000", "0002")) << 0u;
    QTest::addRow("IPv4 unreachable default route") << Snapshot({Eth()}, Route4("eth0", "00000000", "0201")) << 0u;
    QTest::addRow("IPv6 unreachable default route") << Snapshot({Eth()}, {}, Route6("eth0", Zero32, "00", "00200201")) << 0u;
    QTest::addRow("IPv6 route to ::/0 not up") << Snapshot({Eth()}, {}, Route6("eth0", Zero32, "00", "00000000")) << 0u;
    QTest::addRow("zero destination with a mask is no default route")
        << Snapshot({Eth()}, Route4("eth0", "00000000", "0001", "000000FF")) << 0u;

    // Lines the parser must step over without harm.
    const std::string garbage = "\n"
                                "eth0\n"
                                "eth0\tzzzzzzzz\t00000000\t0003\t0\t0\t0\t00000000\n"
                                "eth0\t0\t00000000\t0003\t0\t0\t0\t0\n"
                                "eth0\t000000000\t00000000\t0003\t0\t0\t0\t00000000\n"
                                "eth0\t00000000\t00000000\tFFFFFFFFFFFFFFFFFFFF\t0\t0\t0\t00000000\n"
                                "\t\t\t\n"
                                "eth0 00000000 00000000 0003\n";
    QTest::addRow("malformed IPv4 lines only") << Snapshot({Eth()}, garbage) << 0u;
    QTest::addRow("malformed IPv4 lines before a good one") << Snapshot({Eth()}, garbage + Route4("eth0")) << Lan;
    QTest::addRow("IPv4 table without trailing newline")
        << Snapshot({Eth()}, Route4("eth0").substr(0, Route4("eth0").size() - 1)) << Lan;
    const std::string badIpv6 = "0000 00 eth0\n" + Zero32 + " zz " + Zero32 + " 00 " + Zero32
                                + " 00000400 00000002 00000000 00000003 eth0\n"
                                + Route6("eth0").substr(0, 100) + "\n";
    QTest::addRow("malformed IPv6 lines only") << Snapshot({Eth()}, {}, badIpv6) << 0u;
    QTest::addRow("malformed IPv6 lines before a good one") << Snapshot({Eth()}, {}, badIpv6 + Route6("eth0")) << Lan;
    QTest::addRow("IPv4 table with only its header") << Snapshot({Eth()}) << 0u;
    QTest::addRow("binary junk in the route tables")
        << Snapshot({Eth()}, std::string("\0\xff\x01\teth0\t\0", 8), std::string("\xfe\0eth0", 6)) << 0u;

    // Everything at once.
    QTest::addRow("modem, LAN and proxy")
        << Snapshot({Loopback(), Ppp(), Eth()}, Route4("eth0"), {}, {{"http_proxy", "http://proxy:3128"}})
        << (Modem | Lan | Proxy);
}

void TestLinuxConnectivity::flagsOfSnapshot()
{
    QFETCH(ConnectivitySnapshot, snapshot);
    QFETCH(unsigned, expected);
    QCOMPARE(platform::ConnectionFlagsOf(snapshot), expected);
}

void TestLinuxConnectivity::proxyVariables_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<unsigned>("expected");

    for (const std::string& name : platform::ProxyVariableNames())
        QTest::addRow("%s set", name.c_str()) << QString::fromStdString(name) << "http://10.0.0.1:8080" << Proxy;
    QTest::addRow("http_proxy empty") << "http_proxy"
                                      << "" << 0u;
    QTest::addRow("HTTPS_PROXY blank") << "HTTPS_PROXY"
                                       << "  \t" << 0u;
    QTest::addRow("no_proxy is not a proxy") << "no_proxy"
                                             << "localhost" << 0u;
    QTest::addRow("ftp_proxy is not read") << "ftp_proxy"
                                           << "http://10.0.0.1:8080" << 0u;
    QTest::addRow("mixed case name is another variable") << "Http_Proxy"
                                                         << "http://10.0.0.1:8080" << 0u;
}

void TestLinuxConnectivity::proxyVariables()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(unsigned, expected);
    const ConnectivitySnapshot snapshot = Snapshot({Loopback()}, {}, {}, {{name.toStdString(), value.toStdString()}});
    QCOMPARE(platform::ConnectionFlagsOf(snapshot), expected);
}

void TestLinuxConnectivity::readsThisMachine()
{
    ConnectivitySnapshot snapshot;
    QVERIFY(platform::ReadConnectivitySnapshot(snapshot));
    // Every Linux machine has a loopback interface, and the IPv4 table its header.
    const auto lo = std::find_if(snapshot.interfaces.begin(), snapshot.interfaces.end(),
                                 [](const InterfaceState& s) { return s.name == "lo"; });
    QVERIFY(lo != snapshot.interfaces.end());
    QVERIFY(lo->flags & IFF_LOOPBACK);
    QVERIFY(snapshot.ipv4Routes.rfind("Iface", 0) == 0);
    for (const InterfaceState& s : snapshot.interfaces)
        QVERIFY2(s.name.find(':') == std::string::npos, s.name.c_str());

    platform::LinuxConnectivity connectivity;
    unsigned flags = 0xFFu;
    const bool online = connectivity.GetConnectedState(flags);
    QCOMPARE(online, flags != 0);
    QCOMPARE(flags & ~unsigned(Modem | Lan | Proxy), 0u);
    QCOMPARE(flags, platform::ConnectionFlagsOf(snapshot));
}

void TestLinuxConnectivity::unreadableRouteTableIsOffline_data()
{
    QTest::addColumn<QString>("ipv4Path");
    QTest::addColumn<QString>("ipv6Path");

    QTest::addRow("IPv4 table missing") << "/nonexistent/route"
                                        << "/proc/net/ipv6_route";
    QTest::addRow("IPv4 table is a folder") << "/proc/net"
                                            << "/proc/net/ipv6_route";
    QTest::addRow("IPv6 table is a folder") << "/proc/net/route"
                                            << "/proc/net";
}

void TestLinuxConnectivity::unreadableRouteTableIsOffline()
{
    QFETCH(QString, ipv4Path);
    QFETCH(QString, ipv6Path);
    // Even with a proxy configured: a query that fails answers offline.
    ScopedEnv proxy("http_proxy", "http://10.0.0.1:3128");
    platform::LinuxConnectivity connectivity({ipv4Path.toStdString(), ipv6Path.toStdString()});
    unsigned flags = 0xFFu;
    QVERIFY(!connectivity.GetConnectedState(flags));
    QCOMPARE(flags, 0u);
}

void TestLinuxConnectivity::missingIpv6TableReadsAsEmpty()
{
    // A kernel booted without IPv6 has no ipv6_route; that is not a failure.
    ConnectivitySnapshot snapshot;
    QVERIFY(platform::ReadConnectivitySnapshot(snapshot, {"/proc/net/route", "/nonexistent/ipv6_route"}));
    QVERIFY(snapshot.ipv6Routes.empty());
}

void TestLinuxConnectivity::proxyFromEnvironmentReachesTheAnswer()
{
    // Route tables with no default route, so only the proxy can make it online.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString route = dir.filePath("route");
    QFile file(route);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(Ipv4Header));
    file.close();
    const platform::ConnectivitySources sources{route.toStdString(), "/nonexistent/ipv6_route"};

    std::vector<std::unique_ptr<ScopedEnv>> cleared;
    for (const std::string& name : platform::ProxyVariableNames())
        cleared.push_back(std::make_unique<ScopedEnv>(name.c_str(), QByteArray()));

    unsigned flags = 0xFFu;
    platform::LinuxConnectivity connectivity(sources);
    const bool withoutProxy = connectivity.GetConnectedState(flags);
    if (flags & Modem)
        QSKIP("a modem link is up on this machine");
    QVERIFY(!withoutProxy);
    QCOMPARE(flags, 0u);

    ScopedEnv proxy("ALL_PROXY", "socks5://10.0.0.1:1080");
    QVERIFY(connectivity.GetConnectedState(flags));
    QCOMPARE(flags, Proxy);
}

QTEST_GUILESS_MAIN(TestLinuxConnectivity)
#include "tst_linuxconnectivity.moc"
