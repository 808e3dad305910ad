// The main dialog's tabs and what tabs 2 and 3 hold: the playlist window with the video and image
// lists, adding and removing their files, moving through them, the slideshow over the image list
// and the video list played file after file.
#include "app/DlgZelvante.h"

#include "app/DlgPlaylist.h"
#include "app/InplaceEdit.h"
#include "app/MsgBox.h"
#include "app/PlayList.h"
#include "app/ProgramMessages.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/PlayerState.h"
#include "capture/VirtualCameraChannel.h"
#include "platform/afx/afxdlgs.h"
#include "platform/user/edit_control.h"
#include "platform/user/folder_browser.h"
#include "platform/win32/find_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr UINT kListMenus = 134;
constexpr int kAddPopup = 3;    // "File..." 32877, "Folder..." 32878
constexpr int kDeletePopup = 4; // "Selected" 32879, "Clear" 32880

constexpr std::int32_t kMinSlideshowSeconds = 1;
constexpr std::int32_t kMaxSlideshowSeconds = 86400; // a day; the timer's milliseconds still fit
constexpr double kSecondsEditorFontScale = 0.8;

// Room for the selection: the result's size is reported in 16 bits, so no selection the file
// dialog can describe is longer.
constexpr DWORD kFileSelectionChars = 0x10000;
constexpr const char* kSelectionTooLong =
    "Too many files were selected at once.\r\nPlease add them in smaller groups.";

constexpr const char* kImageListFilter =
    "Images (*.jpg; *.bmp; *.gif; *.wmf; *.tif)|*.jpg;*.bmp;*.gif;*.wmf;*.tif|All files (*.*)|*.*||";
constexpr const char* kVideoListFilter =
    "Video files (*.avi, *.mpg, *.mpeg, *.mpe)|*.avi;*.mpg;*.mpeg;*.mpe|All files (*.*)|*.*||";
const std::vector<const char*> kImagePatterns = {"*.jpeg", "*.jpg", "*.bmp", "*.gif", "*.wmf", "*.tif"};
const std::vector<const char*> kVideoPatterns = {"*.avi", "*.mpeg", "*.mpg", "*.mpe"};

constexpr const char* kFolderBrowserTitle = "Select a folder";

// The tab buttons in the order "L", "M", "R" of each tab.
constexpr const char* kTabParts[] = {"L", "M", "R"};

std::string TabElement(int tab, const char* part, bool selected)
{
    char name[32];
    std::snprintf(name, sizeof name, "Button Tab%d%s%s", tab, part, selected ? " Sel" : "");
    return name;
}

std::string TabPanel(int tab)
{
    return "Tab Panel " + std::to_string(tab);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The leading decimal number of the editor's text; 0 for none, and for one outside the range
// (the text's number is never trusted to fit).
std::int32_t SecondsFromText(const char* text)
{
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || value < kMinSlideshowSeconds || value > kMaxSlideshowSeconds)
        return 0;
    return static_cast<std::int32_t>(value);
}

// The folder the browser opens at: the remembered one, cut back at its last separator while it
// does not exist.
std::string ExistingStartFolder(std::string folder)
{
    while (!IsFolder(folder)) {
        const std::size_t cut = folder.find_last_of("/\\");
        if (cut == std::string::npos)
            break;
        folder.resize(cut);
    }
    return folder;
}

int CALLBACK FolderBrowserCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data)
{
    switch (message) {
    case BFFM_INITIALIZED: {
        const std::string start = ExistingStartFolder(*reinterpret_cast<const std::string*>(data));
        if (!start.empty())
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start.c_str()));
        return 0;
    }
    case BFFM_SELCHANGED: {
        char chosen[MAX_PATH] = {};
        if (SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), chosen))
            SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(chosen));
        return 0;
    }
    case BFFM_VALIDATEFAILEDA:
        return 1; // a typed name that is no folder: the browser stays up for another
    default:
        return 0;
    }
}

