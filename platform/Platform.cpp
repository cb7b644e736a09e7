#include "platform/Platform.h"

namespace platform {

bool IRegistry::ReadBool(Root root, const std::string& key, const std::string& name, bool defaultValue)
{
    const auto value = ReadValue(root, key, name);
    if (!value)
        return defaultValue;
    if (const bool* b = std::get_if<bool>(&*value))
        return *b;
    if (const std::int64_t* i = std::get_if<std::int64_t>(&*value))
        return *i != 0;
    return defaultValue;
}

std::int64_t IRegistry::ReadInteger(Root root, const std::string& key, const std::string& name,
                                    std::int64_t defaultValue)
{
    const auto value = ReadValue(root, key, name);
    if (!value)
        return defaultValue;
    if (const std::int64_t* i = std::get_if<std::int64_t>(&*value))
        return *i;
    if (const bool* b = std::get_if<bool>(&*value))
        return *b ? 1 : 0;
    return defaultValue;
}

std::string IRegistry::ReadString(Root root, const std::string& key, const std::string& name,
                                  const std::string& defaultValue)
{
    const auto value = ReadValue(root, key, name);
    if (!value)
        return defaultValue;
    if (const std::string* s = std::get_if<std::string>(&*value))
        return *s;
    return defaultValue;
}

} // namespace platform
