#pragma once

#include "platform/Platform.h"
#include "platform/RegistryTree.h"

#include <QString>

#include <functional>
#include <string>

#include <sys/types.h>

namespace platform {

// The registry kept as one JSON file, by default
// <config folder>/Pulsim/registro.json (XDG_CONFIG_HOME moves it).
//
// Keys and value names compare case-insensitively and keep the spelling they
// were first written with; leading, trailing and doubled backslashes in a key
// do not matter, and a key exists when it or a key below it was created.
// Values keep their type (bool, 64-bit integer, text).
//
// The file and any folder created for it are private to the user (0600/0700).
// Every change rewrites the whole file atomically (temporary file, fsync,
// rename, fsync of the folder) under a lock on the folder, so a crash leaves
// the old or the new file and two processes of the same user do not lose each
// other's changes. The file is read again whenever it changed on disk.
//
// A file that cannot be understood reads as empty and is never overwritten:
// the first change moves it aside to "registro.json.corrompido" and starts a
// new one. A file that exists but cannot be read blocks changes altogether,
// as replacing it would throw away settings never seen.
class FileRegistry final : public IRegistry {
public:
    enum class FileState {
        Missing,    // no file yet: reads as empty
        Loaded,     // read and understood
        Corrupt,    // present but not understood: reads as empty, kept on the next change
        Unreadable, // present but cannot be read: reads as empty, changes refused
    };

    FileRegistry();
    explicit FileRegistry(QString path);

    static QString DefaultPath();
    const QString& Path() const { return m_path; }

    // The file's state, read again first if it changed on disk.
    FileState State();
    // Why the last change failed (also for OpenKey and DeleteValue, which
    // cannot return it); empty after a change that succeeded.
    const std::string& LastError() const { return m_lastError; }

    bool OpenKey(Root root, const std::string& key, bool create) override;
    bool KeyExists(Root root, const std::string& key) override;
    std::optional<Value> ReadValue(Root root, const std::string& key, const std::string& name) override;
    bool WriteValue(Root root, const std::string& key, const std::string& name, const Value& value,
                    std::string& error) override;
    bool DeleteValue(Root root, const std::string& key, const std::string& name) override;

private:
    using Tree = registry::Tree;
    struct Signature {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        long long ctimeNs = 0;
        bool operator==(const Signature&) const = default;
    };

    static bool ParseTree(const QByteArray& bytes, Tree& tree);
    static QByteArray SerializeTree(const Tree& tree);

    void Refresh();
    // Applies `change` to the freshest state under the folder lock and writes
    // the result; `change` answers whether it changed anything (no write if not).
    bool Mutate(const std::function<bool(Tree&)>& change, std::string& error);
    // Writes `bytes` as the new file; `locked` tells whether this process holds
    // the folder lock (and so may clear temporary files of dead writers).
    bool WriteFile(int dirFd, bool locked, const QByteArray& bytes, std::string& error);

    QString m_path;
    Tree m_tree;
    FileState m_state = FileState::Missing;
    int m_readError = 0;
    bool m_haveSignature = false;
    Signature m_signature;
    std::string m_lastError;
};

} // namespace platform
