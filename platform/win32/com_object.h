// Helpers for COM objects written in C++: a thread-safe reference count, interface lookup and a
// smart pointer holding one reference.
#pragma once

#include "platform/win32/com_base.h"

#include <atomic>
#include <initializer_list>
#include <utility>

namespace zv::win32 {

// The count starts at 1: the creator owns the first reference.
class RefCount {
public:
    ULONG Add() { return m_count.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The count after the release; the owner deletes itself at 0.
    ULONG Drop() { return m_count.fetch_sub(1, std::memory_order_acq_rel) - 1; }

private:
    std::atomic<ULONG> m_count{1};
};

// The base of a COM class implementing `Interfaces`: one reference count behind AddRef and Release
// of them all; the last Release deletes the object.
template <class... Interfaces>
class ComObject : public Interfaces... {
public:
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override
    {
        const ULONG left = m_refs.Drop();
        if (left == 0) delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    RefCount m_refs;
};

struct InterfaceEntry {
    const IID& iid;
    IUnknown* pointer;
};

// Looks riid up among the entries; on a match adds a reference through the entry and hands it out.
inline HRESULT QueryInterfaceFrom(std::initializer_list<InterfaceEntry> entries, REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    for (const InterfaceEntry& entry : entries) {
        if (entry.iid == riid) {
            entry.pointer->AddRef();
            *ppv = entry.pointer;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// The last step of a class factory: hands out riid of an object just made, whose one reference the
// creator holds. An object without that interface is gone again afterwards.
template <class Object>
HRESULT HandOutNewObject(Object* object, REFIID riid, void** ppv)
{
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

// Holds one reference on a COM object.
template <class T>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller owns.
    static ComRef Adopt(T* p)
    {
        ComRef ref;
        ref.m_p = p;
        return ref;
    }
    // Adds a reference of its own.
    static ComRef Share(T* p)
    {
        if (p) p->AddRef();
        return Adopt(p);
    }
    ComRef(const ComRef& other) : m_p(other.m_p) { if (m_p) m_p->AddRef(); }
    ComRef(ComRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComRef& operator=(ComRef other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComRef() { if (m_p) m_p->Release(); }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Hands the reference to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }

private:
    T* m_p = nullptr;
};

} // namespace zv::win32
