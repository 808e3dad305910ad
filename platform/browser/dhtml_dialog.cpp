#include "platform/browser/dhtml_dialog.h"

#include "platform/afx/afx_app.h"
#include "platform/browser/page_text.h"
#include "platform/browser/web_page.h"
#include "platform/win32/paths.h"

#include <cstring>

BEGIN_EVENTSINK_MAP(CDHtmlDialog, CDialog)
    ON_EVENT(CDHtmlDialog, CDHtmlDialog::kBrowserId, 259, OnBrowserDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
    ON_EVENT(CDHtmlDialog, CDHtmlDialog::kBrowserId, DISPID_ZV_ELEMENTCLICK, OnBrowserElementClick, VTS_PVARIANT)
END_EVENTSINK_MAP()

namespace {

// The path of the module holding the page: the resources' module, the program itself by default.
std::string ResourceModulePath()
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(AfxGetResourceHandle()), path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    return std::string(path, length);
}

} // namespace

CDHtmlDialog::CDHtmlDialog(UINT templateId, UINT htmlResourceId, CWnd* parent)
    : CDialog(templateId, parent), m_nHtmlResID(htmlResourceId)
{
}

BOOL CDHtmlDialog::OnInitDialog()
{
    const BOOL result = CDialog::OnInitDialog();
    if (!zv::browser::BrowserAvailable() || m_nHtmlResID == 0)
        return result;
    const std::string module = ResourceModulePath();
    if (module.empty())
        return result;
    // The page's strip below what the template holds.
    RECT client{}, frame{};
    GetClientRect(&client);
    ::GetWindowRect(m_hWnd, &frame);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + kPageHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT strip{0, client.bottom, client.right, client.bottom + kPageHeight};
    if (!m_wndBrowser.CreateControl(CLSID_WebBrowser, "", WS_CHILD | WS_VISIBLE, strip, this, kBrowserId))
        return result;
    void* browser = nullptr;
    if (FAILED(m_wndBrowser.GetControlUnknown()->QueryInterface(IID_IWebBrowser2, &browser)))
        return result;
    m_browser = zv::win32::ComRef<IWebBrowser2>::Adopt(static_cast<IWebBrowser2*>(browser));
    BSTR url = zv::browser::NewBstr("res://" + module + "/" + std::to_string(m_nHtmlResID));
    m_browser->Navigate(url, nullptr, nullptr, nullptr, nullptr);
    SysFreeString(url);
    return result;
}

HRESULT CDHtmlDialog::GetElement(LPCSTR id, IHTMLElement** element)
{
    if (!element || !id)
        return E_POINTER;
    *element = nullptr;
    IDispatch* document = nullptr;
    if (!m_browser || FAILED(m_browser->get_Document(&document)) || !document)
        return E_FAIL;
    void* queried = nullptr;
    const HRESULT hr = document->QueryInterface(IID_IHTMLDocument3, &queried);
    document->Release();
    if (FAILED(hr))
        return hr;
    const auto found = zv::win32::ComRef<IHTMLDocument3>::Adopt(static_cast<IHTMLDocument3*>(queried));
    BSTR name = zv::browser::NewBstr(id);
    const HRESULT got = found->getElementById(name, element);
    SysFreeString(name);
    return got;
}

void CDHtmlDialog::OnDocumentComplete(IDispatch*, LPCSTR url)
{
    m_strCurrentUrl = url ? url : "";
}

void CDHtmlDialog::OnBrowserDocumentComplete(IDispatch* browser, VARIANT* url)
{
    const std::string address = url && url->vt == VT_BSTR ? zv::browser::Utf8Of(url->bstrVal) : std::string();
    OnDocumentComplete(browser, address.c_str());
}

void CDHtmlDialog::OnBrowserElementClick(VARIANT* id)
{
    if (!id || id->vt != VT_BSTR)
        return;
    const std::string clicked = zv::browser::Utf8Of(id->bstrVal);
    for (const DHtmlEventMapEntry* entry = GetDHtmlEventMap(); entry && entry->event != 0; ++entry) {
        if (entry->event != DISPID_ZV_ELEMENTCLICK || clicked != entry->elementId)
            continue;
        IHTMLElement* element = nullptr;
        GetElement(entry->elementId, &element);
        const auto held = zv::win32::ComRef<IHTMLElement>::Adopt(element);
        (this->*entry->handler)(element);
        return;
    }
}
