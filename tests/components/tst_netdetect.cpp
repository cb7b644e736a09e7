#include "components/NetDetect.h"
#include "core/Errors.h"
#include "platform/fake/FakeConnectivity.h"
#include "tests/support/DialogRecorder.h"

#include <QSignalSpy>
#include <QTest>

using platform::ConnectionLan;
using platform::ConnectionModem;
using platform::ConnectionModemBusy;
using platform::ConnectionProxy;

// A detector on fake connectivity that writes down its events in order.
class DetectorFixture {
public:
    platform::FakeConnectivity connectivity;
    TNetDetect detector{connectivity};
    QStringList events;

    DetectorFixture()
    {
        detector.OnConnect = [this](QObject* sender) { Record(sender, "connect"); };
        detector.OnConnection = [this](QObject* sender) { Record(sender, "connection"); };
        detector.OnDisconnect = [this](QObject* sender) { Record(sender, "disconnect"); };
    }

    void Record(QObject* sender, const char* name)
    {
        QCOMPARE_NE(sender, nullptr);
        events << QString::fromLatin1(name) + (detector.Connected() ? QStringLiteral("+") : QStringLiteral("-"));
    }
};

class TestNetDetect final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newDetectorDefaults()
    {
        platform::FakeConnectivity connectivity;
        TNetDetect detector(connectivity);
        QVERIFY(!detector.Enabled());
        QCOMPARE(detector.Interval(), quint16(1000));
        QVERIFY(!detector.Connected());
        QVERIFY(!detector.DebugConnected());
        QVERIFY(!detector.Timer().isActive());
    }

    void isOnline_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<bool>("expected");
        QTest::addRow("modem") << true << unsigned(ConnectionModem) << true;
        QTest::addRow("offline") << false << 0u << false;
        QTest::addRow("lan only") << true << unsigned(ConnectionLan) << false;
        QTest::addRow("lan and modem") << true << unsigned(ConnectionLan | ConnectionModem) << false;
        QTest::addRow("proxy and modem") << true << unsigned(ConnectionProxy | ConnectionModem) << false;
        QTest::addRow("modem busy") << true << unsigned(ConnectionModem | ConnectionModemBusy) << false;
        QTest::addRow("online without flags") << true << 0u << true;
        QTest::addRow("query says offline despite flags") << false << unsigned(ConnectionModem) << false;
    }

    void isOnline()
    {
        QFETCH(bool, online);
        QFETCH(unsigned, flags);
        QFETCH(bool, expected);
        platform::FakeConnectivity connectivity;
        connectivity.SetState(online, flags);
        TNetDetect detector(connectivity);
        QCOMPARE(detector.IsOnline(), expected);
        detector.SetDebugConnected(true);
        QVERIFY(detector.IsOnline());
    }

    void failingQueryIsOffline()
    {
        platform::FakeConnectivity connectivity;
        connectivity.SetFlags(ConnectionModem);
        connectivity.SetFailing(true);
        TNetDetect detector(connectivity);
        QVERIFY(!detector.IsOnline());
    }

    // The state table, poll by poll: what each poll finds and the events raised.
    void stateTable()
    {
        DetectorFixture f;
        f.detector.Poll();
        QCOMPARE(f.events, QStringList());

        f.connectivity.SetFlags(ConnectionModem);
        f.detector.Poll();
        QCOMPARE(f.events, QStringList{"connect+"});

        f.detector.Poll();
        f.detector.Poll();
        QCOMPARE(f.events, (QStringList{"connect+", "connection+", "connection+"}));

        f.events.clear();
        f.connectivity.SetFlags(0);
        f.detector.Poll();
        QCOMPARE(f.events, (QStringList{"connection+", "disconnect-"}));
        QVERIFY(!f.detector.Connected());

        f.events.clear();
        f.detector.Poll();
        QCOMPARE(f.events, QStringList());
    }

    void lineDropsBetweenTheTwoTests()
    {
        // Online at the first test, offline at the second: the connected state
        // raises OnConnection and then OnDisconnect in the same tick.
        DetectorFixture f;
        f.connectivity.SetFlags(ConnectionModem);
        f.detector.Poll();
        f.events.clear();
        f.connectivity.QueueAnswers({{true, ConnectionModem}, {false, 0}});
        f.detector.Poll();
        QCOMPARE(f.events, (QStringList{"connection+", "disconnect-"}));
    }

    void connectedChangesOnlyWithItsEvent()
    {
        platform::FakeConnectivity connectivity;
        connectivity.SetFlags(ConnectionModem);
        TNetDetect detector(connectivity);
        detector.Poll();
        QVERIFY2(!detector.Connected(), "no OnConnect handler: never connected");

        detector.OnConnect = [](QObject*) {};
        detector.Poll();
        QVERIFY(detector.Connected());

        connectivity.SetFlags(0);
        detector.Poll();
        QVERIFY2(detector.Connected(), "no OnDisconnect handler: stays connected");
        detector.OnDisconnect = [](QObject*) {};
        detector.Poll();
        QVERIFY(!detector.Connected());
    }

    void lanWithModemIsOffline()
    {
        DetectorFixture f;
        f.connectivity.SetFlags(ConnectionLan | ConnectionModem);
        f.detector.Poll();
        f.detector.Poll();
        QCOMPARE(f.events, QStringList());
    }

    void debugConnectedSimulatesAConnection()
    {
        DetectorFixture f;
        f.detector.SetDebugConnected(true);
        f.detector.Poll();
        f.detector.Poll();
        f.detector.SetDebugConnected(false);
        f.detector.Poll();
        QCOMPARE(f.events, (QStringList{"connect+", "connection+", "connection+", "disconnect-"}));
    }

    void enabledDrivesTheTimer()
    {
        DetectorFixture f;
        f.detector.SetInterval(20);
        QVERIFY(!f.detector.Timer().isActive());
        f.detector.SetEnabled(true);
        QVERIFY(f.detector.Timer().isActive());
        QCOMPARE(f.detector.Timer().interval(), 20);

        f.connectivity.SetFlags(ConnectionModem);
        QTRY_COMPARE(f.events.value(0), QStringLiteral("connect+"));
        QTRY_VERIFY(f.events.size() >= 3);

        // Stopped, the state freezes: a connection that ends meanwhile is
        // reported by the first poll after polling resumes.
        f.detector.SetEnabled(false);
        f.events.clear();
        f.connectivity.SetFlags(0);
        QTest::qWait(100);
        QCOMPARE(f.events, QStringList());
        QVERIFY(f.detector.Connected());
        f.detector.SetEnabled(true);
        QTRY_COMPARE(f.events, (QStringList{"connection+", "disconnect-"}));

        f.detector.SetInterval(0);
        QVERIFY(!f.detector.Timer().isActive());
    }

    void throwingHandlerDoesNotStopPolling()
    {
        DialogRecorder recorder;
        DetectorFixture f;
        int connections = 0;
        f.detector.OnConnection = [&](QObject*) {
            ++connections;
            throw EDatabaseError(QStringLiteral("cdsAcessos: Cannot perform this operation on a closed dataset"));
        };
        f.connectivity.SetFlags(ConnectionModem);
        f.detector.SetInterval(10);
        f.detector.SetEnabled(true);
        QTRY_VERIFY(connections >= 3);
        QVERIFY(f.detector.Connected());
        QVERIFY(f.detector.Timer().isActive());
        QCOMPARE(recorder.Errors().value(0),
                 QStringLiteral("cdsAcessos: Cannot perform this operation on a closed dataset."));
    }
};

QTEST_GUILESS_MAIN(TestNetDetect)
#include "tst_netdetect.moc"
