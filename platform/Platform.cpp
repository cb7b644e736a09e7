#include "platform/Platform.h"
#include "platform/RegistryKeys.h"

#include <QByteArray>
#include <QStringList>

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

namespace platform::registry {

QString FoldKey(const std::string& key)
{
    return QString::fromStdString(key).split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\')).toCaseFolded();
}

QString FoldName(const std::string& name)
{
    return QString::fromStdString(name).toCaseFolded();
}

bool IsUtf8(const std::string& text)
{
    const QByteArray bytes = QByteArray::fromStdString(text);
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace platform::registry
