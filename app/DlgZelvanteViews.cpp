// The main dialog's HTML views: the ad view over its skin element, the general and private chat
// views and the chat input at theirs, the ad page by the update server's reply and the user's
// setting, and the chat font size.
//
// The views are children of the window that shows the skin, so they move with it; a skin applied
// later gets new element windows, and the views are put on top of them again when laid out.
#include "app/DlgZelvante.h"

#include "app/MenuCommands.h"
#include "app/ServerUrl.h"
#include "app/SkinElementRef.h"
#include "app/VersionInfo.h"
#include "app/ZelvanteApp.h"

namespace {

constexpr UINT kAdViewId = 2201;
constexpr UINT kSmallAdPageString = 120;
constexpr UINT kAdPageString = 152;
constexpr const char* kBlankPage = "about:blank";

constexpr const char* kGeneralChatElement = "Static Chat General Mid";
constexpr const char* kPrivateChatElement = "Static Chat Private Mid1";
constexpr const char* kChatInputElement = "Static Chat Send Mid";

// The update server's last reply allows ads when its first word is not empty (no reply: none).
bool AdsAllowedByServer()
{
    return !g_updateReplyToken.Get().empty();
}

// Puts the window at `place` in its parent, above the skin's element windows, without activating it.
void PlaceView(CWnd& window, const RECT& place)
{
    window.SetWindowPos(&CWnd::wndTop, place.left, place.top, place.right - place.left, place.bottom - place.top,
                        SWP_NOACTIVATE);
}

} // namespace

void CDlgZelvante::CreateAdView()
{
    if (m_wndAdView.GetSafeHwnd())
        return;
    // The window that shows the skin, as the skin itself names it.
    SkinRef<ISkinElementWindow> form = QuerySkin<ISkinElementWindow>(m_pSkinRoot, IID_ISkinElementWindow);
    HWND skinWindow = nullptr;
    if (!form || FAILED(form->GetWindow(&skinWindow)) || skinWindow == nullptr)
        return;
    CWnd* parent = CWnd::FromHandle(skinWindow);
    RECT place{};
    GetSkinElementRect(m_bAdVideoExchanged ? "Frame Video" : "Static Ad", &place);
    if (!m_wndAdView.Create(nullptr, kHtmlViewName, kHtmlViewStyle, place, parent, kAdViewId))
        return;
    ReloadAd();
}

void CDlgZelvante::LayoutAdView()
{
    if (!m_wndAdView.GetSafeHwnd())
        return;
    RECT place{};
    GetSkinElementRect(m_bAdVideoExchanged ? "Frame Video" : "Static Ad", &place);
    PlaceView(m_wndAdView, place);
}

void CDlgZelvante::ReloadAd()
{
    m_bShowAds = AdsAllowedByServer() && ZelvanteApp().GetProfileInt("Params", "ShowAd", 1) != 0 ? 1 : 0;
    if (!m_wndAdView.GetSafeHwnd())
        return;
    std::string page;
    if (!m_bShowAds || !LoadServerUrl(m_bAdVideoExchanged ? kSmallAdPageString : kAdPageString, page)) {
        // Ads off: the ad goes, and its page with it (nothing runs on unseen).
        m_wndAdView.Navigate(kBlankPage);
        m_wndAdView.ShowWindow(SW_HIDE);
        return;
    }
    m_wndAdView.Navigate(page.c_str());
    m_wndAdView.ShowWindow(SW_SHOWNOACTIVATE);
}

void CDlgZelvante::CreateChatViews()
{
    for (CDlgHtmlCtrl* view : {&m_dlgChatGeneral, &m_dlgChatPrivate}) {
        if (view->GetSafeHwnd() || !view->Create(CDlgHtmlCtrl::IDD, this))
            continue;
        RECT client{};
        view->GetClientRect(&client);
        if (!view->m_htmlWnd.CreateView(client, view)) {
            view->DestroyWindow();
            continue;
        }
        view->SetFontSize(StoredFontSize());
    }
    if (!m_dlgChatInput.GetSafeHwnd())
        m_dlgChatInput.Create(CDlgTextCtrl::IDD, this);
    LayoutChatViews();
    for (CDialog* view : {static_cast<CDialog*>(&m_dlgChatGeneral), static_cast<CDialog*>(&m_dlgChatPrivate),
                          static_cast<CDialog*>(&m_dlgChatInput)}) {
        if (view->GetSafeHwnd())
            view->ShowWindow(SW_SHOWNOACTIVATE);
    }
}

void CDlgZelvante::LayoutChatViews()
{
    const struct {
        CDialog* view;
        const char* element;
    } places[] = {{&m_dlgChatGeneral, kGeneralChatElement},
                  {&m_dlgChatPrivate, kPrivateChatElement},
                  {&m_dlgChatInput, kChatInputElement}};
    for (const auto& [view, element] : places) {
        if (!view->GetSafeHwnd())
            continue;
        RECT place{};
        GetSkinElementRect(element, &place);
        PlaceView(*view, place);
    }
    // The browser fills its view (the chat input sizes its own edit).
    for (CDlgHtmlCtrl* view : {&m_dlgChatGeneral, &m_dlgChatPrivate}) {
        if (!view->GetSafeHwnd() || !view->m_htmlWnd.GetSafeHwnd())
            continue;
        RECT client{};
        view->GetClientRect(&client);
        view->m_htmlWnd.MoveWindow(&client);
    }
}

void CDlgZelvante::DestroyHtmlViews()
{
    for (CWnd* view : {static_cast<CWnd*>(&m_dlgChatGeneral), static_cast<CWnd*>(&m_dlgChatPrivate),
                       static_cast<CWnd*>(&m_wndAdView), static_cast<CWnd*>(&m_dlgChatInput)}) {
        if (view->GetSafeHwnd())
            view->DestroyWindow();
    }
}

void CDlgZelvante::ApplyChatFontSize(int size)
{
    m_dlgChatGeneral.SetFontSize(size);
    m_dlgChatPrivate.SetFontSize(size);
}
