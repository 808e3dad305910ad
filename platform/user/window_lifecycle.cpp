// Creating and destroying windows, the default window procedure and window lookup.
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/non_client.h"
#include "platform/user/paint.h"
#include "platform/user/remote_windows.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/system_classes.h"
#include "platform/user/thread_queue.h"
#include "platform/user/window_icons.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"
#include "platform/win32/processes.h"
#include "platform/win32/threads.h"
#include "platform/win32/wait_service.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace zv::user {

// One thread numbering for the whole layer: the kernel objects' own.
DWORD CurrentThreadId()
{
    return ::GetCurrentThreadId();
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC procedure = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        if (WindowRecord* record = table.Find(hwnd))
            procedure = record->wndProc;
    }
    return procedure ? procedure(hwnd, message, wParam, lParam) : 0;
}

namespace {

// The last step of every destruction: WM_NCDESTROY, then the handle is gone for good.
void FinishDestruction(HWND hwnd)
{
    CallWindowProcedure(hwnd, WM_NCDESTROY, 0, 0);
    zv::user::ForgetScrollBars(hwnd);
    std::shared_ptr<ThreadQueue> queue;
    bool topLevel = false;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hwnd);
        if (!record)
            return;
        queue = record->queue;
        topLevel = !record->IsChild();
        --record->windowClass->windowCount;
        table.Remove(hwnd);
    }
    queue->DropWindow(hwnd);
    ReleaseSystemMenu(hwnd);
    WithdrawWindow(hwnd);
    if (topLevel)
        ForgetDisplayWindow(hwnd);
}

// A window about to be destroyed disappears first: its parent shows where it was, and it gives
// up focus, capture and activation.
void Disappear(HWND hwnd)
{
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE)
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ReleaseInputOf(hwnd);
}

// WM_DESTROY goes to a window before its children, WM_NCDESTROY after theirs.
void DestroyWindowTree(HWND hwnd)
{
    WindowTable& table = WindowTable::Instance();
    {
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hwnd);
        if (!record || record->destroying)
            return;
        record->destroying = true;
    }
    CallWindowProcedure(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(table.Mutex());
        // Only this thread can run a window's procedure; windows of other threads stay.
        const DWORD thread = CurrentThreadId();
        for (HWND child : table.ChildrenOf(hwnd)) {
            if (table.Find(child)->threadId == thread)
                children.push_back(child);
        }
    }
    for (HWND child : children)
        DestroyWindowTree(child);
    FinishDestruction(hwnd);
}

} // namespace

