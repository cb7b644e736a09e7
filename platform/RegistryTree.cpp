#include "platform/RegistryTree.h"

#include "platform/RegistryKeys.h"

namespace platform::registry {

bool Tree::HasKey(IRegistry::Root root, const std::string& key) const
{
    const KeyMap& keys = Keys(root);
    const QString folded = FoldKey(key);
    if (folded.isEmpty() || keys.count(folded))
        return true;
    const QString prefix = folded + QLatin1Char('\\');
    const auto it = keys.lower_bound(prefix);
    return it != keys.end() && it->first.startsWith(prefix);
}

bool Tree::CreateKey(IRegistry::Root root, const std::string& key)
{
    if (HasKey(root, key))
        return false;
    Keys(root)[FoldKey(key)].name = key;
    return true;
}

std::optional<IRegistry::Value> Tree::Read(IRegistry::Root root, const std::string& key,
                                           const std::string& name) const
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

bool Tree::Write(IRegistry::Root root, const std::string& key, const std::string& name,
                 const IRegistry::Value& value)
{
    StoredKey& stored = Keys(root)[FoldKey(key)];
    if (stored.name.empty())
        stored.name = key;
    const auto [it, inserted] = stored.values.try_emplace(FoldName(name), StoredValue{name, value});
    if (inserted)
        return true;
    if (it->second.value == value)
        return false;
    it->second.value = value;
    return true;
}

bool Tree::Delete(IRegistry::Root root, const std::string& key, const std::string& name)
{
    KeyMap& keys = Keys(root);
    const auto keyIt = keys.find(FoldKey(key));
    return keyIt != keys.end() && keyIt->second.values.erase(FoldName(name)) > 0;
}

void Tree::Clear()
{
    roots[0].clear();
    roots[1].clear();
}

} // namespace platform::registry
