#include "app/DlgZelvante.h"

#include "app/DlgBrowser.h"
#include "app/DlgControlPanel.h"
#include "app/DlgPlaylist.h"
#include "app/ExternalControlWindow.h"
#include "app/FileVersion.h"
#include "app/GenericException.h"
#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "app/UpdateClient.h"
#include "app/VersionInfo.h"
#include "app/ZelvanteApp.h"
#include "app/driverinstall/DriverInstall.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/Deinterlace.h"
#include "capture/FrameCallback.h"
#include "capture/OutputFormats.h"
#include "capture/PlayerState.h"
#include "capture/TextOverlay.h"
#include "capture/VirtualCameraChannel.h"
#include "platform/gdi/gdi_icons.h"
#include "platform/skin/skin_interfaces.h"
#include "platform/user/dialog_codes.h"
#include "platform/user/message_box.h"
#include "platform/user/system_metrics.h"
#include "platform/user/virtual_keys.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/paths.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

std::atomic<BYTE> g_bPlaySound{1};
std::string g_strLastBrowseFolder;

namespace {

constexpr UINT kMainIcon = 128;
constexpr UINT kDriverInstallFailedString = 104;
constexpr UINT kDeviceHandleFailedString = 121;
constexpr UINT kRestartNeededString = 122;
constexpr const char* kParams = "Params";
constexpr const char* kOptions = "Options";

CZelvanteApp& App()
{
    return ZelvanteApp();
}

std::string ReadString(const char* section, const char* entry)
{
    return App().GetProfileString(section, entry, "");
}

int ReadInt(const char* section, const char* entry, int defaultValue)
{
    return static_cast<int>(App().GetProfileInt(section, entry, defaultValue));
}

void WriteString(const char* entry, const std::string& value)
{
    App().WriteProfileString(kParams, entry, value.c_str());
}

void WriteInt(const char* entry, int value)
{
    App().WriteProfileInt(kParams, entry, value);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The name of the capture device the user chose; the preview's pan/tilt needs it.
std::string SelectedCaptureDevice()
{
    return App().m_strCaptureDevice;
}

bool ContainsWord(const char* commandLine, const char* word)
{
    return commandLine && std::strstr(commandLine, word) != nullptr;
}

// The main preview when it exists.
CDlgCapPreview* MainPreview()
{
    return g_pPreview.load();
}

void DestroyAndDelete(CWnd*& window)
{
    CWnd* doomed = window;
    window = nullptr;
    if (!doomed)
        return;
    if (doomed->GetSafeHwnd()) {
        doomed->ShowWindow(SW_HIDE);
        doomed->DestroyWindow();
    }
    delete doomed;
}

} // namespace

CDlgZelvante::CDlgZelvante() : CDialog(kMainDialogTemplate)
{
    m_hIcon = AfxGetApp()->LoadIcon(kMainIcon);
    CreateFormatImages();
}

CDlgZelvante::~CDlgZelvante()
{
    ClosePeerLink();
    if (m_pSkinRoot) {
        m_pSkinRoot->Release();
        m_pSkinRoot = nullptr;
    }
}

bool CDlgZelvante::FailStartup(UINT stringId, UINT icon)
{
    AfxMessageBox(stringId, icon);
    m_bStartupReported = 1;
    EndDialog(-1);
    return false;
}

bool CDlgZelvante::AfterDriverInstall()
{
    ConfigStore& config = App().m_Config;
    if (config.driverFlags & kDriverFlagStale) {
        config.driverFlags &= ~kDriverFlagStale;
        config.dirty = true;
    }
    config.Save();
    if (config.driverFlags & kDriverRestartNeeded)
        return FailStartup(kRestartNeededString, MB_ICONEXCLAMATION);
    return true;
}

bool CDlgZelvante::CheckDriverAtStartup()
{
    if (IsDriverInstalled() == kDriverPresent)
        return true;
    if (!InstallDriver(m_hWnd, App().m_Config))
        return FailStartup(kDriverInstallFailedString, MB_ICONSTOP);
    return AfterDriverInstall();
}

bool CDlgZelvante::OpenDeviceWithRepair()
{
    HANDLE device = OpenVirtualCameraDevice();
    if (device != INVALID_HANDLE_VALUE) {
        g_hDriver = device;
        return true;
    }
    ConfigStore& config = App().m_Config;
    RemoveDriver(config);
    if (config.driverFlags & kDriverRestartNeeded)
        return FailStartup(kRestartNeededString, MB_ICONEXCLAMATION);
    if (!InstallDriver(m_hWnd, config))
        return FailStartup(kDriverInstallFailedString, MB_ICONSTOP);
    if (!AfterDriverInstall())
        return false;
    device = OpenVirtualCameraDevice();
    if (device == INVALID_HANDLE_VALUE)
        return FailStartup(kDeviceHandleFailedString, MB_ICONSTOP);
    g_hDriver = device;
    return true;
}

void CDlgZelvante::DeleteLeftoverInstaller()
{
    const std::string leftover = ReadString(kParams, "TmpInsFile");
    WriteString("TmpInsFile", "");
    if (!leftover.empty() && FileExists(leftover))
        DeleteFileA(leftover.c_str());
}

bool CDlgZelvante::GetProgramVersionText(std::string& text)
{
    VS_FIXEDFILEINFO info{};
    if (!ReadProgramFixedVersion(info))
        return false;
    const VersionParts v = ProductVersion(info);
    char buffer[96];
    if (info.dwFileFlags & VS_FF_PRERELEASE)
        std::snprintf(buffer, sizeof buffer, "Zelvante v%d.%d beta (build %d)", v.major, v.minor, v.third);
    else
        std::snprintf(buffer, sizeof buffer, "Zelvante v%d.%d", v.major, v.minor);
    text = buffer;
    return true;
}

bool CDlgZelvante::GetDriverVersionText(std::string& text)
{
    std::string driver;
    try {
        driver = VersionInfo::FindDriverFile();
    } catch (CGenericException* error) {
        error->Delete(); // a caption is simply left out when its folders cannot be had
        return false;
    }
    if (driver.empty())
        return false;
    char shortPath[MAX_PATH] = {};
    VS_FIXEDFILEINFO info{};
    if (GetShortPathNameA(driver.c_str(), shortPath, sizeof shortPath) == 0 || !ReadFixedVersion(shortPath, info))
        return false;
    const VersionParts v = ProductVersion(info);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Driver v%d.%d.%d%s", v.major, v.minor, v.third,
                  (info.dwFileFlags & VS_FF_PRERELEASE) ? " beta" : "");
    text = buffer;
    return true;
}

