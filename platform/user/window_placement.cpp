// Placing windows: SetWindowPos and what builds on it (MoveWindow, BringWindowToTop, ShowWindow),
// the z-order rules, and telling the display where the top-level windows are.
#include "platform/user/display.h"
#include "platform/user/remote_windows.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"
#include "platform/win32/processes.h"

#include <algorithm>
#include <functional>

namespace zv::user {
namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The window and every window it owns, recursively.
void CollectOwnedGroup(WindowTable& table, HWND hwnd, std::vector<HWND>& group)
{
    group.push_back(hwnd);
    for (HWND owned : table.OwnedBy(hwnd))
        CollectOwnedGroup(table, owned, group);
}

void RestackTopLevelLocked(WindowTable& table, WindowRecord& record, HWND insertAfter)
{
    std::vector<HWND>& order = table.TopLevels();
    const HWND hwnd = record.handle;
    std::vector<HWND> group;
    CollectOwnedGroup(table, hwnd, group);
    if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        // Owned windows share their owner's band.
        for (HWND member : group) {
            if (WindowRecord* r = table.Find(member)) {
                if (insertAfter == HWND_TOPMOST)
                    r->exStyle |= WS_EX_TOPMOST;
                else
                    r->exStyle &= ~WS_EX_TOPMOST;
            }
        }
    }
    std::erase(order, hwnd);
    if (insertAfter == HWND_BOTTOM) {
        record.exStyle &= ~WS_EX_TOPMOST;
        const WindowRecord* owner = table.Find(record.parent);
        if (owner && !owner->IsChild()) {
            // Lowest among its owner's windows, still above the owner.
            order.push_back(hwnd);
        } else {
            // The whole group goes down, keeping its inner order.
            std::vector<HWND> moved;
            for (HWND w : order) {
                if (std::find(group.begin(), group.end(), w) != group.end())
                    moved.push_back(w);
            }
            std::erase_if(order, [&](HWND w) { return std::find(group.begin(), group.end(), w) != group.end(); });
            order.insert(order.end(), moved.begin(), moved.end());
            order.push_back(hwnd);
        }
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        order.insert(order.begin(), hwnd);
    } else {
        auto it = std::find(order.begin(), order.end(), insertAfter);
        order.insert(it == order.end() ? order.begin() : it + 1, hwnd);
    }
    table.NormaliseTopLevelOrder();
}

void RestackChildLocked(WindowTable& table, WindowRecord& record, HWND insertAfter)
{
    std::vector<HWND>& order = table.StackOf(record);
    std::erase(order, record.handle);
    if (insertAfter == HWND_BOTTOM) {
        order.push_back(record.handle);
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        order.insert(order.begin(), record.handle);
    } else {
        auto it = std::find(order.begin(), order.end(), insertAfter);
        order.insert(it == order.end() ? order.begin() : it + 1, record.handle);
    }
}

std::mutex g_displayMutex;

} // namespace

void ResizeSurfaceLocked(WindowRecord& record)
{
    const int width = std::max(1, Width(record.rect));
    const int height = std::max(1, Height(record.rect));
    if (record.surface && record.surface->Width() == width && record.surface->Height() == height)
        return;
    std::shared_ptr<gdi::Surface> surface =
        gdi::Surface::Create(width, height, gdi::PixelFormat::Bgrx32, gdi::RowOrder::TopDown, 4);
    if (!surface)
        return; // keeps the old one: drawing stays possible, the new part is simply not shown
    if (record.surface) {
        const RECT kept = gdi::IntersectRects(record.surface->Bounds(), surface->Bounds());
        for (int y = kept.top; y < kept.bottom; ++y)
            for (int x = kept.left; x < kept.right; ++x)
                surface->SetPixel(x, y, record.surface->GetPixel(x, y));
    }
    record.surface = std::move(surface);
}

void UpdateDisplay()
{
    std::lock_guard displayLock(g_displayMutex);
    std::vector<TopLevelPlacement> placements;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        for (HWND hwnd : table.TopLevels()) {
            const WindowRecord* record = table.Find(hwnd);
            if (!record)
                continue;
            TopLevelPlacement placement;
            placement.hwnd = hwnd;
            placement.rect = record->rect;
            placement.minimised = (record->style & WS_MINIMIZE) != 0;
            placement.visible = (record->style & WS_VISIBLE) && !placement.minimised;
            placement.topmost = (record->exStyle & WS_EX_TOPMOST) != 0;
            placement.captioned = (record->style & WS_CAPTION) == WS_CAPTION;
            placement.sizable = (record->style & WS_THICKFRAME) != 0;
            placement.owner = record->parent;
            placement.caption = record->text;
            placements.push_back(std::move(placement));
        }
    }
    Display().Arrange(placements);
    // Other processes see the same: their entries follow.
    SyncPublishedWindows();
}

