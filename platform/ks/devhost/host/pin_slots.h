// The device's pin instances across every connection: at most the stream's possible instances
// are open at once, whatever the driver itself would accept.
#pragma once

#include <mutex>

namespace zv::devhost {

class PinSlots {
public:
    explicit PinSlots(unsigned limit) : m_limit(limit) {}
    bool TryTake();
    void Give();
    unsigned InUse() const;

private:
    mutable std::mutex m_mutex;
    unsigned m_limit;
    unsigned m_inUse = 0;
};

}  // namespace zv::devhost
