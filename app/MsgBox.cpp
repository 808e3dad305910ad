#include "app/MsgBox.h"

#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window.h"

#include <mutex>
#include <strings.h>

namespace {

constexpr UINT kMsgBoxTemplate = 140;
constexpr int kTextStatic = 1019;
constexpr int kSecondStatic = 1022;
constexpr UINT_PTR kCountdownTimer = 10;
constexpr UINT kCountdownPeriod = 1000;

constexpr WPARAM kButtonFront = 0;
constexpr WPARAM kButtonOk = 1;
constexpr WPARAM kButtonCancel = 2;

UINT g_msgButtonClick = 0;
std::once_flag g_msgButtonClickOnce;

// The skin engine when this thread may use it: the engine, its forms and their events live on the
// main window's thread.
ISkinEngine* SkinEngineForThisThread()
{
    const auto* app = dynamic_cast<CZelvanteApp*>(AfxGetApp());
    const CWnd* main = AfxGetMainWnd();
    if (!app || !main || GetWindowThreadProcessId(main->GetSafeHwnd(), nullptr) != zv::user::CurrentThreadId())
        return nullptr;
    return app->SkinEngine();
}

// A form changes the window's size: keep the box in the middle of the work area.
void CentreOnWorkArea(HWND window)
{
    RECT area{};
    RECT box{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || !GetWindowRect(window, &box))
        return;
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

BEGIN_MESSAGE_MAP(CMsgBox, CDialog)
    ON_REGISTERED_MESSAGE(g_msgButtonClick, OnButtonClick)
    ON_WM_TIMER()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

UINT CMsgBox::ButtonClickMessage()
{
    std::call_once(g_msgButtonClickOnce, [] { g_msgButtonClick = RegisterWindowMessageA(MsgButtonClickMessageName); });
    return g_msgButtonClick;
}

CMsgBox::CMsgBox(LPCSTR text) : CDialog(kMsgBoxTemplate, nullptr), m_strText(text ? text : "")
{
    ButtonClickMessage();
}

CMsgBox::~CMsgBox()
{
    ReleaseSkinRoot();
}

void CMsgBox::SetMessage(LPCSTR text)
{
    m_strText = text ? text : "";
    ShowMessage();
}

void CMsgBox::ShowMessage()
{
    if (!m_hWnd)
        return;
    if (!m_pSkinRoot) {
        SetDlgItemText(kTextStatic, m_strText.c_str());
        return;
    }
    if (auto text = FindSkinElement<ISkinText>(m_pSkinRoot, "Static Msg Message", IID_ISkinText)) {
        text->SetText(SkinText(m_strText.c_str()).c_str());
        if (auto element = QuerySkin<ISkinElement>(text.get(), IID_ISkinElement))
            element->Refresh();
    }
}

bool CMsgBox::OnSkinEvent(IUnknown* element)
{
    if (!element)
        return false;
    // The window that shows the element's form: the last window found on the way up.
    HWND window = nullptr;
    auto step = QuerySkin<ISkinElementWindow>(element, IID_ISkinElementWindow);
    while (step) {
        HWND found = nullptr;
        if (SUCCEEDED(step->GetWindow(&found)) && found)
            window = found;
        ISkinElement* parent = nullptr;
        if (FAILED(step->GetParentElement(&parent)) || !parent)
            break;
        const auto held = SkinRef<ISkinElement>::Adopt(parent);
        step = QuerySkin<ISkinElementWindow>(parent, IID_ISkinElementWindow);
    }
    if (!window || !IsWindow(window))
        return false;
    const std::string name = SkinElementName(element);
    WPARAM button;
    if (strcasecmp(name.c_str(), "Button Msg OK") == 0)
        button = kButtonOk;
    else if (strcasecmp(name.c_str(), "Button Msg Cancel") == 0)
        button = kButtonCancel;
    else
        return false;
    PostMessageA(window, ButtonClickMessage(), button, 0);
    return true;
}

BOOL CMsgBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    const bool skinned = ApplySkin();
    if (skinned) {
        for (int id : {IDOK, IDCANCEL, kTextStatic, kSecondStatic}) {
            if (CWnd* control = GetDlgItem(id))
                control->ShowWindow(SW_HIDE);
        }
    }
    ShowMessage();
    // The form, and a long text growing it, changed the window's size.
    if (skinned)
        CentreOnWorkArea(m_hWnd);
    // Handled once the modal loop runs, so the box comes to the front when it is really up.
    PostMessage(ButtonClickMessage(), kButtonFront, 0);
    if (m_nAutoResult != 0)
        SetTimer(kCountdownTimer, kCountdownPeriod);
    return TRUE;
}

bool CMsgBox::ApplySkin()
{
    ISkinEngine* engine = SkinEngineForThisThread();
    if (!engine)
        return false;
    ReleaseSkinRoot();
    if (FAILED(engine->ApplyForm(m_hWnd, SkinText("Skin Msg").c_str())))
        return false;
    ISkinRootElement* root = nullptr;
    if (FAILED(engine->GetRootElement(m_hWnd, &root)) || !root)
        return false;
    m_pSkinRoot = root;
    return true;
}

BOOL CMsgBox::PreTranslateMessage(MSG* msg)
{
    // A posted button message is handled even when the modal loop would not dispatch it to us.
    if (msg->message == ButtonClickMessage() && msg->hwnd == m_hWnd) {
        OnButtonClick(msg->wParam, msg->lParam);
        return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CMsgBox::OnButtonClick(WPARAM wParam, LPARAM)
{
    switch (wParam) {
    case kButtonFront:
        SetForegroundWindow();
        BringWindowToTop();
        break;
    case kButtonOk:
        OnOK();
        break;
    case kButtonCancel:
        OnCancel();
        break;
    default:
        break;
    }
    return 0;
}

void CMsgBox::OnTimer(UINT_PTR id)
{
    if (id != kCountdownTimer) {
        CDialog::OnTimer(id);
        return;
    }
    KillTimer(kCountdownTimer);
    if (m_nCountdown-- == 1)
        EndDialog(m_nAutoResult);
    else
        SetTimer(kCountdownTimer, kCountdownPeriod);
}

void CMsgBox::OnDestroy()
{
    KillTimer(kCountdownTimer);
    ReleaseSkinRoot();
    CDialog::OnDestroy();
}

void CMsgBox::ReleaseSkinRoot()
{
    if (m_pSkinRoot)
        std::exchange(m_pSkinRoot, nullptr)->Release();
}