// Shows pop-up `position` of menu 134 at the element.
void TrackListMenu(CDlgZelvante& dialog, ISkinElement* element, int position)
{
    CMenu menus;
    if (!menus.LoadMenu(kListMenus))
        return;
    if (CMenu* popup = menus.GetSubMenu(position))
        dialog.TrackElementMenu(element, popup->GetSafeHmenu());
}

} // namespace

CPlayList* CDlgZelvante::PlayList() const
{
    if (m_pDlgPlaylist == nullptr || !m_pDlgPlaylist->m_playList.GetSafeHwnd())
        return nullptr;
    return &m_pDlgPlaylist->m_playList;
}

void CDlgZelvante::SelectTab(int tab)
{
    if (tab == 2 || tab == 3) {
        m_nListMode = tab;
        // Without the playlist window there is no list to switch.
        if (CPlayList* list = PlayList())
            list->ShowList(tab == 2 ? CPlayList::kVideoList : CPlayList::kImageList);
    }
    for (int other = 1; other <= 4; ++other) {
        for (const char* part : kTabParts)
            ShowElement(TabElement(other, part, true).c_str(), false);
        ShowElement(TabElement(other, "L", false).c_str(), true);
        ShowElement(TabElement(other, "M", false).c_str(), true);
        ShowElement(TabPanel(other).c_str(), false);
    }
    ShowElement(TabElement(4, "R", false).c_str(), true);
    ShowPlaylistWindow(false);
    if (tab < 1 || tab > 4)
        return;
    for (const char* part : kTabParts)
        ShowElement(TabElement(tab, part, true).c_str(), true);
    ShowElement(TabPanel(tab).c_str(), true);
    // The chosen tab's own buttons give way to its selected ones, and so does the left edge of
    // the tab after it (the last tab has a right edge of its own instead).
    ShowElement(TabElement(tab, "L", false).c_str(), false);
    ShowElement(TabElement(tab, "M", false).c_str(), false);
    ShowElement(tab == 4 ? TabElement(4, "R", false).c_str() : TabElement(tab + 1, "L", false).c_str(), false);
    if (tab == 2 || tab == 3)
        ShowPlaylistWindow(true);
}

void CDlgZelvante::ShowPlaylistWindow(bool show)
{
    if (m_pDlgPlaylist == nullptr) {
        auto* window = new CDlgPlaylist;
        if (!window->Create(this)) {
            delete window;
            return;
        }
        m_pDlgPlaylist = window;
        LayoutPlaylistWindow();
    }
    if (m_pDlgPlaylist->GetSafeHwnd())
        m_pDlgPlaylist->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
}

void CDlgZelvante::LayoutPlaylistWindow()
{
    if (m_pDlgPlaylist == nullptr || !m_pDlgPlaylist->GetSafeHwnd())
        return;
    // The element's rectangle already counts in the corner of "Tab Panel 2" it lies in.
    RECT place{};
    if (!GetSkinElementRect("Static playlist", &place))
        return;
    POINT corner{place.left, place.top};
    ClientToScreen(&corner);
    ::SetWindowPos(m_pDlgPlaylist->GetSafeHwnd(), HWND_TOP, corner.x, corner.y, place.right - place.left,
                   place.bottom - place.top, SWP_NOACTIVATE);
}

void CDlgZelvante::ShowPlaylistAddMenu(ISkinElement* element)
{
    TrackListMenu(*this, element, kAddPopup);
}

void CDlgZelvante::ShowPlaylistDeleteMenu(ISkinElement* element)
{
    TrackListMenu(*this, element, kDeletePopup);
}

