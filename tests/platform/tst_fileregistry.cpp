#include "platform/linux/FileRegistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <optional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::FileRegistry;
using Root = platform::IRegistry::Root;
using Value = platform::IRegistry::Value;
using State = FileRegistry::FileState;

Q_DECLARE_METATYPE(platform::IRegistry::Value)

namespace {

const std::string Key = "\\Software\\Pulsim";

// A private folder holding the registry at <dir>/Pulsim/registro.json.
class Fixture final {
public:
    Fixture() : m_path(m_dir.filePath("Pulsim/registro.json")) {}
    bool IsValid() const { return m_dir.isValid(); }
    const QString& Path() const { return m_path; }
    QString Folder() const { return m_dir.filePath("Pulsim"); }
    QString Base() const { return m_dir.path(); }

    QByteArray Contents() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool Plant(const QByteArray& bytes) const
    {
        QDir().mkpath(Folder());
        QFile file(m_path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }
    QStringList Leftovers() const
    {
        return QDir(Folder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : mode_t(-1);
}

class ScopedUmask final {
public:
    explicit ScopedUmask(mode_t mask) : m_old(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_old); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_old;
};

// The text value the crash test writes in round `n`: its length and letters
// follow from the number in front, so a torn value would not add up.
std::string CrashValue(int n)
{
    return std::to_string(n) + ":" + std::string(20000 + (n % 7) * 1500, char('a' + n % 26));
}

bool IsCrashValue(const std::string& text)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    return text == CrashValue(std::stoi(text.substr(0, colon)));
}

} // namespace

class TestFileRegistry final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultPathFollowsXdgConfigHome();
    void newInstanceReadsWhatAnotherWrote_data();
    void newInstanceReadsWhatAnotherWrote();
    void changesOnDiskAreSeen();
    void twoWritersKeepEachOthersChanges();
    void concurrentProcessesLoseNoChange();
    void storedSpellingIsTheFirstWritten();
    void missingFileReadsAsEmptyWithoutCreatingAnything();
    void permissionsAreOwnerOnly();
    void widerFileModeIsRepaired();
    void corruptFileIsPreservedAndMovedAside_data();
    void corruptFileIsPreservedAndMovedAside();
    void earlierEvidenceIsNotOverwritten();
    void unreadableFileBlocksChanges();
    void failedWriteKeepsTheOldFile();
    void folderThatIsAFileFailsWithAReason();
    void crashMidWriteLeavesACompleteFile();
};

void TestFileRegistry::defaultPathFollowsXdgConfigHome()
{
    Fixture fixture;
    QVERIFY(fixture.IsValid());
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(fixture.Base()));
    const QString path = FileRegistry::DefaultPath();
    {
        FileRegistry registry;
        std::string error;
        QVERIFY(registry.WriteValue(Root::CurrentUser, Key, "Porta", Value(std::string("COM2")), error));
    }
    qputenv("XDG_CONFIG_HOME", old);
    QCOMPARE(path, fixture.Path());
    QVERIFY(fixture.Contents().contains("COM2"));
}

void TestFileRegistry::newInstanceReadsWhatAnotherWrote_data()
{
    QTest::addColumn<Value>("value");
    QTest::addRow("bool") << Value(true);
    QTest::addRow("int64") << Value(std::int64_t(-9007199254740993));
    QTest::addRow("text") << Value(std::string("Conexão \"discada\"\n\\fim"));
}

void TestFileRegistry::newInstanceReadsWhatAnotherWrote()
{
    QFETCH(Value, value);
    Fixture fixture;
    {
        FileRegistry writer(fixture.Path());
        std::string error;
        QVERIFY(writer.WriteValue(Root::LocalMachine, Key, "Valor", value, error));
    }
    FileRegistry reader(fixture.Path());
    QCOMPARE(reader.State(), State::Loaded);
    const auto read = reader.ReadValue(Root::LocalMachine, Key, "valor");
    QVERIFY(read.has_value());
    QCOMPARE(read->index(), value.index());
    QVERIFY(*read == value);
    QVERIFY(!reader.ReadValue(Root::CurrentUser, Key, "Valor").has_value());
}

