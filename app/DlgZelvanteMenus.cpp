// The main menu's pop-ups as the skin's menu buttons show them (checks, grays, removals and the
// generated items), the skin's tooltips on and off, the Run value that starts the program at
// log-in, the account pages, the local help and the About text.
#include "app/DlgZelvante.h"

#include "app/DlgBrowser.h"
#include "app/FileVersion.h"
#include "app/MenuCommands.h"
#include "app/ServerUrl.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "capture/Deinterlace.h"
#include "capture/PlayerState.h"
#include "platform/afx/afx_menu.h"
#include "platform/user/html_help.h"
#include "platform/user/shell_execute.h"
#include "platform/user/window.h"
#include "platform/win32/bstr.h"
#include "platform/win32/files.h"
#include "platform/win32/paths.h"
#include "platform/win32/registry.h"

#include <strings.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT kMainMenu = 157;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Zelvante";
// Read no more of the Run value than older copies ever wrote.
constexpr DWORD kRunValueBytes = 520;

constexpr const char* kOptions = "Options";

// The sub-pop-up of `menu` whose text is `text` (exactly, or without regard to case); null when
// there is none.
CMenu* FindSubMenu(CMenu* menu, const char* text, bool ignoreCase = false)
{
    if (menu == nullptr)
        return nullptr;
    const int count = static_cast<int>(menu->GetMenuItemCount());
    for (int position = 0; position < count; ++position) {
        CMenu* sub = menu->GetSubMenu(position);
        if (sub == nullptr)
            continue;
        std::string itemText;
        menu->GetMenuString(static_cast<UINT>(position), itemText, MF_BYPOSITION);
        if (ignoreCase ? strcasecmp(itemText.c_str(), text) == 0 : itemText == text)
            return sub;
    }
    return nullptr;
}

