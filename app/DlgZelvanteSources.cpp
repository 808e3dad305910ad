// The main dialog's sources: play, pause and stop, the choice of the source kind and of the
// capture device, and the pop-ups of the source, frame rate and video stream buttons.
#include "app/DlgZelvante.h"

#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/PlayerState.h"
#include "capture/SharedBuffers.h"
#include "capture/VirtualCameraChannel.h"
#include "platform/gdi/gdi.h"
#include "platform/user/message_box.h"
#include "platform/user/resource_images.h"

#include <optional>
#include <vector>

namespace {

constexpr UINT kSourceMenus = 134;       // pop-ups "Source", "FPS", ...
constexpr UINT kStoppedPicture = 175;    // the 240 x 180 picture shown while nothing plays
constexpr DWORD kGrabberStopWaitMs = 5000;

// The video capture devices in the order of the enumeration; none when it cannot run.
std::optional<std::vector<DeviceInfo>> EnumerateVideoDevices()
{
    int count = 0;
    if (CCaptureGraph::EnumVideoDevices(nullptr, &count) == 1)
        return std::nullopt;
    // The list may grow between the two calls: ask again with the larger room.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<DeviceInfo> devices(static_cast<std::size_t>(count));
        int found = count;
        const int result = CCaptureGraph::EnumVideoDevices(devices.data(), &found);
        if (result == 0) {
            devices.resize(static_cast<std::size_t>(std::min(found, count)));
            return devices;
        }
        if (result != 2)
            return std::nullopt;
        count = found;
    }
    return std::nullopt;
}

void ShowPreview(int command)
{
    if (CDlgCapPreview* preview = g_pPreview.load())
        preview->ShowWindow(command);
}

} // namespace

void CDlgZelvante::Play()
{
    // A paused graph is resumed by the pause toggle.
    if (m_captureGraph.m_nState == 1) {
        Pause();
        return;
    }
    Stop();
    KillTimer(kSlideshowTimer);
    if (m_nListMode == 2) {
        PlayVideoList();
        return;
    }
    if (m_nListMode == 3) {
        StartSlideshow();
        return;
    }
    SelectTab(1);
    CDlgCapPreview::SetImage(nullptr);
    DeviceInfo device = m_captureGraph.m_Device;
    if (!SelectCaptureDevice(device))
        return;
    m_captureGraph.m_hWndNotify = m_hWnd;
    m_captureGraph.m_nNotifyMsg = GraphEventMessage;
    UpdateCaptureSize();
    if (m_captureGraph.StartPreview() != 0)
        return;
    ShowPreview(IsWindowVisible() ? SW_SHOWNA : SW_HIDE);
    g_nPlayerState = PlayerDeviceRunning;
    UpdateSliders();
}

bool CDlgZelvante::StartVideoFile()
{
    SetActiveSourceKind(SourceVideoFile);
    m_captureGraph.m_bAudioGrabber = g_bPlaySound.load();
    m_captureGraph.m_hWndNotify = m_hWnd;
    m_captureGraph.m_nNotifyMsg = GraphEventMessage;
    if (m_captureGraph.m_strFileName.empty() || !m_captureGraph.PlayFile()) {
        ShowPreview(SW_HIDE);
        return false;
    }
    LayoutPreview();
    ShowPreview(IsWindowVisible() ? SW_SHOWNA : SW_HIDE);
    g_nPlayerState = PlayerVideoRunning;
    UpdateSliders();
    return true;
}

void CDlgZelvante::Pause()
{
    KillTimer(kSlideshowTimer);
    m_bSlideshowRunning = 0;
    const bool paused = m_captureGraph.m_nState == 1;
    switch (g_nSourceKind.load()) {
    case SourceImage:
        g_nPlayerState = PlayerStillShown;
        break;
    case SourceVideoFile:
        if (paused) {
            if (m_captureGraph.PlayFile())
                g_nPlayerState = PlayerVideoRunning;
        } else if (m_captureGraph.m_nState == 2 && m_captureGraph.PausePlayback()) {
            g_nPlayerState = PlayerVideoPaused;
        }
        break;
    case SourceDevice:
    case SourceDesktop:
        // Only a built graph pauses; a stopped source stays stopped.
        if (paused) {
            if (m_captureGraph.StartPreview() == 0)
                g_nPlayerState = PlayerDeviceRunning;
        } else if (m_captureGraph.m_nState == 2 && m_captureGraph.Pause() == 0) {
            g_nPlayerState = PlayerDevicePaused;
        }
        break;
    default:
        break;
    }
}

