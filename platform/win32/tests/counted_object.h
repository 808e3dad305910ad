// A reference-counted COM object for the tests: it answers IUnknown and IDispatch and counts its
// live instances, so that tests see leaks and early deletes.
#pragma once

#include "platform/win32/dispatch.h"

#include <atomic>

namespace zv::win32::testing {

class CountedObject final : public IDispatch {
public:
    static inline std::atomic<int> s_live{0};

    CountedObject() { ++s_live; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

    ULONG RefCount() const { return m_refs; }

private:
    ~CountedObject() { --s_live; }

    std::atomic<ULONG> m_refs{1};
};

} // namespace zv::win32::testing