void Check(CMenu* menu, UINT id, bool checked)
{
    if (menu != nullptr)
        menu->CheckMenuItem(id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// Takes every tooltip below `element` off (saving it under the element's path) or puts the saved
// ones back. Paths are the child indices from the form, so elements of different parents never
// share a key.
void SwapTooltips(ISkinElement* element, const std::string& path, bool on,
                  std::map<std::string, std::u16string>& saved)
{
    LONG count = 0;
    if (element == nullptr || FAILED(element->GetChildCount(&count)))
        return;
    for (LONG index = 0; index < count; ++index) {
        ISkinElement* raw = nullptr;
        if (FAILED(element->GetChild(index, &raw)) || raw == nullptr)
            continue;
        const SkinRef<ISkinElement> child = SkinRef<ISkinElement>::Adopt(raw);
        const std::string childPath = path + "/" + std::to_string(index);
        SwapTooltips(child.get(), childPath, on, saved);
        if (on) {
            const auto found = saved.find(childPath);
            if (found != saved.end()) {
                child->SetTooltip(found->second.c_str());
                saved.erase(found);
            }
            continue;
        }
        BSTR tooltip = nullptr;
        if (SUCCEEDED(child->GetTooltip(&tooltip)) && tooltip != nullptr && tooltip[0] != 0) {
            saved[childPath] = std::u16string(tooltip, SysStringLen(tooltip));
            child->SetTooltip(u"");
        }
        SysFreeString(tooltip);
    }
}

// Whether the Run value `value` starts the program at `program`: "\"<program>\" ..." as this copy
// writes it, or "<program> ..." as older copies did; the path compared without regard to case.
bool RunValueNames(const std::string& value, const std::string& program)
{
    if (program.empty())
        return false;
    std::size_t start = 0;
    char end = ' ';
    if (!value.empty() && value[0] == '"') {
        start = 1;
        end = '"';
    }
    if (value.size() < start + program.size() ||
        strncasecmp(value.c_str() + start, program.c_str(), program.size()) != 0)
        return false;
    // A longer path that merely begins like ours is another program.
    const std::size_t after = start + program.size();
    return end == '"' ? after < value.size() && value[after] == '"' : after == value.size() || value[after] == ' ';
}

} // namespace

CMenu* CDlgZelvante::PrepareSkinMenu(CMenu& menus, int position)
{
    if (!menus.LoadMenu(kMainMenu))
        return nullptr;
    CMenu* popup = menus.GetSubMenu(position);
    if (popup == nullptr)
        return nullptr;
    switch (position) {
    case 0: {
        FillSourceMenu(popup->GetSubMenu(0));
        const int rate = m_captureGraph.m_nFps;
        if (CMenu* rates = popup->GetSubMenu(1); rates != nullptr && rate >= 5 && rate <= 34)
            rates->CheckMenuItem(static_cast<UINT>(rate / 5 - 1), MF_BYPOSITION | MF_CHECKED);
        break;
    }
    case 1: {
        if (g_nPlayerState.load() == PlayerStopped)
            popup->EnableMenuItem(kFullScreenCommand, MF_BYCOMMAND | MF_GRAYED);
        BuildSkinMenu(popup->GetSubMenu(0));
        CMenu* ads = FindSubMenu(popup, "A&dvertisements");
        Check(ads, kShowAdsCommand, m_bShowAds != 0);
        Check(ads, kExchangeAdVideoCommand, m_bAdVideoExchanged != 0);
        CMenu* settings = FindSubMenu(popup, "Se&ttings");
        Check(settings, kMinimizeToTrayCommand, m_bMinimizeToTray != 0);
        Check(settings, kRunAtStartupCommand, IsRunAtStartup());
        Check(settings, kTooltipsCommand, m_bTooltips != 0);
        Check(FindSubMenu(settings, "Check for &update"), kAutoUpdateCommand, m_bAutoUpdate != 0);
        Check(FindSubMenu(popup, "&Playback options"), kPlayWithSoundCommand, g_bPlaySound.load() != 0);
        Check(FindSubMenu(popup, "F&ilters"), kFilterDeinterlaceCommand, g_bDeinterlace.load() != 0);
        if (CMenu* fonts = FindSubMenu(popup, "&Font size", true)) {
            for (int size = 1; size <= 5; ++size)
                Check(fonts, kLargestFontCommand + 5 - static_cast<UINT>(size), size == StoredFontSize());
        }
        if (CMenu* modes = FindSubMenu(popup, "&Snapshot mode"); modes != nullptr && m_nSnapshotMode >= 0 &&
                                                                  m_nSnapshotMode <= 2)
            Check(modes, kFirstSnapshotModeCommand + static_cast<UINT>(m_nSnapshotMode), true);
        break;
    }
    case 2: {
        const std::uint32_t hidden = ZelvanteApp().HiddenMenuBits.load();
        if (hidden & 1u)
            popup->DeleteMenu(kPaymentCommand, MF_BYCOMMAND);
        if (hidden & 2u)
            popup->DeleteMenu(kEarningsCommand, MF_BYCOMMAND);
        if (hidden & 4u)
            popup->DeleteMenu(kSalaryCommand, MF_BYCOMMAND);
        break;
    }
    default:
        break;
    }
    return popup;
}

void CDlgZelvante::TrackSkinMenu(int position, int x, int y)
{
    CMenu menus;
    CMenu* popup = PrepareSkinMenu(menus, position);
    SkinRef<ISkinMenu> skinMenu = QuerySkin<ISkinMenu>(m_pSkinRoot, IID_ISkinMenu);
    if (popup != nullptr && skinMenu)
        skinMenu->TrackPopupMenu(popup->GetSafeHmenu(), x, y);
}

void CDlgZelvante::ApplyTooltips(bool on, ISkinElement* element)
{
    if (on == (m_bTooltips != 0) || element == nullptr)
        return;
    LONG count = 0;
    if (FAILED(element->GetChildCount(&count)) || count <= 0)
        return;
    SwapTooltips(element, "", on, m_savedTooltips);
    m_bTooltips = on ? 1 : 0;
    ZelvanteApp().WriteProfileInt(kOptions, "Tooltips", m_bTooltips);
}

void CDlgZelvante::ResetTooltipsForSkin()
{
    m_savedTooltips.clear();
    if (m_bTooltips)
        return;
    if (SkinRef<ISkinElement> form = QuerySkin<ISkinElement>(m_pSkinRoot, IID_ISkinElement))
        SwapTooltips(form.get(), "", false, m_savedTooltips);
}

bool CDlgZelvante::IsRunAtStartup()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    // One byte more than read, so the value always ends in a NUL.
    char value[kRunValueBytes + 1] = {};
    DWORD size = kRunValueBytes;
    DWORD type = 0;
    const LSTATUS status = RegQueryValueExA(key, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return false;
    return RunValueNames(std::string(value, strnlen(value, size)), ProgramPath());
}

void CDlgZelvante::ToggleRunAtStartup()
{
    const bool wasOn = IsRunAtStartup();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (wasOn) {
        RegDeleteValueA(key, kRunValue);
    } else if (const std::string program = ProgramPath(); !program.empty()) {
        // Quoted, so a path with spaces starts the program and not a part of its path.
        const std::string command = "\"" + program + "\" /play";
        RegSetValueExA(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
    }
    RegCloseKey(key);
}

std::string CDlgZelvante::AccountPageUrl(const std::string& page, const std::string& userId)
{
    return page + (page.find('?') != std::string::npos ? "&" : "?") + "ID_USER=" + userId;
}

void CDlgZelvante::OpenAccountPage(const char* url)
{
    if (url == nullptr || *url == 0)
        return;
    const std::string page = AccountPageUrl(url, ZelvanteApp().Credentials.UserId());
    if (m_pAccountBrowser == nullptr) {
        auto* browser = new CDlgBrowser(page.c_str(), this, 0);
        if (!browser->Create(CDlgBrowser::IDD, this)) {
            delete browser;
            return;
        }
        m_pAccountBrowser = browser;
    } else {
        m_pAccountBrowser->Navigate(page.c_str());
    }
    m_pAccountBrowser->ShowWindow(SW_SHOW);
}

void CDlgZelvante::OpenAccountPageById(UINT stringId)
{
    std::string url;
    if (LoadServerUrl(stringId, url))
        OpenAccountPage(url.c_str());
}

void CDlgZelvante::OpenWebSite(UINT stringId, const char* verb, int show)
{
    std::string url;
    if (AfxLoadString(stringId, url))
        ShellExecuteA(m_hWnd, verb, url.c_str(), nullptr, nullptr, show);
}

void CDlgZelvante::ShowLocalHelp()
{
    char module[MAX_PATH] = {};
    char shortPath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    if (length == 0 || length >= sizeof module)
        return;
    const DWORD shortLength = GetShortPathNameA(module, shortPath, sizeof shortPath);
    if (shortLength == 0 || shortLength >= sizeof shortPath)
        return;
    std::string folder(shortPath, shortLength);
    const std::size_t cut = folder.find_last_of("\\/");
    if (cut == std::string::npos)
        return;
    folder.resize(cut);
    HtmlHelpA(GetDesktopWindow(), (folder + "\\zelvante.chm").c_str(), HH_DISPLAY_TOC, 0);
}

std::string CDlgZelvante::AboutText()
{
    std::string program;
    std::string driver;
    if (!GetProgramVersionText(program))
        program = "unknown";
    if (!GetDriverVersionText(driver))
        driver = "not installed";
    const std::vector<std::string> lines = {
        "Zelvante: pictures, video files and the desktop as a camera for every video program.",
        "Made by Kestrova.",
        "",
        "Program version: " + program,
        "Driver version: " + driver,
        "",
        "Support e-mail: support@zelvante.example",
        "Support on the web: http://www.zelvante.example/support/",
    };
    std::string text = lines.front();
    for (std::size_t index = 1; index < lines.size(); ++index)
        text += "\r\n" + lines[index];
    return text;
}

int CDlgZelvante::StoredFontSize()
{
    std::int32_t size = 0;
    int bytes = sizeof size;
    if (!ZelvanteApp().m_Config.GetBlob(kFontSizeRecord, &size, &bytes) || bytes != sizeof size || size < 1 || size > 5)
        return 1;
    return size;
}
