// Dialog controls addressed by identifier.
#include "platform/user/button.h"
#include "platform/user/dialog.h"
#include "platform/win32/last_error.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

HWND ItemOrFail(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return item;
}

} // namespace

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    if (lpString && cchMax > 0)
        lpString[0] = '\0';
    HWND item = ItemOrFail(hDlg, nIDDlgItem);
    if (!item || !lpString || cchMax <= 0)
        return 0;
    return static_cast<UINT>(GetWindowTextA(item, lpString, cchMax));
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    HWND item = ItemOrFail(hDlg, nIDDlgItem);
    return item ? SetWindowTextA(item, lpString) : FALSE;
}

UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned)
{
    if (lpTranslated)
        *lpTranslated = FALSE;
    HWND item = ItemOrFail(hDlg, nIDDlgItem);
    if (!item)
        return 0;
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    const auto start = text.find_first_not_of(" \t");
    const auto end = text.find_last_not_of(" \t");
    if (start == std::string::npos)
        return 0;
    text = text.substr(start, end - start + 1);
    if (!bSigned && text.front() == '-')
        return 0;
    errno = 0;
    char* stop = nullptr;
    const long long value = std::strtoll(text.c_str(), &stop, 10);
    if (errno || stop == text.c_str() || *stop)
        return 0;
    const bool inRange = bSigned ? (value >= INT_MIN && value <= INT_MAX) : (value >= 0 && value <= UINT_MAX);
    if (!inRange)
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return static_cast<UINT>(value);
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    const std::string text = bSigned ? std::to_string(static_cast<int>(uValue)) : std::to_string(uValue);
    return SetDlgItemTextA(hDlg, nIDDlgItem, text.c_str());
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck)
{
    HWND item = ItemOrFail(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageA(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton)
{
    HWND item = ItemOrFail(hDlg, nIDButton);
    return item ? static_cast<UINT>(SendMessageA(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    if (nIDFirstButton > nIDLastButton || !GetDlgItem(hDlg, nIDCheckButton)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id) {
        if (HWND item = GetDlgItem(hDlg, id))
            SendMessageA(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND item = ItemOrFail(hDlg, nIDDlgItem);
    return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}