void CDlgZelvante::AddFilesToList()
{
    CPlayList* list = PlayList();
    if (list == nullptr || (m_nListMode != 2 && m_nListMode != 3))
        return;
    const bool images = m_nListMode == 3;
    CFileDialog dialog(TRUE, images ? "jpg" : "avi", nullptr,
                       OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST,
                       images ? kImageListFilter : kVideoListFilter, this);
    std::vector<char> selection(kFileSelectionChars, '\0');
    dialog.m_ofn.lpstrFile = selection.data();
    dialog.m_ofn.nMaxFile = kFileSelectionChars;
    if (dialog.DoModal() != IDOK) {
        // A choice that did not fit is not dropped without a word.
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            CMsgBox(kSelectionTooLong).DoModal();
        return;
    }
    const std::string first = selection.data();
    if (GetFileAttributesA(first.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    for (POSITION at = dialog.GetStartPosition(); at != nullptr;) {
        const std::string path = dialog.GetNextPathName(at);
        list->AddEntry(FileNameOf(path).c_str(), path.c_str());
    }
}

void CDlgZelvante::AddFolderToList()
{
    CPlayList* list = PlayList();
    if (list == nullptr)
        return;
    char name[MAX_PATH] = {};
    const std::string remembered = g_strLastBrowseFolder;
    BROWSEINFOA info{};
    info.hwndOwner = m_hWnd;
    info.pszDisplayName = name;
    info.lpszTitle = kFolderBrowserTitle;
    info.ulFlags = BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;
    info.lpfn = &FolderBrowserCallback;
    info.lParam = reinterpret_cast<LPARAM>(&remembered);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    if (chosen == nullptr)
        return;
    char folder[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListA(chosen, folder);
    ILFree(chosen);
    if (!found)
        return;
    g_strLastBrowseFolder = folder;
    ZelvanteApp().WriteProfileString("Params", "LastBrowseFolder", folder);
    const std::vector<const char*>* patterns =
        m_nListMode == 3 ? &kImagePatterns : m_nListMode == 2 ? &kVideoPatterns : nullptr;
    if (patterns == nullptr)
        return;
    for (const char* pattern : *patterns) {
        WIN32_FIND_DATAA data{};
        HANDLE search = FindFirstFileA(JoinPath(folder, pattern).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            // A folder named like a picture is no picture.
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                list->AddEntry(data.cFileName, JoinPath(folder, data.cFileName).c_str());
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
}

void CDlgZelvante::DeleteSelectedEntries()
{
    if (CPlayList* list = PlayList())
        list->DeleteSelected();
}

void CDlgZelvante::ClearList()
{
    if (CPlayList* list = PlayList())
        list->ClearEntries();
}

bool CDlgZelvante::StartListVideo(const std::string& path)
{
    m_captureGraph.SetFileName(path.c_str());
    return StartVideoFile();
}

namespace {

// Shows a list's picture as the image source, without the slideshow's timer.
void ShowListPicture(CDlgZelvante& dialog, const std::string& path)
{
    dialog.Stop();
    dialog.SetActiveSourceKind(SourceImage);
    dialog.ShowVideoPositionSlider(false);
    ReadDriverFormatFlags();
    dialog.ShowImageFile(path.c_str());
}

} // namespace

void CDlgZelvante::PlayNextEntry()
{
    if (CPlayList* list = PlayList())
        PlayEntryPath(list->SelectNext(true));
}

void CDlgZelvante::PlayPrevEntry()
{
    if (CPlayList* list = PlayList())
        PlayEntryPath(list->SelectPrev());
}

void CDlgZelvante::PlayEntryPath(const std::string& path)
{
    if (path.empty())
        return;
    if (m_nListMode == 3) {
        ShowListPicture(*this, path);
    } else if (m_nListMode == 2) {
        Stop();
        StartListVideo(path);
    }
}

LRESULT CDlgZelvante::OnPlayFile(WPARAM, LPARAM lParam)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    if (text == nullptr)
        return 0;
    const std::string path = text; // the sender's, and only while this message is handled
    if (!IsFile(path))
        return 0;
    if (m_nListMode == 3) {
        ShowListPicture(*this, path);
    } else if (m_nListMode == 2) {
        ZelvanteApp().m_strVideoFile = path;
        PlayVideoList();
    }
    return 0;
}

bool CDlgZelvante::SetSlideshowSeconds(std::int32_t seconds)
{
    if (seconds < kMinSlideshowSeconds || seconds > kMaxSlideshowSeconds)
        return false;
    m_nSlideshowSeconds = seconds;
    char caption[32];
    std::snprintf(caption, sizeof caption, "%u sec", static_cast<unsigned>(seconds));
    SetElementCaption(caption, nullptr, "Button Slideshow Time");
    ZelvanteApp().WriteProfileInt("Params", "SlideshowTime", seconds);
    return true;
}

void CDlgZelvante::EditSlideshowSeconds()
{
    RECT place{};
    // The element's rectangle already counts in the corner of "Tab Panel 3" it lies in.
    if (!GetSkinElementRect("Button Slideshow Time", &place))
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(m_nSlideshowSeconds));
    // Deletes itself when the edit ends; the number comes back as label 0, then the close.
    auto* editor = new CInplaceEdit(ES_AUTOHSCROLL, kSecondsEditorFontScale, text);
    editor->m_nItemId = 0;
    KillTimer(kSlideshowTimer);
    editor->ShowAt(place);
}

LRESULT CDlgZelvante::OnLabelEdited(WPARAM wParam, LPARAM lParam)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    if (wParam == 1) {
        OnOverlayTextEdited(text);
        return 0;
    }
    if (wParam != 0)
        return 0;
    if (text != nullptr) {
        // No number, 0 or one out of range keeps the interval as it was.
        if (const std::int32_t seconds = SecondsFromText(text); seconds != 0)
            SetSlideshowSeconds(seconds);
        return 0;
    }
    // The editor closed: the slideshow it held goes on at the interval now set; nothing else
    // starts a timer.
    if (m_bSlideshowRunning)
        SetTimer(kSlideshowTimer, static_cast<UINT>(m_nSlideshowSeconds) * 1000u);
    return 0;
}

void CDlgZelvante::ShowSlide(const std::string& path)
{
    // A tick arriving while a broken picture's message box is up does not open another one.
    if (m_bShowingSlide)
        return;
    m_bShowingSlide = 1;
    KillTimer(kSlideshowTimer);
    ShowVideoPositionSlider(false);
    ReadDriverFormatFlags();
    if (!path.empty())
        ShowImageFile(path.c_str());
    m_bShowingSlide = 0;
    // Stopped or paused meanwhile (while the box was up): the slideshow stays stopped.
    if (m_bSlideshowRunning)
        SetTimer(kSlideshowTimer, static_cast<UINT>(m_nSlideshowSeconds) * 1000u);
}

void CDlgZelvante::StartSlideshow()
{
    Stop();
    SetActiveSourceKind(SourceImage);
    g_nPlayerState = PlayerStillShown;
    KillTimer(kSlideshowTimer);
    m_strPlayingName.clear();
    CPlayList* list = PlayList();
    if (list == nullptr)
        return;
    std::string path = list->GetSelectedPath();
    if (path.empty())
        path = list->SelectNext(false);
    if (path.empty())
        return;
    m_strPlayingName = FileNameOf(path);
    m_bSlideshowRunning = 1;
    ShowSlide(path);
}

void CDlgZelvante::PlayVideoList()
{
    Stop();
    SelectSourceKind(SourceVideoFile);
    m_strPlayingName.clear();
    CDlgCapPreview::SetImage(nullptr);
    CZelvanteApp& app = ZelvanteApp();
    std::string path;
    if (CPlayList* list = PlayList()) {
        path = list->GetSelectedPath();
        if (path.empty())
            path = list->SelectNext(false);
    }
    // An empty list keeps the remembered video file, which then plays.
    if (!path.empty())
        app.m_strVideoFile = path;
    m_strPlayingName = FileNameOf(app.m_strVideoFile);
    StartListVideo(app.m_strVideoFile);
}

void CDlgZelvante::AdvancePlayback()
{
    CPlayList* list = PlayList();
    std::string path;
    switch (g_nSourceKind.load()) {
    case SourceImage:
        // Only the slideshow's own timer moves the pictures on.
        if (!m_bSlideshowRunning || m_bShowingSlide)
            return;
        if (list != nullptr)
            list->AdvanceFromName(CPlayList::kImageList, m_strPlayingName, path);
        ShowSlide(path);
        break;
    case SourceVideoFile:
        Stop();
        if (list != nullptr)
            list->AdvanceFromName(CPlayList::kVideoList, m_strPlayingName, path);
        if (!path.empty())
            StartListVideo(path);
        break;
    default:
        break;
    }
}