void TestFileRegistry::changesOnDiskAreSeen()
{
    Fixture fixture;
    FileRegistry first(fixture.Path());
    FileRegistry second(fixture.Path());
    std::string error;
    QVERIFY(!first.ReadValue(Root::CurrentUser, Key, "N").has_value());

    // Same size each time: only the file's identity tells the versions apart.
    for (int i = 0; i < 10; ++i) {
        QVERIFY(second.WriteValue(Root::CurrentUser, Key, "N", Value(std::int64_t(i)), error));
        QCOMPARE(first.ReadInteger(Root::CurrentUser, Key, "N", -1), std::int64_t(i));
    }
    QVERIFY(second.DeleteValue(Root::CurrentUser, Key, "N"));
    QVERIFY(!first.ReadValue(Root::CurrentUser, Key, "N").has_value());
    QVERIFY(second.OpenKey(Root::CurrentUser, "\\Software\\Outra", true));
    QVERIFY(first.KeyExists(Root::CurrentUser, "\\Software\\Outra"));

    // The file removed behind its back reads as empty again.
    QVERIFY(QFile::remove(fixture.Path()));
    QVERIFY(!first.KeyExists(Root::CurrentUser, "\\Software\\Outra"));
    QCOMPARE(first.State(), State::Missing);
}

void TestFileRegistry::twoWritersKeepEachOthersChanges()
{
    Fixture fixture;
    FileRegistry first(fixture.Path());
    FileRegistry second(fixture.Path());
    std::string error;
    // Both have read the (empty) file before either writes.
    QVERIFY(!first.KeyExists(Root::CurrentUser, Key));
    QVERIFY(!second.KeyExists(Root::CurrentUser, Key));
    QVERIFY(first.WriteValue(Root::CurrentUser, Key, "A", Value(std::string("um")), error));
    QVERIFY(second.WriteValue(Root::CurrentUser, Key, "B", Value(std::string("dois")), error));
    QVERIFY(first.WriteValue(Root::CurrentUser, Key, "C", Value(std::string("três")), error));

    FileRegistry reader(fixture.Path());
    QCOMPARE(reader.ReadString(Root::CurrentUser, Key, "A"), std::string("um"));
    QCOMPARE(reader.ReadString(Root::CurrentUser, Key, "B"), std::string("dois"));
    QCOMPARE(reader.ReadString(Root::CurrentUser, Key, "C"), std::string("três"));
}

