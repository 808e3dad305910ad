#include "platform/browser/web_browser_control.h"

#include "platform/browser/html_document.h"
#include "platform/browser/page_text.h"
#include "platform/browser/web_page.h"
#include "platform/user/timers.h"
#include "platform/user/window.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/last_error.h"

#include <cstdio>
#include <mutex>
#include <strings.h>

namespace zv::browser {
namespace {

// Posted by the page to the control's window when pages completed or elements were clicked.
constexpr UINT kPageNewsMessage = WM_USER + 0x0B01;
// How often the control checks where its window shows: an ancestor's move or hiding tells the
// control's window nothing.
constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT kFollowPeriodMs = 200;

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool IsAbsent(const VARIANT* v)
{
    if (v && v->vt == (VT_BYREF | VT_VARIANT))
        v = v->pvarVal;
    return !v || v->vt == VT_EMPTY || v->vt == VT_ERROR || v->vt == VT_NULL;
}

class WebBrowserControl final : public win32::ComObject<IWebBrowser2, IZvHostedControl> {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return win32::QueryInterfaceFrom({{IID_IUnknown, static_cast<IWebBrowser2*>(this)},
                                          {IID_IDispatch, static_cast<IWebBrowser2*>(this)},
                                          {IID_IWebBrowser2, static_cast<IWebBrowser2*>(this)},
                                          {IID_IZvHostedControl, static_cast<IZvHostedControl*>(this)}},
                                         riid, ppv);
    }

