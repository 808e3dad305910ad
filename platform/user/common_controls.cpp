#include "platform/user/common_controls.h"

#include "platform/user/system_classes.h"
#include "platform/user/window.h"
#include "platform/win32/last_error.h"

void InitCommonControls() { zv::user::EnsureSystemClasses(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce)
{
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    zv::user::EnsureSystemClasses();
    return TRUE;
}

namespace zv::user {

LRESULT NotifyParent(HWND control, UINT code, NMHDR* header)
{
    header->hwndFrom = control;
    header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    header->code = code;
    return SendMessageA(GetParent(control), WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

} // namespace zv::user
