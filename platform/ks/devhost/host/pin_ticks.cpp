#include "platform/ks/devhost/host/pin_ticks.h"

namespace zv::devhost {

void PinTicks::Add(const void* key, std::function<void()> beforeTick)
{
    std::lock_guard lock(m_mutex);
    m_hooks[key] = std::move(beforeTick);
}

void PinTicks::Remove(const void* key)
{
    std::lock_guard lock(m_mutex);
    m_hooks.erase(key);
}

void PinTicks::BeforeTick(const void* key) const
{
    std::function<void()> hook;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_hooks.find(key);
        if (it == m_hooks.end()) return;
        hook = it->second;
    }
    hook();
}

}  // namespace zv::devhost
