#include "app/DlgStudio.h"

#include "app/ProgramMessages.h"
#include "app/ServerUrl.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "platform/afx/afx_menu.h"
#include "platform/afx/message_map.h"
#include "platform/user/message_box.h"

#include <strings.h>

using zv::win32::ComRef;

namespace {

constexpr const char* kSkinControlError =
    "Error instantiating Skin control.\r\nTry reinstalling application to solve the problem.";
constexpr const char* kSkinApplyError =
    "Error applying skin interface.\r\nTry reinstalling application to solve the problem.";
constexpr const char* kFrameElement = "Browser Frame";

struct StudioButton {
    const char* element;
    UINT page; // 0: the close button
};

constexpr StudioButton kStudioButtons[] = {
    {"Button Studio Close", 0},
    {"Button Studio Main", kStudioMainPage},
    {"Button Studio Settings", kStudioSettingsPage},
    {"Button Studio Payment", kStudioPaymentPage},
    {"Button Studio Salary", kStudioSalaryPage},
    {"Button Studio Add Host", kStudioAddHostPage},
};

// The pages of the "Studio" menu's commands, in command order.
constexpr UINT kCommandPages[] = {kStudioMainPage, kStudioSettingsPage, kStudioPaymentPage, kStudioSalaryPage,
                                  kStudioAddHostPage};

} // namespace

BEGIN_MESSAGE_MAP(CDlgStudio, CDialog)
    ON_WM_CLOSE()
    ON_MESSAGE(CloseRequestMessage, OnClose)
    ON_MESSAGE(HostStatusMessage, OnHostStatus)
    ON_COMMAND_RANGE(kStudioMainCommand, kStudioAddHostCommand, OnStudioCommand)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CDlgStudio, CDialog)
    ON_EVENT(CDlgStudio, CDlgStudio::kSkinControlId, kSkinEventClick, OnSkinButton, VTS_UNKNOWN)
END_EVENTSINK_MAP()

CDlgStudio::CDlgStudio() : CDialog(IDD, nullptr) {}

CDlgStudio::~CDlgStudio() = default;

BOOL CDlgStudio::Create() { return CDialog::Create(IDD, nullptr); }

BOOL CDlgStudio::OnInitDialog()
{
    CDialog::OnInitDialog();
    CZelvanteApp& app = ZelvanteApp();
    if (!app.LoadSkinFile(GetDlgItem(kSkinControlId), nullptr)) {
        MessageBoxA(m_hWnd, kSkinControlError, nullptr, MB_OK);
        PostMessage(WM_CLOSE);
        return TRUE;
    }
    ISkinEngine* engine = app.SkinEngine();
    if (engine == nullptr || FAILED(engine->ApplyForm(m_hWnd, SkinText(kStudioFormName).c_str()))) {
        MessageBoxA(m_hWnd, kSkinApplyError, nullptr, MB_OK);
        PostMessage(WM_CLOSE);
        return TRUE;
    }
    ISkinRootElement* form = nullptr;
    if (SUCCEEDED(engine->GetRootElement(m_hWnd, &form)))
        m_pSkinForm = ComRef<ISkinRootElement>::Adopt(form);
    RECT frame{0, 0, 0, 0};
    if (SkinRef<ISkinElement> element = FindSkinElement<ISkinElement>(m_pSkinForm.get(), kFrameElement, IID_ISkinElement))
        SkinElementClientRect(element.get(), &frame);
    m_htmlWnd.CreateView(frame, this);
    NavigateServerPage(kStudioMainPage);
    m_bInitialised = 1;
    ShowWindow(SW_SHOW);
    return TRUE;
}

void CDlgStudio::NavigateServerPage(UINT stringId)
{
    std::string page;
    if (!LoadServerUrl(stringId, page))
        return;
    m_strUrl = WithUserId(page, ZelvanteApp().Credentials.UserId());
    if (!m_strUrl.empty())
        m_htmlWnd.Navigate(m_strUrl.c_str());
}

bool CDlgStudio::OnSkinButton(IUnknown* element)
{
    const std::string name = SkinElementName(element);
    for (const StudioButton& button : kStudioButtons) {
        if (strcasecmp(name.c_str(), button.element) != 0)
            continue;
        if (button.page == 0)
            PostMessage(CloseRequestMessage, 0, 0);
        else
            NavigateServerPage(button.page);
        return true;
    }
    return false;
}

void CDlgStudio::OnStudioCommand(UINT id)
{
    NavigateServerPage(kCommandPages[id - kStudioMainCommand]);
}

void CDlgStudio::ShowStudioMenu()
{
    CMenu menus;
    if (!menus.LoadMenu(kMenuId))
        return;
    CMenu* popup = menus.GetSubMenu(kStudioMenuPosition);
    const SkinRef<ISkinMenu> skinMenu = QuerySkin<ISkinMenu>(m_pSkinForm.get(), IID_ISkinMenu);
    if (popup == nullptr || !skinMenu)
        return;
    POINT cursor{};
    GetCursorPos(&cursor);
    skinMenu->TrackPopupMenu(popup->GetSafeHmenu(), cursor.x, cursor.y);
}

BOOL CDlgStudio::PreTranslateMessage(MSG* msg)
{
    if (msg->message != WM_RBUTTONDOWN && msg->message != WM_RBUTTONDBLCLK)
        return CDialog::PreTranslateMessage(msg);
    ShowStudioMenu();
    return TRUE;
}

LRESULT CDlgStudio::OnClose(WPARAM, LPARAM)
{
    DestroyWindow();
    return 0;
}

void CDlgStudio::OnClose()
{
    DestroyWindow();
}

LRESULT CDlgStudio::OnHostStatus(WPARAM, LPARAM) { return 0; }