int CopyText(const std::string& text, char* buffer, std::size_t max)
{
    if (!buffer || max == 0)
        return 0;
    std::size_t count = std::min(text.size(), max - 1);
    if (count < text.size()) {
        while (count > 0 && (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80)
            --count;
    }
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

} // namespace zv::user

using zv::user::CallWindowProcedure;
using zv::user::CurrentThreadId;
using zv::user::ThreadQueue;
using zv::user::WindowRecord;
using zv::user::WindowTable;

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                     int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID lpParam)
{
    if (!lpClassName) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    zv::user::InstallCanvasHooks();
    zv::user::EnsureSystemClasses();
    if (hWndParent == zv::user::kDesktopWindow)
        hWndParent = nullptr;
    auto record = std::make_shared<WindowRecord>();
    record->queue = ThreadQueue::ForCurrentThread();
    record->threadId = CurrentThreadId();
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        record->windowClass = table.FindClass(lpClassName);
        if (!record->windowClass) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (hWndParent && !table.Find(hWndParent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if ((dwStyle & WS_CHILD) && !hWndParent) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        record->wndProc = record->windowClass->wndProc;
        // Shown only once created, as the system does.
        record->style = dwStyle & ~WS_VISIBLE;
        record->exStyle = dwExStyle;
        record->parent = hWndParent;
        const auto given = [](int value) { return value == CW_USEDEFAULT ? 0 : value; };
        int left = given(X), top = given(Y);
        // A top-level window placed by default goes where the program that started us asked.
        STARTUPINFOA startup{};
        if (X == CW_USEDEFAULT && !(dwStyle & WS_CHILD)) {
            GetStartupInfoA(&startup);
            if (startup.dwFlags & STARTF_USEPOSITION) {
                left = static_cast<int>(startup.dwX);
                top = static_cast<int>(startup.dwY);
            }
        }
        record->rect = {left, top, left + given(nWidth), top + given(nHeight)};
        if (dwStyle & WS_CHILD)
            record->id = reinterpret_cast<LONG_PTR>(hMenu);
        record->normalRect = record->rect;
        if (!(dwStyle & WS_CHILD))
            zv::user::ResizeSurfaceLocked(*record);
        record->extraBytes.assign(static_cast<std::size_t>(record->windowClass->cbWndExtra), 0);
        if (!table.Add(record))
            return nullptr;
        ++record->windowClass->windowCount;
    }
    const HWND hwnd = record->handle;
    CREATESTRUCTA create{lpParam, hInstance,   hMenu, hWndParent, nHeight, nWidth,
                         Y,       X,           static_cast<LONG>(dwStyle),
                         lpWindowName, lpClassName, dwExStyle};
    const LPARAM createParam = reinterpret_cast<LPARAM>(&create);
    if (!CallWindowProcedure(hwnd, WM_NCCREATE, 0, createParam)) {
        zv::user::FinishDestruction(hwnd);
        return nullptr;
    }
    if (CallWindowProcedure(hwnd, WM_CREATE, 0, createParam) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    bool child = false;
    RECT client{};
    POINT origin{};
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* created = table.Find(hwnd);
        if (!created || created->destroying)
            return nullptr; // it destroyed itself while being created
        child = created->IsChild();
        client = zv::user::ClientAreaInWindow(*created);
        origin = POINT{created->rect.left + client.left, created->rect.top + client.top};
    }
    zv::user::PublishWindow(hwnd);
    // Its first size and place, as every window hears them before it shows.
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<unsigned>(client.right - client.left), static_cast<unsigned>(client.bottom - client.top)));
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<unsigned>(origin.x), static_cast<unsigned>(origin.y)));
    if (!IsWindow(hwnd))
        return nullptr;
    if (dwStyle & WS_VISIBLE)
        ShowWindow(hwnd, child ? SW_SHOWNA : SW_SHOW);
    else if (!child)
        zv::user::UpdateDisplay();
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hWnd)
{
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hWnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (record->threadId != CurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    zv::user::Disappear(hWnd);
    zv::user::DestroyWindowTree(hWnd);
    return TRUE;
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    switch (Msg) {
    case WM_NCCREATE:
    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        if (Msg == WM_NCCREATE)
            text = lParam ? reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpszName : nullptr;
        WindowTable& table = WindowTable::Instance();
        {
            std::lock_guard lock(table.Mutex());
            WindowRecord* record = table.Find(hWnd);
            if (!record)
                return FALSE;
            record->text = text ? text : "";
        }
        zv::user::SyncPublishedWindows();
        // The caption shows the new title (not while the window is being made: it is not drawn yet).
        if (Msg == WM_SETTEXT && (GetWindowLongA(hWnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
            zv::user::PaintFrame(hWnd);
        return TRUE;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hWnd);
        if (!record)
            return 0;
        if (Msg == WM_GETTEXTLENGTH)
            return static_cast<LRESULT>(record->text.size());
        return zv::user::CopyText(record->text, reinterpret_cast<char*>(lParam), wParam);
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_WINDOWPOSCHANGED:
        zv::user::ReportPlacement(hWnd, *reinterpret_cast<const WINDOWPOS*>(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(hWnd, &paint))
            EndPaint(hWnd, &paint);
        return 0;
    }
    case WM_NCPAINT:
        return zv::user::PaintFrame(hWnd);
    case WM_NCACTIVATE:
        return zv::user::ShowCaptionActive(hWnd, wParam != FALSE);
    case WM_SYSCOMMAND:
        return zv::user::SystemCommand(hWnd, wParam, lParam);
    case WM_ERASEBKGND:
        return zv::user::EraseBackground(hWnd, reinterpret_cast<HDC>(wParam));
    case WM_SETCURSOR:
        return zv::user::DefaultSetCursor(hWnd, wParam, lParam);
    case WM_SETICON:
        return zv::user::SetWindowIcon(hWnd, wParam, reinterpret_cast<HICON>(lParam));
    case WM_GETICON:
        return zv::user::GetWindowIcon(hWnd, wParam);
    case WM_QUERYDRAGICON:
        return zv::user::DefaultDragIcon(hWnd);
    case WM_ICONERASEBKGND:
        return zv::user::EraseIconBackground(hWnd, reinterpret_cast<HDC>(wParam));
    case WM_ACTIVATE:
        // Not when the activation has already passed on to another window.
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && zv::user::IsActiveTopLevel(hWnd))
            SetFocus(hWnd);
        return 0;
    case WM_NCHITTEST:
        return zv::user::DefaultHitTest(hWnd, lParam);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        return zv::user::NonClientPress(hWnd, Msg, wParam, lParam);
    default:
        return 0;
    }
}

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

BOOL IsWindow(HWND hWnd)
{
    if (hWnd == zv::user::kDesktopWindow)
        return TRUE;
    return zv::user::IsLocalWindow(hWnd) || zv::user::RemoteWindow(hWnd) ? TRUE : FALSE;
}

HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName)
{
    // Every top-level window of the machine, the top of the z-order first.
    const std::string wantedClass = lpClassName ? zv::user::FoldCase(lpClassName) : std::string();
    for (const zv::user::WindowEntry& entry : zv::user::TopLevelWindows()) {
        if (lpClassName && zv::user::FoldCase(entry.className.c_str()) != wantedClass)
            continue;
        if (lpWindowName && entry.caption != lpWindowName)
            continue;
        return zv::user::HandleFromDword(entry.handle);
    }
    return nullptr;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId)
{
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        if (WindowRecord* record = table.Find(hWnd)) {
            if (lpdwProcessId)
                *lpdwProcessId = static_cast<DWORD>(getpid());
            return record->threadId;
        }
    }
    const auto remote = zv::user::RemoteWindow(hWnd);
    if (!remote) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (lpdwProcessId)
        *lpdwProcessId = remote->processId;
    return remote->threadId;
}