void CDlgZelvante::Stop()
{
    KillTimer(kSlideshowTimer);
    m_bSlideshowRunning = 0;
    g_bSnapshotRequest = 0;
    CDlgCapPreview::SetImage(nullptr);
    if (m_captureGraph.m_nState != 0 && m_captureGraph.StopPreview() != 0)
        m_captureGraph.StopPreview();
    ShowVideoPositionSlider(false);
    ShowPreview(SW_HIDE);
    g_nPlayerState = PlayerStopped;
    if (HBITMAP stopped = LoadBitmapA(nullptr, MAKEINTRESOURCEA(kStoppedPicture))) {
        PublishStill(stopped);
        DeleteObject(stopped);
    }
    // The grabber is told to end, joined and its handle closed: nothing of its run is used after.
    m_screenGrabber.Stop(kGrabberStopWaitMs);
}

void CDlgZelvante::SetActiveSourceKind(std::int32_t kind)
{
    g_nSourceKind = kind;
    // The image watch lives exactly as long as the image source.
    if (kind == SourceImage)
        SetTimer(kImageWatchTimer, kImageWatchMs);
    else
        KillTimer(kImageWatchTimer);
}

void CDlgZelvante::SelectSourceKind(std::int32_t kind)
{
    if (kind == g_nSourceKind)
        return;
    CZelvanteApp& app = ZelvanteApp();
    switch (kind) {
    case SourceImage: {
        ShowVideoPositionSlider(false);
        ReadDriverFormatFlags();
        const std::string path = app.m_strImageFile;
        ShowImageFile(path.c_str());
        SetSourceCaption(FileNameOf(path).c_str());
        break;
    }
    case SourceVideoFile:
        CDlgCapPreview::SetImage(nullptr);
        ShowVideoPositionSlider(true);
        SetSliderValue("Scroll Video Position", 0.0f);
        SetSourceCaption(FileNameOf(app.m_strVideoFile).c_str());
        break;
    case SourceDevice:
    case SourceDesktop:
        CDlgCapPreview::SetImage(nullptr);
        ShowVideoPositionSlider(false);
        SetSourceCaption(app.m_strCaptureDevice.c_str());
        break;
    default:
        return; // not a source kind
    }
    SetActiveSourceKind(kind);
    UpdateSliders();
}

bool CDlgZelvante::SelectCaptureDevice(DeviceInfo& device)
{
    Stop();
    m_nListMode = 0;
    SetActiveSourceKind(SourceDevice);
    const std::optional<std::vector<DeviceInfo>> devices = EnumerateVideoDevices();
    if (!devices)
        return false;
    // A device matches by name or by path, so a device that moved to another port is still the
    // one chosen; the program's own virtual camera never feeds itself.
    const DeviceInfo* chosen = nullptr;
    for (const DeviceInfo& present : *devices) {
        if (IsOwnVirtualCamera(present.m_strFriendlyName))
            continue;
        if ((!device.m_strFriendlyName.empty() && device.m_strFriendlyName == present.m_strFriendlyName) ||
            (!device.m_strDevicePath.empty() && device.m_strDevicePath == present.m_strDevicePath)) {
            chosen = &present;
            break;
        }
    }
    for (const DeviceInfo& present : *devices) {
        if (chosen != nullptr)
            break;
        if (!IsOwnVirtualCamera(present.m_strFriendlyName))
            chosen = &present;
    }
    if (chosen == nullptr)
        return false;
    device = *chosen;
    const int result = m_captureGraph.SelectDevice(&device);
    SetSourceCaption(device.m_strFriendlyName.c_str());
    ZelvanteApp().m_strCaptureDevice = device.m_strFriendlyName;
    UpdateSliders();
    return result == 0;
}

void CDlgZelvante::OnDeviceCommand(UINT id)
{
    if (id < kFirstDeviceCommand || id > kLastDeviceCommand)
        return;
    const std::optional<std::vector<DeviceInfo>> devices = EnumerateVideoDevices();
    const std::size_t index = id - kFirstDeviceCommand;
    // A device unplugged since the menu was shown: the command does nothing.
    if (!devices || index >= devices->size())
        return;
    ZelvanteApp().m_strCaptureDevice.clear();
    CDlgCapPreview::SetImage(nullptr);
    SetActiveSourceKind(SourceDevice);
    ShowPreview(SW_HIDE);
    DeviceInfo device = (*devices)[index];
    SelectCaptureDevice(device);
    Play();
    UpdateSliders();
}

