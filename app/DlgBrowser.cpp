#include "app/DlgBrowser.h"

#include "app/DlgZelvante.h"
#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "platform/afx/message_map.h"
#include "platform/browser/page_text.h"
#include "platform/user/message_box.h"
#include "platform/win32/modules.h"

#include <strings.h>

using zv::win32::ComRef;
using zv::win32::ProgramFolder;

namespace {

constexpr const char* kSkinLoadError =
    "Error instantiating skin.\r\nTry reinstalling application to solve the problem.";

// Whether two interface pointers are the same object (COM identity: their IUnknown).
bool SameObject(IUnknown* a, IUnknown* b)
{
    if (a == nullptr || b == nullptr)
        return false;
    const ComRef<IUnknown> left = QuerySkin<IUnknown>(a, IID_IUnknown);
    const ComRef<IUnknown> right = QuerySkin<IUnknown>(b, IID_IUnknown);
    return left && left.get() == right.get();
}

// The page address an event carries: a BSTR, or a reference to one.
bool ReadUrl(const VARIANT* url, std::string& text)
{
    if (url != nullptr && url->vt == (VT_BYREF | VT_VARIANT))
        url = url->pvarVal;
    if (url == nullptr)
        return false;
    if (url->vt == VT_BSTR) {
        text = zv::browser::Utf8Of(url->bstrVal);
        return true;
    }
    if (url->vt == (VT_BYREF | VT_BSTR) && url->pbstrVal != nullptr) {
        text = zv::browser::Utf8Of(*url->pbstrVal);
        return true;
    }
    return false;
}

} // namespace

BEGIN_MESSAGE_MAP(CDlgBrowser, CDialog)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CDlgBrowser, CDialog)
    ON_EVENT(CDlgBrowser, CDlgBrowser::kSkinControlId, kSkinEventClick, OnBrowserSkinEvent, VTS_UNKNOWN)
    ON_EVENT(CDlgBrowser, kHtmlViewId, DISPID_BEFORENAVIGATE2, OnBeforeNavigate2,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
    ON_EVENT(CDlgBrowser, kHtmlViewId, DISPID_DOCUMENTCOMPLETE, OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
END_EVENTSINK_MAP()

CDlgBrowser::CDlgBrowser(LPCSTR url, CWnd* parent, int closeMode) : CDialog(IDD, parent), m_nCloseMode(closeMode)
{
    if (url != nullptr)
        m_strUrl = url;
}

CDlgBrowser::~CDlgBrowser() = default;

BOOL CDlgBrowser::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!LoadBrowserSkin()) {
        MessageBoxA(m_hWnd, kSkinLoadError, nullptr, MB_OK);
        PostMessage(WM_CLOSE);
        return TRUE;
    }
    // Without the frame element the browser is still made, with no size.
    m_htmlWnd.CreateView(GetSkinElementRect(kBrowserFrameElement), this);
    if (!m_strUrl.empty())
        Navigate(m_strUrl.c_str());
    return TRUE;
}

bool CDlgBrowser::LoadBrowserSkin()
{
    // The dialog's own engine: the form's events then come to this dialog's skin control.
    CWnd* control = GetDlgItem(kSkinControlId);
    IUnknown* unknown = control != nullptr ? control->GetControlUnknown() : nullptr;
    m_pSkinEngine = QuerySkin<ISkinEngine>(unknown, IID_ISkinEngine);
    if (!m_pSkinEngine)
        return false;
    const std::string path = ProgramFolder() + "/Zelvante.skn";
    if (FAILED(m_pSkinEngine->LoadSkin(SkinText(path.c_str()).c_str())) ||
        FAILED(m_pSkinEngine->ApplyForm(m_hWnd, SkinText(kBrowserFormName).c_str())))
        return false;
    ISkinRootElement* form = nullptr;
    if (FAILED(m_pSkinEngine->GetRootElement(m_hWnd, &form)) || form == nullptr)
        return false;
    m_pSkinForm = ComRef<ISkinRootElement>::Adopt(form);
    return true;
}

RECT CDlgBrowser::GetSkinElementRect(const char* elementName)
{
    RECT rect{0, 0, 0, 0};
    const SkinRef<ISkinElement> element =
        FindSkinElement<ISkinElement>(m_pSkinForm.get(), elementName, IID_ISkinElement);
    if (element)
        SkinElementClientRect(element.get(), &rect);
    return rect;
}

void CDlgBrowser::Navigate(const char* url)
{
    if (url != nullptr && *url != 0)
        m_htmlWnd.Navigate(url);
}

bool CDlgBrowser::OnBrowserSkinEvent(IUnknown* element)
{
    if (strcasecmp(SkinElementName(element).c_str(), kBrowserCloseButton) != 0)
        return false;
    if (m_nCloseMode == 0) {
        ShowWindow(SW_HIDE);
        m_htmlWnd.Navigate("about:blank");
    } else {
        EndDialog(1);
    }
    if (CWnd* main = AfxGetMainWnd())
        main->PostMessage(BrowserClosedMessage, 0, 0);
    return true;
}

void CDlgBrowser::OnBeforeNavigate2(IDispatch*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) {}

bool CDlgBrowser::IsOwnBrowser(IDispatch* browser) const
{
    return m_htmlWnd.m_hWnd != nullptr && SameObject(browser, m_htmlWnd.GetControlUnknown());
}

void CDlgBrowser::OnDocumentComplete(IDispatch* browser, VARIANT* url)
{
    // Frames complete too; only the top-level page is the dialog's.
    if (!IsOwnBrowser(browser))
        return;
    m_strBody.clear();
    ReadUrl(url, m_strUrl);
    const ComRef<IHTMLElement> body = m_htmlWnd.GetBody();
    BSTR html = nullptr;
    if (body && SUCCEEDED(body->get_innerHTML(&html))) {
        m_strBody = zv::browser::Utf8Of(html);
        SysFreeString(html);
    }
}

BOOL CDlgBrowser::PreTranslateMessage(MSG* msg)
{
    if (msg->message != WM_RBUTTONDOWN && msg->message != WM_RBUTTONDBLCLK)
        return CDialog::PreTranslateMessage(msg);
    auto* main = dynamic_cast<CDlgZelvante*>(CWnd::FromHandlePermanent(::GetParent(m_hWnd)));
    if (main != nullptr) {
        POINT cursor{};
        GetCursorPos(&cursor);
        main->TrackSkinMenu(2, cursor.x, cursor.y);
    }
    return TRUE;
}

void CDlgBrowser::OnDestroy()
{
    // The page goes before the window it lies over.
    if (m_htmlWnd.m_hWnd != nullptr)
        m_htmlWnd.DestroyWindow();
    m_pSkinForm = {};
    CDialog::OnDestroy();
}

void CDlgHostRegister::OnDocumentComplete(IDispatch* browser, VARIANT* url)
{
    CDlgBrowser::OnDocumentComplete(browser, url);
    // The server's page says a sign-up is complete by a body that begins with '1'.
    if (IsOwnBrowser(browser) && !GetBody().empty() && GetBody()[0] == '1')
        EndDialog(1);
}
