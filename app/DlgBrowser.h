// The skin-framed browser dialog (template 156): the skin form "Skin Browser", drawn by the
// dialog's own skin control (1002), with the browser window laid over its "Browser Frame" element.
//
// CDlgBrowser shows the account pages. Close mode 0 makes it modeless: its close button hides it
// and blanks its page, and the main dialog shows it again with the next page. Any other close mode
// is for a modal run: the close button ends it with 1. After each completed top-level page the
// dialog holds that page's URL and body HTML.
//
// CDlgHostRegister runs the sign-up pages modally (close mode 1) and ends with 1 as soon as a
// page's body begins with '1', the server's sign of a completed sign-up.
//
// Each dialog's skin and browser events reach that dialog itself, so any number of them may live
// at once. User-interface thread only.
#pragma once

#include "app/HtmlWnd.h"
#include "platform/afx/afx_dialog.h"
#include "platform/afx/event_sink_map.h"
#include "platform/win32/com_object.h"

#include <string>

struct ISkinEngine;
struct ISkinRootElement;

inline constexpr const char* kBrowserFormName = "Skin Browser";
inline constexpr const char* kBrowserFrameElement = "Browser Frame";
inline constexpr const char* kBrowserCloseButton = "Browser Button Close";

class CDlgBrowser : public CDialog {
public:
    static constexpr UINT IDD = 156;
    static constexpr UINT kSkinControlId = 1002;

    // `url` null or empty: no page at start. `closeMode` 0 modeless, else modal (see above).
    CDlgBrowser(LPCSTR url, CWnd* parent, int closeMode);
    ~CDlgBrowser() override;
    CDlgBrowser(const CDlgBrowser&) = delete;
    CDlgBrowser& operator=(const CDlgBrowser&) = delete;

    BOOL PreTranslateMessage(MSG* msg) override;

    // Opens the page in the browser (nothing for an empty URL).
    void Navigate(const char* url);
    // The page to open, then the URL of the last completed top-level page.
    const std::string& GetUrl() const { return m_strUrl; }
    // The body HTML of the last completed top-level page.
    const std::string& GetBody() const { return m_strBody; }
    int GetCloseMode() const { return m_nCloseMode; }

    // The skin's element events (20 of the skin control): the close button closes the dialog by
    // its close mode and tells the main window (BrowserClosedMessage). False for other elements.
    bool OnBrowserSkinEvent(IUnknown* element);
    // A page completed: when it is this dialog's own browser (not a frame), its URL and body are
    // kept.
    virtual void OnDocumentComplete(IDispatch* browser, VARIANT* url);

    CHtmlWnd m_htmlWnd;

protected:
    // Loads the skin (a message and WM_CLOSE when it cannot), lays the browser over
    // "Browser Frame" and opens the page.
    BOOL OnInitDialog() override;
    // The skin file beside the program into the dialog's own skin engine, the form applied; false
    // when any step fails.
    bool LoadBrowserSkin();
    // Whether an event's browser object is this dialog's own control (the top-level page).
    bool IsOwnBrowser(IDispatch* browser) const;
    // The element's rectangle in the dialog; empty when the form has no such element.
    RECT GetSkinElementRect(const char* elementName);
    void OnBeforeNavigate2(IDispatch* browser, VARIANT* url, VARIANT* flags, VARIANT* targetFrame,
                           VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel);
    // The browser goes before the dialog.
    void OnDestroy();

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()

private:
    std::string m_strUrl;
    std::string m_strBody;
    zv::win32::ComRef<ISkinEngine> m_pSkinEngine;
    int m_nCloseMode = 0;
    zv::win32::ComRef<ISkinRootElement> m_pSkinForm;
};

class CDlgHostRegister : public CDlgBrowser {
public:
    explicit CDlgHostRegister(LPCSTR url, CWnd* parent = nullptr, int closeMode = 1)
        : CDlgBrowser(url, parent, closeMode)
    {
    }

    void OnDocumentComplete(IDispatch* browser, VARIANT* url) override;
};