void SetModalWindow(HWND hwnd, bool modal)
{
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hwnd);
        if (!record || record->IsChild() || record->modal == modal)
            return;
        record->modal = modal;
        table.NormaliseTopLevelOrder();
    }
    UpdateDisplay();
}

void ForgetDisplayWindow(HWND hwnd)
{
    std::lock_guard displayLock(g_displayMutex);
    Display().Forget(hwnd);
}

// SetWindowPos with a change of state made under the same lock (minimise, maximise, restore).
BOOL PlaceWindow(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags,
                 const std::function<void(WindowRecord&)>& change)
{
    if (hwnd == kDesktopWindow) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    WINDOWPOS pos{hwnd, insertAfter, x, y, cx, cy, flags};
    // The receiver of WM_WINDOWPOSCHANGING sees the whole intended placement.
    if (!WithWindow<bool>(hwnd, false, [&](WindowTable&, WindowRecord& record) {
            if (flags & SWP_NOMOVE) {
                pos.x = record.rect.left;
                pos.y = record.rect.top;
            }
            if (flags & SWP_NOSIZE) {
                pos.cx = Width(record.rect);
                pos.cy = Height(record.rect);
            }
            return true;
        }))
        return FALSE;
    if (!(flags & SWP_NOSENDCHANGING) && !change)
        SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));

    bool activate = false;
    bool hidden = false;
    bool topLevel = false;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hwnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        topLevel = !record->IsChild();
        const bool wasShown = IsShownLocked(table, *record);
        const RECT oldRect = record->rect;
        const RECT oldClient = ClientAreaInWindow(*record);
        const DWORD oldState = record->style & (WS_MINIMIZE | WS_MAXIMIZE);
        if (change)
            change(*record);
        else
            record->rect = RECT{pos.x, pos.y, pos.x + std::max(0, pos.cx), pos.y + std::max(0, pos.cy)};
        if (pos.flags & SWP_SHOWWINDOW)
            record->style |= WS_VISIBLE;
        if (pos.flags & SWP_HIDEWINDOW)
            record->style &= ~WS_VISIBLE;
        if (!(pos.flags & SWP_NOZORDER)) {
            if (topLevel)
                RestackTopLevelLocked(table, *record, pos.hwndInsertAfter);
            else
                RestackChildLocked(table, *record, pos.hwndInsertAfter);
        }
        if (topLevel)
            ResizeSurfaceLocked(*record);
        const RECT newClient = ClientAreaInWindow(*record);
        const bool clientMoved = oldRect.left + oldClient.left != record->rect.left + newClient.left ||
                                 oldRect.top + oldClient.top != record->rect.top + newClient.top;
        // A change of state is a change of size even when the numbers stay (WM_SIZE tells the kind).
        const bool clientSized = Width(oldClient) != Width(newClient) || Height(oldClient) != Height(newClient) ||
                                 oldState != (record->style & (WS_MINIMIZE | WS_MAXIMIZE));
        pos.x = record->rect.left;
        pos.y = record->rect.top;
        pos.cx = Width(record->rect);
        pos.cy = Height(record->rect);
        pos.flags &= ~(SWP_NOCLIENTMOVE | SWP_NOCLIENTSIZE);
        if (!clientMoved)
            pos.flags |= SWP_NOCLIENTMOVE;
        if (!clientSized)
            pos.flags |= SWP_NOCLIENTSIZE;

        const bool shown = IsShownLocked(table, *record);
        const bool moved = oldRect.left != record->rect.left || oldRect.top != record->rect.top;
        const bool sized = Width(oldRect) != Width(record->rect) || Height(oldRect) != Height(record->rect);
        if (!(flags & SWP_NOREDRAW)) {
            // A window that appears, changes size or moves within its top-level surface paints anew.
            const bool newPixels = (shown && !wasShown) || sized || (flags & SWP_FRAMECHANGED) ||
                                   (moved && !topLevel) || (!topLevel && !(pos.flags & SWP_NOZORDER));
            if (shown && newPixels)
                InvalidateLocked(table, *record, gdi::Region(newClient).Offset(-newClient.left, -newClient.top),
                                 true, true);
            // A child uncovers its parent where it was.
            if (!topLevel && wasShown && (moved || sized || !shown)) {
                if (WindowRecord* parent = table.Find(record->parent)) {
                    gdi::Region uncovered = gdi::Region::Subtract(gdi::Region(oldRect),
                                                                  shown ? gdi::Region(record->rect) : gdi::Region());
                    InvalidateLocked(table, *parent, uncovered, true, true);
                }
            }
        }
        hidden = wasShown && !shown;
        activate = topLevel && shown && !(flags & SWP_NOACTIVATE) &&
                   ((flags & SWP_SHOWWINDOW) || !(flags & SWP_NOZORDER)) && !(record->style & WS_MINIMIZE);
    }
    if (hidden)
        ReleaseInputOf(hwnd);
    if (topLevel)
        UpdateDisplay();
    if (activate)
        ActivateTopLevel(hwnd, WA_ACTIVE);
    SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return TRUE;
}