void CDlgZelvante::ShowVersionCaptions()
{
    std::string text;
    if (GetProgramVersionText(text))
        SetElementCaption(text.c_str(), nullptr, "Static Program Version");
    if (GetDriverVersionText(text))
        SetElementCaption(text.c_str(), nullptr, "Static Driver Version");
}

void CDlgZelvante::WriteBlankFrames()
{
    HANDLE device = g_hDriver.load();
    if (device == INVALID_HANDLE_VALUE || !device)
        return;
    std::vector<BYTE> black(g_nFormatBytes[kFormatCount - 1], 0);
    for (int index = 0; index < kFormatCount; ++index)
        WriteFrameToDriver(g_nFormatBytes[index], black.data(), index);
}

void CDlgZelvante::ReadStoredSource(DeviceInfo& device)
{
    CZelvanteApp& app = App();
    device.m_strFriendlyName = ReadString(kParams, "SourceName");
    device.m_strDescription = ReadString(kParams, "SourceDesc");
    device.m_strDevicePath = ReadString(kParams, "SourcePath");
    app.m_strAudioDevice = ReadString(kParams, "LastAudio");
    app.m_strCaptureDevice = ReadString(kParams, "LastSource");
    app.m_strImageFile = ReadString(kParams, "LastImage");
    app.m_strVideoFile = ReadString(kParams, "LastVideo");
}

void CDlgZelvante::WriteRegistrySettings()
{
    CZelvanteApp& app = App();
    const DeviceInfo& device = m_captureGraph.m_Device;
    WriteString("SourceName", device.m_strFriendlyName);
    WriteString("SourceDesc", device.m_strDescription);
    WriteString("SourcePath", device.m_strDevicePath);
    WriteInt("FrameRate", m_captureGraph.GetFrameRate());
    WriteInt("SnapMode", m_nSnapshotMode);
    WriteInt("AdToVideo", m_bAdVideoExchanged);
    WriteInt("LastMode", g_nSourceKind.load());
    WriteString("LastSource", app.m_strCaptureDevice);
    WriteString("LastAudio", app.m_strAudioDevice);
    WriteString("LastImage", app.m_strImageFile);
    WriteString("LastVideo", app.m_strVideoFile);
    WriteString("SkinPath", app.m_strSkinPath);
    WriteString("LastBrowseFolder", g_strLastBrowseFolder);
}

