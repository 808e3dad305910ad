// What runs before a tick of a pin: keyed like the pin's timer (its stream object), called by
// the device's time source on its thread before the driver's routine.
#pragma once

#include <functional>
#include <mutex>
#include <unordered_map>

namespace zv::devhost {

class PinTicks {
public:
    void Add(const void* key, std::function<void()> beforeTick);
    // Afterwards a tick of the key may still run what it found; the stream's close waits for it.
    void Remove(const void* key);
    void BeforeTick(const void* key) const;

private:
    mutable std::mutex m_mutex;
    std::unordered_map<const void*, std::function<void()>> m_hooks;
};

}  // namespace zv::devhost
