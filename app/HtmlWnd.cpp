#include "app/HtmlWnd.h"

#include "platform/browser/page_text.h"
#include "platform/win32/variant.h"

IMPLEMENT_DYNCREATE(CHtmlWnd, CWnd)

using zv::win32::ComRef;

BOOL CHtmlWnd::Create(LPCSTR, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, LPVOID)
{
    return CreateControl(CLSID_WebBrowser, windowName, style, rect, parent, id);
}

BOOL CHtmlWnd::CreateView(const RECT& rect, CWnd* parent, UINT id)
{
    return Create(nullptr, kHtmlViewName, kHtmlViewStyle, rect, parent, id);
}

IDispatch* CHtmlWnd::GetBrowserDispatch() const
{
    if (m_hWnd == nullptr)
        return nullptr;
    IUnknown* control = GetControlUnknown();
    void* dispatch = nullptr;
    if (control == nullptr || FAILED(control->QueryInterface(IID_IDispatch, &dispatch)) || dispatch == nullptr)
        return nullptr;
    // The control lives as long as its window: the caller borrows it.
    auto* borrowed = static_cast<IDispatch*>(dispatch);
    borrowed->Release();
    return borrowed;
}

HRESULT CHtmlWnd::Navigate(const char* url)
{
    IDispatch* browser = GetBrowserDispatch();
    if (browser == nullptr)
        return E_FAIL;
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = zv::browser::NewBstr(url != nullptr ? url : "");
    if (argument.bstrVal == nullptr)
        return E_OUTOFMEMORY;
    DISPPARAMS params{&argument, nullptr, 1, 0};
    UINT argErr = 0;
    const HRESULT hr = browser->Invoke(DISPID_NAVIGATE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr);
    VariantClear(&argument);
    return hr;
}

ComRef<IHTMLDocument2> CHtmlWnd::GetDocument()
{
    IDispatch* browser = GetBrowserDispatch();
    if (browser == nullptr)
        return {};
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    UINT argErr = 0;
    const HRESULT hr =
        browser->Invoke(DISPID_DOCUMENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, &argErr);
    void* document = nullptr;
    if (SUCCEEDED(hr) && result.vt == VT_DISPATCH && result.pdispVal != nullptr)
        result.pdispVal->QueryInterface(IID_IHTMLDocument2, &document);
    VariantClear(&result);
    return ComRef<IHTMLDocument2>::Adopt(static_cast<IHTMLDocument2*>(document));
}

ComRef<IHTMLElement> CHtmlWnd::GetBody()
{
    const ComRef<IHTMLDocument2> document = GetDocument();
    IHTMLElement* body = nullptr;
    if (!document || FAILED(document->get_body(&body)))
        return {};
    return ComRef<IHTMLElement>::Adopt(body);
}
