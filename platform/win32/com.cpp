#include "platform/win32/com.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
#include <mutex>
#include <utility>

namespace {

struct ThreadComState {
    unsigned initCount = 0;
    DWORD model = COINIT_APARTMENTTHREADED;
};
thread_local ThreadComState t_com;

// The class table is shared by every thread; factories are called outside the lock so that a
// factory may create further objects.
class ClassTable {
public:
    void Register(const CLSID& clsid, zv::win32::ComClassFactory factory)
    {
        std::lock_guard lock(m_mutex);
        m_factories[clsid] = std::move(factory);
    }

    zv::win32::ComClassFactory Find(const CLSID& clsid) const
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_factories.find(clsid);
        return it == m_factories.end() ? zv::win32::ComClassFactory{} : it->second;
    }

    void Name(std::string_view progId, const CLSID& clsid)
    {
        std::lock_guard lock(m_mutex);
        m_names[Folded(progId)] = clsid;
    }

    std::optional<CLSID> Named(std::string_view progId) const
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_names.find(Folded(progId));
        return it == m_names.end() ? std::nullopt : std::optional<CLSID>(it->second);
    }

private:
    static std::string Folded(std::string_view name)
    {
        std::string folded(name);
        std::transform(folded.begin(), folded.end(), folded.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return folded;
    }

    mutable std::mutex m_mutex;
    std::map<CLSID, zv::win32::ComClassFactory> m_factories;
    std::map<std::string, CLSID> m_names;
};

ClassTable& Classes()
{
    static ClassTable table;
    return table;
}

} // namespace

HRESULT CoInitialize(LPVOID pvReserved)
{
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit)
{
    if (pvReserved != nullptr) return E_INVALIDARG;
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (t_com.initCount > 0) {
        if (model != t_com.model) return RPC_E_CHANGED_MODE;
        ++t_com.initCount;
        return S_FALSE;
    }
    t_com.model = model;
    t_com.initCount = 1;
    return S_OK;
}

void CoUninitialize()
{
    if (t_com.initCount > 0) --t_com.initCount;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (t_com.initCount == 0) return CO_E_NOTINITIALIZED;
    if ((dwClsContext & CLSCTX_INPROC) == 0) return REGDB_E_CLASSNOTREG;
    const zv::win32::ComClassFactory factory = Classes().Find(rclsid);
    if (!factory) return REGDB_E_CLASSNOTREG;
    // Aggregation hands out the outer object's own IUnknown only.
    if (pUnkOuter != nullptr && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    const HRESULT hr = factory(pUnkOuter, riid, ppv);
    if (FAILED(hr)) *ppv = nullptr;
    return hr;
}

LPVOID CoTaskMemAlloc(SIZE_T cb)
{
    // A zero-byte request still gets a distinct block that CoTaskMemFree accepts.
    return std::malloc(cb == 0 ? 1 : cb);
}

void CoTaskMemFree(LPVOID pv)
{
    std::free(pv);
}

namespace zv::win32 {

void RegisterComClass(REFCLSID clsid, ComClassFactory factory)
{
    Classes().Register(clsid, std::move(factory));
}

void RegisterComProgId(std::string_view progId, REFCLSID clsid)
{
    Classes().Name(progId, clsid);
}

std::optional<CLSID> FindComClass(std::string_view progIdOrClassId)
{
    if (progIdOrClassId.starts_with('{')) return ParseGuidText(progIdOrClassId);
    return Classes().Named(progIdOrClassId);
}

} // namespace zv::win32
