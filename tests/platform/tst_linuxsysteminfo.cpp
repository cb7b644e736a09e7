#include "platform/linux/LinuxSystemInfo.h"

#include <QTest>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

class TestLinuxSystemInfo final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parseKernelRelease_data();
    void parseKernelRelease();
    void truncateUtf8_data();
    void truncateUtf8();
    void chooseUserName_data();
    void chooseUserName();
    void readsThisMachine();
};

void TestLinuxSystemInfo::parseKernelRelease_data()
{
    QTest::addColumn<QString>("release");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");

    QTest::addRow("Debian kernel") << "6.1.0-18-amd64" << true << 6 << 1;
    QTest::addRow("two-digit minor") << "5.15.0-91-generic" << true << 5 << 15;
    QTest::addRow("major and minor only") << "4.9" << true << 4 << 9;
    QTest::addRow("release candidate") << "6.8-rc3" << true << 6 << 8;
    QTest::addRow("local suffix on the minor") << "6.18.44-fc-v1523" << true << 6 << 18;
    QTest::addRow("major alone") << "6" << false << 0 << 0;
    QTest::addRow("dot without minor") << "6." << false << 0 << 0;
    QTest::addRow("minor not a number") << "6.x" << false << 0 << 0;
    QTest::addRow("starts with a dot") << ".1" << false << 0 << 0;
    QTest::addRow("negative") << "-6.1" << false << 0 << 0;
    QTest::addRow("leading space") << " 6.1" << false << 0 << 0;
    QTest::addRow("empty") << "" << false << 0 << 0;
    QTest::addRow("words") << "unknown" << false << 0 << 0;
    QTest::addRow("major too big") << "99999999999.1" << false << 0 << 0;
    QTest::addRow("minor too big") << "6.99999999999" << false << 0 << 0;
}

void TestLinuxSystemInfo::parseKernelRelease()
{
    QFETCH(QString, release);
    QFETCH(bool, parsed);
    QFETCH(int, major);
    QFETCH(int, minor);
    int gotMajor = -1, gotMinor = -1;
    QCOMPARE(platform::ParseKernelRelease(release.toStdString(), gotMajor, gotMinor), parsed);
    QCOMPARE(gotMajor, major);
    QCOMPARE(gotMinor, minor);
}

void TestLinuxSystemInfo::truncateUtf8_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QByteArray>("expected");

    QTest::addRow("short text kept") << QByteArray("maria") << 127 << QByteArray("maria");
    QTest::addRow("exactly the limit") << QByteArray(127, 'a') << 127 << QByteArray(127, 'a');
    QTest::addRow("ASCII cut at the limit") << QByteArray(200, 'a') << 127 << QByteArray(127, 'a');
    // "é" is two bytes: with 126 ASCII bytes before it, it would straddle the limit.
    QTest::addRow("two-byte character straddling")
        << QByteArray(126, 'a') + "\xc3\xa9" + "b" << 127 << QByteArray(126, 'a');
    QTest::addRow("two-byte character just fitting")
        << QByteArray(125, 'a') + "\xc3\xa9" + "b" << 127 << QByteArray(125, 'a') + "\xc3\xa9";
    // A four-byte character starting 1, 2 and 3 bytes before the limit.
    for (int before = 1; before <= 3; ++before) {
        QTest::addRow("four-byte character %d bytes before the limit", before)
            << QByteArray(127 - before, 'a') + "\xf0\x9f\x98\x80" + "z" << 127 << QByteArray(127 - before, 'a');
    }
    QTest::addRow("all multibyte") << QByteArray("\xc3\xa7\xc3\xa7\xc3\xa7") << 5 << QByteArray("\xc3\xa7\xc3\xa7");
    QTest::addRow("not UTF-8: long run of continuation bytes")
        << QByteArray(10, '\x80') << 5 << QByteArray(5, '\x80');
    QTest::addRow("limit zero") << QByteArray("abc") << 0 << QByteArray();
}

void TestLinuxSystemInfo::truncateUtf8()
{
    QFETCH(QByteArray, text);
    QFETCH(int, maxBytes);
    QFETCH(QByteArray, expected);
    const std::string result = platform::TruncateUtf8(text.toStdString(), std::size_t(maxBytes));
    QCOMPARE(QByteArray::fromStdString(result), expected);
}

void TestLinuxSystemInfo::chooseUserName_data()
{
    QTest::addColumn<QByteArray>("account");
    QTest::addColumn<QByteArray>("user");     // "<null>" for unset
    QTest::addColumn<QByteArray>("logname");  // "<null>" for unset
    QTest::addColumn<QByteArray>("expected");

    QTest::addRow("account name wins") << QByteArray("joao") << QByteArray("maria") << QByteArray("ana")
                                       << QByteArray("joao");
    QTest::addRow("USER without account") << QByteArray() << QByteArray("maria") << QByteArray("ana")
                                          << QByteArray("maria");
    QTest::addRow("empty USER falls to LOGNAME") << QByteArray() << QByteArray("") << QByteArray("ana")
                                                 << QByteArray("ana");
    QTest::addRow("unset USER falls to LOGNAME") << QByteArray() << QByteArray("<null>") << QByteArray("ana")
                                                 << QByteArray("ana");
    QTest::addRow("nothing known") << QByteArray() << QByteArray("<null>") << QByteArray("<null>") << QByteArray();
    QTest::addRow("long account name cut") << QByteArray(100, 'x') + QByteArray(20, 'y') + "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
                                           << QByteArray("<null>") << QByteArray("<null>")
                                           << QByteArray(100, 'x') + QByteArray(20, 'y') + "\xc3\xa9\xc3\xa9\xc3\xa9";
    QTest::addRow("long USER cut") << QByteArray() << QByteArray(300, 'u') << QByteArray("<null>")
                                   << QByteArray(127, 'u');
}

void TestLinuxSystemInfo::chooseUserName()
{
    QFETCH(QByteArray, account);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, logname);
    QFETCH(QByteArray, expected);
    const char* userVariable = user == "<null>" ? nullptr : user.constData();
    const char* lognameVariable = logname == "<null>" ? nullptr : logname.constData();
    const std::string name = platform::ChooseUserName(account.toStdString(), userVariable, lognameVariable);
    QCOMPARE(QByteArray::fromStdString(name), expected);
}

void TestLinuxSystemInfo::readsThisMachine()
{
    platform::LinuxSystemInfo info;
    utsname names{};
    QCOMPARE(::uname(&names), 0);
    int major = 0, minor = 0;
    platform::ParseKernelRelease(names.release, major, minor);
    QCOMPARE(info.MajorVersion(), major);
    QCOMPARE(info.MinorVersion(), minor);
    QVERIFY(info.MajorVersion() > 0);
    QCOMPARE(info.PlatformId(), 2);

    // The account the process runs as, whatever USER says.
    const passwd* account = ::getpwuid(::geteuid());
    if (!account)
        QSKIP("this process's account is not in the user database");
    const QByteArray oldUser = qgetenv("USER");
    qputenv("USER", "alguem-que-nao-existe");
    const std::string name = info.LoggedOnUserName();
    qputenv("USER", oldUser);
    QCOMPARE(QByteArray::fromStdString(name), QByteArray(account->pw_name).left(127));
}

QTEST_GUILESS_MAIN(TestLinuxSystemInfo)
#include "tst_linuxsysteminfo.moc"
