#include "platform/linux/LinuxPlatform.h"

namespace platform {

LinuxPlatform::LinuxPlatform() = default;

LinuxPlatform::LinuxPlatform(const QString& registryPath) : m_registry(registryPath) {}

Platform LinuxPlatform::Get()
{
    return Platform{&m_connectivity, &m_clock, &m_systemInfo, &m_registry};
}

} // namespace platform
