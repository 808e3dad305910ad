// CWnd: a C++ object attached to a window. Windows the framework creates or subclasses are routed
// through the object's message map; any other window handle gets a temporary object from
// FromHandle, kept until the thread's next idle time.
//
// The handle-to-object maps are per thread, as windows are. A window whose object wants to go
// with it deletes itself in PostNcDestroy.
#pragma once

#include "platform/afx/afx_dc.h"
#include "platform/afx/afx_geometry.h"
#include "platform/afx/cmd_target.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/paint.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/timers.h"
#include "platform/user/window.h"
#include "platform/user/window_icons.h"
#include "platform/win32/com_base.h"

#include <string>


class CMenu;
class CScrollBar;

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() = default;
    // Destroys a window still attached (without PostNcDestroy deleting anything).
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    // Places for SetWindowPos in the z-order (null is the top as well).
    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to the window; for other windows a temporary one (null for null).
    static CWnd* FromHandle(HWND hWnd);
    // The attached object only.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Frees this thread's temporary objects (the application does this when idle).
    static void DeleteTempMap();

    // Makes this the window's object without routing its messages; FALSE when either is taken.
    BOOL Attach(HWND hWnd);
    HWND Detach();
    // Attaches and routes the window's messages through this object's map, the window's own
    // procedure answering what the map does not.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // A null class name is the framework's window class (arrow cursor, window-colour background,
    // double clicks).
    virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                        LPVOID param = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, LPVOID param = nullptr);
    virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int cx,
                          int cy, HWND parent, HMENU menuOrId, LPVOID param = nullptr);
    // A hosted control (control_hosting.h) of the class, or of the class a program id names, with
    // its window in `parent`; this object then stands for that window. FALSE until
    // AfxEnableControlContainer, and when the class or its window cannot be made.
    BOOL CreateControl(REFCLSID clsid, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    BOOL CreateControl(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // The hosted control of this window, without a reference for the caller (do not Release it):
    // valid while the window lives. Null for a window that hosts no control.
    IUnknown* GetControlUnknown() const;
    virtual BOOL DestroyWindow();

    // Called for this window's messages (and its children's) before they are dispatched; TRUE
    // stops the message.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's own procedure (for subclassed windows) or the system's default.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc for the message being handled.
    LRESULT Default();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    void SetWindowText(LPCSTR text) { ::SetWindowTextA(m_hWnd, text); }
    int GetWindowText(LPSTR text, int maxCount) const { return ::GetWindowTextA(m_hWnd, text, maxCount); }
    std::string GetWindowText() const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }

    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    void MoveWindow(int x, int y, int cx, int cy, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, cx, cy, repaint); }
    void MoveWindow(const RECT* rect, BOOL repaint = TRUE);
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
    void ClientToScreen(RECT* rect) const;
    void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(RECT* rect) const;

    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(const RECT* update = nullptr, HRGN region = nullptr, UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, update, region, flags);
    }

    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
    BOOL KillTimer(UINT_PTR id);

    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
    HICON SetIcon(HICON icon, BOOL big);
    // The font the window draws its text in (WM_SETFONT); the font object must outlive its use.
    void SetFont(CFont* font, BOOL redraw = TRUE);

    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetDlgItemText(int id, LPCSTR text);
    UINT GetDlgItemText(int id, LPSTR text, int maxCount) const;
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;
    void CheckRadioButton(int firstId, int lastId, int checkId);
    // A temporary CMenu for the window's own copy of the system menu (null after a revert).
    CMenu* GetSystemMenu(BOOL revert) const;

    // The window's own scroll bars (SB_HORZ, SB_VERT; SB_BOTH where both make sense).
    BOOL SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw = TRUE);
    BOOL GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask = SIF_ALL);
    int SetScrollPos(int bar, int pos, BOOL redraw = TRUE);
    int GetScrollPos(int bar) const;
    void SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw = TRUE);
    void GetScrollRange(int bar, int* minPos, int* maxPos) const;
    // The largest position the bar can take (its maximum less the page).
    int GetScrollLimit(int bar);
    void ShowScrollBar(UINT bar, BOOL show = TRUE);
    BOOL EnableScrollBar(int bar, UINT arrows = ESB_ENABLE_BOTH);
    // A window without scroll bar controls shows or hides its own bar.
    void EnableScrollBarCtrl(int bar, BOOL enable = TRUE);

    // Sends a control's notification back to it (WM_REFLECT_BASE + message); TRUE when its map
    // handled it, the result in *result.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

    // Routes a message through the map: WM_COMMAND and WM_NOTIFY to OnCommand / OnNotify.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The control first (reflection), then this window's map, then the application's for a
    // top-level window.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // After the window is gone (the object is detached): delete this here for heap objects.
    virtual void PostNcDestroy() {}

    // Default handlers for the ON_WM_ entries: the default processing.
    int OnCreate(LPCREATESTRUCTA) { return static_cast<int>(Default()); }
    void OnClose() { Default(); }
    void OnDestroy() { Default(); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnSize(UINT, int, int) { Default(); }
    void OnMove(int, int) { Default(); }
    void OnPaint() { Default(); }
    BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    void OnActivateApp(BOOL, DWORD) { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
    void OnSetFocus(CWnd*) { Default(); }
    void OnKillFocus(CWnd*) { Default(); }
    void OnKeyDown(UINT, UINT, UINT) { Default(); }
    void OnKeyUp(UINT, UINT, UINT) { Default(); }
    void OnChar(UINT, UINT, UINT) { Default(); }
    void OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
    void OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
    void OnMouseMove(UINT, CPoint) { Default(); }
    void OnLButtonDown(UINT, CPoint) { Default(); }
    void OnLButtonUp(UINT, CPoint) { Default(); }
    void OnLButtonDblClk(UINT, CPoint) { Default(); }
    void OnRButtonDown(UINT, CPoint) { Default(); }
    void OnRButtonUp(UINT, CPoint) { Default(); }
    void OnRButtonDblClk(UINT, CPoint) { Default(); }
    void OnMButtonDown(UINT, CPoint) { Default(); }
    void OnMButtonUp(UINT, CPoint) { Default(); }
    BOOL OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
    void OnCaptureChanged(CWnd*) { Default(); }

private:
    explicit CWnd(HWND zOrderMarker) : m_hWnd(zOrderMarker) {}
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    void WindowGone();

    WNDPROC m_pfnSuper = nullptr;  // the window's own procedure while subclassed
};

// How the per-thread handle maps reach the object's handle.
inline HWND& HandleField(CWnd& wnd) { return wnd.m_hWnd; }

// The window procedure of every framework window.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CScrollBar : public CWnd {};

// Entries for window messages, with the framework's handler signatures.
#define AFX_WM_ENTRY(msg, ...) AFX_ENTRY(msg, 0, 0, 0, nullptr, __VA_ARGS__)
#define AFX_WPARAM_UINT static_cast<UINT>(m.wParam)
#define AFX_LOWORD_L static_cast<int>(static_cast<short>(LOWORD(m.lParam)))
#define AFX_HIWORD_L static_cast<int>(static_cast<short>(HIWORD(m.lParam)))
#define AFX_MOUSE_ENTRY(msg, fn) \
    AFX_WM_ENTRY(msg, AFX_HANDLER(void (ThisClass::*)(UINT, CPoint), fn)(AFX_WPARAM_UINT, CPoint(m.lParam)))
#define AFX_KEY_ENTRY(msg, fn)                                                                          \
    AFX_WM_ENTRY(msg, AFX_HANDLER(void (ThisClass::*)(UINT, UINT, UINT), fn)(AFX_WPARAM_UINT,           \
                                                                            LOWORD(m.lParam), HIWORD(m.lParam)))

#define ON_WM_CREATE() \
    AFX_WM_ENTRY(WM_CREATE, m.result = AFX_HANDLER(int (ThisClass::*)(LPCREATESTRUCTA), OnCreate)(reinterpret_cast<LPCREATESTRUCTA>(m.lParam)))
#define ON_WM_CLOSE() AFX_WM_ENTRY(WM_CLOSE, AFX_HANDLER(void (ThisClass::*)(), OnClose)())
#define ON_WM_DESTROY() AFX_WM_ENTRY(WM_DESTROY, AFX_HANDLER(void (ThisClass::*)(), OnDestroy)())
#define ON_WM_TIMER() \
    AFX_WM_ENTRY(WM_TIMER, AFX_HANDLER(void (ThisClass::*)(UINT_PTR), OnTimer)(static_cast<UINT_PTR>(m.wParam)))
#define ON_WM_SIZE() \
    AFX_WM_ENTRY(WM_SIZE, AFX_HANDLER(void (ThisClass::*)(UINT, int, int), OnSize)(AFX_WPARAM_UINT, LOWORD(m.lParam), HIWORD(m.lParam)))
#define ON_WM_MOVE() AFX_WM_ENTRY(WM_MOVE, AFX_HANDLER(void (ThisClass::*)(int, int), OnMove)(AFX_LOWORD_L, AFX_HIWORD_L))
#define ON_WM_PAINT() AFX_WM_ENTRY(WM_PAINT, AFX_HANDLER(void (ThisClass::*)(), OnPaint)())
#define ON_WM_ERASEBKGND()                                                                        \
    AFX_WM_ENTRY(WM_ERASEBKGND, CDC dc(reinterpret_cast<HDC>(m.wParam));                          \
                 m.result = AFX_HANDLER(BOOL (ThisClass::*)(CDC*), OnEraseBkgnd)(&dc))
#define ON_WM_QUERYDRAGICON() \
    AFX_WM_ENTRY(WM_QUERYDRAGICON, m.result = reinterpret_cast<LRESULT>(AFX_HANDLER(HCURSOR (ThisClass::*)(), OnQueryDragIcon)()))
#define ON_WM_ACTIVATEAPP() \
    AFX_WM_ENTRY(WM_ACTIVATEAPP, AFX_HANDLER(void (ThisClass::*)(BOOL, DWORD), OnActivateApp)(static_cast<BOOL>(m.wParam), static_cast<DWORD>(m.lParam)))
#define ON_WM_SYSCOMMAND() \
    AFX_WM_ENTRY(WM_SYSCOMMAND, AFX_HANDLER(void (ThisClass::*)(UINT, LPARAM), OnSysCommand)(AFX_WPARAM_UINT, m.lParam))
#define ON_WM_SETCURSOR()                                                                                 \
    AFX_WM_ENTRY(WM_SETCURSOR, m.result = AFX_HANDLER(BOOL (ThisClass::*)(CWnd*, UINT, UINT), OnSetCursor)( \
                                   CWnd::FromHandle(reinterpret_cast<HWND>(m.wParam)), LOWORD(m.lParam), HIWORD(m.lParam)))
#define ON_WM_SETFOCUS() \
    AFX_WM_ENTRY(WM_SETFOCUS, AFX_HANDLER(void (ThisClass::*)(CWnd*), OnSetFocus)(CWnd::FromHandle(reinterpret_cast<HWND>(m.wParam))))
#define ON_WM_KILLFOCUS() \
    AFX_WM_ENTRY(WM_KILLFOCUS, AFX_HANDLER(void (ThisClass::*)(CWnd*), OnKillFocus)(CWnd::FromHandle(reinterpret_cast<HWND>(m.wParam))))
#define ON_WM_KEYDOWN() AFX_KEY_ENTRY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY_ENTRY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY_ENTRY(WM_CHAR, OnChar)
#define ON_WM_VSCROLL()                                                                                    \
    AFX_WM_ENTRY(WM_VSCROLL, AFX_HANDLER(void (ThisClass::*)(UINT, UINT, CScrollBar*), OnVScroll)(           \
                                 LOWORD(m.wParam), HIWORD(m.wParam),                                       \
                                 static_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(m.lParam)))))
#define ON_WM_HSCROLL()                                                                                    \
    AFX_WM_ENTRY(WM_HSCROLL, AFX_HANDLER(void (ThisClass::*)(UINT, UINT, CScrollBar*), OnHScroll)(           \
                                 LOWORD(m.wParam), HIWORD(m.wParam),                                       \
                                 static_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(m.lParam)))))
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_MOUSE_ENTRY(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_MOUSE_ENTRY(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MOUSEWHEEL()                                                                                   \
    AFX_WM_ENTRY(WM_MOUSEWHEEL, m.result = AFX_HANDLER(BOOL (ThisClass::*)(UINT, short, CPoint), OnMouseWheel)( \
                                    LOWORD(m.wParam), static_cast<short>(HIWORD(m.wParam)), CPoint(m.lParam)))
#define ON_WM_CAPTURECHANGED() \
    AFX_WM_ENTRY(WM_CAPTURECHANGED, AFX_HANDLER(void (ThisClass::*)(CWnd*), OnCaptureChanged)(CWnd::FromHandle(reinterpret_cast<HWND>(m.lParam))))
