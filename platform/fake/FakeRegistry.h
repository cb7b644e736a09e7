#pragma once

#include "platform/Platform.h"
#include "platform/RegistryTree.h"

#include <QString>

#include <string>

namespace platform {

// An in-memory registry with the real one's rules: keys and value names
// compare case-insensitively and keep their first spelling, the separators
// around and between the parts of a key do not matter, a key exists when it
// or a key below it was created, values keep their type, text that is not
// UTF-8 is refused. Writes can be made to fail.
class FakeRegistry final : public IRegistry {
public:
    bool OpenKey(Root root, const std::string& key, bool create) override;
    bool KeyExists(Root root, const std::string& key) override;
    std::optional<Value> ReadValue(Root root, const std::string& key, const std::string& name) override;
    bool WriteValue(Root root, const std::string& key, const std::string& name, const Value& value,
                    std::string& error) override;
    bool DeleteValue(Root root, const std::string& key, const std::string& name) override;

    // While failing, every change (creating a key, writing or deleting a
    // value) answers false with `error` and leaves the contents as they were.
    void SetFailingWrites(bool failing,
                          std::string error = "Não foi possível gravar as configurações (falha simulada).");
    // Changes that went through.
    int WriteCount() const { return m_writes; }
    void Clear();

private:
    bool CanWrite(std::string& error);

    registry::Tree m_tree;
    bool m_failing = false;
    std::string m_failure;
    int m_writes = 0;
};

} // namespace platform
