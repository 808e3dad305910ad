// The snapshot dialog's file commands: saving unsaved snapshots into a folder (button, close
// prompt), deleting with the Delete key, and showing a folder's pictures.
#include "Shotbox/DlgSnapshots.h"

#include "Shotbox/ShotboxApp.h"
#include "Shotbox/SnapshotFiles.h"
#include "Shotbox/UserMessages.h"
#include "platform/user/folder_browser.h"
#include "platform/user/virtual_keys.h"
#include "platform/win32/files.h"

namespace {

constexpr const char* kFolderTitle = "Select a folder containing images in JPG format";

int CALLBACK BrowseCallbackProc(HWND hwnd, UINT message, LPARAM lParam, LPARAM data)
{
    if (message == BFFM_INITIALIZED) {
        const auto* folder = reinterpret_cast<const std::string*>(data);
        if (folder && !folder->empty())
            SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder->c_str()));
    } else if (message == BFFM_SELCHANGED) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path))
            SendMessageA(hwnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

const char* FilesWord(int count)
{
    return count == 1 ? "file was" : "files were";
}

} // namespace

BOOL CDlgSnapshots::BrowseForFolder(std::string& folder, std::string& displayName)
{
    char name[MAX_PATH] = {};
    const std::string start = folder;
    BROWSEINFOA info{};
    info.hwndOwner = m_hWnd;
    info.pszDisplayName = name;
    info.lpszTitle = kFolderTitle;
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_VALIDATE;
    info.lpfn = &BrowseCallbackProc;
    info.lParam = reinterpret_cast<LPARAM>(&start);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    if (!chosen)
        return FALSE;
    char path[MAX_PATH] = {};
    const BOOL got = SHGetPathFromIDListA(chosen, path);
    ILFree(chosen);
    if (!got)
        return FALSE;
    folder = path;
    displayName = name;
    return TRUE;
}

CDlgSnapshots::SaveResult CDlgSnapshots::SaveImages(const std::vector<int>& indices, const std::string& folder,
                                                   bool selectSaved)
{
    SaveResult result;
    std::set<std::string> written; // this batch's targets: never overwritten by the batch itself
    for (const int index : indices) {
        CImgBrowserItem* item = m_browser.GetItem(index);
        if (!item || !IsTemporary(index))
            continue;
        SYSTEMTIME now{};
        GetSystemTime(&now);
        const std::string target = FreePath(folder, SnapshotFileName("", now), written, false);
        if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            const int answer = ShowUserMessage(116, MB_YESNOCANCEL | MB_ICONQUESTION, target.c_str());
            if (answer == IDNO)
                continue;
            if (answer != IDYES) {
                result.cancelled = true;
                return result;
            }
        }
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        const std::string source = item->GetPath();
        if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
            ShowUserMessage(117, MB_OK | MB_ICONERROR, target.c_str());
            result.failed.push_back(source);
            continue;
        }
        ++result.saved;
        written.insert(target);
        DeleteFileA(source.c_str());
        item->Reload(target.c_str());
        m_browser.InvalidateRect(nullptr, FALSE);
        if (selectSaved)
            m_browser.SelectItem(index, TRUE);
    }
    return result;
}

void CDlgSnapshots::ReportSaved(int count, const std::string& folder)
{
    ShowUserMessage(121, MB_OK | MB_ICONINFORMATION, count, FilesWord(count), folder.c_str());
}

void CDlgSnapshots::OnSaveToDisk()
{
    if (m_browser.GetSelectedCount() == 0) {
        ShowUserMessage(114, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::vector<int> temporary = TemporaryItems(true);
    if (temporary.empty()) {
        ShowUserMessage(115, MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::string displayName;
    if (!BrowseForFolder(m_strFolder, displayName))
        return;
    const SaveResult result = SaveImages(temporary, m_strFolder, true);
    if (result.cancelled && !(temporary.size() > 1 && result.saved > 0))
        return;
    ReportSaved(result.saved, m_strFolder);
    OnSelectionChanged();
}

BOOL CDlgSnapshots::PromptSaveTempImages()
{
    const std::vector<int> temporary = TemporaryItems(false);
    if (temporary.empty())
        return TRUE;
    const int answer = ShowUserMessage(118, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDNO) {
        for (const int index : temporary)
            DeleteFileA(m_browser.GetItem(index)->GetPath().c_str());
        return TRUE;
    }
    if (answer != IDYES)
        return FALSE;
    std::string displayName;
    if (!BrowseForFolder(m_strFolder, displayName))
        return FALSE;
    const SaveResult result = SaveImages(temporary, m_strFolder, false);
    if (result.cancelled) {
        if (temporary.size() > 1 && result.saved > 0)
            ReportSaved(result.saved, m_strFolder);
        return FALSE;
    }
    ReportSaved(result.saved, m_strFolder);
    if (!result.failed.empty()) {
        // Nothing is lost: the dialog stays with the pictures that are still unsaved.
        std::string list;
        for (const std::string& path : result.failed)
            list += "\r\n" + path;
        ShowUserMessage(123, MB_OK | MB_ICONWARNING, list.c_str());
        return FALSE;
    }
    return TRUE;
}

void CDlgSnapshots::DeleteSelectedImages()
{
    const int count = m_browser.GetSelectedCount();
    if (count == 0)
        return;
    if (ShowUserMessage(122, MB_YESNO | MB_ICONQUESTION, count, count == 1 ? "image" : "images") != IDYES)
        return;
    for (int pass = 0; pass < count; ++pass) {
        int index = -1;
        if (m_browser.GetSelectedItems(1, &index) != 1)
            break;
        if (IsTemporary(index) && !DeleteFileA(m_browser.GetItem(index)->GetPath().c_str())) {
            // Kept, so nothing vanishes from the list that is still on the disk.
            ShowUserMessage(124, MB_OK | MB_ICONERROR, m_browser.GetItem(index)->GetPath().c_str());
            m_browser.SelectItem(index, FALSE);
            continue;
        }
        m_browser.RemoveItem(index);
    }
    OnSelectionChanged();
}

BOOL CDlgSnapshots::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE && msg->hwnd == m_browser.GetSafeHwnd()) {
        DeleteSelectedImages();
        return FALSE;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CDlgSnapshots::OnOpenFolder()
{
    std::string displayName;
    if (!BrowseForFolder(m_strFolder, displayName))
        return;
    m_browser.LoadFolder(m_strFolder.c_str(), "*.jpg");
    if (CShotboxApp* app = ShotboxApp())
        app->WriteProfileString("Options", "LastDir", m_strFolder.c_str());
    m_browser.SetFocus();
}
