#include "platform/linux/LinuxClock.h"

#include "core/DateTime.h"

#include <QTest>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// Switches the process's time zone for one test and back; Qt's local time
// follows TZ through tzset().
class ScopedTimeZone final {
public:
    explicit ScopedTimeZone(const QByteArray& zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool m_had;
    QByteArray m_old;
};

// A clock whose setter only records what it was asked to set.
struct RecordingClock {
    int calls = 0;
    timespec last{};
    int answer = 0;
    platform::LinuxClock clock{[this](const timespec& value) {
        ++calls;
        last = value;
        return answer;
    }};
};

// Whether the process may set the clock (CAP_SYS_TIME, bit 25, in CapEff).
bool MaySetClock()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> 25) & 1u;
    }
    return true; // unknown: assume the worst
}

} // namespace

class TestLinuxClock final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nowIsTheLocalWallClock();
    void setLocalTimeConvertsToAbsoluteTime_data();
    void setLocalTimeConvertsToAbsoluteTime();
    void impossibleValuesNeverReachTheClock_data();
    void impossibleValuesNeverReachTheClock();
    void refusalIsExplained_data();
    void refusalIsExplained();
    void unprivilegedProcessIsRefused();
};

void TestLinuxClock::nowIsTheLocalWallClock()
{
    // In a zone far from UTC so that a clock answering UTC would be caught.
    ScopedTimeZone zone("BRT3");
    platform::LinuxClock clock;
    const double before = FromQDateTime(QDateTime::currentDateTime());
    const double now = clock.Now();
    const double after = FromQDateTime(QDateTime::currentDateTime());
    QVERIFY2(now >= before - OneSecond && now <= after + OneSecond,
             qPrintable(QStringLiteral("%1 not in [%2, %3]").arg(now, 0, 'f', 9).arg(before, 0, 'f', 9).arg(after, 0, 'f', 9)));
}

void TestLinuxClock::setLocalTimeConvertsToAbsoluteTime_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<double>("local");
    QTest::addColumn<qint64>("expectedUtcMsecs");

    const double may10 = EncodeDateTime(2024, 5, 10, 12, 0, 0, 250);
    const qint64 may10Utc = QDateTime(QDate(2024, 5, 10), QTime(12, 0, 0, 250), Qt::UTC).toMSecsSinceEpoch();
    QTest::addRow("UTC") << QByteArray("UTC0") << may10 << may10Utc;
    QTest::addRow("three hours behind UTC") << QByteArray("BRT3") << may10 << may10Utc + 3 * 3600000;
    const QByteArray cet = "CET-1CEST,M3.5.0,M10.5.0/3";
    QTest::addRow("summer time") << cet << may10 << may10Utc - 2 * 3600000;
    const double jan10 = EncodeDateTime(2024, 1, 10, 12, 0, 0);
    QTest::addRow("winter time") << cet << jan10
                                 << QDateTime(QDate(2024, 1, 10), QTime(11, 0), Qt::UTC).toMSecsSinceEpoch();
    QTest::addRow("epoch itself") << QByteArray("UTC0") << EncodeDate(1970, 1, 1) << qint64(0);
}

void TestLinuxClock::setLocalTimeConvertsToAbsoluteTime()
{
    QFETCH(QByteArray, zone);
    QFETCH(double, local);
    QFETCH(qint64, expectedUtcMsecs);
    ScopedTimeZone scoped(zone);
    RecordingClock recorder;
    std::string error = "stale";
    QVERIFY(recorder.clock.SetLocalTime(local, error));
    QVERIFY(error.empty());
    QCOMPARE(recorder.calls, 1);
    QCOMPARE(qint64(recorder.last.tv_sec), expectedUtcMsecs / 1000);
    QCOMPARE(qint64(recorder.last.tv_nsec), expectedUtcMsecs % 1000 * 1000000);
}

void TestLinuxClock::impossibleValuesNeverReachTheClock_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<double>("value");

    QTest::addRow("NaN") << QByteArray("UTC0") << std::numeric_limits<double>::quiet_NaN();
    QTest::addRow("infinity") << QByteArray("UTC0") << std::numeric_limits<double>::infinity();
    QTest::addRow("minus infinity") << QByteArray("UTC0") << -std::numeric_limits<double>::infinity();
    QTest::addRow("after year 9999") << QByteArray("UTC0") << 1e7;
    QTest::addRow("before year 1") << QByteArray("UTC0") << -1e7;
    QTest::addRow("before 1970") << QByteArray("UTC0") << EncodeDateTime(1969, 12, 31, 23, 59, 59);
    QTest::addRow("before 1970 in local time") << QByteArray("CET-1") << EncodeDateTime(1970, 1, 1, 0, 30, 0);
    // 02:30 does not exist on the morning summer time starts.
    QTest::addRow("hour skipped by summer time")
        << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << EncodeDateTime(2024, 3, 31, 2, 30, 0);
}

void TestLinuxClock::impossibleValuesNeverReachTheClock()
{
    QFETCH(QByteArray, zone);
    QFETCH(double, value);
    ScopedTimeZone scoped(zone);
    RecordingClock recorder;
    std::string error;
    QVERIFY(!recorder.clock.SetLocalTime(value, error));
    QVERIFY(!error.empty());
    QCOMPARE(recorder.calls, 0);

    // The real clock refuses them too, before any system call.
    platform::LinuxClock real;
    error.clear();
    QVERIFY(!real.SetLocalTime(value, error));
    QVERIFY(!error.empty());
}

void TestLinuxClock::refusalIsExplained_data()
{
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("expected");

    QTest::addRow("no privilege") << EPERM << QStringLiteral("Sem permissão para acertar o relógio do sistema.");
    QTest::addRow("value refused") << EINVAL << QStringLiteral("O sistema recusou a data e hora informadas.");
    QTest::addRow("anything else") << EIO
                                   << QStringLiteral("Não foi possível acertar o relógio do sistema (%1).")
                                          .arg(QString::fromLocal8Bit(std::strerror(EIO)));
}

void TestLinuxClock::refusalIsExplained()
{
    QFETCH(int, errorCode);
    QFETCH(QString, expected);
    RecordingClock recorder;
    recorder.answer = errorCode;
    std::string error;
    QVERIFY(!recorder.clock.SetLocalTime(EncodeDateTime(2024, 5, 10, 12, 0, 0), error));
    QCOMPARE(QString::fromStdString(error), expected);
}

void TestLinuxClock::unprivilegedProcessIsRefused()
{
    // The real setter, in a child that has given up every privilege first, so
    // the machine's clock cannot change whoever runs the suite.
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        if (MaySetClock())
            ::_exit(2);
        platform::LinuxClock clock;
        std::string error;
        const bool ok = clock.SetLocalTime(clock.Now(), error);
        ::_exit(!ok && error == "Sem permissão para acertar o relógio do sistema." ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        QSKIP("could not give up the privilege to set the clock");
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_GUILESS_MAIN(TestLinuxClock)
#include "tst_linuxclock.moc"
