#include "tests/e2e/ProgramRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <cstring>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Run as "--hold-tun NAME" inside the test's network namespace: creates the
// point-to-point device NAME and keeps it attached (so it has a carrier) until
// its standard input closes; the device vanishes with the process, which is
// how the line goes down.
int HoldTun(const char* name)
{
    const int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        std::perror("open /dev/net/tun");
        return 1;
    }
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    if (::ioctl(fd, TUNSETIFF, &request) < 0) {
        std::perror("TUNSETIFF");
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    ::close(fd);
    return 0;
}

QString AccountName()
{
    const passwd* pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

bool Run(const QStringList& command, QByteArray* output = nullptr)
{
    QProcess p;
    p.start(command.first(), command.mid(1));
    if (!p.waitForFinished(10000))
        return false;
    if (output)
        *output = p.readAllStandardOutput() + p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A network namespace of the test's own, with loopback up and nothing else:
// the program inside sees no LAN and no proxy, only the ppp0 the test makes.
class NetworkNamespace {
public:
    NetworkNamespace()
        : m_name(QStringLiteral("pulsim-e2e-%1-%2").arg(::getpid()).arg(++s_count))
    {
        m_ok = Run({"ip", "netns", "add", m_name}) && Run({"ip", "-n", m_name, "link", "set", "lo", "up"});
    }
    ~NetworkNamespace()
    {
        LineDown();
        Run({"ip", "netns", "del", m_name});
    }
    bool Ok() const { return m_ok; }
    QStringList Exec() const { return {"ip", "netns", "exec", m_name}; }

    // Brings a point-to-point ppp0 up with an IPv4 address, as pppd does.
    bool LineUp()
    {
        m_holder = std::make_unique<QProcess>();
        m_holder->start(QStringLiteral("ip"), {"netns", "exec", m_name, QCoreApplication::applicationFilePath(),
                                              "--hold-tun", "ppp0"});
        if (!m_holder->waitForReadyRead(5000) || !m_holder->readAllStandardOutput().contains("ready"))
            return false;
        return Run({"ip", "-n", m_name, "addr", "add", "10.64.64.1", "peer", "10.64.64.2/32", "dev", "ppp0"}) &&
               Run({"ip", "-n", m_name, "link", "set", "ppp0", "up"});
    }

    void LineDown()
    {
        if (!m_holder)
            return;
        m_holder->closeWriteChannel();
        m_holder->waitForFinished(5000);
        m_holder.reset();
    }

private:
    static inline int s_count = 0;
    QString m_name;
    bool m_ok = false;
    std::unique_ptr<QProcess> m_holder;
};

// The library that shifts a program's clock (Debian's faketime package).
QString FaketimeLibrary()
{
    const QDir lib(QStringLiteral("/usr/lib"));
    for (const QString& arch : lib.entryList({QStringLiteral("*-linux-gnu*")}, QDir::Dirs)) {
        const QString candidate = lib.filePath(arch + QStringLiteral("/faketime/libfaketime.so.1"));
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    const QString plain = QStringLiteral("/usr/lib/faketime/libfaketime.so.1");
    return QFileInfo::exists(plain) ? plain : QString();
}

// One access of Acessos.cds as written.
struct Access {
    QString usuario;
    double inicio = 0, fim = 0, custo = 0, economia = 0, duracao = 0;
    int pulsos = 0;
};

Access ReadAccess(const QJsonArray& row)
{
    return {row.at(7).toString(), row.at(1).toDouble(), row.at(2).toDouble(), row.at(3).toDouble(),
            row.at(4).toDouble(), row.at(5).toDouble(), row.at(6).toInt()};
}

} // namespace

// The program on a real point-to-point link: a ppp0 interface comes up in a
// network namespace of the test's own, stays a while and goes down.
class TestConnection final : public QObject {
    Q_OBJECT

private:
    // Skips (with the reason) where the machine cannot host the link.
    bool CanRun(bool needsFaketime)
    {
        if (::geteuid() != 0) {
            QTest::qSkip("needs root to create a network namespace and a ppp0 interface", __FILE__, __LINE__);
            return false;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            QTest::qSkip("needs the ip command (iproute2)", __FILE__, __LINE__);
            return false;
        }
        if (::access("/dev/net/tun", R_OK | W_OK) != 0) {
            QTest::qSkip("needs /dev/net/tun to make a point-to-point interface", __FILE__, __LINE__);
            return false;
        }
        if (needsFaketime && FaketimeLibrary().isEmpty()) {
            QTest::qSkip("needs libfaketime (package faketime) to place the run at a chosen hour", __FILE__, __LINE__);
            return false;
        }
        return true;
    }

    // Starts the program in the namespace (at `fakeStart` when given), holds
    // the line up for `seconds` after the program saw it, and ends it.
    QList<Access> Connection(ProgramRun& run, NetworkNamespace& ns, int seconds, const QString& fakeStart = {})
    {
        // The shifted clock is preloaded straight into the program (not run
        // under the faketime wrapper, which would stand between the test and
        // the program and keep the termination signal from reaching it).
        QStringList wrapper = ns.Exec();
        if (!fakeStart.isEmpty())
            wrapper << QStringLiteral("env") << QStringLiteral("LD_PRELOAD=") + FaketimeLibrary()
                    << QStringLiteral("FAKETIME=@") + fakeStart << QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC=1");
        auto program = run.Start(wrapper);
        [&] { QVERIFY2(run.WaitUntilRunning(), "the program never came up"); }();
        QByteArray log;
        [&] { QVERIFY2(ns.LineUp(), "could not bring ppp0 up"); }();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT((log += program->readAllStandardError()).contains("connection began"), 10000);
        }();
        QTest::qWait(seconds * 1000);
        ns.LineDown();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT((log += program->readAllStandardError()).contains("connection ended"), 10000);
        }();
        [&] { QVERIFY(ProgramRun::Terminate(*program)); }();
        QList<Access> accesses;
        for (const QJsonValue& row : run.AccessRows())
            accesses << ReadAccess(row.toArray());
        return accesses;
    }

private Q_SLOTS:
    void connectionBecomesOnePricedRecord()
    {
        if (!CanRun(false))
            return;
        ProgramRun run;
        run.WriteConfig({{"TarifaSelecionada", 0.11}, {"MinutosPulso", 4}, {"InformarGastos", false}});
        NetworkNamespace ns;
        QVERIFY(ns.Ok());
        const QList<Access> accesses = Connection(run, ns, 20);
        QCOMPARE(accesses.size(), 1);
        const Access& a = accesses.at(0);
        QCOMPARE(a.usuario, AccountName().left(30));
        const double seconds = a.duracao * 86400;
        QVERIFY2(seconds > 23 && seconds < 30, qPrintable(QString::number(seconds)));
        QVERIFY(std::fabs((a.fim - a.inicio) - a.duracao) * 86400 < 0.01);
        QCOMPARE(a.pulsos, 1);
        QCOMPARE(a.custo, 0.11);
        QCOMPARE(a.economia, 0.0);
    }

    void pulsesFollowTheHour_data()
    {
        QTest::addColumn<QString>("fakeStart");
        QTest::addColumn<int>("pulsos");
        QTest::addColumn<double>("economia");
        QTest::addRow("weekday 14:00, multi-pulse") << "2024-03-04 14:00:00" << 2 << 0.0;
        QTest::addRow("weekday 03:00, reduced rate") << "2024-03-05 03:00:00" << 1 << 0.11;
    }

    void pulsesFollowTheHour()
    {
        QFETCH(QString, fakeStart);
        QFETCH(int, pulsos);
        QFETCH(double, economia);
        if (!CanRun(true))
            return;
        ProgramRun run;
        run.WriteConfig({{"TarifaSelecionada", 0.11}, {"MinutosPulso", 1}, {"InformarGastos", false}});
        NetworkNamespace ns;
        QVERIFY(ns.Ok());
        const QList<Access> accesses = Connection(run, ns, 70, fakeStart);
        QCOMPARE(accesses.size(), 1);
        const Access& a = accesses.at(0);
        const double seconds = a.duracao * 86400;
        QVERIFY2(seconds > 70 && seconds < 110, qPrintable(QString::number(seconds)));
        // The record's start is on the shifted clock, a few seconds from its start.
        const QDateTime started = ToQDateTimeOf(a.inicio);
        const QDateTime shifted = QDateTime::fromString(fakeStart, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(std::abs(started.secsTo(shifted)) < 60, qPrintable(started.toString()));
        QCOMPARE(a.pulsos, pulsos);
        QCOMPARE(a.custo, 0.11 * pulsos);
        QCOMPARE(a.economia, economia);
    }

private:
    static QDateTime ToQDateTimeOf(double days)
    {
        return QDateTime(QDate(1899, 12, 30), QTime(0, 0)).addMSecs(qint64(days * 86400000.0));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--hold-tun") == 0)
        return HoldTun(argv[2]);
    QCoreApplication app(argc, argv);
    TestConnection test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_connection.moc"
