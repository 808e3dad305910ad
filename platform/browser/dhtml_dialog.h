// CDHtmlDialog: the framework's HTML dialog. A dialog from a template whose face is a page of the
// program's HTML resources, shown in a browser control laid in a strip below the template's
// controls (the dialog grows by that strip), so that the template's controls stay usable; clicks
// on the page's elements go to the dialog's DHTML event map by element id.
//
//   class CMyDlg : public CDHtmlDialog { ... DECLARE_DHTML_EVENT_MAP() };
//   BEGIN_DHTML_EVENT_MAP(CMyDlg)
//       DHTML_EVENT_ONCLICK("ButtonOK", OnButtonOK)   // HRESULT OnButtonOK(IHTMLElement*)
//   END_DHTML_EVENT_MAP()
//
// Where the display shows no web pages (headless) the dialog is the template alone.
#pragma once

#include "platform/afx/afx_dialog.h"
#include "platform/afx/event_sink_map.h"
#include "platform/browser/browser_interfaces.h"
#include "platform/win32/com_object.h"

#include <string>

class CDHtmlDialog;

struct DHtmlEventMapEntry {
    DISPID event;     // DISPID_ZV_ELEMENTCLICK; 0 ends the map
    const char* elementId;
    HRESULT (CDHtmlDialog::*handler)(IHTMLElement* element);
};

class CDHtmlDialog : public CDialog {
public:
    static constexpr UINT kBrowserId = 0xE800;
    static constexpr int kPageHeight = 80; // pixels of the strip the page gets

    CDHtmlDialog() = default;
    CDHtmlDialog(UINT templateId, UINT htmlResourceId, CWnd* parent = nullptr);

    // The template's initialisation, then the page: the dialog grows, the browser is made and
    // opens res://<program>/<htmlResourceId>.
    BOOL OnInitDialog() override;

    // The page's element with that id, with a reference; E_FAIL without a page, S_OK with null
    // when the page has no such element.
    HRESULT GetElement(LPCSTR id, IHTMLElement** element);
    // The browser (null without a page).
    IWebBrowser2* GetBrowser() const { return m_browser.get(); }

    // A top-level page completed.
    virtual void OnDocumentComplete(IDispatch* browser, LPCSTR url);

    UINT m_nHtmlResID = 0;
    std::string m_strCurrentUrl;

protected:
    virtual const DHtmlEventMapEntry* GetDHtmlEventMap() { return nullptr; }

    CWnd m_wndBrowser;

private:
    void OnBrowserDocumentComplete(IDispatch* browser, VARIANT* url);
    void OnBrowserElementClick(VARIANT* id);

    zv::win32::ComRef<IWebBrowser2> m_browser;
    DECLARE_EVENTSINK_MAP()
};

#define DECLARE_DHTML_EVENT_MAP() \
protected:                        \
    const DHtmlEventMapEntry* GetDHtmlEventMap() override;

#define BEGIN_DHTML_EVENT_MAP(theClass)                         \
    const DHtmlEventMapEntry* theClass::GetDHtmlEventMap()      \
    {                                                           \
        using DHtmlThisClass = theClass;                        \
        static const DHtmlEventMapEntry entries[] = {

#define DHTML_EVENT_ONCLICK(elementId, fn) \
    {DISPID_ZV_ELEMENTCLICK, elementId, static_cast<HRESULT (CDHtmlDialog::*)(IHTMLElement*)>(&DHtmlThisClass::fn)},

#define END_DHTML_EVENT_MAP()    \
            {0, nullptr, nullptr}}; \
        return entries;             \
    }
