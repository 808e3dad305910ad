#include "platform/afx/control_hosting.h"

#include "platform/afx/afx_wnd.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/last_error.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace {

using zv::win32::ComRef;

// The sink a control fires into. It holds no reference on anything: it names the container
// window, whose object is looked up at each event, and goes quiet when the site closes (a
// control that kept the sink longer than it should reaches nobody).
class EventSink final : public zv::win32::ComObject<IDispatch> {
public:
    EventSink(HWND container, UINT ctrlId) : m_container(container), m_ctrlId(ctrlId) {}

    void Disconnect() { m_container.store(nullptr); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return zv::win32::QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IDispatch, this}}, riid, ppv);
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID dispid, REFIID riid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                   UINT* argErr) override
    {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        HWND container = m_container.load();
        if (!container)
            return E_UNEXPECTED;
        // A handler may destroy the control's window, and the site lets go of this sink then.
        const ComRef<EventSink> self = ComRef<EventSink>::Share(this);
        // The container's object on this thread: events come on the windows' own thread.
        CWnd* target = CWnd::FromHandlePermanent(container);
        return target ? target->OnEvent(m_ctrlId, dispid, params, argErr) : DISP_E_MEMBERNOTFOUND;
    }

private:
    ~EventSink() override = default;

    std::atomic<HWND> m_container;
    const UINT m_ctrlId;
};

struct Site {
    ComRef<IUnknown> control;
    ComRef<IZvHostedControl> hosted;
    ComRef<EventSink> sink;
    WNDPROC controlProc = nullptr; // the procedure under the site's own
};

class SiteTable {
public:
    void Add(HWND window, std::shared_ptr<Site> site)
    {
        std::lock_guard lock(m_mutex);
        m_sites[window] = std::move(site);
    }
    std::shared_ptr<Site> Find(HWND window) const
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_sites.find(window);
        return it == m_sites.end() ? nullptr : it->second;
    }
    std::shared_ptr<Site> Take(HWND window)
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_sites.find(window);
        if (it == m_sites.end())
            return nullptr;
        std::shared_ptr<Site> site = std::move(it->second);
        m_sites.erase(it);
        return site;
    }

private:
    mutable std::mutex m_mutex;
    std::map<HWND, std::shared_ptr<Site>> m_sites;
};

// Never destroyed: a window may still go during the program's exit, after static objects.
SiteTable& Sites()
{
    static SiteTable* const table = new SiteTable;
    return *table;
}

std::atomic<bool> g_hostingEnabled{false};

// Stops the events and lets the control go; what is left of it goes with the last reference.
void Close(Site& site)
{
    if (site.sink)
        site.sink->Disconnect();
    if (site.hosted)
        site.hosted->SetEventSink(nullptr);
    site.sink = {};
    site.hosted = {};
    site.control = {};
}

// Sits over the control's window procedure to see its window go.
LRESULT CALLBACK SiteWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::shared_ptr<Site> site = Sites().Find(window);
    const LRESULT result = site && site->controlProc
                               ? CallWindowProcA(site->controlProc, window, message, wParam, lParam)
                               : DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        if (std::shared_ptr<Site> gone = Sites().Take(window))
            Close(*gone);
    }
    return result;
}

HWND FailWith(HRESULT hr, Site& site)
{
    Close(site);
    SetLastError(static_cast<DWORD>(hr));
    return nullptr;
}

HWND MakeDialogControl(HWND dialog, const CLSID& clsid, LPCSTR text, DWORD style, const RECT& place, int id)
{
    return zv::afx::CreateHostedControl(clsid, text, style, place, dialog, static_cast<UINT>(id));
}

} // namespace

void AfxEnableControlContainer()
{
    zv::user::SetHostedControlMaker(&MakeDialogControl);
    g_hostingEnabled.store(true);
}

namespace zv::afx {

HWND CreateHostedControl(const CLSID& clsid, LPCSTR text, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    if (!IsWindow(parent) || GetWindowThreadProcessId(parent, nullptr) != user::CurrentThreadId()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto site = std::make_shared<Site>();
    void* object = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
    if (FAILED(hr))
        return FailWith(hr, *site);
    site->control = ComRef<IUnknown>::Adopt(static_cast<IUnknown*>(object));
    object = nullptr;
    hr = site->control->QueryInterface(IID_IZvHostedControl, &object);
    if (FAILED(hr))
        return FailWith(hr, *site);
    site->hosted = ComRef<IZvHostedControl>::Adopt(static_cast<IZvHostedControl*>(object));

    site->sink = ComRef<EventSink>::Adopt(new EventSink(parent, id));
    hr = site->hosted->SetEventSink(site->sink.get());
    if (FAILED(hr))
        return FailWith(hr, *site);
    HWND window = nullptr;
    hr = site->hosted->CreateControlWindow(parent, &rect, id, style, text ? text : "", &window);
    if (FAILED(hr))
        return FailWith(hr, *site);
    // A window that is not the parent's child on this thread cannot be hosted there.
    if (!IsWindow(window) || GetParent(window) != parent ||
        GetWindowThreadProcessId(window, nullptr) != user::CurrentThreadId()) {
        if (IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == user::CurrentThreadId())
            DestroyWindow(window);
        return FailWith(E_UNEXPECTED, *site);
    }
    site->controlProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    Sites().Add(window, site);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SiteWindowProc));
    return window;
}

IUnknown* HostedControlOf(HWND window)
{
    const std::shared_ptr<Site> site = window ? Sites().Find(window) : nullptr;
    return site ? site->control.get() : nullptr;
}

} // namespace zv::afx

BOOL CWnd::CreateControl(REFCLSID clsid, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (m_hWnd || !parent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!g_hostingEnabled.load()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    HWND window = zv::afx::CreateHostedControl(clsid, windowName, style | WS_CHILD, rect, parent->m_hWnd, id);
    if (!window)
        return FALSE;
    if (!SubclassWindow(window)) {
        const DWORD error = GetLastError();
        ::DestroyWindow(window);
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::CreateControl(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    const std::optional<CLSID> clsid = className ? zv::win32::FindComClass(className) : std::nullopt;
    if (!clsid) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    return CreateControl(*clsid, windowName, style, rect, parent, id);
}

IUnknown* CWnd::GetControlUnknown() const
{
    return zv::afx::HostedControlOf(m_hWnd);
}
