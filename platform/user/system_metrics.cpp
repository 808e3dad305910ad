#include "platform/user/system_metrics.h"

#include "platform/user/display.h"
#include "platform/win32/last_error.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

// The caption height the desktop gives a window's title bar.
constexpr int kCaptionHeight = 23;

LOGFONTA InterfaceFont(LONG height, LONG weight)
{
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    // The dialog face ("MS Shell Dlg") is Liberation Sans here; menus and messages use it too.
    std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", "Liberation Sans");
    return font;
}

} // namespace

int GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN: return zv::user::Display().ScreenSize().cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: return zv::user::Display().ScreenSize().cy;
    case SM_CXFULLSCREEN: {
        const RECT work = zv::user::Display().WorkArea();
        return work.right - work.left;
    }
    case SM_CYFULLSCREEN: {
        // The client height of a maximised window with a caption.
        const RECT work = zv::user::Display().WorkArea();
        return work.bottom - work.top - kCaptionHeight;
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 17;
    case SM_CYCAPTION: return kCaptionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXSIZE: return 30;
    case SM_CYSIZE: return kCaptionHeight;
    case SM_CYSMCAPTION: return kCaptionHeight;
    case SM_CXMIN: return 120;
    case SM_CYMIN: return kCaptionHeight + 8;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 20;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS: return 1;
    default: return 0;
    }
}

BOOL SystemParametersInfoA(UINT uiAction, UINT /*uiParam*/, void* pvParam, UINT /*fWinIni*/)
{
    if (!pvParam) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    switch (uiAction) {
    case SPI_GETWORKAREA:
        *static_cast<RECT*>(pvParam) = zv::user::Display().WorkArea();
        return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
        auto* metrics = static_cast<NONCLIENTMETRICSA*>(pvParam);
        // Callers built before the padded border width existed pass the shorter record.
        const UINT shorter = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
        const UINT size = metrics->cbSize;
        if (size != sizeof(NONCLIENTMETRICSA) && size != shorter) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        NONCLIENTMETRICSA filled{};
        filled.cbSize = size;
        filled.iBorderWidth = 1;
        filled.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
        filled.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
        filled.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
        filled.iCaptionHeight = kCaptionHeight;
        filled.lfCaptionFont = InterfaceFont(-12, FW_BOLD);
        filled.iSmCaptionWidth = GetSystemMetrics(SM_CXSIZE);
        filled.iSmCaptionHeight = kCaptionHeight;
        filled.lfSmCaptionFont = InterfaceFont(-12, FW_NORMAL);
        filled.iMenuWidth = 19;
        filled.iMenuHeight = GetSystemMetrics(SM_CYMENU);
        filled.lfMenuFont = InterfaceFont(-12, FW_NORMAL);
        filled.lfStatusFont = InterfaceFont(-12, FW_NORMAL);
        filled.lfMessageFont = InterfaceFont(-12, FW_NORMAL);
        std::memcpy(metrics, &filled, size);
        return TRUE;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}
