#include "platform/fake/FakePlatform.h"

#include "core/DateTime.h"

#include <QTest>

#include <limits>
#include <stdexcept>

using namespace platform;

namespace {

struct Query {
    bool online;
    unsigned flags;
};

Query Ask(FakeConnectivity& connectivity)
{
    unsigned flags = 0xFFu;
    const bool online = connectivity.GetConnectedState(flags);
    return {online, flags};
}

} // namespace

class TestFakePlatform final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void queuedAnswersComeFirstThenTheSteadyState();
    void failingConnectivityIsOfflineAndKeepsTheQueue();
    void clockStepsAddUpExactly_data();
    void clockStepsAddUpExactly();
    void settingTheClock();
    void failingRegistryWritesChangeNothing();
};

void TestFakePlatform::queuedAnswersComeFirstThenTheSteadyState()
{
    FakeConnectivity connectivity;
    connectivity.SetFlags(ConnectionModem);
    connectivity.QueueAnswers({{true, ConnectionLan}, {false, 0}});
    connectivity.QueueAnswer(true, 0); // online with no flags: allowed for odd cases

    const Query first = Ask(connectivity);
    QVERIFY(first.online);
    QCOMPARE(first.flags, unsigned(ConnectionLan));
    const Query second = Ask(connectivity);
    QVERIFY(!second.online);
    QCOMPARE(second.flags, 0u);
    const Query third = Ask(connectivity);
    QVERIFY(third.online);
    QCOMPARE(third.flags, 0u);
    QCOMPARE(connectivity.PendingAnswers(), std::size_t(0));
    for (int i = 0; i < 2; ++i) {
        const Query steady = Ask(connectivity);
        QVERIFY(steady.online);
        QCOMPARE(steady.flags, unsigned(ConnectionModem));
    }
    connectivity.SetFlags(0);
    QVERIFY(!Ask(connectivity).online);
    QCOMPARE(connectivity.QueryCount(), 6);
}

void TestFakePlatform::failingConnectivityIsOfflineAndKeepsTheQueue()
{
    FakeConnectivity connectivity;
    connectivity.SetFlags(ConnectionLan);
    connectivity.QueueAnswer(true, ConnectionModem);
    connectivity.SetFailing(true);
    const Query failed = Ask(connectivity);
    QVERIFY(!failed.online);
    QCOMPARE(failed.flags, 0u);
    QCOMPARE(connectivity.PendingAnswers(), std::size_t(1));
    connectivity.SetFailing(false);
    QCOMPARE(Ask(connectivity).flags, unsigned(ConnectionModem));
    QCOMPARE(Ask(connectivity).flags, unsigned(ConnectionLan));
    QCOMPARE(connectivity.QueryCount(), 3);
}

void TestFakePlatform::clockStepsAddUpExactly_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("steps");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("expected");

    const double start = EncodeDateTime(2024, 3, 4, 10, 0, 0);
    QTest::addRow("a day of seconds") << "s" << 86400 << 1.0 << start + 1;
    QTest::addRow("tenths of a second") << "s" << 36000 << 0.1 << EncodeDateTime(2024, 3, 4, 11, 0, 0);
    QTest::addRow("a week of minutes") << "min" << 7 * 1440 << 1.0 << start + 7;
    QTest::addRow("backwards over midnight") << "min" << 11 << -60.0 << EncodeDateTime(2024, 3, 3, 23, 0, 0);
    QTest::addRow("hours across a month end") << "h" << 26 * 24 << 1.0 << EncodeDateTime(2024, 3, 30, 10, 0, 0);
    QTest::addRow("a year of days") << "d" << 366 << 1.0 << EncodeDateTime(2025, 3, 5, 10, 0, 0);
}

void TestFakePlatform::clockStepsAddUpExactly()
{
    QFETCH(QString, unit);
    QFETCH(int, steps);
    QFETCH(double, step);
    QFETCH(double, expected);
    FakeClock clock;
    QCOMPARE(clock.Now(), EncodeDateTime(2024, 3, 4, 10, 0, 0));
    for (int i = 0; i < steps; ++i) {
        if (unit == "s")
            clock.AdvanceSeconds(step);
        else if (unit == "min")
            clock.AdvanceMinutes(step);
        else if (unit == "h")
            clock.AdvanceHours(step);
        else
            clock.AdvanceDays(step);
    }
    // Exactly the value the program's own encoding gives, not merely close.
    QCOMPARE(clock.Now(), expected);
}

void TestFakePlatform::settingTheClock()
{
    FakeClock clock(EncodeDateTime(2024, 1, 1, 0, 0, 0));
    std::string error;
    const double target = EncodeDateTime(2024, 6, 15, 8, 30, 15);
    QVERIFY(clock.SetLocalTime(target, error));
    QVERIFY(error.empty());
    QCOMPARE(clock.Now(), target);

    clock.RefuseSetLocalTime();
    QVERIFY(!clock.SetLocalTime(EncodeDateTime(2030, 1, 1, 0, 0, 0), error));
    QCOMPARE(error, std::string("Sem permissão para acertar o relógio do sistema."));
    QCOMPARE(clock.Now(), target);

    clock.AcceptSetLocalTime();
    QVERIFY(!clock.SetLocalTime(std::numeric_limits<double>::quiet_NaN(), error));
    QVERIFY(!error.empty());
    QCOMPARE(clock.Now(), target);
    QCOMPARE(clock.SetLocalTimeCalls(), std::vector<double>{target});
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, clock.SetNow(1e9));
}

void TestFakePlatform::failingRegistryWritesChangeNothing()
{
    FakePlatform fake;
    IRegistry& registry = *fake.Get().registry;
    const std::string key = "\\Software\\Pulsim";
    std::string error;
    QVERIFY(registry.WriteValue(IRegistry::Root::CurrentUser, key, "A", IRegistry::Value(true), error));

    fake.Registry().SetFailingWrites(true, "Disco cheio.");
    QVERIFY(!registry.WriteValue(IRegistry::Root::CurrentUser, key, "A", IRegistry::Value(false), error));
    QCOMPARE(error, std::string("Disco cheio."));
    QVERIFY(!registry.WriteValue(IRegistry::Root::CurrentUser, key, "B", IRegistry::Value(false), error));
    QVERIFY(!registry.DeleteValue(IRegistry::Root::CurrentUser, key, "A"));
    QVERIFY(!registry.OpenKey(IRegistry::Root::CurrentUser, "\\Software\\Nova", true));
    // Keys that already exist still open: that is no change.
    QVERIFY(registry.OpenKey(IRegistry::Root::CurrentUser, key, true));

    QVERIFY(registry.ReadBool(IRegistry::Root::CurrentUser, key, "A"));
    QVERIFY(!registry.ReadValue(IRegistry::Root::CurrentUser, key, "B").has_value());
    QVERIFY(!registry.KeyExists(IRegistry::Root::CurrentUser, "\\Software\\Nova"));
    QCOMPARE(fake.Registry().WriteCount(), 1);
}

QTEST_GUILESS_MAIN(TestFakePlatform)
#include "tst_fakeplatform.moc"
