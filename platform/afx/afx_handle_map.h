// One thread's objects for handles (windows, menus): the object that owns each handle, and
// temporary objects standing for handles no object owns, kept until DeleteTemporaries. A
// temporary never owns its handle, so the handle is taken from it before it goes.
//
// The object's handle member is reached through HandleField(Object&), found next to the class.
#pragma once

#include <memory>
#include <unordered_map>

namespace zv::afx {

template <class Handle, class Object>
class HandleMap {
public:
    HandleMap() = default;
    HandleMap(const HandleMap&) = delete;
    HandleMap& operator=(const HandleMap&) = delete;
    ~HandleMap() { DeleteTemporaries(); }

    Object* Permanent(Handle handle) const
    {
        const auto found = m_permanent.find(handle);
        return found == m_permanent.end() ? nullptr : found->second;
    }

    // The owner, else a temporary object (made on first use).
    Object* FromHandle(Handle handle)
    {
        if (!handle)
            return nullptr;
        if (Object* owner = Permanent(handle))
            return owner;
        std::unique_ptr<Object>& temporary = m_temporary[handle];
        if (!temporary)
            temporary = std::make_unique<Object>();
        // It may have let its handle go since, and the handle been given out again.
        HandleField(*temporary) = handle;
        return temporary.get();
    }

    void DeleteTemporaries()
    {
        for (auto& [handle, temporary] : m_temporary)
            HandleField(*temporary) = Handle{};
        m_temporary.clear();
    }

    // The object now owns the handle; a temporary that stood for it does no more.
    void Adopt(Handle handle, Object* owner)
    {
        if (const auto temporary = m_temporary.find(handle); temporary != m_temporary.end()) {
            HandleField(*temporary->second) = Handle{};
            m_temporary.erase(temporary);
        }
        m_permanent[handle] = owner;
    }

    // The object no longer owns the handle (when it was the owner).
    void Forget(Handle handle, const Object* owner)
    {
        if (const auto found = m_permanent.find(handle); found != m_permanent.end() && found->second == owner)
            m_permanent.erase(found);
    }

private:
    std::unordered_map<Handle, Object*> m_permanent;
    std::unordered_map<Handle, std::unique_ptr<Object>> m_temporary;
};

} // namespace zv::afx
