#include "platform/browser/html_document.h"

#include "platform/browser/page_text.h"
#include "platform/win32/com_object.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

namespace zv::browser {
namespace {


// Runs the script; its text value in *value. Failures are told on stderr: the program only sees
// the HRESULT.
HRESULT RunInPage(WebPage& page, const std::string& script, std::string* value = nullptr)
{
    ScriptAnswer answer = page.Run(script, kScriptBound);
    if (!answer.ok) {
        std::fprintf(stderr, "browser: a document call failed: %s\n", answer.error.c_str());
        return answer.timedOut ? HRESULT_FROM_WIN32(ERROR_TIMEOUT) : E_FAIL;
    }
    if (value)
        *value = std::move(answer.value);
    return S_OK;
}

HRESULT ReturnText(const std::string& text, BSTR* out)
{
    *out = NewBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Sets a style property of the element and checks the page took it (the engine drops values it
// cannot read).
HRESULT PutStyle(WebPage& page, const std::string& element, const char* property, const std::string& value)
{
    const std::string style = element + ".style." + property;
    std::string taken;
    const HRESULT hr = RunInPage(page, style + " = " + ScriptLiteral(value) + "; " + style, &taken);
    if (FAILED(hr))
        return hr;
    return taken.empty() && !value.empty() ? E_INVALIDARG : S_OK;
}

// The document objects are reached by vtable; through IDispatch they answer no member.
template <class... Interfaces>
class PageObject : public win32::ComObject<Interfaces...> {
public:
    explicit PageObject(std::shared_ptr<WebPage> page) : m_page(std::move(page)) {}

    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override
    {
        for (UINT i = 0; ids && i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    std::shared_ptr<WebPage> m_page;
};

// The style of the element the script expression names.
class ElementStyle final : public PageObject<IHTMLStyle> {
public:
    ElementStyle(std::shared_ptr<WebPage> page, std::string element)
        : PageObject(std::move(page)), m_element(std::move(element))
    {
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return win32::QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IDispatch, this}, {IID_IHTMLStyle, this}}, riid,
                                         ppv);
    }
    HRESULT put_fontSize(VARIANT size) override
    {
        const VARIANT* v = size.vt == (VT_BYREF | VT_VARIANT) ? size.pvarVal : &size;
        if (!v)
            return E_POINTER;
        if (v->vt == VT_BSTR)
            return PutStyle(*m_page, m_element, "fontSize", CssLengths(Utf8Of(v->bstrVal)));
        if (v->vt == VT_I4 || v->vt == VT_INT)
            return PutStyle(*m_page, m_element, "fontSize", std::to_string(v->lVal) + "px");
        if (v->vt == VT_I2)
            return PutStyle(*m_page, m_element, "fontSize", std::to_string(v->iVal) + "px");
        return DISP_E_TYPEMISMATCH;
    }
    HRESULT get_fontSize(VARIANT* size) override
    {
        if (!size)
            return E_POINTER;
        std::string text;
        const HRESULT hr = RunInPage(*m_page, m_element + ".style.fontSize", &text);
        if (FAILED(hr))
            return hr;
        VariantInit(size);
        size->vt = VT_BSTR;
        return ReturnText(text, &size->bstrVal);
    }
    HRESULT put_margin(BSTR margin) override
    {
        return PutStyle(*m_page, m_element, "margin", CssLengths(Utf8Of(margin)));
    }
    HRESULT get_margin(BSTR* margin) override
    {
        if (!margin)
            return E_POINTER;
        std::string text;
        const HRESULT hr = RunInPage(*m_page, m_element + ".style.margin", &text);
        return FAILED(hr) ? hr : ReturnText(text, margin);
    }

private:
    const std::string m_element;
};

// The element the script expression names (evaluated at each call).
class PageElement final : public PageObject<IHTMLElement> {
public:
    PageElement(std::shared_ptr<WebPage> page, std::string element)
        : PageObject(std::move(page)), m_element(std::move(element))
    {
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return win32::QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IDispatch, this}, {IID_IHTMLElement, this}},
                                         riid, ppv);
    }
    HRESULT get_innerHTML(BSTR* html) override { return Read("innerHTML", html); }
    HRESULT get_innerText(BSTR* text) override { return Read("innerText", text); }
    HRESULT put_innerHTML(BSTR html) override
    {
        return RunInPage(*m_page, m_element + ".innerHTML = " + ScriptLiteral(Utf8Of(html)) + "; ''");
    }
    HRESULT insertAdjacentHTML(BSTR where, BSTR html) override
    {
        std::string place = Utf8Of(where);
        std::transform(place.begin(), place.end(), place.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        if (place != "beforebegin" && place != "afterbegin" && place != "beforeend" && place != "afterend")
            return E_INVALIDARG;
        return RunInPage(*m_page, m_element + ".insertAdjacentHTML(" + ScriptLiteral(place) + ", " +
                                      ScriptLiteral(Utf8Of(html)) + "); ''");
    }
    HRESULT get_style(IHTMLStyle** style) override
    {
        if (!style)
            return E_POINTER;
        *style = new ElementStyle(m_page, m_element);
        return S_OK;
    }
    HRESULT click() override { return RunInPage(*m_page, m_element + ".click(); ''"); }

private:
    HRESULT Read(const char* property, BSTR* out)
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        std::string text;
        const HRESULT hr = RunInPage(*m_page, m_element + "." + property, &text);
        return FAILED(hr) ? hr : ReturnText(text, out);
    }

    const std::string m_element;
};

class HtmlDocument final : public PageObject<IHTMLDocument2, IHTMLDocument3> {
public:
    using PageObject::PageObject;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return win32::QueryInterfaceFrom({{IID_IUnknown, static_cast<IHTMLDocument2*>(this)},
                                          {IID_IDispatch, static_cast<IHTMLDocument2*>(this)},
                                          {IID_IHTMLDocument2, static_cast<IHTMLDocument2*>(this)},
                                          {IID_IHTMLDocument3, static_cast<IHTMLDocument3*>(this)}},
                                         riid, ppv);
    }
    HRESULT getElementById(BSTR id, IHTMLElement** element) override
    {
        return FindElement(m_page, "document.getElementById(" + ScriptLiteral(Utf8Of(id)) + ")", element);
    }
    HRESULT get_readyState(BSTR* state) override
    {
        if (!state)
            return E_POINTER;
        *state = nullptr;
        // Until the navigation completes the page in view is the one being left.
        if (m_page->Loading())
            return ReturnText("loading", state);
        std::string text;
        const HRESULT hr = RunInPage(*m_page, "document.readyState", &text);
        return FAILED(hr) ? hr : ReturnText(text, state);
    }
    HRESULT get_body(IHTMLElement** body) override
    {
        if (!body)
            return E_POINTER;
        *body = nullptr;
        return FindElement(m_page, "document.body", body);
    }
};

} // namespace

HRESULT FindElement(std::shared_ptr<WebPage> page, const std::string& expression, IHTMLElement** element)
{
    if (!element)
        return E_POINTER;
    *element = nullptr;
    std::string present;
    const HRESULT hr = RunInPage(*page, "(" + expression + ") ? 'yes' : ''", &present);
    if (FAILED(hr))
        return hr;
    if (!present.empty())
        *element = new PageElement(std::move(page), expression);
    return S_OK;
}

IHTMLDocument2* NewHtmlDocument(std::shared_ptr<WebPage> page)
{
    return new HtmlDocument(std::move(page));
}

} // namespace zv::browser
