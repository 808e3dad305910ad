#include "platform/afx/afx_wnd.h"

#include "platform/afx/afx_app.h"
#include "platform/afx/afx_menu.h"
#include "platform/afx/afx_wnd_state.h"
#include "platform/user/dialog.h"
#include "platform/win32/last_error.h"

#include <vector>

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    zv::afx::WindowThreadState& state = zv::afx::ThisThreadWindows();
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd) {
        // The first message of a window CreateEx is making: this is where the object meets it.
        wnd = state.creating;
        if (!wnd || !wnd->Attach(hWnd))
            return DefWindowProcA(hWnd, message, wParam, lParam);
        state.creating = nullptr;
    }
    const zv::afx::CurrentMessage saved = state.current;
    state.current = {message, wParam, lParam};
    const LRESULT result = wnd->WindowProc(message, wParam, lParam);
    state.current = saved;
    if (message == WM_NCDESTROY)
        wnd->WindowGone();
    return result;
}

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd::~CWnd()
{
    if (this == &wndTop || this == &wndBottom || this == &wndTopMost || this == &wndNoTopMost)
        return;
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
    if (m_hWnd)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return zv::afx::ThisThreadWindows().windows.Permanent(hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    return zv::afx::ThisThreadWindows().windows.FromHandle(hWnd);
}

void CWnd::DeleteTempMap()
{
    zv::afx::ThisThreadWindows().windows.DeleteTemporaries();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    zv::afx::ThisThreadWindows().windows.Adopt(hWnd, this);
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd)
        zv::afx::ThisThreadWindows().windows.Forget(hWnd, this);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!::IsWindow(hWnd) || GetWindowThreadProcessId(hWnd, nullptr) != zv::user::CurrentThreadId()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!Attach(hWnd))
        return FALSE;
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    // A window of the framework's own class needs no procedure under it but the default.
    m_pfnSuper = previous == &AfxWndProc ? nullptr : previous;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    HWND control = parent ? ::GetDlgItem(parent->m_hWnd, static_cast<int>(id)) : nullptr;
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

namespace {

const char kFrameworkClass[] = "AfxWnd";

void RegisterFrameworkClass()
{
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &AfxWndProc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
        wc.lpszClassName = kFrameworkClass;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
}

} // namespace

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  LPVOID param)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int cx, int cy,
                    HWND parent, HMENU menuOrId, LPVOID param)
{
    if (m_hWnd) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!className) {
        RegisterFrameworkClass();
        className = kFrameworkClass;
    }
    zv::afx::WindowThreadState& state = zv::afx::ThisThreadWindows();
    CWnd* const outer = state.creating;
    state.creating = this;
    HWND hWnd = CreateWindowExA(exStyle, className, windowName, style, x, y, cx, cy, parent, menuOrId,
                                AfxGetInstanceHandle(), param);
    const bool metDuringCreation = state.creating != this;
    state.creating = outer;
    if (!hWnd)
        return FALSE;
    // A class with a procedure of its own (a control) never called ours: route it from now on.
    if (!metDuringCreation && !SubclassWindow(hWnd)) {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    if (FromHandlePermanent(m_hWnd) != this) {
        // A temporary object: the window goes, the object stays until idle time.
        HWND hWnd = m_hWnd;
        return ::DestroyWindow(hWnd);
    }
    return ::DestroyWindow(m_hWnd);
}

void CWnd::WindowGone()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        if (app->IsAppThread())
            PostQuitMessage(0);
    }
    m_pfnSuper = nullptr;
    Detach();
    PostNcDestroy();
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const zv::afx::CurrentMessage& current = zv::afx::ThisThreadWindows().current;
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, entries};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *result = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return header && OnNotify(wParam, lParam, result);
    }
    AfxMessage routed{message, wParam, lParam};
    if (!DispatchToMap(routed))
        return FALSE;
    *result = routed.result;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    AfxMessage reflected{WM_REFLECT_BASE + message, wParam, lParam};
    if (message == WM_COMMAND) {
        reflected.code = HIWORD(wParam);
    } else if (message == WM_NOTIFY) {
        reflected.code = reinterpret_cast<const NMHDR*>(lParam)->code;
    }
    if (!DispatchToMap(reflected))
        return FALSE;
    if (result)
        *result = reflected.result;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    UINT code = HIWORD(wParam);
    if (control) {
        if (CWnd* child = FromHandlePermanent(control); child && child->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr))
            return TRUE;
    } else {
        code = CN_COMMAND; // menus (0) and accelerators (1) alike
    }
    if (OnCmdMsg(id, static_cast<int>(code), nullptr, nullptr))
        return TRUE;
    // Commands a top-level window does not handle go to the application object.
    CWinApp* app = AfxGetApp();
    const bool topLevel = (GetWindowLongA(m_hWnd, GWL_STYLE) & static_cast<LONG>(WS_CHILD)) == 0;
    return topLevel && app && app->OnCmdMsg(id, static_cast<int>(code), nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (CWnd* child = FromHandlePermanent(header->hwndFrom);
        child && child->OnChildNotify(WM_NOTIFY, 0, lParam, result))
        return TRUE;
    return OnCmdMsg(static_cast<UINT>(header->idFrom), static_cast<int>(header->code), header, result);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

std::string CWnd::GetWindowText() const
{
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLength()) + 1);
    const int copied = ::GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void CWnd::MoveWindow(const RECT* rect, BOOL repaint)
{
    ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : HWND_TOP, x, y, cx, cy, flags);
}

void CWnd::ClientToScreen(RECT* rect) const
{
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::ScreenToClient(RECT* rect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    return ::SetTimer(m_hWnd, id, elapse, proc);
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    return ::KillTimer(m_hWnd, id);
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert));
}

HICON CWnd::SetIcon(HICON icon, BOOL big)
{
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

void CWnd::SetFont(CFont* font, BOOL redraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? static_cast<HFONT>(*font) : nullptr), redraw);
}

void CWnd::SetDlgItemText(int id, LPCSTR text)
{
    ::SetWindowTextA(::GetDlgItem(m_hWnd, id), text);
}

UINT CWnd::GetDlgItemText(int id, LPSTR text, int maxCount) const
{
    return static_cast<UINT>(::GetWindowTextA(::GetDlgItem(m_hWnd, id), text, maxCount));
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned)
{
    ::SetDlgItemInt(m_hWnd, id, value, isSigned);
}

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const
{
    return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
}

void CWnd::CheckDlgButton(int id, UINT check)
{
    ::CheckDlgButton(m_hWnd, id, check);
}

UINT CWnd::IsDlgButtonChecked(int id) const
{
    return ::IsDlgButtonChecked(m_hWnd, id);
}

void CWnd::CheckRadioButton(int firstId, int lastId, int checkId)
{
    ::CheckRadioButton(m_hWnd, firstId, lastId, checkId);
}