void TestFileRegistry::concurrentProcessesLoseNoChange()
{
    Fixture fixture;
    constexpr int Writers = 3;
    constexpr int ValuesEach = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < Writers; ++w) {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            FileRegistry writer(fixture.Path());
            std::string error;
            for (int i = 0; i < ValuesEach; ++i) {
                const std::string name = "W" + std::to_string(w) + "_" + std::to_string(i);
                if (!writer.WriteValue(Root::CurrentUser, Key, name, Value(std::int64_t(i)), error))
                    ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    FileRegistry reader(fixture.Path());
    for (int w = 0; w < Writers; ++w) {
        for (int i = 0; i < ValuesEach; ++i) {
            const std::string name = "W" + std::to_string(w) + "_" + std::to_string(i);
            QVERIFY2(reader.ReadInteger(Root::CurrentUser, Key, name, -1) == i, name.c_str());
        }
    }
}

void TestFileRegistry::storedSpellingIsTheFirstWritten()
{
    Fixture fixture;
    FileRegistry registry(fixture.Path());
    std::string error;
    QVERIFY(registry.WriteValue(Root::CurrentUser, "\\Software\\Pulsim", "Porta", Value(std::string("COM1")), error));
    QVERIFY(registry.WriteValue(Root::CurrentUser, "\\SOFTWARE\\PULSIM", "PORTA", Value(std::string("COM3")), error));

    const QJsonObject top = QJsonDocument::fromJson(fixture.Contents()).object();
    const QJsonObject keys = top.value("CurrentUser").toObject();
    QCOMPARE(keys.keys(), QStringList{"\\Software\\Pulsim"});
    const QJsonObject values = keys.value("\\Software\\Pulsim").toObject();
    QCOMPARE(values.keys(), QStringList{"Porta"});
}

void TestFileRegistry::missingFileReadsAsEmptyWithoutCreatingAnything()
{
    Fixture fixture;
    FileRegistry registry(fixture.Path());
    QCOMPARE(registry.State(), State::Missing);
    QVERIFY(!registry.ReadValue(Root::CurrentUser, Key, "X").has_value());
    QVERIFY(!registry.OpenKey(Root::CurrentUser, Key, false));
    QVERIFY(!registry.DeleteValue(Root::CurrentUser, Key, "X"));
    QVERIFY(!QFileInfo::exists(fixture.Folder()));
}

void TestFileRegistry::permissionsAreOwnerOnly()
{
    Fixture fixture;
    // Folder and file stay private even under the most permissive umask.
    ScopedUmask umask(0);
    FileRegistry registry(fixture.Base() + "/config/Pulsim/registro.json");
    QVERIFY(registry.OpenKey(Root::CurrentUser, Key, true));
    QCOMPARE(ModeOf(fixture.Base() + "/config"), mode_t(0700));
    QCOMPARE(ModeOf(fixture.Base() + "/config/Pulsim"), mode_t(0700));
    QCOMPARE(ModeOf(registry.Path()), mode_t(0600));
}

void TestFileRegistry::widerFileModeIsRepaired()
{
    Fixture fixture;
    {
        FileRegistry writer(fixture.Path());
        std::string error;
        QVERIFY(writer.WriteValue(Root::CurrentUser, Key, "Senha", Value(std::string("segredo")), error));
    }
    QVERIFY(::chmod(QFile::encodeName(fixture.Path()).constData(), 0644) == 0);
    // Reading it is enough to take it out of others' reach.
    FileRegistry reader(fixture.Path());
    QCOMPARE(reader.ReadString(Root::CurrentUser, Key, "Senha"), std::string("segredo"));
    QCOMPARE(ModeOf(fixture.Path()), mode_t(0600));
}

void TestFileRegistry::corruptFileIsPreservedAndMovedAside_data()
{
    QTest::addColumn<QByteArray>("contents");

    QTest::addRow("empty file") << QByteArray();
    QTest::addRow("not JSON") << QByteArray("isto não é JSON");
    QTest::addRow("cut short") << QByteArray("{\"CurrentUser\": {\"\\\\Software\\\\Pulsim\": {\"A\": {\"tipo\":");
    QTest::addRow("binary") << QByteArray("\x00\xff\xfe{\x01\x02", 6);
    QTest::addRow("an array") << QByteArray("[1, 2, 3]");
    QTest::addRow("unknown root") << QByteArray("{\"Outra\": {}}");
    QTest::addRow("root not an object") << QByteArray("{\"CurrentUser\": 5}");
    QTest::addRow("key not an object") << QByteArray("{\"CurrentUser\": {\"\\\\Software\": []}}");
    QTest::addRow("value not an object") << QByteArray("{\"CurrentUser\": {\"\\\\S\": {\"A\": 1}}}");
    QTest::addRow("unknown type") << QByteArray("{\"CurrentUser\": {\"\\\\S\": {\"A\": {\"tipo\": \"data\", \"valor\": 1}}}}");
    QTest::addRow("type and value disagree")
        << QByteArray("{\"CurrentUser\": {\"\\\\S\": {\"A\": {\"tipo\": \"logico\", \"valor\": \"sim\"}}}}");
    QTest::addRow("integer not a number")
        << QByteArray("{\"CurrentUser\": {\"\\\\S\": {\"A\": {\"tipo\": \"inteiro\", \"valor\": \"12x\"}}}}");
    QTest::addRow("integer out of range")
        << QByteArray("{\"CurrentUser\": {\"\\\\S\": {\"A\": {\"tipo\": \"inteiro\", \"valor\": \"9223372036854775808\"}}}}");
    QTest::addRow("extra member in a value")
        << QByteArray("{\"CurrentUser\": {\"\\\\S\": {\"A\": {\"tipo\": \"texto\", \"valor\": \"x\", \"y\": 1}}}}");
    QTest::addRow("one key spelt twice") << QByteArray("{\"CurrentUser\": {\"\\\\S\": {}, \"\\\\s\": {}}}");
    QTest::addRow("one name spelt twice")
        << QByteArray("{\"CurrentUser\": {\"\\\\S\": {\"A\": {\"tipo\": \"logico\", \"valor\": true}, "
                      "\"a\": {\"tipo\": \"logico\", \"valor\": false}}}}");
    QTest::addRow("deeply nested") << QByteArray(5000, '[') + QByteArray(5000, ']');
    // Valid JSON, but far bigger than any file of ours.
    QTest::addRow("oversized") << QByteArray(17 * 1024 * 1024, ' ') + "{}";
}

void TestFileRegistry::corruptFileIsPreservedAndMovedAside()
{
    QFETCH(QByteArray, contents);
    Fixture fixture;
    QVERIFY(fixture.Plant(contents));

    FileRegistry registry(fixture.Path());
    QCOMPARE(registry.State(), State::Corrupt);
    QVERIFY(!registry.ReadValue(Root::CurrentUser, "\\S", "A").has_value());
    QVERIFY(!registry.KeyExists(Root::CurrentUser, "\\S"));
    QVERIFY(!registry.OpenKey(Root::CurrentUser, "\\S", false));
    // Reading leaves it exactly as it was.
    QCOMPARE(fixture.Contents(), contents);
    QVERIFY(!QFileInfo::exists(fixture.Path() + ".corrompido"));

    std::string error;
    QVERIFY2(registry.WriteValue(Root::CurrentUser, Key, "Novo", Value(true), error), error.c_str());
    QCOMPARE(registry.State(), State::Loaded);
    QFile aside(fixture.Path() + ".corrompido");
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), contents);

    FileRegistry reader(fixture.Path());
    QCOMPARE(reader.State(), State::Loaded);
    QVERIFY(reader.ReadBool(Root::CurrentUser, Key, "Novo"));
    QVERIFY(!reader.KeyExists(Root::CurrentUser, "\\S"));
}

