#include "platform/fake/FakeRegistry.h"

#include "platform/RegistryKeys.h"

#include <QByteArray>
#include <QStringList>

#include <utility>

namespace platform {

using registry::IsUtf8;

bool FakeRegistry::CanWrite(std::string& error)
{
    if (!m_failing)
        return true;
    error = m_failure;
    return false;
}

bool FakeRegistry::OpenKey(Root root, const std::string& key, bool create)
{
    if (m_tree.HasKey(root, key))
        return true;
    std::string error;
    if (!create || !IsUtf8(key) || !CanWrite(error))
        return false;
    m_tree.CreateKey(root, key);
    ++m_writes;
    return true;
}

bool FakeRegistry::KeyExists(Root root, const std::string& key)
{
    return m_tree.HasKey(root, key);
}

std::optional<IRegistry::Value> FakeRegistry::ReadValue(Root root, const std::string& key, const std::string& name)
{
    return m_tree.Read(root, key, name);
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
    m_tree.Write(root, key, name, value);
    ++m_writes;
    return true;
}

bool FakeRegistry::DeleteValue(Root root, const std::string& key, const std::string& name)
{
    std::string error;
    if (!m_tree.Read(root, key, name) || !CanWrite(error))
        return false;
    m_tree.Delete(root, key, name);
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
    m_tree.Clear();
}

} // namespace platform
