// CHtmlWnd: the window that hosts the WebBrowser control (class id CLSID_WebBrowser) for the
// browser, studio and chat-view dialogs and the main dialog's ad view. Creating the window creates
// the control; the page is then driven through the control's automation interface (Navigate by
// dispatch id 104, the document by 203), as any container of the control would.
//
// User-interface thread only. Without a browser on the display (headless) the window is made but
// Navigate fails.
#pragma once

#include "platform/afx/afx_wnd.h"
#include "platform/browser/browser_interfaces.h"
#include "platform/win32/com_object.h"

// What every browser window of the program is made with.
inline constexpr const char* kHtmlViewName = "HTML Data View";
constexpr DWORD kHtmlViewStyle = WS_CHILD | WS_VISIBLE;
constexpr UINT kHtmlViewId = 1015;

class CHtmlWnd : public CWnd {
    DECLARE_DYNCREATE(CHtmlWnd)

public:
    CHtmlWnd() = default;
    CHtmlWnd(const CHtmlWnd&) = delete;
    CHtmlWnd& operator=(const CHtmlWnd&) = delete;

    using CWnd::Create;
    // Creates the WebBrowser control with that window name, style, rectangle, parent and id (the
    // class name is not used). FALSE when the control or its window could not be made.
    BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                LPVOID param = nullptr) override;
    // The usual browser window: "HTML Data View", child and visible, at `rect` in `parent`.
    BOOL CreateView(const RECT& rect, CWnd* parent, UINT id = kHtmlViewId);

    // Starts loading the URL (the URL only: no flags, frame, post data or headers). E_FAIL
    // without a control, or the control's failure.
    HRESULT Navigate(const char* url);
    // The page's document as IHTMLDocument2; empty before the first navigation or without a
    // control.
    zv::win32::ComRef<IHTMLDocument2> GetDocument();
    // The page's body element; empty without a document or body.
    zv::win32::ComRef<IHTMLElement> GetBody();
    // The control's automation interface (borrowed); null without a control.
    IDispatch* GetBrowserDispatch() const;
};
