#include "platform/fake/FakePlatform.h"

namespace platform {

Platform FakePlatform::Get()
{
    return Platform{&m_connectivity, &m_clock, &m_systemInfo, &m_registry};
}

} // namespace platform
