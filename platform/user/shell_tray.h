// Icons in the desktop's notification area (the tray): Shell_NotifyIconA adds, changes and removes
// an icon of a window, shows its balloon, and sends the window the icon's mouse messages as the
// callback message (wParam = the icon's id, lParam = the mouse message).
//
// The display decides where the icons show: the gtk display puts them in the desktop's system
// tray and balloons into desktop notifications; the headless display keeps them in a model tests
// read and click (headless_tray.h). A desktop without a tray refuses NIM_ADD, as Windows does
// without a task bar.
#pragma once

#include "platform/user/user_types.h"
#include "platform/win32/char_types.h"

#include <cstddef>

constexpr DWORD NIM_ADD = 0x00000000;
constexpr DWORD NIM_MODIFY = 0x00000001;
constexpr DWORD NIM_DELETE = 0x00000002;

constexpr UINT NIF_MESSAGE = 0x00000001;
constexpr UINT NIF_ICON = 0x00000002;
constexpr UINT NIF_TIP = 0x00000004;
constexpr UINT NIF_INFO = 0x00000010;

constexpr DWORD NIIF_NONE = 0x00000000;
constexpr DWORD NIIF_INFO = 0x00000001;
constexpr DWORD NIIF_WARNING = 0x00000002;
constexpr DWORD NIIF_ERROR = 0x00000003;

// The structure of shell version 5 (balloons), fields in the published order.
struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
using PNOTIFYICONDATAA = NOTIFYICONDATAA*;

// With 32-bit handles the structure is 488 bytes, the size programs written for that platform put
// into cbSize; here handles are pointer-sized, so it is larger. Both sizes mean this version.
constexpr DWORD NOTIFYICONDATAA_V2_SIZE_32 = 488;
static_assert(offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD) == sizeof(NOTIFYICONDATAA));
static_assert(sizeof(void*) != 8 || sizeof(NOTIFYICONDATAA) == 504, "the published layout with 8-byte handles");
static_assert(offsetof(NOTIFYICONDATAA, szInfo) + 256 + sizeof(UINT) == offsetof(NOTIFYICONDATAA, szInfoTitle));
// The first version: a 64-character tip and nothing after it.
constexpr DWORD NOTIFYICONDATAA_V1_SIZE_32 = 88;
constexpr DWORD NOTIFYICONDATAA_V1_SIZE = offsetof(NOTIFYICONDATAA, szTip) + 64;

// TRUE when done; FALSE for an unknown message or size, an icon added twice, a change or removal
// of an icon not shown, a window that does not exist, or a desktop without a tray.
BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData);
