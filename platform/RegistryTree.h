#pragma once

#include "platform/Platform.h"

#include <QString>

#include <map>
#include <optional>
#include <string>

namespace platform::registry {

struct StoredValue {
    std::string name; // as first written
    IRegistry::Value value;
};

struct StoredKey {
    std::string name;                       // as first written
    std::map<QString, StoredValue> values; // by case-folded name
};

using KeyMap = std::map<QString, StoredKey>; // by normalised, case-folded key

// The contents of a registry in memory: the two roots, with keys and value
// names compared as a registry compares them. Every registry backend keeps
// its contents in one, so they cannot drift apart in how they answer.
class Tree {
public:
    KeyMap roots[2]; // LocalMachine, CurrentUser

    static int RootIndex(IRegistry::Root root) { return root == IRegistry::Root::LocalMachine ? 0 : 1; }
    KeyMap& Keys(IRegistry::Root root) { return roots[RootIndex(root)]; }
    const KeyMap& Keys(IRegistry::Root root) const { return roots[RootIndex(root)]; }

    // A key exists when it was created, or as the parent of a key below it.
    bool HasKey(IRegistry::Root root, const std::string& key) const;
    // False when the key existed already.
    bool CreateKey(IRegistry::Root root, const std::string& key);
    std::optional<IRegistry::Value> Read(IRegistry::Root root, const std::string& key, const std::string& name) const;
    // False when the value held exactly that already.
    bool Write(IRegistry::Root root, const std::string& key, const std::string& name, const IRegistry::Value& value);
    // False when there was no such value.
    bool Delete(IRegistry::Root root, const std::string& key, const std::string& name);
    void Clear();
};

} // namespace platform::registry
