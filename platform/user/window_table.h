// The process's windows and window classes, behind one lock.
#pragma once

#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"
#include "platform/user/window.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zv::user {

class ThreadQueue;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    WNDPROC wndProc = nullptr;
    int cbWndExtra = 0;
    int windowCount = 0;
    UINT style = 0;
    HBRUSH background = nullptr;
    HCURSOR cursor = nullptr;
    HICON icon = nullptr;
};

struct WindowRecord {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    std::shared_ptr<ThreadQueue> queue; // the owning thread's queue
    DWORD threadId = 0;
    WNDPROC wndProc = nullptr;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    HWND parent = nullptr; // the parent of a child window, the owner of a top-level one
    RECT rect{};           // a child's relative to its parent's client area, a top-level one's on the screen
    RECT normalRect{};     // where a minimised or maximised window goes back to
    std::vector<BYTE> extraBytes;
    bool destroying = false;
    std::vector<HWND> children; // WS_CHILD windows, top of the z-order first
    // A top-level window's backing surface, as large as the window (at least 1 x 1).
    std::shared_ptr<gdi::Surface> surface;
    gdi::Region invalid;         // client coordinates
    bool eraseNeeded = false;    // WM_ERASEBKGND due at the next BeginPaint
    bool frameNeeded = false;    // WM_NCPAINT due at the next BeginPaint
    bool hiddenWithOwner = false; // hidden because its owner was minimised
    bool modal = false;           // a modal loop runs for it: above its owner's other windows
    bool captionActive = false;   // the caption shows the active colours (WM_NCACTIVATE)
    HICON bigIcon = nullptr;      // WM_SETICON's (window_icons.h); the small one is the caption's
    HICON smallIcon = nullptr;

    bool IsChild() const { return (style & WS_CHILD) != 0; }
};

// Who gets the user's input; windows of any thread.
struct InputState {
    HWND active = nullptr;  // the active top-level window
    HWND focus = nullptr;   // the window that gets the keys
    HWND capture = nullptr; // the window that gets the mouse wherever it is
    bool appHasAttention = true; // false while the user works in another program
    HWND inactive = nullptr;     // the window active when the user turned away
};

// Every member function expects Mutex() to be held by the caller.
class WindowTable {
public:
    static WindowTable& Instance();

    std::mutex& Mutex() { return m_mutex; }
    InputState& Input() { return m_input; }

    // The window while it exists (also during its destruction); null otherwise.
    WindowRecord* Find(HWND hwnd);
    // Gives the record a handle unique on the machine and adds it; false (last error set) when
    // none can be had.
    bool Add(std::shared_ptr<WindowRecord> record);
    void Remove(HWND hwnd);
    // Children and owned windows, oldest first.
    std::vector<HWND> ChildrenOf(HWND parent) const;
    // Owned top-level windows, oldest first.
    std::vector<HWND> OwnedBy(HWND owner) const;
    // The siblings a window is stacked among: its parent's children, or the top-level windows.
    // Top of the z-order first.
    std::vector<HWND>& StackOf(const WindowRecord& record);
    std::vector<HWND>& TopLevels() { return m_topLevels; }
    // The top-level window a window lies in (itself for a top-level one).
    WindowRecord* TopLevelOf(HWND hwnd);
    // Puts the top-level windows back in the order the rules ask: WS_EX_TOPMOST ones first, each
    // owned window above its owner, a window's owned ones kept together with it, and a modal
    // window above its owner's other owned ones.
    void NormaliseTopLevelOrder();
    std::vector<HWND> WindowsOf(const ThreadQueue* queue) const;

    std::shared_ptr<WindowClass> FindClass(const char* name) const;
    // False when a class of that name exists or the atoms are used up.
    bool AddClass(std::shared_ptr<WindowClass> windowClass);
    void RemoveClass(const std::string& name);

private:
    WindowTable() = default;

    std::mutex m_mutex;
    // Handles only grow, so the map keeps creation order.
    std::map<std::uintptr_t, std::shared_ptr<WindowRecord>> m_windows;
    std::map<std::string, std::shared_ptr<WindowClass>> m_classes; // by lower-case name
    std::vector<HWND> m_topLevels; // top of the z-order first
    InputState m_input;
    std::uint32_t m_nextAtom = 0xC000;
};

// Runs access(table, record) on the window under the table's lock; `failed` with
// ERROR_INVALID_WINDOW_HANDLE when there is no such window.
template <typename Result, typename Access>
Result WithWindow(HWND hwnd, Result failed, Access access);

// Calls the window's procedure on the calling thread; 0 when the window does not exist.
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Lower-case copy for names compared without regard to case.
std::string FoldCase(const char* text);

// Copies at most max - 1 bytes and a terminator, never cutting a UTF-8 sequence; the count copied.
int CopyText(const std::string& text, char* buffer, std::size_t max);

void SetInvalidWindowHandleError();

template <typename Result, typename Access>
Result WithWindow(HWND hwnd, Result failed, Access access)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* record = table.Find(hwnd);
    if (!record) {
        SetInvalidWindowHandleError();
        return failed;
    }
    return access(table, *record);
}

} // namespace zv::user
