#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QPointer>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The real executable in a program folder of its own: a copy of the built
// binary in a temporary folder (so Dados is created beside it), with its own
// runtime, config and home folders so nothing of the machine's user is touched.
class ProgramRun {
public:
    QTemporaryDir root;

    ~ProgramRun()
    {
        for (QProcess* p : std::as_const(m_started)) {
            if (p && p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    ProgramRun()
    {
        QDir(root.path()).mkpath(QStringLiteral("program"));
        QDir(root.path()).mkpath(QStringLiteral("run"));
        QDir(root.path()).mkpath(QStringLiteral("config"));
        QDir(root.path()).mkpath(QStringLiteral("home"));
        QFile::setPermissions(RuntimeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::copy(QStringLiteral(PULSIM_EXECUTABLE), Executable());
        QFile::setPermissions(Executable(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                QFile::ExeOther);
    }

    QString ProgramFolder() const { return root.path() + QStringLiteral("/program"); }
    QString Executable() const { return ProgramFolder() + QStringLiteral("/pulsim"); }
    QString RuntimeFolder() const { return root.path() + QStringLiteral("/run"); }
    QString DataFile(const QString& name) const { return ProgramFolder() + QStringLiteral("/Dados/") + name; }
    QString SocketPath() const { return RuntimeFolder() + QStringLiteral("/pulsim/instance.socket"); }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeFolder());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root.path() + QStringLiteral("/home/.local/share"));
        env.insert(QStringLiteral("HOME"), root.path() + QStringLiteral("/home"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("pulsim.*=true;qt.qpa.*=false"));
        for (const char* proxy : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            env.remove(QString::fromLatin1(proxy));
        return env;
    }

    // Starts a copy; `wrapper` runs it through another command (a network
    // namespace, a shifted clock).
    std::unique_ptr<QProcess> Start(const QStringList& wrapper = {}) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(Environment());
        process->setWorkingDirectory(ProgramFolder());
        QStringList command = wrapper;
        command << Executable();
        process->start(command.takeFirst(), command);
        m_started << process.get();
        return process;
    }

    // Waits until a started copy is the running one: it listens, has its
    // tables, and its engine has put the help page in place.
    bool WaitUntilRunning(int ms = 15000) const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (QFile::exists(SocketPath()) && QFile::exists(DataFile(QStringLiteral("Acessos.cds"))) &&
                QFile::exists(ProgramFolder() + QStringLiteral("/Ajuda/Pulsim.html")))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // Ends a copy the way the desktop does at logout.
    static bool Terminate(QProcess& process, int ms = 10000)
    {
        if (process.state() == QProcess::NotRunning)
            return true;
        ::kill(pid_t(process.processId()), SIGTERM);
        return process.waitForFinished(ms);
    }

    // Every file under the temporary root with its contents.
    QMap<QString, QByteArray> Snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QStringLiteral(".socket")))
                continue;
            QFile f(path);
            files.insert(path, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
        }
        return files;
    }

    QJsonArray AccessRows() const
    {
        QFile f(DataFile(QStringLiteral("Acessos.cds")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("rows")).toArray();
    }

    // Replaces one settings value in Config.cds (the shipped copy is created
    // at the first start; this writes the file before that start).
    void WriteConfig(const QMap<QString, QJsonValue>& values) const
    {
        QFile shipped(QStringLiteral(PULSIM_DEFAULT_CONFIG));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QJsonObject table = QJsonDocument::fromJson(shipped.readAll()).object();
        const QJsonArray fields = table.value(QStringLiteral("fields")).toArray();
        QJsonArray row = table.value(QStringLiteral("rows")).toArray().at(0).toArray();
        for (int i = 0; i < fields.size(); ++i) {
            const QString name = fields.at(i).toObject().value(QStringLiteral("name")).toString();
            if (values.contains(name))
                row[i] = values.value(name);
        }
        table.insert(QStringLiteral("rows"), QJsonArray{row});
        QDir().mkpath(ProgramFolder() + QStringLiteral("/Dados"));
        QFile out(DataFile(QStringLiteral("Config.cds")));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(QJsonDocument(table).toJson());
    }

private:
    // Copies still running when a test fails are not left behind.
    mutable QList<QPointer<QProcess>> m_started;
};