BOOL CDlgZelvante::OnInitDialog()
{
    CDialog::OnInitDialog();
    CZelvanteApp& app = App();
    g_hWndMain = m_hWnd;
    // Outside programs find it from now on; it refuses their commands until start-up is done.
    if (!app.m_pExternalControl)
        app.m_pExternalControl = ExternalControlWindow::Acquire();
    if (!CheckDriverAtStartup())
        return FALSE;
    DeleteLeftoverInstaller();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // Cleared before the skin is applied: a skin without "Frame Video" sets it.
    m_bAdVideoExchanged = 0;
    app.m_strSkinPath = ReadString(kParams, "SkinPath");
    if (!ApplyStartupSkin()) {
        // Neither the saved nor the default skin could be shown (and the user was told): the
        // application ends in order, its settings saved.
        m_bStartupReported = 1;
        EndDialog(-1);
        return FALSE;
    }
    if (!OpenDeviceWithRepair())
        return FALSE;

    CDlgCapPreview::SetDeviceNameQuery(&SelectedCaptureDevice);
    g_pSecondPreview = new CDlgCapPreview(this);
    g_pPreview = new CDlgCapPreview(this);
    m_pControlPanel = new CDlgControlPanel(this);

    g_bDeinterlace = static_cast<BYTE>(ReadInt(kParams, "FilterDeinterlace", 0) != 0);
    g_bPlaySound = static_cast<BYTE>(ReadInt(kParams, "PlaySound", 1) != 0);
    // The skin comes with its tooltips: the stored setting takes them off when it is off.
    m_bTooltips = 1;
    if (SkinRef<ISkinElement> form = QuerySkin<ISkinElement>(m_pSkinRoot, IID_ISkinElement))
        ApplyTooltips(ReadInt(kOptions, "Tooltips", 1) != 0, form.get());
    m_bMinimizeToTray = static_cast<BYTE>(ReadInt(kOptions, "Minimize to system tray", 0) != 0);
    m_strVideoCodec = ReadString(kParams, "VideoCodec");
    if (m_strVideoCodec.empty())
        m_strVideoCodec = "Default";
    DeviceInfo device;
    ReadStoredSource(device);
    ShowVideoPositionSlider(false);
    // A stored interval out of range gives way to the default one.
    if (!SetSlideshowSeconds(ReadInt(kParams, "SlideshowTime", m_nSlideshowSeconds)))
        SetSlideshowSeconds(m_nSlideshowSeconds);
    const int frameRate = ReadInt(kParams, "FrameRate", 15);
    SelectCaptureDevice(device);
    SetFrameRateCaption(frameRate);
    SelectSourceKind(ReadInt(kParams, "LastMode", 1));
    RestoreWindowPosition();
    LayoutPreview();

    m_captureGraph.m_nFps = frameRate;
    if (m_captureGraph.m_pGraph)
        m_captureGraph.SetFrameRate();
    // Audio samples reach the grabber's own callback, which drops them.
    m_captureGraph.m_VideoGrabber.m_pCallback = &OnVideoFrame;

    m_nSnapshotMode = ReadInt(kParams, "SnapMode", 0);
    g_strLastBrowseFolder = ReadString(kParams, "LastBrowseFolder");
    SelectTab(1);
    ShowVersionCaptions();
    CreateAdView();
    CreateChatViews();
    SetTimer(kStillRefreshTimer, kStillRefreshMs);
    if (app.UnreadMessages.load() != 0)
        ShowNewMessagesButton(true);
    m_bInitialised = 1;

    if (ContainsWord(app.m_lpCmdLine, "/min")) {
        // Into the tray whatever the option says; the option itself stays as it was.
        const BYTE option = m_bMinimizeToTray;
        m_bMinimizeToTray = 1;
        ShowWindow(SW_MINIMIZE);
        m_bMinimizeToTray = option;
    } else {
        ShowWindow(SW_SHOW);
    }
    if (ContainsWord(app.m_lpCmdLine, "/play"))
        PostMessage(PlayMessage);
    LoadOverlaySettings();
    LONG overlayPosition = 0;
    EnterCriticalSection(&g_TextOverlay.lock);
    overlayPosition = g_TextOverlay.position;
    LeaveCriticalSection(&g_TextOverlay.lock);
    SetOverlayPosition(static_cast<int>(overlayPosition));
    CheckUpdatesAtStartup();
    return TRUE;
}

