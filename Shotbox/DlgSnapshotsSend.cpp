// The snapshot dialog's "Send to server": each selected picture is registered with its title and
// the upload row's choices, then uploaded; failures are shown as they happen.
#include "Shotbox/DlgSnapshots.h"

#include "Shotbox/ShotboxApp.h"
#include "Shotbox/SnapshotUpload.h"
#include "Shotbox/UserMessages.h"

void CDlgSnapshots::OnSendToServer()
{
    if (CImgBrowserItem* focus = m_browser.GetItem(m_browser.GetFocusItem())) {
        char text[1024] = {};
        GetDlgItemText(IDC_TITLE, text, sizeof text);
        if (text[0])
            focus->SetTitle(text);
    }
    const std::vector<int> selected = m_browser.GetSelectedItems();
    if (selected.empty()) {
        ShowUserMessage(106, MB_OK | MB_ICONINFORMATION);
        return;
    }
    SnapshotUploadOptions options;
    options.adultGroup = IsDlgButtonChecked(IDC_ADULT_GROUP) == BST_CHECKED;
    options.makeMaster = IsDlgButtonChecked(IDC_PROFILE_PHOTO) == BST_CHECKED;
    options.highResolution = IsDlgButtonChecked(IDC_HIGH_RESOLUTION) == BST_CHECKED;
    CSnapshotUploader uploader = CSnapshotUploader::FromProgram();

    int sent = 0;
    for (std::size_t n = 0; n < selected.size(); ++n) {
        CImgBrowserItem* item = m_browser.GetItem(selected[n]);
        if (!item)
            continue;
        CShotboxApp* app = ShotboxApp();
        const bool attached = app && app->AttachSharedData();
        const std::string userId = attached ? app->SharedUserId() : std::string();
        SnapshotUploadResult result = uploader.Register(attached ? userId.c_str() : nullptr, item->GetTitle(), options);
        if (result.accepted)
            result = uploader.Upload(item->GetPath(), options);
        if (result.accepted) {
            ++sent;
            continue;
        }
        if (!result.message.empty())
            AfxMessageBox(result.message.c_str(), MB_OK | MB_ICONERROR);
        if (selected.size() == 1)
            return;
        if (n + 1 == selected.size())
            break;
        const std::string& name = item->GetTitle().empty() ? item->GetPath() : item->GetTitle();
        if (ShowUserMessage(119, MB_YESNO | MB_ICONWARNING, name.c_str()) == IDNO)
            break;
    }
    if (selected.size() == 1)
        ShowUserMessage(102, MB_OK | MB_ICONINFORMATION);
    else
        ShowUserMessage(120, MB_OK | MB_ICONINFORMATION, sent, sent == 1 ? "file was" : "files were");
}