void ReportPlacement(HWND hwnd, const WINDOWPOS& pos)
{
    RECT client{};
    POINT origin{};
    WPARAM kind = SIZE_RESTORED;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        const WindowRecord* record = table.Find(hwnd);
        if (!record)
            return;
        client = ClientAreaInWindow(*record);
        origin = POINT{record->rect.left + client.left, record->rect.top + client.top};
        if (record->style & WS_MINIMIZE)
            kind = SIZE_MINIMIZED;
        else if (record->style & WS_MAXIMIZE)
            kind = SIZE_MAXIMIZED;
    }
    if (!(pos.flags & SWP_NOCLIENTMOVE))
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<unsigned>(origin.x), static_cast<unsigned>(origin.y)));
    if (!(pos.flags & SWP_NOCLIENTSIZE))
        SendMessageA(hwnd, WM_SIZE, kind,
                     MAKELPARAM(static_cast<unsigned>(Width(client)), static_cast<unsigned>(Height(client))));
}

namespace {

enum class ShowState { Normal, Minimised, Maximised, Unchanged };

struct ShowCommand {
    bool show;
    ShowState state;
    bool activate;
};

bool DescribeShowCommand(int command, ShowCommand& out)
{
    switch (command) {
    case SW_HIDE: out = {false, ShowState::Unchanged, false}; return true;
    case SW_SHOWDEFAULT: {
        // The show command the program that started us asked for, when it asked.
        STARTUPINFOA startup{};
        GetStartupInfoA(&startup);
        if ((startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow != SW_SHOWDEFAULT)
            return DescribeShowCommand(startup.wShowWindow, out);
        out = {true, ShowState::Normal, true};
        return true;
    }
    case SW_SHOWNORMAL:
    case SW_RESTORE: out = {true, ShowState::Normal, true}; return true;
    case SW_SHOWNOACTIVATE: out = {true, ShowState::Normal, false}; return true;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: out = {true, ShowState::Minimised, false}; return true;
    case SW_SHOWMAXIMIZED: out = {true, ShowState::Maximised, true}; return true;
    case SW_SHOW: out = {true, ShowState::Unchanged, true}; return true;
    case SW_SHOWNA: out = {true, ShowState::Unchanged, false}; return true;
    default: return false;
    }
}

// Moves the window into the new state: the rectangle it has there and the style bits.
void EnterState(WindowTable& table, WindowRecord& record, ShowState state)
{
    const DWORD kind = record.style & (WS_MINIMIZE | WS_MAXIMIZE);
    if (kind == 0)
        record.normalRect = record.rect;
    switch (state) {
    case ShowState::Minimised:
        record.style |= WS_MINIMIZE; // keeps its rectangle; a maximised one stays maximised below
        break;
    case ShowState::Maximised: {
        record.style = (record.style | WS_MAXIMIZE) & ~WS_MINIMIZE;
        if (record.IsChild()) {
            const WindowRecord* parent = table.Find(record.parent);
            const RECT area = parent ? ClientAreaInWindow(*parent) : RECT{};
            record.rect = RECT{0, 0, area.right - area.left, area.bottom - area.top};
        } else {
            record.rect = Display().WorkArea();
        }
        break;
    }
    case ShowState::Normal:
        if (kind & WS_MINIMIZE) {
            record.style &= ~WS_MINIMIZE; // back to what it was before: maximised or normal
        } else if (kind != 0) {
            record.style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
            record.rect = record.normalRect;
        }
        break;
    case ShowState::Unchanged:
        break;
    }
}

// Hides the owner's visible pop-ups when it is minimised, shows them again when it comes back.
void FollowOwner(HWND owner, bool ownerShowing)
{
    std::vector<HWND> affected;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        for (HWND hwnd : table.OwnedBy(owner)) {
            WindowRecord* r = table.Find(hwnd);
            if (!ownerShowing && (r->style & WS_VISIBLE))
                affected.push_back(hwnd);
            if (ownerShowing && r->hiddenWithOwner)
                affected.push_back(hwnd);
            r->hiddenWithOwner = !ownerShowing && (r->style & WS_VISIBLE);
        }
    }
    for (HWND hwnd : affected) {
        SendMessageA(hwnd, WM_SHOWWINDOW, ownerShowing ? TRUE : FALSE,
                     ownerShowing ? SW_PARENTOPENING : SW_PARENTCLOSING);
        PlaceWindow(hwnd, nullptr, 0, 0, 0, 0,
                    SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                        (ownerShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW),
                    nullptr);
    }
}

} // namespace
} // namespace zv::user

