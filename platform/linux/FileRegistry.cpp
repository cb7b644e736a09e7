#include "platform/linux/FileRegistry.h"

#include "platform/RegistryKeys.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using registry::FoldKey;
using registry::FoldName;
using registry::IsUtf8;

namespace {

constexpr const char* RootNames[2] = {"LocalMachine", "CurrentUser"};
constexpr const char* TypeKey = "tipo";
constexpr const char* ValueKey = "valor";
constexpr const char* TypeBool = "logico";
constexpr const char* TypeInteger = "inteiro";
constexpr const char* TypeText = "texto";

// Far more than any settings file of ours; anything bigger is not one, and is
// not worth holding in memory to find out.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

std::string Describe(int error)
{
    return std::strerror(error);
}

std::string Quoted(const QString& path)
{
    std::string quoted = path.toStdString();
    quoted.insert(quoted.begin(), '"');
    quoted.push_back('"');
    return quoted;
}

long long Nanoseconds(const timespec& t)
{
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// Creates the missing folders of `dir`, each private to the user whatever the
// umask says. Folders that already exist are left as they are.
bool MakeFolders(const QString& dir, int& error)
{
    const QStringList parts = dir.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = dir.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString& part : parts) {
        if (!current.isEmpty() && !current.endsWith(QLatin1Char('/')))
            current += QLatin1Char('/');
        current += part;
        const QByteArray native = QFile::encodeName(current);
        if (::mkdir(native.constData(), 0700) == 0) {
            ::chmod(native.constData(), 0700);
            continue;
        }
        if (errno != EEXIST) {
            error = errno;
            return false;
        }
        struct stat st {};
        if (::stat(native.constData(), &st) != 0) {
            error = errno;
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            error = ENOTDIR;
            return false;
        }
    }
    return true;
}

// Holds an exclusive lock on the folder for the time of one change. Locking
// is a courtesy between our own processes: where the file system cannot lock,
// the change goes on without it.
class FolderLock final {
public:
    explicit FolderLock(int dirFd) : m_fd(dirFd)
    {
        int result = 0;
        while ((result = ::flock(m_fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        m_held = result == 0;
    }
    ~FolderLock()
    {
        if (m_held)
            ::flock(m_fd, LOCK_UN);
    }
    bool Held() const { return m_held; }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
    bool m_held = false;
};

class FdCloser final {
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int m_fd;
};

} // namespace

FileRegistry::FileRegistry() : FileRegistry(DefaultPath()) {}

FileRegistry::FileRegistry(QString path) : m_path(std::move(path))
{
    Refresh();
}

QString FileRegistry::DefaultPath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return {};
    return config + QStringLiteral("/Pulsim/registro.json");
}

FileRegistry::FileState FileRegistry::State()
{
    Refresh();
    return m_state;
}

bool FileRegistry::ParseTree(const QByteArray& bytes, Tree& tree)
{
    tree = {};
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject top = document.object();
    for (auto rootIt = top.begin(); rootIt != top.end(); ++rootIt) {
        int rootIndex = -1;
        for (int i = 0; i < 2; ++i) {
            if (rootIt.key() == QLatin1String(RootNames[i]))
                rootIndex = i;
        }
        if (rootIndex < 0 || !rootIt.value().isObject())
            return false;
        registry::KeyMap& keys = tree.roots[rootIndex];
        const QJsonObject keyObjects = rootIt.value().toObject();
        for (auto keyIt = keyObjects.begin(); keyIt != keyObjects.end(); ++keyIt) {
            const std::string keyName = keyIt.key().toStdString();
            const QString foldedKey = FoldKey(keyName);
            // Two spellings of one key cannot both be kept; such a file was
            // not written by us and is left for a person to sort out.
            if (!keyIt.value().isObject() || keys.count(foldedKey))
                return false;
            registry::StoredKey& stored = keys[foldedKey];
            stored.name = keyName;
            const QJsonObject valueObjects = keyIt.value().toObject();
            for (auto valueIt = valueObjects.begin(); valueIt != valueObjects.end(); ++valueIt) {
                const std::string valueName = valueIt.key().toStdString();
                const QString foldedName = FoldName(valueName);
                if (!valueIt.value().isObject() || stored.values.count(foldedName))
                    return false;
                const QJsonObject entry = valueIt.value().toObject();
                if (entry.size() != 2)
                    return false;
                const QString type = entry.value(QLatin1String(TypeKey)).toString();
                const QJsonValue raw = entry.value(QLatin1String(ValueKey));
                Value value;
                if (type == QLatin1String(TypeBool) && raw.isBool()) {
                    value = raw.toBool();
                } else if (type == QLatin1String(TypeInteger) && raw.isString()) {
                    // Kept as text: a JSON number is a double and loses the
                    // low bits of large 64-bit values.
                    const std::string digits = raw.toString().toStdString();
                    std::int64_t number = 0;
                    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
                    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
                        return false;
                    value = number;
                } else if (type == QLatin1String(TypeText) && raw.isString()) {
                    value = raw.toString().toStdString();
                } else {
                    return false;
                }
                stored.values[foldedName] = registry::StoredValue{valueName, std::move(value)};
            }
        }
    }
    return true;
}

QByteArray FileRegistry::SerializeTree(const Tree& tree)
{
    QJsonObject top;
    for (int i = 0; i < 2; ++i) {
        QJsonObject keyObjects;
        for (const auto& [folded, key] : tree.roots[i]) {
            QJsonObject valueObjects;
            for (const auto& [foldedName, stored] : key.values) {
                QJsonObject entry;
                if (const bool* b = std::get_if<bool>(&stored.value)) {
                    entry.insert(QLatin1String(TypeKey), QLatin1String(TypeBool));
                    entry.insert(QLatin1String(ValueKey), *b);
                } else if (const std::int64_t* n = std::get_if<std::int64_t>(&stored.value)) {
                    entry.insert(QLatin1String(TypeKey), QLatin1String(TypeInteger));
                    entry.insert(QLatin1String(ValueKey), QString::number(*n));
                } else {
                    entry.insert(QLatin1String(TypeKey), QLatin1String(TypeText));
                    entry.insert(QLatin1String(ValueKey), QString::fromStdString(std::get<std::string>(stored.value)));
                }
                valueObjects.insert(QString::fromStdString(stored.name), entry);
            }
            keyObjects.insert(QString::fromStdString(key.name), valueObjects);
        }
        top.insert(QLatin1String(RootNames[i]), keyObjects);
    }
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

void FileRegistry::Refresh()
{
    auto becomeEmpty = [this](FileState state, int error) {
        m_tree = {};
        m_state = state;
        m_readError = error;
        m_haveSignature = false;
    };

    if (m_path.isEmpty())
        return becomeEmpty(FileState::Unreadable, ENOENT);
    const QByteArray native = QFile::encodeName(m_path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        if (errno == ENOENT)
            return becomeEmpty(FileState::Missing, 0);
        return becomeEmpty(FileState::Unreadable, errno);
    }
    const Signature seen{st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
    if (m_haveSignature && seen == m_signature)
        return;

    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return becomeEmpty(errno == ENOENT ? FileState::Missing : FileState::Unreadable, errno == ENOENT ? 0 : errno);
    FdCloser closer(fd);
    if (::fstat(fd, &st) != 0)
        return becomeEmpty(FileState::Unreadable, errno);
    if (!S_ISREG(st.st_mode))
        return becomeEmpty(FileState::Unreadable, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    // Settings are the user's own business; a file others can read is narrowed.
    if (st.st_mode & 077)
        ::fchmod(fd, 0600);

    QByteArray bytes;
    bool tooBig = st.st_size > MaxFileSize;
    if (!tooBig) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return becomeEmpty(FileState::Unreadable, errno);
            }
            if (n == 0)
                break;
            bytes.append(buffer, n);
            if (bytes.size() > MaxFileSize) {
                tooBig = true;
                break;
            }
        }
    }

    Tree tree;
    const bool understood = !tooBig && ParseTree(bytes, tree);
    m_tree = understood ? std::move(tree) : Tree{};
    m_state = understood ? FileState::Loaded : FileState::Corrupt;
    m_readError = 0;
    // The signature of what was read (not of the earlier stat) so a change
    // made between the two is seen next time.
    m_signature = {st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
    m_haveSignature = true;
}

bool FileRegistry::WriteFile(int dirFd, bool locked, const QByteArray& bytes, std::string& error)
{
    const QFileInfo info(m_path);
    const QString dir = info.absolutePath();
    const QByteArray fileName = QFile::encodeName(info.fileName());
    const QByteArray tempPrefix = "." + fileName + ".tmp-";

    // Under the lock any temporary file left is one whose writer died;
    // without it, it may be another writer's file in the making.
    if (const int scanFd = locked ? ::dup(dirFd) : -1; scanFd >= 0) {
        if (DIR* listing = ::fdopendir(scanFd)) {
            while (const dirent* entry = ::readdir(listing)) {
                if (std::strncmp(entry->d_name, tempPrefix.constData(), std::size_t(tempPrefix.size())) == 0)
                    ::unlinkat(dirFd, entry->d_name, 0);
            }
            ::closedir(listing);
        } else {
            ::close(scanFd);
        }
    }

    QByteArray tempPath = QFile::encodeName(dir) + "/" + tempPrefix + "XXXXXX";
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "Não foi possível gravar as configurações em " + Quoted(m_path) + ": " + Describe(errno) + ".";
        return false;
    }
    auto fail = [&](int code) {
        ::unlink(tempPath.constData());
        error = "Não foi possível gravar as configurações em " + Quoted(m_path) + ": " + Describe(code) + ".";
        return false;
    };
    if (::fchmod(fd, 0600) != 0 || !WriteAll(fd, bytes.constData(), std::size_t(bytes.size())) || ::fsync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        return fail(code);
    }
    if (::close(fd) != 0)
        return fail(errno);

    const QByteArray target = QFile::encodeName(m_path);
    if (m_state == FileState::Corrupt) {
        // Keep the file we could not understand: it is the only copy of
        // whatever it held. Never over an earlier such copy.
        QByteArray aside = target + ".corrompido";
        struct stat st {};
        for (int n = 2; ::lstat(aside.constData(), &st) == 0; ++n) {
            if (n > 1000)
                return fail(EEXIST);
            aside = target + ".corrompido." + QByteArray::number(n);
        }
        if (::rename(target.constData(), aside.constData()) != 0 && errno != ENOENT) {
            const int code = errno;
            ::unlink(tempPath.constData());
            error = "Não foi possível guardar o arquivo de configurações danificado " + Quoted(m_path) + ": "
                    + Describe(code) + ".";
            return false;
        }
    }
    if (::rename(tempPath.constData(), target.constData()) != 0)
        return fail(errno);
    // The rename is only durable once the folder itself is on disk.
    ::fsync(dirFd);
    return true;
}

bool FileRegistry::Mutate(const std::function<bool(Tree&)>& change, std::string& error)
{
    error.clear();
    m_lastError.clear();
    auto failed = [&](std::string message) {
        error = std::move(message);
        m_lastError = error;
        // Whatever happened on disk, read it afresh next time.
        m_haveSignature = false;
        return false;
    };

    if (m_path.isEmpty())
        return failed("A pasta de configurações do usuário não foi encontrada.");
    const QString dir = QFileInfo(m_path).absolutePath();
    int code = 0;
    if (!MakeFolders(dir, code))
        return failed("Não foi possível criar a pasta de configurações " + Quoted(dir) + ": " + Describe(code) + ".");
    const int dirFd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return failed("Não foi possível abrir a pasta de configurações " + Quoted(dir) + ": " + Describe(errno) + ".");
    FdCloser closer(dirFd);
    FolderLock lock(dirFd);

    m_haveSignature = false; // the lock is held now: take the freshest state
    Refresh();
    if (m_state == FileState::Unreadable)
        return failed("Não foi possível ler as configurações em " + Quoted(m_path) + ": " + Describe(m_readError)
                      + ".");

    Tree updated = m_tree;
    if (!change(updated))
        return true;
    std::string writeError;
    if (!WriteFile(dirFd, lock.Held(), SerializeTree(updated), writeError))
        return failed(writeError);

    m_tree = std::move(updated);
    m_state = FileState::Loaded;
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0) {
        m_signature = {st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
        m_haveSignature = true;
    } else {
        m_haveSignature = false;
    }
    return true;
}

bool FileRegistry::OpenKey(Root root, const std::string& key, bool create)
{
    Refresh();
    if (m_tree.HasKey(root, key))
        return true;
    if (!create)
        return false;
    if (!IsUtf8(key)) {
        m_lastError = "O nome da chave não é um texto válido.";
        return false;
    }
    std::string error;
    return Mutate(
        [&](Tree& tree) { return tree.CreateKey(root, key); },
        error);
}

bool FileRegistry::KeyExists(Root root, const std::string& key)
{
    Refresh();
    return m_tree.HasKey(root, key);
}

std::optional<IRegistry::Value> FileRegistry::ReadValue(Root root, const std::string& key, const std::string& name)
{
    Refresh();
    return m_tree.Read(root, key, name);
}

bool FileRegistry::WriteValue(Root root, const std::string& key, const std::string& name, const Value& value,
                              std::string& error)
{
    const std::string* text = std::get_if<std::string>(&value);
    if (!IsUtf8(key) || !IsUtf8(name) || (text && !IsUtf8(*text))) {
        error = "A chave, o nome ou o valor não é um texto válido.";
        m_lastError = error;
        return false;
    }
    return Mutate([&](Tree& tree) { return tree.Write(root, key, name, value); }, error);
}

bool FileRegistry::DeleteValue(Root root, const std::string& key, const std::string& name)
{
    // Nothing to delete means nothing to touch on disk (not even the folder).
    if (!ReadValue(root, key, name))
        return false;
    bool found = false;
    std::string error;
    const bool written = Mutate(
        [&](Tree& tree) {
            found = tree.Delete(root, key, name);
            return found;
        },
        error);
    return written && found;
}

} // namespace platform