void CDlgZelvante::DestroyChildWindows()
{
    CWnd* playlist = std::exchange(m_pDlgPlaylist, nullptr);
    DestroyAndDelete(playlist);
    CWnd* browser = std::exchange(m_pAccountBrowser, nullptr);
    DestroyAndDelete(browser);
    CWnd* panel = std::exchange(m_pControlPanel, nullptr);
    DestroyAndDelete(panel);
    for (std::atomic<CDlgCapPreview*>* preview : {&g_pSecondPreview, &g_pPreview}) {
        CWnd* window = preview->exchange(nullptr);
        DestroyAndDelete(window);
    }
    DestroyAndDelete(m_pFurtherChild);
}

void CDlgZelvante::ShutdownAndSaveSettings()
{
    CloseSnapshotManager();
    StopUpdateThread();
    Stop();
    KillTimer(kStillRefreshTimer);
    KillTimer(kImageWatchTimer);
    WriteRegistrySettings();
    DestroyChildWindows();
    if (HANDLE device = g_hDriver.load(); device != INVALID_HANDLE_VALUE && device) {
        WriteBlankFrames();
        g_hDriver = INVALID_HANDLE_VALUE;
        CloseHandle(device);
    }
    ConfigStore& config = App().m_Config;
    if (config.driverFlags & kDriverRestartNeeded) {
        config.driverFlags &= ~kDriverRestartNeeded;
        config.dirty = true;
    }
    DestroyHtmlViews();
    SaveWindowPosition();
    m_trayIcon.SetIcon(nullptr, nullptr);
    g_hWndMain = nullptr;
    DestroyWindow();
}

void CDlgZelvante::OnOK()
{
    if (CDlgCapPreview* preview = MainPreview(); preview && preview->m_bFullScreen)
        preview->ToggleFullScreen(false);
}

void CDlgZelvante::OnCancel()
{
    if (CDlgCapPreview* preview = MainPreview(); preview && preview->m_bFullScreen)
        preview->ToggleFullScreen(false);
    else
        ShowWindow(SW_MINIMIZE);
}

bool CDlgZelvante::IsTypingTarget(HWND window) const
{
    return window && window != m_hWnd && (::SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0;
}

BOOL CDlgZelvante::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYUP) {
        // Space typed into an edit field is text, not a pause.
        if (msg->wParam == VK_PAUSE || (msg->wParam == VK_SPACE && !IsTypingTarget(msg->hwnd)))
            Pause();
        if (msg->wParam == VK_ESCAPE) {
            if (CDlgCapPreview* preview = MainPreview(); preview && preview->m_bFullScreen)
                preview->ToggleFullScreen(false);
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CDlgZelvante::OnSize(UINT type, int cx, int cy)
{
    (void)cx;
    (void)cy;
    if (type == SIZE_MAXIMIZED) {
        // Full screen is the preview's: once the maximise (and its activation, which would take
        // the focus from the preview again) is over.
        PostMessage(kFullScreenRequestMessage);
        return;
    }
    Default();
    if (type == SIZE_MINIMIZED && m_bMinimizeToTray) {
        m_trayIcon.m_nid.hWnd = m_hWnd;
        m_trayIcon.m_nid.uCallbackMessage = TrayNotifyMessage;
        // Hidden only with an icon to bring it back: else it stays an ordinary minimised window.
        if (m_trayIcon.SetIcon(m_hIcon, "Zelvante"))
            ShowWindow(SW_HIDE);
    }
    if (type == SIZE_RESTORED && m_bInitialised) {
        ShowWindow(SW_SHOW);
        if (CDlgCapPreview* preview = MainPreview(); preview && g_nPlayerState.load() != PlayerStopped)
            preview->ShowWindow(IsWindowVisible() ? SW_SHOWNOACTIVATE : SW_HIDE);
        m_trayIcon.SetIcon(nullptr, nullptr);
    }
}

LRESULT CDlgZelvante::OnFullScreenRequest(WPARAM, LPARAM)
{
    if (IsZoomed(m_hWnd))
        ShowWindow(SW_RESTORE);
    if (CDlgCapPreview* preview = MainPreview())
        preview->ToggleFullScreen(true);
    return 0;
}

void CDlgZelvante::OnMove(int x, int y)
{
    (void)x;
    (void)y;
    Default();
    LayoutPreview();
    LayoutPlaylistWindow();
    LayoutChatViews();
}

void CDlgZelvante::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    RECT client{};
    GetClientRect(&client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc.m_hDC, x, y, m_hIcon);
}

HCURSOR CDlgZelvante::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
