// Walking the window tree: parents, owners, children and the z-order among siblings.
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <algorithm>

using zv::user::WindowRecord;
using zv::user::WindowTable;

HWND GetParent(HWND hWnd)
{
    return zv::user::WithWindow<HWND>(hWnd, nullptr, [](WindowTable&, WindowRecord& record) -> HWND {
        // A child's parent, or a pop-up's owner; an overlapped window has no parent.
        return record.IsChild() || (record.style & WS_POPUP) ? record.parent : nullptr;
    });
}

HWND GetAncestor(HWND hWnd, UINT gaFlags)
{
    return zv::user::WithWindow<HWND>(hWnd, nullptr, [&](WindowTable& table, WindowRecord& record) -> HWND {
        switch (gaFlags) {
        case GA_PARENT:
            return record.IsChild() ? record.parent : zv::user::kDesktopWindow;
        case GA_ROOT:
            return table.TopLevelOf(hWnd)->handle;
        case GA_ROOTOWNER: {
            WindowRecord* root = table.TopLevelOf(hWnd);
            while (WindowRecord* owner = table.Find(root->parent))
                root = table.TopLevelOf(owner->handle);
            return root->handle;
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    });
}

HWND GetWindow(HWND hWnd, UINT uCmd)
{
    return zv::user::WithWindow<HWND>(hWnd, nullptr, [&](WindowTable& table, WindowRecord& record) -> HWND {
        if (uCmd == GW_OWNER)
            return record.IsChild() ? nullptr : record.parent;
        if (uCmd == GW_CHILD)
            return record.children.empty() ? nullptr : record.children.front();
        const std::vector<HWND>& siblings = table.StackOf(record);
        const auto it = std::find(siblings.begin(), siblings.end(), hWnd);
        switch (uCmd) {
        case GW_HWNDFIRST: return siblings.front();
        case GW_HWNDLAST: return siblings.back();
        case GW_HWNDNEXT: return it + 1 < siblings.end() ? *(it + 1) : nullptr;
        case GW_HWNDPREV: return it != siblings.begin() ? *(it - 1) : nullptr;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    });
}

BOOL IsChild(HWND hWndParent, HWND hWnd)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* record = table.Find(hWnd);
    while (record && record->IsChild()) {
        if (record->parent == hWndParent)
            return TRUE;
        record = table.Find(record->parent);
    }
    return FALSE;
}

HWND GetDesktopWindow()
{
    return zv::user::kDesktopWindow;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    return zv::user::WithWindow<HWND>(hDlg, nullptr, [&](WindowTable& table, WindowRecord& record) -> HWND {
        for (HWND child : record.children) {
            if (table.Find(child)->id == nIDDlgItem)
                return child;
        }
        SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
        return nullptr;
    });
}

int GetDlgCtrlID(HWND hWnd)
{
    return zv::user::WithWindow<int>(hWnd, 0, [](WindowTable&, WindowRecord& record) {
        return record.IsChild() ? static_cast<int>(record.id) : 0;
    });
}