void TestFileRegistry::earlierEvidenceIsNotOverwritten()
{
    Fixture fixture;
    std::string error;
    QVERIFY(fixture.Plant("primeiro estrago"));
    QVERIFY(FileRegistry(fixture.Path()).WriteValue(Root::CurrentUser, Key, "A", Value(true), error));
    QVERIFY(fixture.Plant("segundo estrago"));
    QVERIFY(FileRegistry(fixture.Path()).WriteValue(Root::CurrentUser, Key, "A", Value(true), error));

    QFile first(fixture.Path() + ".corrompido");
    QFile second(fixture.Path() + ".corrompido.2");
    QVERIFY(first.open(QIODevice::ReadOnly));
    QVERIFY(second.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), QByteArray("primeiro estrago"));
    QCOMPARE(second.readAll(), QByteArray("segundo estrago"));
}

void TestFileRegistry::unreadableFileBlocksChanges()
{
    // A folder where the file should be: it cannot be read, so nothing may be
    // written over it either.
    Fixture fixture;
    QVERIFY(QDir().mkpath(fixture.Path()));
    QFile precious(fixture.Path() + "/precioso");
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.close();
    FileRegistry registry(fixture.Path());
    QCOMPARE(registry.State(), State::Unreadable);
    QVERIFY(!registry.ReadValue(Root::CurrentUser, Key, "A").has_value());
    std::string error;
    QVERIFY(!registry.WriteValue(Root::CurrentUser, Key, "A", Value(true), error));
    QVERIFY(!error.empty());
    QVERIFY(!registry.OpenKey(Root::CurrentUser, Key, true));
    QVERIFY(!registry.LastError().empty());
    QVERIFY(QFileInfo::exists(fixture.Path() + "/precioso"));
}

