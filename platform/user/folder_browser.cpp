// SHBrowseForFolderA: a hidden window of ours stands for the browser, so that the caller's
// callback can send it the browser's messages, and the display's selection changes reach the
// callback on the caller's thread through it.
#include "platform/user/folder_browser.h"

#include "platform/user/common_dialog_modal.h"
#include "platform/user/message_box.h"
#include "platform/user/window.h"
#include "platform/win32/com.h"

#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace zv::user {
namespace {

constexpr const char* kBrowserClass = "ZvFolderBrowser";
// The display's user moved the selection: wParam std::string* (status out), lParam const std::string*.
constexpr UINT kUserSelects = WM_USER + 200;

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// The path an id list of ours holds; empty for anything else.
std::string PathOf(PCIDLIST_ABSOLUTE pidl)
{
    if (!pidl || pidl->mkid.cb < sizeof(std::uint16_t) + 2)
        return {};
    const auto* text = reinterpret_cast<const char*>(pidl->mkid.abID);
    const std::size_t capacity = pidl->mkid.cb - sizeof(std::uint16_t);
    const std::size_t length = strnlen(text, capacity);
    return length < capacity ? std::string(text, length) : std::string();
}

struct Browser {
    const BROWSEINFOA& info;
    HWND window = nullptr;
    std::string selection;
    std::string status;

    int Tell(UINT message, LPARAM lParam) const
    {
        return info.lpfn ? info.lpfn(window, message, lParam, info.lParam) : 0;
    }

    // A folder that exists becomes the selection and the callback hears of it; others are ignored,
    // as the browser cannot show them.
    void Select(const std::string& path)
    {
        if (!IsFolder(path))
            return;
        selection = path;
        PIDLIST_ABSOLUTE pidl = ILCreateFromPathA(path.c_str());
        Tell(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pidl));
        ILFree(pidl);
    }
};

LRESULT CALLBACK BrowserProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* browser = reinterpret_cast<Browser*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!browser)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case BFFM_SETSELECTIONA:
        if (wParam)
            browser->Select(lParam ? reinterpret_cast<const char*>(lParam) : "");
        else
            browser->Select(PathOf(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam)));
        return TRUE;
    case BFFM_SETSTATUSTEXTA:
        browser->status = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return TRUE;
    case BFFM_ENABLEOK:
    case BFFM_SETOKTEXT:
    case BFFM_SETEXPANDED:
        return TRUE;
    case kUserSelects:
        browser->Select(*reinterpret_cast<const std::string*>(lParam));
        *reinterpret_cast<std::string*>(wParam) = browser->status;
        return TRUE;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool RegisterBrowserClass()
{
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        WNDCLASSA browserClass{};
        browserClass.lpfnWndProc = BrowserProc;
        browserClass.lpszClassName = kBrowserClass;
        registered = RegisterClassA(&browserClass) != 0;
    });
    return registered;
}

void CopyName(const std::string& path, LPSTR out)
{
    if (!out)
        return;
    std::string name = fs::path(path).filename().string();
    if (name.empty())
        name = path;
    const std::size_t kept = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(out, name.data(), kept);
    out[kept] = '\0';
}

// Runs the browser; the chosen folder, or empty for Cancel.
std::string Browse(Browser& browser)
{
    const BROWSEINFOA& info = browser.info;
    CommonDialogRequest request;
    request.kind = CommonDialogRequest::Kind::Folder;
    request.owner = info.hwndOwner;
    request.title = info.lpszTitle ? info.lpszTitle : "";
    request.flags = info.ulFlags;
    browser.Select(PathOf(info.pidlRoot));
    browser.Tell(BFFM_INITIALIZED, 0);
    request.initialPath = browser.selection;
    request.statusText = browser.status;
    const HWND window = browser.window;
    request.selectFolder = [window](const std::string& folder) {
        std::string status;
        SendMessageA(window, kUserSelects, reinterpret_cast<WPARAM>(&status), reinterpret_cast<LPARAM>(&folder));
        return status;
    };

    for (int refused = 0; refused <= kMaxRefusals; ++refused) {
        if (!AskCommonDialogModal(request) || request.paths.empty())
            return {};
        // A name typed into the edit box is relative to the folder selected.
        const std::string typed = request.paths.front();
        std::error_code error;
        const fs::path base = browser.selection.empty() ? fs::current_path(error) : fs::path(browser.selection);
        const std::string chosen = (base / typed).lexically_normal().string();
        if (IsFolder(chosen))
            return chosen;
        if ((info.ulFlags & BIF_VALIDATE) && info.lpfn) {
            if (browser.Tell(BFFM_VALIDATEFAILEDA, reinterpret_cast<LPARAM>(typed.c_str())) == 0)
                return {};
            request.refusal = typed + " is not a folder.";
        } else {
            request.refusal = "The folder \"" + typed + "\" does not exist.";
            MessageBoxA(info.hwndOwner, request.refusal.c_str(), request.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
        }
    }
    return {};
}

} // namespace
} // namespace zv::user

PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA lpbi)
{
    using namespace zv::user;
    if (!lpbi || !RegisterBrowserClass())
        return nullptr;
    Browser browser{*lpbi, nullptr, {}, {}};
    HWND owner = IsWindow(lpbi->hwndOwner) ? GetAncestor(lpbi->hwndOwner, GA_ROOT) : nullptr;
    browser.window = CreateWindowExA(0, kBrowserClass, lpbi->lpszTitle ? lpbi->lpszTitle : "", WS_POPUP, 0, 0, 0, 0,
                                     owner, nullptr, nullptr, nullptr);
    if (!browser.window)
        return nullptr;
    SetWindowLongPtrA(browser.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&browser));
    const std::string chosen = Browse(browser);
    SetWindowLongPtrA(browser.window, GWLP_USERDATA, 0);
    DestroyWindow(browser.window);
    if (chosen.empty())
        return nullptr;
    CopyName(chosen, lpbi->pszDisplayName);
    lpbi->iImage = 0;
    return ILCreateFromPathA(chosen.c_str());
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR pszPath)
{
    if (!pszPath)
        return FALSE;
    const std::string path = zv::user::PathOf(pidl);
    // A longer path would overrun the caller's MAX_PATH buffer: refused, not cut.
    if (path.empty() || path.size() >= MAX_PATH) {
        pszPath[0] = '\0';
        return FALSE;
    }
    std::memcpy(pszPath, path.c_str(), path.size() + 1);
    return TRUE;
}

PIDLIST_ABSOLUTE ILCreateFromPathA(LPCSTR pszPath)
{
    if (!pszPath || !*pszPath)
        return nullptr;
    const std::size_t length = std::strlen(pszPath) + 1;
    const std::size_t itemBytes = sizeof(std::uint16_t) + length;
    if (itemBytes > 0xFFFF)
        return nullptr;
    // The item, then the empty item that ends the list.
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(itemBytes + sizeof(std::uint16_t)));
    if (!bytes)
        return nullptr;
    const auto cb = static_cast<std::uint16_t>(itemBytes);
    const std::uint16_t end = 0;
    std::memcpy(bytes, &cb, sizeof cb);
    std::memcpy(bytes + sizeof cb, pszPath, length);
    std::memcpy(bytes + itemBytes, &end, sizeof end);
    return reinterpret_cast<PIDLIST_ABSOLUTE>(bytes);
}

void ILFree(PIDLIST_ABSOLUTE pidl) { CoTaskMemFree(pidl); }
