#include "platform/user/shell_tray.h"

#include "platform/user/display.h"
#include "platform/user/gtk/gtk_tray.h"
#include "platform/user/headless_tray.h"
#include "platform/user/messages.h"
#include "platform/user/tray_area.h"
#include "platform/user/window.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace zv::user {
namespace {

// Calls are taken one at a time, since adding may wait for the desktop; the list has a lock of its
// own so that clicks coming from the desktop meanwhile never wait for a call.
std::mutex g_callMutex;
std::mutex g_iconsMutex;
std::vector<TrayIconState> g_icons;

TrayArea& Area()
{
    return std::string(Display().Name()) == "gtk" ? gtk::Tray() : headless::Tray();
}

// The program's text up to its terminator, but never past the field, whose last byte is the
// terminator's place: an unterminated field is cut, not overread.
template <std::size_t N>
std::string FieldText(const CHAR (&field)[N], std::size_t limit = N - 1)
{
    return std::string(field, strnlen(field, std::min(limit, N - 1)));
}

std::vector<TrayIconState>::iterator FindLocked(HWND hwnd, UINT id)
{
    return std::find_if(g_icons.begin(), g_icons.end(),
                        [&](const TrayIconState& icon) { return icon.hwnd == hwnd && icon.id == id; });
}

bool ShownNow(HWND hwnd, UINT id)
{
    std::lock_guard lock(g_iconsMutex);
    return FindLocked(hwnd, id) != g_icons.end();
}

// The fields the flags name, read into the icon's state; a first-version structure has a shorter
// tip and no balloon.
void ApplyFields(const NOTIFYICONDATAA& data, bool firstVersion, TrayIconState& icon)
{
    if (data.uFlags & NIF_MESSAGE)
        icon.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
        icon.icon = data.hIcon;
    if (data.uFlags & NIF_TIP)
        icon.tip = FieldText(data.szTip, firstVersion ? 63 : 127);
    icon.balloonText.clear();
    if (!firstVersion && (data.uFlags & NIF_INFO)) {
        icon.balloonText = FieldText(data.szInfo);
        icon.balloonTitle = FieldText(data.szInfoTitle);
        icon.balloonFlags = data.dwInfoFlags;
        icon.balloonTimeout = data.uTimeout;
    }
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

} // namespace

std::vector<TrayIconState> ShownTrayIcons()
{
    std::lock_guard lock(g_iconsMutex);
    return g_icons;
}

bool DeliverTrayMouse(HWND hwnd, UINT id, UINT mouseMessage)
{
    UINT callback = 0;
    {
        std::lock_guard lock(g_iconsMutex);
        const auto found = FindLocked(hwnd, id);
        if (found == g_icons.end())
            return false;
        callback = found->callbackMessage;
    }
    return callback != 0 && PostMessageA(hwnd, callback, id, static_cast<LPARAM>(mouseMessage)) != FALSE;
}

} // namespace zv::user

BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData)
{
    using namespace zv::user;
    if (lpData == nullptr || lpData->cbSize < NOTIFYICONDATAA_V1_SIZE_32)
        return Fail(ERROR_INVALID_PARAMETER);
    const bool firstVersion = lpData->cbSize < NOTIFYICONDATAA_V2_SIZE_32;
    const HWND hwnd = lpData->hWnd;
    const UINT id = lpData->uID;

    std::lock_guard call(g_callMutex);
    TrayArea& area = Area();
    TrayIconState icon;
    switch (dwMessage) {
    case NIM_ADD: {
        if (ShownNow(hwnd, id))
            return Fail(ERROR_INVALID_PARAMETER);
        if (!IsWindow(hwnd))
            return Fail(ERROR_INVALID_WINDOW_HANDLE);
        icon.hwnd = hwnd;
        icon.id = id;
        ApplyFields(*lpData, firstVersion, icon);
        // Listed first, so that a click arriving while the desktop embeds it is not lost.
        {
            std::lock_guard lock(g_iconsMutex);
            g_icons.push_back(icon);
        }
        if (!area.Add(icon)) {
            std::lock_guard lock(g_iconsMutex);
            g_icons.erase(FindLocked(hwnd, id));
            return Fail(ERROR_NOT_SUPPORTED);
        }
        break;
    }
    case NIM_MODIFY: {
        std::lock_guard lock(g_iconsMutex);
        const auto found = FindLocked(hwnd, id);
        if (found == g_icons.end())
            return Fail(ERROR_INVALID_PARAMETER);
        ApplyFields(*lpData, firstVersion, *found);
        icon = *found;
        break;
    }
    case NIM_DELETE: {
        {
            std::lock_guard lock(g_iconsMutex);
            const auto found = FindLocked(hwnd, id);
            if (found == g_icons.end())
                return Fail(ERROR_INVALID_PARAMETER);
            g_icons.erase(found);
        }
        area.Remove(hwnd, id);
        return TRUE;
    }
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (dwMessage == NIM_MODIFY)
        area.Change(icon);
    if (!icon.balloonText.empty())
        area.ShowBalloon(icon);
    return TRUE;
}
