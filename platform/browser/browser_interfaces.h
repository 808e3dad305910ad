// The WebBrowser control's interfaces as the program calls them: the browser (an IWebBrowser2-
// shaped subset), and the page's document, body element and style (IHTMLDocument2, IHTMLElement,
// IHTMLStyle subsets). Class and interface ids and dispatch ids are the published values.
//
// The browser is reached by vtable or through IDispatch::Invoke with these dispatch ids:
//   104 Navigate (method; the URL, further arguments may be left out)
//   203 Document (property get; null before the first navigation)
//   -525 ReadyState, 212 Busy (property get)
// It fires, into its host's sink: 250 BeforeNavigate2 (pDisp, URL, Flags, TargetFrameName,
// PostData, Headers, Cancel) and 259 DocumentComplete (pDisp, URL), pDisp being the browser; and,
// for the framework's HTML dialog, DISPID_ZV_ELEMENTCLICK (the id of the nearest element with an
// id around the one clicked, a BSTR).
#pragma once

#include "platform/win32/dispatch.h"
#include "platform/win32/guid.h"

inline constexpr CLSID CLSID_WebBrowser = zv::win32::GuidFromText("{8856F961-340A-11D0-A96B-00C04FD705A2}");
inline constexpr IID IID_IWebBrowser2 = zv::win32::GuidFromText("{D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}");
inline constexpr IID IID_IHTMLDocument2 = zv::win32::GuidFromText("{332C4425-26CB-11D0-B483-00C04FD90119}");
inline constexpr IID IID_IHTMLDocument3 = zv::win32::GuidFromText("{3050F485-98B5-11CF-BB82-00AA00BDCE0B}");
inline constexpr IID IID_IHTMLElement = zv::win32::GuidFromText("{3050F1FF-98B5-11CF-BB82-00AA00BDCE0B}");
inline constexpr IID IID_IHTMLStyle = zv::win32::GuidFromText("{3050F25E-98B5-11CF-BB82-00AA00BDCE0B}");

constexpr DISPID DISPID_NAVIGATE = 104;
constexpr DISPID DISPID_DOCUMENT = 203;
constexpr DISPID DISPID_BUSY = 212;
constexpr DISPID DISPID_READYSTATE = -525;
constexpr DISPID DISPID_BEFORENAVIGATE2 = 250;
constexpr DISPID DISPID_DOCUMENTCOMPLETE = 259;
constexpr DISPID DISPID_ZV_ELEMENTCLICK = 0x5A01;

enum READYSTATE : LONG {
    READYSTATE_UNINITIALIZED = 0,
    READYSTATE_LOADING = 1,
    READYSTATE_LOADED = 2,
    READYSTATE_INTERACTIVE = 3,
    READYSTATE_COMPLETE = 4,
};

struct IHTMLStyle;
struct IHTMLElement;

struct IWebBrowser2 : IDispatch {
    // Starts loading the URL (http, https, about:blank, res://) and returns at once; the flags,
    // target frame, post data and headers must be absent (null, VT_EMPTY or VT_ERROR). E_FAIL
    // where the display has no browser.
    virtual HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                             VARIANT* headers) = 0;
    // The page's document (IHTMLDocument2 through QueryInterface); null before any navigation.
    virtual HRESULT get_Document(IDispatch** document) = 0;
    // COMPLETE once the last navigation ended (a page that could not load ends too), else LOADING.
    virtual HRESULT get_ReadyState(READYSTATE* state) = 0;
    virtual HRESULT get_Busy(VARIANT_BOOL* busy) = 0;
    // The URL of the page last completed.
    virtual HRESULT get_LocationURL(BSTR* url) = 0;

protected:
    ~IWebBrowser2() = default;
};

// Every call runs in the page and waits, bounded, for its answer: a page that does not answer in
// time fails the call (HRESULT_FROM_WIN32(ERROR_TIMEOUT)) rather than hang the caller.
struct IHTMLDocument2 : IDispatch {
    // "loading", "interactive" or "complete".
    virtual HRESULT get_readyState(BSTR* state) = 0;
    // The body element; S_OK with null when the page has none.
    virtual HRESULT get_body(IHTMLElement** body) = 0;

protected:
    ~IHTMLDocument2() = default;
};

struct IHTMLDocument3 : IDispatch {
    // The element with that id; S_OK with null when there is none.
    virtual HRESULT getElementById(BSTR id, IHTMLElement** element) = 0;

protected:
    ~IHTMLDocument3() = default;
};

struct IHTMLElement : IDispatch {
    virtual HRESULT get_innerHTML(BSTR* html) = 0;
    virtual HRESULT put_innerHTML(BSTR html) = 0;
    // `where`: "beforeBegin", "afterBegin", "beforeEnd" or "afterEnd" (any case).
    virtual HRESULT insertAdjacentHTML(BSTR where, BSTR html) = 0;
    virtual HRESULT get_innerText(BSTR* text) = 0;
    virtual HRESULT get_style(IHTMLStyle** style) = 0;
    // As if the user clicked it.
    virtual HRESULT click() = 0;

protected:
    ~IHTMLElement() = default;
};

struct IHTMLStyle : IDispatch {
    // A length as text ("15pt") or a number of pixels.
    virtual HRESULT put_fontSize(VARIANT size) = 0;
    virtual HRESULT get_fontSize(VARIANT* size) = 0;
    // Lengths as the program writes them: "3 3 3 3" are pixels.
    virtual HRESULT put_margin(BSTR margin) = 0;
    virtual HRESULT get_margin(BSTR* margin) = 0;

protected:
    ~IHTMLStyle() = default;
};