void TestFileRegistry::failedWriteKeepsTheOldFile()
{
    Fixture fixture;
    FileRegistry registry(fixture.Path());
    std::string error;
    QVERIFY(registry.WriteValue(Root::CurrentUser, Key, "A", Value(std::string("antigo")), error));
    const QByteArray before = fixture.Contents();

    // A file-size limit makes the write fail even for root, as a full disk would.
    rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = registry.WriteValue(Root::CurrentUser, Key, "B", Value(std::string(100000, 'x')), error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QVERIFY2(QString::fromStdString(error).startsWith("Não foi possível gravar"), error.c_str());
    QCOMPARE(registry.LastError(), error);
    QCOMPARE(fixture.Contents(), before);
    QCOMPARE(fixture.Leftovers(), QStringList{"registro.json"});
    // Neither this instance nor a new one holds the value that was not stored.
    QVERIFY(!registry.ReadValue(Root::CurrentUser, Key, "B").has_value());
    QCOMPARE(registry.ReadString(Root::CurrentUser, Key, "A"), std::string("antigo"));
    FileRegistry reader(fixture.Path());
    QCOMPARE(reader.ReadString(Root::CurrentUser, Key, "A"), std::string("antigo"));
    QVERIFY(!reader.ReadValue(Root::CurrentUser, Key, "B").has_value());

    // And the next write goes through.
    QVERIFY(registry.WriteValue(Root::CurrentUser, Key, "B", Value(std::string("novo")), error));
    QVERIFY(error.empty());
    QVERIFY(registry.LastError().empty());
}

void TestFileRegistry::folderThatIsAFileFailsWithAReason()
{
    Fixture fixture;
    QFile blocker(fixture.Folder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FileRegistry registry(fixture.Path());
    std::string error;
    QVERIFY(!registry.WriteValue(Root::CurrentUser, Key, "A", Value(true), error));
    QVERIFY2(QString::fromStdString(error).contains(fixture.Folder()), error.c_str());
    QVERIFY(!registry.OpenKey(Root::CurrentUser, Key, true));
    QCOMPARE(registry.LastError(), error);
    QVERIFY(!registry.ReadValue(Root::CurrentUser, Key, "A").has_value());
    QVERIFY(QFileInfo(fixture.Folder()).isFile());
}

void TestFileRegistry::crashMidWriteLeavesACompleteFile()
{
    Fixture fixture;
    std::string error;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(FileRegistry(fixture.Path()).WriteValue(Root::CurrentUser, Key, "Texto", Value(CrashValue(0)), error));
    // Kill points spread over a few writes' time, however fast this disk is.
    const int window = int(std::max<qint64>(4, 3 * timer.elapsed() + 2));

    QRandomGenerator random(20240304);
    int lastSeen = 0;
    for (int round = 0; round < 100; ++round) {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // Writes round after round until killed.
            FileRegistry writer(fixture.Path());
            std::string childError;
            for (int n = 1;; ++n) {
                if (!writer.WriteValue(Root::CurrentUser, Key, "Texto", Value(CrashValue(n)), childError))
                    ::_exit(1);
            }
        }
        QTest::qSleep(int(random.bounded(1, window)));
        ::kill(child, SIGKILL);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status), "the writer stopped by itself");

        FileRegistry reader(fixture.Path());
        QCOMPARE(reader.State(), State::Loaded);
        const std::string text = reader.ReadString(Root::CurrentUser, Key, "Texto");
        QVERIFY2(IsCrashValue(text), text.substr(0, 40).c_str());
        lastSeen = std::stoi(text);
        QVERIFY(!QFileInfo::exists(fixture.Path() + ".corrompido"));
    }
    QVERIFY2(lastSeen > 0, "no write ever completed");

    // A temporary file left by a killed writer is cleared by the next change.
    QVERIFY(FileRegistry(fixture.Path()).WriteValue(Root::CurrentUser, Key, "Fim", Value(true), error));
    QCOMPARE(fixture.Leftovers(), QStringList{"registro.json"});
}

QTEST_GUILESS_MAIN(TestFileRegistry)
#include "tst_fileregistry.moc"
