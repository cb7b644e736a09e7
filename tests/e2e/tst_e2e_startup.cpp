#include "tests/e2e/ProgramRun.h"

#include <QElapsedTimer>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// The real executable, started the way a user starts it.
class TestStartup final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondStartWakesTheFirstAndTouchesNothing()
    {
        ProgramRun run;
        auto first = run.Start();
        QVERIFY(first->waitForStarted());
        QVERIFY2(run.WaitUntilRunning(), "the first copy never came up");
        QTest::qWait(300);
        const QMap<QString, QByteArray> before = run.Snapshot();
        QVERIFY(before.contains(run.DataFile(QStringLiteral("Config.cds"))));

        QElapsedTimer timer;
        timer.start();
        auto second = run.Start();
        QVERIFY(second->waitForFinished(2000));
        QVERIFY2(timer.elapsed() < 2000, "the second copy took too long to leave");
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);

        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += first->readAllStandardError()).contains("wake-up 3027 received"), 5000);
        QCOMPARE(run.Snapshot(), before);
        QCOMPARE(first->state(), QProcess::Running);
        QVERIFY(ProgramRun::Terminate(*first));
        QCOMPARE(first->exitCode(), 0);
    }

    void staleSocketDoesNotBlockTheNextStart()
    {
        ProgramRun run;
        auto crashed = run.Start();
        QVERIFY(run.WaitUntilRunning());
        crashed->kill();
        QVERIFY(crashed->waitForFinished());
        QVERIFY2(QFile::exists(run.SocketPath()), "a crash leaves its socket behind");

        auto next = run.Start();
        QTest::qWait(1500);
        QCOMPARE(next->state(), QProcess::Running);
        auto third = run.Start();
        QVERIFY(third->waitForFinished(3000));
        QCOMPARE(third->exitCode(), 0);
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += next->readAllStandardError()).contains("wake-up 3027 received"), 5000);
        QVERIFY(ProgramRun::Terminate(*next));
    }

    void corruptAccessLogIsLeftUntouched()
    {
        ProgramRun run;
        QDir().mkpath(run.ProgramFolder() + QStringLiteral("/Dados"));
        const QByteArray corrupt = "{\"format\":\"Pulsim.Table\",\"version\":1,\"table\":\"cdsAcessos\",\"fie";
        QFile file(run.DataFile(QStringLiteral("Acessos.cds")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(corrupt);
        file.close();

        auto program = run.Start();
        QVERIFY(program->waitForStarted());
        QTest::qWait(2500);
        QCOMPARE(program->state(), QProcess::Running);
        QVERIFY(ProgramRun::Terminate(*program));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        // The other tables were opened (and created) all the same.
        QVERIFY(QFile::exists(run.DataFile(QStringLiteral("Config.cds"))));
        QVERIFY(QFile::exists(run.DataFile(QStringLiteral("Usuarios.cds"))));

        QFile after(run.DataFile(QStringLiteral("Acessos.cds")));
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), corrupt);
        QCOMPARE(QDir(run.ProgramFolder() + QStringLiteral("/Dados")).entryList(QDir::Files).size(), 4);
    }

    void readOnlyProgramFolderUsesTheUserDataFolder()
    {
        // An installed copy sits in a folder its user cannot write: the data
        // then lives in the user's own data folder. Needs another account to
        // show it, since root may write anywhere.
        if (::geteuid() != 0)
            QSKIP("needs root to run the program as an unprivileged account");
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("needs setpriv (util-linux) to switch accounts");
        ProgramRun run;
        const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(run.root.path(), open);
        QFile::setPermissions(run.ProgramFolder(), open);
        for (const char* sub : {"run", "config", "home"}) {
            const QByteArray path = (run.root.path() + QLatin1Char('/') + QLatin1String(sub)).toLocal8Bit();
            QVERIFY(::chown(path.constData(), 65534, 65534) == 0);
        }
        auto program = run.Start({QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                                  QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")});
        const QString data = run.root.path() + QStringLiteral("/home/.local/share/Pulsim/Dados/");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + QStringLiteral("Acessos.cds")), 15000);
        QVERIFY(QFile::exists(data + QStringLiteral("Config.cds")));
        QVERIFY(!QFile::exists(run.ProgramFolder() + QStringLiteral("/Dados")));
        QVERIFY(ProgramRun::Terminate(*program));
        QCOMPARE(program->exitCode(), 0);
    }

    void tablesAreWrittenOnTheWayOut()
    {
        ProgramRun run;
        auto program = run.Start();
        QVERIFY(run.WaitUntilRunning());
        QVERIFY(ProgramRun::Terminate(*program));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        for (const char* name : {"Acessos.cds", "Config.cds", "Tarifas.cds", "Usuarios.cds"}) {
            QFile f(run.DataFile(QString::fromLatin1(name)));
            QVERIFY2(f.open(QIODevice::ReadOnly) && !f.readAll().isEmpty(), name);
        }
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_e2e_startup.moc"
