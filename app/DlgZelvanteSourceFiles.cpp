// The main dialog's file sources: opening and showing still pictures (with the watch that shows a
// changed file again), and opening and playing video files.
#include "app/DlgZelvante.h"

#include "app/MsgBox.h"
#include "app/PlayList.h"
#include "app/ProgramMessages.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/OutputFormats.h"
#include "capture/PlayerState.h"
#include "capture/TextOverlay.h"
#include "capture/VirtualCameraChannel.h"
#include "platform/afx/afxdlgs.h"

namespace {

constexpr UINT kImageLoadError = 116; // "Error loading image file."
// Bicubic B-spline.
constexpr LONG kStillResampleMode = 2;

constexpr const char* kImageFilter =
    "Image files (*.jpg;*.bmp;*.gif;*.wmf;*.tif)|*.jpg;*.bmp;*.gif;*.wmf;*.tif|All Files (*.*)|*.*||";
constexpr const char* kVideoFilter =
    "Video files (*.avi;*.mpg;*.dat;*.mpeg;*.mp2)|*.avi;*.mpg;*.dat;*.mpeg;*.mp2|All Files (*.*)|*.*||";

// The picture last loaded for the image source.
CPixImage g_LoadedPicture;

// One open dialog of each kind at a time; the flag is cleared however the dialog ends.
class OpenDialogGuard {
public:
    explicit OpenDialogGuard(bool& open) : m_open(open), m_entered(!open) { m_open = true; }
    ~OpenDialogGuard()
    {
        if (m_entered)
            m_open = false;
    }
    OpenDialogGuard(const OpenDialogGuard&) = delete;
    OpenDialogGuard& operator=(const OpenDialogGuard&) = delete;
    bool Entered() const { return m_entered; }

private:
    bool& m_open;
    bool m_entered;
};

bool g_bImageDialogOpen = false;
bool g_bVideoDialogOpen = false;

// The chosen file, or empty when the user cancelled.
std::string AskForFile(CWnd* parent, const char* filter)
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, filter, parent);
    if (dialog.DoModal() != IDOK)
        return {};
    return dialog.GetPathName();
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

void CDlgZelvante::OpenImageFile()
{
    OpenDialogGuard guard(g_bImageDialogOpen);
    if (!guard.Entered())
        return;
    const std::string path = AskForFile(this, kImageFilter);
    if (path.empty())
        return;
    if (PlayList() != nullptr) {
        SelectTab(3);
        PlayList()->AddEntry(FileNameOf(path).c_str(), path.c_str());
    }
    Stop();
    ShowVideoPositionSlider(false);
    SetActiveSourceKind(SourceImage);
    ReadDriverFormatFlags();
    ShowImageFile(path.c_str());
}

void CDlgZelvante::OpenVideoFile()
{
    OpenDialogGuard guard(g_bVideoDialogOpen);
    if (!guard.Entered())
        return;
    const std::string path = AskForFile(this, kVideoFilter);
    if (!path.empty())
        PlayVideoFile(path.c_str());
}

void CDlgZelvante::PlayVideoFile(const char* path)
{
    if (path == nullptr)
        return;
    const std::string file = path; // the caller's text may be one of the names changed below
    CZelvanteApp& app = ZelvanteApp();
    Stop();
    if (g_nSourceKind != SourceVideoFile) {
        CDlgCapPreview::SetImage(nullptr);
        ShowVideoPositionSlider(true);
        SetSliderValue("Scroll Video Position", 0.0f);
        SetSourceCaption(FileNameOf(app.m_strVideoFile).c_str());
        SetActiveSourceKind(SourceVideoFile);
        UpdateSliders();
    }
    CDlgCapPreview::SetImage(nullptr);
    ShowVideoPositionSlider(true);
    SetSliderValue("Scroll Video Position", 0.0f);
    m_captureGraph.m_hWndNotify = m_hWnd;
    m_captureGraph.m_nNotifyMsg = GraphEventMessage;
    SetSourceCaption(DisplayNameOf(file).c_str());
    // The video list then holds just this file. Without the playlist window the list mode is set
    // here all the same, so Play starts the file.
    if (CPlayList* list = PlayList()) {
        SelectTab(2);
        list->ClearEntries();
        list->AddEntry(FileNameOf(file).c_str(), file.c_str());
    }
    m_nListMode = 2;
    m_captureGraph.SetFileName(file.c_str());
    app.m_strVideoFile = file;
    Play();
    UpdateSliders();
}

void CDlgZelvante::ShowImageFile(const char* path)
{
    if (path == nullptr)
        return;
    const std::string file = path; // may be the remembered image file itself
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
        return;
    m_fileDataShown = data;
    SetSourceCaption(FileNameOf(file).c_str());
    UpdateSliders();
    if (!g_LoadedPicture.Load(file.c_str(), 0)) {
        std::string text;
        AfxLoadString(kImageLoadError, text);
        CMsgBox(text.c_str()).DoModal();
        return;
    }
    ZelvanteApp().m_strImageFile = file;
    PrepareStillImage();
}

void CDlgZelvante::PrepareStillImage()
{
    if (!g_LoadedPicture.IsValid() || !g_LoadedPicture.IncreaseBpp(24))
        return;
    const LONG width = g_LoadedPicture.GetWidth();
    const LONG height = g_LoadedPicture.GetHeight();
    const SIZE shown = StillPictureSize(width, height);
    if ((shown.cx != width || shown.cy != height) &&
        !g_LoadedPicture.Resample(shown.cx, shown.cy, kStillResampleMode))
        return;
    if (shown.cy < shown.cx) {
        const FrameSize size{shown.cx, shown.cy};
        if (BYTE* bits = PixelsOfSize(g_LoadedPicture, size))
            ApplyTextOverlay(&size, bits, static_cast<LONG>(FrameBytes(size)));
    }
    CDlgCapPreview::SetImage(&g_LoadedPicture);
    if (CDlgCapPreview* preview = g_pPreview.load(); preview != nullptr && !preview->IsWindowVisible())
        preview->ShowWindow(SW_SHOWNA);
    g_nPlayerState = PlayerStillShown;
}

void CDlgZelvante::CheckImageFile()
{
    KillTimer(kImageWatchTimer);
    // Only the image source is watched; the timer ends with it.
    if (g_nSourceKind != SourceImage)
        return;
    const std::string path = ZelvanteApp().m_strImageFile;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (g_nPlayerState == PlayerStillShown && GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        !SameTime(data.ftLastWriteTime, m_fileDataShown.ftLastWriteTime))
        ShowImageFile(path.c_str());
    SetTimer(kImageWatchTimer, kImageWatchMs);
}