    // Automation: the members the program calls by dispatch id.
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!names || !ids)
            return E_POINTER;
        static const struct {
            const char* name;
            DISPID id;
        } members[] = {{"Navigate", DISPID_NAVIGATE}, {"Document", DISPID_DOCUMENT},
                       {"ReadyState", DISPID_READYSTATE}, {"Busy", DISPID_BUSY}};
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            const std::string name = Utf8Of(names[i]);
            for (const auto& member : members) {
                if (strcasecmp(member.name, name.c_str()) == 0)
                    ids[i] = member.id;
            }
            if (ids[i] == DISPID_UNKNOWN)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                   UINT* argErr) override
    {
        const UINT count = params ? params->cArgs : 0;
        switch (id) {
        case DISPID_NAVIGATE: {
            if (count < 1 || count > 5 || !params->rgvarg)
                return DISP_E_BADPARAMCOUNT;
            // The URL is the first argument, the last in rgvarg; the rest must be absent.
            for (UINT i = 0; i + 1 < count; ++i) {
                if (!IsAbsent(&params->rgvarg[i])) {
                    if (argErr)
                        *argErr = i;
                    return E_INVALIDARG;
                }
            }
            const VARIANT* url = &params->rgvarg[count - 1];
            if (url->vt == (VT_BYREF | VT_VARIANT))
                url = url->pvarVal;
            if (url && url->vt == (VT_BYREF | VT_BSTR))
                return Navigate(*url->pbstrVal, nullptr, nullptr, nullptr, nullptr);
            if (!url || url->vt != VT_BSTR) {
                if (argErr)
                    *argErr = count - 1;
                return DISP_E_TYPEMISMATCH;
            }
            return Navigate(url->bstrVal, nullptr, nullptr, nullptr, nullptr);
        }
        case DISPID_DOCUMENT: {
            if (count != 0)
                return DISP_E_BADPARAMCOUNT;
            IDispatch* document = nullptr;
            const HRESULT hr = get_Document(&document);
            if (SUCCEEDED(hr) && result) {
                VariantInit(result);
                result->vt = VT_DISPATCH;
                result->pdispVal = document;
            } else if (document) {
                document->Release();
            }
            return hr;
        }
        case DISPID_READYSTATE: {
            READYSTATE state = READYSTATE_UNINITIALIZED;
            get_ReadyState(&state);
            if (result) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = state;
            }
            return S_OK;
        }
        case DISPID_BUSY: {
            VARIANT_BOOL busy = VARIANT_FALSE;
            get_Busy(&busy);
            if (result) {
                VariantInit(result);
                result->vt = VT_BOOL;
                result->boolVal = busy;
            }
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers) override
    {
        if (!IsAbsent(flags) || !IsAbsent(targetFrameName) || !IsAbsent(postData) || !IsAbsent(headers))
            return E_INVALIDARG;
        const std::string address = Utf8Of(url);
        if (!m_page) {
            std::fprintf(stderr, "browser: cannot open \"%s\": %s\n", address.c_str(),
                         m_window ? "the display shows no web pages (ZV_DISPLAY=headless)" : "the control has no window");
            return E_FAIL;
        }
        if (address.empty())
            return E_INVALIDARG;
        if (BeforeNavigateCancelled(url))
            return S_OK;
        m_navigated = true;
        m_page->Navigate(address);
        return S_OK;
    }
    HRESULT get_Document(IDispatch** document) override
    {
        if (!document)
            return E_POINTER;
        *document = m_page && m_navigated ? NewHtmlDocument(m_page) : nullptr;
        return S_OK;
    }
    HRESULT get_ReadyState(READYSTATE* state) override
    {
        if (!state)
            return E_POINTER;
        *state = !m_page || !m_navigated ? READYSTATE_UNINITIALIZED
                 : m_page->Loading()     ? READYSTATE_LOADING
                                         : READYSTATE_COMPLETE;
        return S_OK;
    }
    HRESULT get_Busy(VARIANT_BOOL* busy) override
    {
        if (!busy)
            return E_POINTER;
        *busy = m_page && m_page->Loading() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT get_LocationURL(BSTR* url) override
    {
        if (!url)
            return E_POINTER;
        *url = NewBstr(m_page ? m_page->CompletedUrl() : std::string());
        return *url ? S_OK : E_OUTOFMEMORY;
    }

    // Hosting contract.
    HRESULT CreateControlWindow(HWND parent, const RECT* rect, UINT id, DWORD style, LPCSTR text,
                                HWND* window) override
    {
        if (!rect || !window)
            return E_INVALIDARG;
        *window = nullptr;
        if (m_window)
            return E_UNEXPECTED;
        RegisterWindowClass();
        HWND made = CreateWindowExA(0, kWebBrowserWindowClass, text ? text : "", style | WS_CHILD | WS_CLIPSIBLINGS,
                                    rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, parent,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
        if (!made) {
            const DWORD error = GetLastError();
            return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
        }
        SetWindowLongPtrA(made, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_window = made;
        m_page = WebPage::Open(made, kPageNewsMessage);
        if (m_page) {
            FollowWindow();
            SetTimer(made, kFollowTimer, kFollowPeriodMs, nullptr);
        }
        *window = made;
        return S_OK;
    }
    HRESULT SetEventSink(IDispatch* sink) override
    {
        std::lock_guard lock(m_sinkMutex);
        m_sink = win32::ComRef<IDispatch>::Share(sink);
        return S_OK;
    }

    // Window thread: lays the page where the window shows now.
    void FollowWindow()
    {
        if (!m_page || !m_window)
            return;
        const HWND top = GetAncestor(m_window, GA_ROOT);
        RECT own{}, topRect{};
        GetWindowRect(m_window, &own);
        GetWindowRect(top, &topRect);
        const RECT place{own.left - topRect.left, own.top - topRect.top, own.right - topRect.left,
                         own.bottom - topRect.top};
        const bool visible = IsWindowVisible(m_window) && !IsIconic(top);
        if (m_placed && top == m_top && visible == m_visible && place.left == m_place.left &&
            place.top == m_place.top && place.right == m_place.right && place.bottom == m_place.bottom)
            return;
        m_placed = true;
        m_top = top;
        m_place = place;
        m_visible = visible;
        m_page->Place(top, place, visible);
    }

    // Window thread: DocumentComplete for each page completed.
    void FireCompleted()
    {
        if (!m_page)
            return;
        const win32::ComRef<WebBrowserControl> self = win32::ComRef<WebBrowserControl>::Share(this);
        for (const std::string& url : m_page->TakeCompleted()) {
            VARIANT address;
            VariantInit(&address);
            address.vt = VT_BSTR;
            address.bstrVal = NewBstr(url);
            VARIANT args[2];
            VariantInit(&args[0]);
            VariantInit(&args[1]);
            args[0].vt = VT_BYREF | VT_VARIANT;
            args[0].pvarVal = &address;
            args[1].vt = VT_DISPATCH;
            args[1].pdispVal = static_cast<IWebBrowser2*>(this);
            Fire(DISPID_DOCUMENTCOMPLETE, args, 2);
            VariantClear(&address);
        }
    }

    // Window thread: an event for each element clicked.
    void FireClicks()
    {
        if (!m_page)
            return;
        const win32::ComRef<WebBrowserControl> self = win32::ComRef<WebBrowserControl>::Share(this);
        for (const std::string& id : m_page->TakeClicks()) {
            VARIANT argument;
            VariantInit(&argument);
            argument.vt = VT_BSTR;
            argument.bstrVal = NewBstr(id);
            Fire(DISPID_ZV_ELEMENTCLICK, &argument, 1);
            VariantClear(&argument);
        }
    }

    void WindowGone()
    {
        m_window = nullptr;
        if (m_page)
            m_page->Close();
    }

private:
    ~WebBrowserControl() override
    {
        if (m_page)
            m_page->Close();
        if (!m_window || !IsWindow(m_window))
            return;
        SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
        if (GetWindowThreadProcessId(m_window, nullptr) == user::CurrentThreadId())
            DestroyWindow(m_window);
    }

    static void RegisterWindowClass()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = BrowserWindowProc;
            wc.lpszClassName = kWebBrowserWindowClass;
            RegisterClassA(&wc);
        });
    }

    // BeforeNavigate2 to the host; true when it cancelled.
    bool BeforeNavigateCancelled(BSTR url)
    {
        VARIANT address, empty[4];
        VariantInit(&address);
        address.vt = VT_BSTR;
        address.bstrVal = url; // borrowed: not cleared
        for (VARIANT& v : empty)
            VariantInit(&v);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT args[7];
        for (VARIANT& v : args)
            VariantInit(&v);
        args[0].vt = VT_BYREF | VT_BOOL;
        args[0].pboolVal = &cancel;
        for (int i = 0; i < 4; ++i) { // headers, post data, target frame, flags
            args[1 + i].vt = VT_BYREF | VT_VARIANT;
            args[1 + i].pvarVal = &empty[i];
        }
        args[5].vt = VT_BYREF | VT_VARIANT;
        args[5].pvarVal = &address;
        args[6].vt = VT_DISPATCH;
        args[6].pdispVal = static_cast<IWebBrowser2*>(this);
        const win32::ComRef<WebBrowserControl> self = win32::ComRef<WebBrowserControl>::Share(this);
        Fire(DISPID_BEFORENAVIGATE2, args, 7);
        return cancel != VARIANT_FALSE;
    }

    void Fire(DISPID id, VARIANT* args, UINT count)
    {
        win32::ComRef<IDispatch> sink;
        {
            std::lock_guard lock(m_sinkMutex);
            sink = m_sink;
        }
        if (!sink)
            return;
        DISPPARAMS params{args, nullptr, count, 0};
        UINT argErr = 0;
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr);
    }

    std::mutex m_sinkMutex;
    win32::ComRef<IDispatch> m_sink;
    HWND m_window = nullptr;
    std::shared_ptr<WebPage> m_page;
    bool m_navigated = false;
    // Where the page was last laid.
    bool m_placed = false;
    HWND m_top = nullptr;
    RECT m_place{};
    bool m_visible = false;
};

WebBrowserControl* ControlOf(HWND window)
{
    return reinterpret_cast<WebBrowserControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WebBrowserControl* control = ControlOf(window);
    switch (message) {
    case WM_WINDOWPOSCHANGED:
    case WM_SHOWWINDOW:
        DefWindowProcA(window, message, wParam, lParam);
        if (control)
            control->FollowWindow();
        return 0;
    case WM_TIMER:
        if (wParam != kFollowTimer)
            break;
        if (control)
            control->FollowWindow();
        return 0;
    case kPageNewsMessage:
        if (control && wParam == WebPage::kClickNews)
            control->FireClicks();
        else if (control)
            control->FireCompleted();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY:
        KillTimer(window, kFollowTimer);
        if (control)
            control->WindowGone();
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

HRESULT CreateWebBrowser(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return win32::HandOutNewObject(new WebBrowserControl(), riid, ppv);
}

void RegisterWebBrowserClass()
{
    win32::RegisterComClass(CLSID_WebBrowser, &CreateWebBrowser);
    win32::RegisterComProgId("Shell.Explorer.2", CLSID_WebBrowser);
}

} // namespace zv::browser
