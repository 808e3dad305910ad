#include "platform/ks/devhost/host/pin_slots.h"

namespace zv::devhost {

bool PinSlots::TryTake()
{
    std::lock_guard lock(m_mutex);
    if (m_inUse >= m_limit) return false;
    ++m_inUse;
    return true;
}

void PinSlots::Give()
{
    std::lock_guard lock(m_mutex);
    if (m_inUse > 0) --m_inUse;
}

unsigned PinSlots::InUse() const
{
    std::lock_guard lock(m_mutex);
    return m_inUse;
}

}  // namespace zv::devhost