using zv::user::WindowRecord;
using zv::user::WindowTable;

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    return zv::user::PlaceWindow(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags, nullptr);
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0u : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hWnd)
{
    if (!zv::user::IsLocalWindow(hWnd) && hWnd != zv::user::kDesktopWindow)
        return zv::user::ForwardToOwner(hWnd, zv::user::remote::RequestKind::BringToTop);
    return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    if (!zv::user::IsLocalWindow(hWnd) && hWnd != zv::user::kDesktopWindow)
        return zv::user::ForwardToOwner(hWnd, zv::user::remote::RequestKind::Show, nCmdShow);
    zv::user::ShowCommand command{};
    if (!zv::user::DescribeShowCommand(nCmdShow, command)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool wasVisible = false;
    bool wasMinimised = false;
    bool child = false;
    DWORD kind = 0;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hWnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasVisible = (record->style & WS_VISIBLE) != 0;
        wasMinimised = (record->style & WS_MINIMIZE) != 0;
        // Shown or hidden on purpose: its owner's coming back no longer decides.
        record->hiddenWithOwner = false;
        kind = record->style & (WS_MINIMIZE | WS_MAXIMIZE);
        child = record->IsChild();
    }
    using zv::user::ShowState;
    const bool stateChanges = (command.state == ShowState::Minimised && !(kind & WS_MINIMIZE)) ||
                              (command.state == ShowState::Maximised && kind != WS_MAXIMIZE) ||
                              (command.state == ShowState::Normal && kind != 0);
    if (!command.show && !wasVisible)
        return FALSE; // hiding a hidden window changes nothing
    if (command.show && wasVisible && !stateChanges && !command.activate)
        return TRUE;
    if (command.show != wasVisible)
        SendMessageA(hWnd, WM_SHOWWINDOW, command.show ? TRUE : FALSE, 0);

    UINT flags = SWP_NOACTIVATE | (command.show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    if (!stateChanges)
        flags |= SWP_NOMOVE | SWP_NOSIZE;
    // Showing brings a top-level window up; hiding leaves the order alone.
    if (!command.show || child || !command.activate)
        flags |= SWP_NOZORDER;
    std::function<void(WindowRecord&)> change;
    if (stateChanges) {
        const ShowState state = command.state;
        change = [state](WindowRecord& record) {
            zv::user::EnterState(WindowTable::Instance(), record, state);
        };
    }
    zv::user::PlaceWindow(hWnd, HWND_TOP, 0, 0, 0, 0, flags, change);

    const bool nowMinimised = IsIconic(hWnd) != FALSE;
    if (!child && nowMinimised != wasMinimised)
        zv::user::FollowOwner(hWnd, !nowMinimised);
    if (!child) {
        if (nowMinimised && GetForegroundWindow() == hWnd)
            zv::user::ActivateTopLevel(nullptr, WA_INACTIVE);
        else if (command.show && command.activate && !nowMinimised)
            zv::user::ActivateTopLevel(hWnd, WA_ACTIVE);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hWnd)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* record = table.Find(hWnd);
    return record && (record->style & WS_MAXIMIZE) ? TRUE : FALSE;
}