void CDlgZelvante::OnFrameRateCommand(UINT id)
{
    if (id < kFirstFrameRateCommand || id > kLastFrameRateCommand)
        return;
    m_captureGraph.m_nFps = static_cast<std::int32_t>(id - (kFirstFrameRateCommand - 1)) * 5;
    if (m_captureGraph.m_pGraph != nullptr)
        m_captureGraph.SetFrameRate();
    SetFrameRateCaption(m_captureGraph.GetFrameRate());
}

namespace {

// The answer of a property page: 0 shown, 3 not connected, 4 not supported, else unknown.
void ReportPageResult(CDlgZelvante& dialog, int result)
{
    if (result == 0) {
        dialog.UpdateSliders();
        return;
    }
    const UINT id = result == 3 ? 107 : result == 4 ? 106 : 108;
    std::string text;
    AfxLoadString(id, text);
    MessageBoxA(dialog.m_hWnd, text.c_str(), ZelvanteApp().m_pszAppName, id == 108 ? MB_ICONSTOP : MB_ICONINFORMATION);
}

} // namespace

void CDlgZelvante::OnVideoConfigCommand()
{
    if (m_captureGraph.m_nState == 0)
        Play();
    ReportPageResult(*this, m_captureGraph.ShowDevicePages());
}

void CDlgZelvante::OnCrossbarCommand()
{
    if (m_captureGraph.m_nState == 0)
        Play();
    ReportPageResult(*this, m_captureGraph.ShowCrossbarPages());
}

void CDlgZelvante::TrackElementMenu(ISkinElement* element, HMENU menu)
{
    RECT place{};
    SkinRef<ISkinMenu> skinMenu = QuerySkin<ISkinMenu>(m_pSkinRoot, IID_ISkinMenu);
    if (!skinMenu || menu == nullptr || !SkinElementClientRect(element, &place))
        return;
    POINT corner{place.left, place.bottom};
    ClientToScreen(&corner);
    skinMenu->TrackPopupMenu(menu, corner.x, corner.y);
}

void CDlgZelvante::ShowSourceMenu(ISkinElement* element)
{
    CMenu menus;
    if (!menus.LoadMenu(kSourceMenus))
        return;
    CMenu* source = menus.GetSubMenu(0);
    if (source == nullptr)
        return;
    FillSourceMenu(source);
    TrackElementMenu(element, source->GetSafeHmenu());
}

void CDlgZelvante::FillSourceMenu(CMenu* menu)
{
    if (menu == nullptr)
        return;
    menu->DeleteMenu(0, MF_BYPOSITION);
    const std::vector<DeviceInfo> devices = EnumerateVideoDevices().value_or(std::vector<DeviceInfo>{});
    for (const MenuItemSpec& item : SourceMenuItems(devices, g_nSourceKind, ZelvanteApp().m_strCaptureDevice))
        menu->AppendMenu(item.flags, item.id, item.flags & MF_SEPARATOR ? nullptr : item.text.c_str());
}

void CDlgZelvante::AppendAudioDeviceItems(CMenu* menu)
{
    if (menu == nullptr)
        return;
    std::vector<std::string> names;
    CCaptureGraph::EnumAudioDevices(names);
    for (const MenuItemSpec& item : AudioDeviceItems(names, ZelvanteApp().m_strAudioDevice))
        menu->AppendMenu(item.flags, item.id, item.text.c_str());
}

void CDlgZelvante::ShowFrameRateMenu(ISkinElement* element)
{
    CMenu menus;
    if (!menus.LoadMenu(kSourceMenus))
        return;
    if (CMenu* rates = menus.GetSubMenu(1))
        TrackElementMenu(element, rates->GetSafeHmenu());
}

void CDlgZelvante::ShowVideoStreamMenu(ISkinElement* element)
{
    CMenu menus;
    if (!menus.LoadMenu(kSourceMenus))
        return;
    CMenu* stream = menus.GetSubMenu(0);
    if (stream == nullptr)
        return;
    stream->DeleteMenu(0, MF_BYPOSITION);
    stream->AppendMenu(MF_STRING, kVideoConfigCommand, "Video config...");
    stream->AppendMenu(MF_STRING, kCrossbarCommand, "Crossbar...");
    TrackElementMenu(element, stream->GetSafeHmenu());
}
