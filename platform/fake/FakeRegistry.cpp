#include "platform/fake/FakeRegistry.h"

#include "platform/RegistryKeys.h"

#include <QByteArray>
#include <QStringList>

#include <utility>

namespace platform {

using registry::FoldKey;
using registry::FoldName;
using registry::IsUtf8;

bool FakeRegistry::HasKey(const KeyMap& keys, const QString& folded)
{
    if (folded.isEmpty() || keys.count(folded))
        return true;
    const QString prefix = folded + QLatin1Char('\\');
    const auto it = keys.lower_bound(prefix);
    return it != keys.end() && it->first.startsWith(prefix);
}

bool FakeRegistry::CanWrite(std::string& error)
{
    if (!m_failing)
        return true;
    error = m_failure;
    return false;
}

bool FakeRegistry::OpenKey(Root root, const std::string& key, bool create)
{
    KeyMap& keys = Keys(root);
    const QString folded = FoldKey(key);
    if (HasKey(keys, folded))
        return true;
    std::string error;
    if (!create || !IsUtf8(key) || !CanWrite(error))
        return false;
    keys[folded].name = key;
    ++m_writes;
    return true;
}

bool FakeRegistry::KeyExists(Root root, const std::string& key)
{
    return HasKey(Keys(root), FoldKey(key));
}

std::optional<IRegistry::Value> FakeRegistry::ReadValue(Root root, const std::string& key, const std::string& name)
{
    const KeyMap& keys = Keys(root);
    const auto keyIt = keys.find(FoldKey(key));
    if (keyIt == keys.end())
        return std::nullopt;
    const auto valueIt = keyIt->second.values.find(FoldName(name));
    if (valueIt == keyIt->second.values.end())
        return std::nullopt;
    return valueIt->second.value;
}

bool FakeRegistry::WriteValue(Root root, const std::string& key, const std::string& name, const Value& value,
                              std::string& error)
{
    error.clear();
    const std::string* text = std::get_if<std::string>(&value);
    if (!IsUtf8(key) || !IsUtf8(name) || (text && !IsUtf8(*text))) {
        error = "A chave, o nome ou o valor não é um texto válido.";
        return false;
    }
    if (!CanWrite(error))
        return false;
    StoredKey& stored = Keys(root)[FoldKey(key)];
    if (stored.name.empty())
        stored.name = key;
    const auto [it, inserted] = stored.values.try_emplace(FoldName(name), StoredValue{name, value});
    if (!inserted)
        it->second.value = value;
    ++m_writes;
    return true;
}

bool FakeRegistry::DeleteValue(Root root, const std::string& key, const std::string& name)
{
    KeyMap& keys = Keys(root);
    const auto keyIt = keys.find(FoldKey(key));
    if (keyIt == keys.end())
        return false;
    const auto valueIt = keyIt->second.values.find(FoldName(name));
    std::string error;
    if (valueIt == keyIt->second.values.end() || !CanWrite(error))
        return false;
    keyIt->second.values.erase(valueIt);
    ++m_writes;
    return true;
}

void FakeRegistry::SetFailingWrites(bool failing, std::string error)
{
    m_failing = failing;
    m_failure = std::move(error);
}

void FakeRegistry::Clear()
{
    m_roots[0].clear();
    m_roots[1].clear();
}

} // namespace platform
