// The main dialog's message map and event sink map, and the handlers of the program's own window
// messages that belong to the dialog itself.
#include "app/DlgZelvante.h"

#include "app/MenuCommands.h"
#include "app/PeerSender.h"
#include "app/ProgramMessages.h"
#include "app/UpdateClient.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/OutputFormats.h"
#include "capture/VirtualCameraChannel.h"
#include "platform/dshow/dshow_types.h"
#include "platform/skin/skin_interfaces.h"
#include "platform/user/shell_execute.h"
#include "platform/win32/threads.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr UINT kSupportLinkString = 115;
constexpr UINT kOneMessageString = 144;
constexpr UINT kUnreadMessagesString = 145;
constexpr UINT kTrayTipString = 168;

// Marks a handler busy for its duration.
class BusyScope {
public:
    explicit BusyScope(BYTE& flag) : m_flag(flag) { m_flag = 1; }
    ~BusyScope() { m_flag = 0; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BYTE& m_flag;
};

} // namespace

BEGIN_MESSAGE_MAP(CDlgZelvante, CDialog)
    ON_WM_SIZE()
    ON_WM_MOVE()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_TIMER()
    ON_WM_ACTIVATEAPP()
    ON_MESSAGE(TrayNotifyMessage, OnTrayNotify)
    ON_MESSAGE(CloseRequestMessage, OnCloseRequest)
    ON_MESSAGE(SupportLinkMessage, OnSupportLink)
    ON_MESSAGE(StillImageMessage, OnStillImageReady)
    ON_MESSAGE(VideoPositionMessage, OnVideoPositionTick)
    ON_MESSAGE(GraphEventMessage, OnGraphEvent)
    ON_MESSAGE(PeerConnectedMessage, OnPeerListChanged)
    ON_MESSAGE(PeerGoneMessage, OnPeerListChanged)
    ON_MESSAGE(PeerFrameMessage, OnPeerFrame)
    ON_MESSAGE(PeerChatMessage, OnPeerChatLine)
    ON_MESSAGE(OwnChatMessage, OnOwnChatLine)
    ON_COMMAND(kPeerListenCommand, OnPeerListen)
    ON_COMMAND(kPeerConnectCommand, OnPeerConnect)
    ON_MESSAGE(SnapshotMessage, OnSnapshotRequest)
    ON_MESSAGE(HostStatusMessage, OnHostStatus)
    ON_MESSAGE(PlayMessage, OnPlayMessage)
    ON_MESSAGE(FrameReadyMessage, OnFrameReady)
    ON_MESSAGE(UnusedProgramMessage, OnUnusedMessage)
    ON_MESSAGE(PreviewKeyMessage, OnPreviewKey)
    ON_MESSAGE(kFullScreenRequestMessage, OnFullScreenRequest)
    ON_COMMAND(kSnapshotManagerCommand, OnSnapshotManagerCommand)
    ON_COMMAND(kPhotoArchiveCommand, StartPhotoArchive)
    // The tray menu's and the main menu's own commands.
    ON_COMMAND(kTrayExitCommand, OnTrayExitCommand)
    ON_COMMAND(kTrayShowHideCommand, OnTrayShowHideCommand)
    ON_COMMAND(kTrayPlayStopCommand, OnTrayPlayStopCommand)
    ON_COMMAND(kExitCommand, OnExitCommand)
    ON_COMMAND_RANGE(kPersonalDataCommand, kHostInfoCommand, OnAccountCommand)
    ON_COMMAND_RANGE(kPaymentCommand, kEarningsCommand, OnAccountCommand)
    ON_COMMAND(kAboutCommand, OnAboutCommand)
    ON_COMMAND_RANGE(kHostFaqCommand, kHostFaqCommand, OnAccountCommand)
    ON_COMMAND_RANGE(kStatusCommand, kServiceCommand, OnAccountCommand)
    ON_COMMAND_RANGE(kMessageCenterCommand, kMessageCenterCommand, OnAccountCommand)
    ON_COMMAND_RANGE(kSalaryCommand, kSalaryCommand, OnAccountCommand)
    ON_COMMAND_RANGE(kLargestFontCommand, kSmallestFontCommand, OnFontSizeCommand)
    ON_COMMAND(kMinimizeToTrayCommand, OnMinimizeToTrayCommand)
    ON_COMMAND_RANGE(kFirstSnapshotModeCommand, kLastSnapshotModeCommand, OnSnapshotModeCommand)
    ON_COMMAND(kLinksCommand, OnLinksCommand)
    ON_COMMAND(kFullScreenCommand, OnFullScreenCommand)
    ON_COMMAND(kLocalHelpCommand, OnLocalHelpCommand)
    ON_COMMAND(kOnlineCommand, OnOnlineCommand)
    ON_COMMAND(kRunAtStartupCommand, OnRunAtStartupCommand)
    ON_COMMAND(kTooltipsCommand, OnTooltipsCommand)
    ON_COMMAND(kShowAdsCommand, OnShowAdsCommand)
    ON_COMMAND(kExchangeAdVideoCommand, OnExchangeAdVideoCommand)
    // Sources, skins and the desktop.
    ON_COMMAND_RANGE(kFirstDeviceCommand, kLastDeviceCommand, OnDeviceCommand)
    ON_COMMAND_RANGE(kFirstFrameRateCommand, kLastFrameRateCommand, OnFrameRateCommand)
    ON_COMMAND_RANGE(kDefaultSkinCommand, kLastSkinCommand, OnSkinMenuCommand)
    ON_COMMAND(kOpenImageCommand, OpenImageFile)
    ON_COMMAND(kOpenVideoCommand, OpenVideoFile)
    ON_COMMAND(kDesktopCommand, OnSourceDesktop)
    ON_COMMAND(kVideoConfigCommand, OnVideoConfigCommand)
    ON_COMMAND(kCrossbarCommand, OnCrossbarCommand)
    ON_MESSAGE(ScreenFrameMessage, OnScreenFrame)
    // The playlist, tabs and slideshow.
    ON_COMMAND(kAddFilesCommand, AddFilesToList)
    ON_COMMAND(kAddFolderCommand, AddFolderToList)
    ON_COMMAND(kDeleteSelectedCommand, DeleteSelectedEntries)
    ON_COMMAND(kClearListCommand, ClearList)
    ON_MESSAGE(PlayFileMessage, OnPlayFile)
    ON_MESSAGE(LabelEditedMessage, OnLabelEdited)
    // Overlay and sound.
    ON_COMMAND(kFilterDeinterlaceCommand, ToggleDeinterlace)
    ON_COMMAND(kPlayWithSoundCommand, TogglePlaySound)
    ON_COMMAND_RANGE(kFirstAudioCommand, kLastAudioCommand, OnAudioSourceCommand)
    ON_MESSAGE(UpdateProgressMessage, OnUpdateProgress)
    ON_COMMAND(kAutoUpdateCommand, OnAutoUpdate)
    ON_COMMAND(kCheckUpdateNowCommand, OnCheckUpdateNow)
    ON_COMMAND(kHostLoginCommand, OnHostLoginCommand)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CDlgZelvante, CDialog)
    // The skin control's click and scroll events.
    ON_EVENT(CDlgZelvante, kSkinControlId, kSkinEventClick, OnSkinElementClick, VTS_UNKNOWN)
    ON_EVENT(CDlgZelvante, kSkinControlId, kSkinEventScroll, OnSkinScroll, VTS_UNKNOWN VTS_I4)
END_EVENTSINK_MAP()

LRESULT CDlgZelvante::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam != CTrayIcon::kIconId)
        return 0;
    if (lParam == WM_LBUTTONUP) {
        ShowWindow(SW_RESTORE);
        SetForegroundWindow();
        Invalidate(TRUE);
        return 1;
    }
    if (lParam == WM_RBUTTONUP)
        return m_trayIcon.OnTrayNotification(wParam, lParam) ? 1 : 0;
    return 0;
}

LRESULT CDlgZelvante::OnCloseRequest(WPARAM, LPARAM lParam)
{
    switch (lParam) {
    case 2:
    case 4:
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        [[fallthrough]];
    case 0:
        ShutdownAndSaveSettings();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CDlgZelvante::OnSupportLink(WPARAM wParam, LPARAM)
{
    std::string link;
    if (wParam == 1 && AfxLoadString(kSupportLinkString, link))
        ShellExecuteA(m_hWnd, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return 0;
}

LRESULT CDlgZelvante::OnStillImageReady(WPARAM, LPARAM)
{
    const std::int32_t kind = g_nSourceKind.load();
    CDlgCapPreview* preview = g_pPreview.load();
    if ((kind != 2 && kind != 4) || !preview)
        return 0;
    // Without the device every format reads as in use and every write goes nowhere.
    if (g_hDriver.load() == INVALID_HANDLE_VALUE)
        return 0;
    ReadDriverFormatFlags();
    CPixImage picture(preview->ShownImage(), true, false, false);
    if (!picture.IsValid())
        return 0;
    for (int index = 0; index < kFormatCount; ++index) {
        if (!g_bFormatInUse[index].load())
            continue;
        const FrameSize& size = g_FormatSizes[index];
        CPixImage& output = g_FormatImages[index];
        if (!picture.Thumbnail(size.width, size.height, 0, &output))
            continue;
        if (BYTE* pixels = PixelsOfSize(output, size))
            WriteFrameToDriver(g_nFormatBytes[index], pixels, index);
    }
    return 0;
}

LRESULT CDlgZelvante::OnVideoPositionTick(WPARAM, LPARAM)
{
    if (g_nSourceKind.load() != 3 || m_bPositionTickBusy)
        return 0;
    BusyScope busy(m_bPositionTickBusy);
    std::int64_t position = 0;
    std::int64_t duration = 0;
    // A stream without a known length (or none) has no position to show.
    if (!m_captureGraph.GetPositions(&position, &duration) || duration <= 0)
        return 0;
    SetSliderValue("Scroll Video Position", static_cast<float>(static_cast<double>(position) / duration));
    return 0;
}

LRESULT CDlgZelvante::OnGraphEvent(WPARAM, LPARAM)
{
    // Stop releases the graph's event interface: it is looked at again before every event.
    while (IMediaEventEx* events = m_captureGraph.m_pMediaEventEx) {
        LONG code = 0;
        LONG_PTR first = 0;
        LONG_PTR second = 0;
        if (events->GetEvent(&code, &first, &second, 0) != S_OK)
            break;
        events->FreeEventParams(code, first, second);
        switch (code) {
        case EC_COMPLETE:
            AdvancePlayback();
            break;
        case EC_USERABORT:
        case EC_ERRORABORT:
        case EC_DEVICE_LOST:
            Stop();
            break;
        default:
            break;
        }
    }
    return 0;
}

LRESULT CDlgZelvante::OnPeerListChanged(WPARAM, LPARAM)
{
    LayoutPreview();
    // One sender serves every session: it starts with the first and stays until the window goes.
    StartPeerSender();
    return 0;
}

std::string CDlgZelvante::UnreadMessagesText(std::uint32_t count)
{
    std::string text;
    if (count == 1) {
        AfxLoadString(kOneMessageString, text);
        return text;
    }
    std::string format;
    if (!AfxLoadString(kUnreadMessagesString, format))
        return text;
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<int>(count));
    return buffer;
}

LRESULT CDlgZelvante::OnHostStatus(WPARAM, LPARAM)
{
    if (!m_bInitialised)
        return 0;
    const auto count = static_cast<std::uint32_t>(ZelvanteApp().UnreadMessages.load());
    if (count == 0) {
        ShowNewMessagesButton(false);
    } else {
        ShowNewMessagesButton(true);
        if (count > m_nPreviousUnread) {
            const std::string text = UnreadMessagesText(count);
            if (m_trayIcon.m_nid.hIcon != m_hIcon) {
                std::string tip;
                AfxLoadString(kTrayTipString, tip);
                tip.resize(std::min<std::size_t>(tip.size(), sizeof m_trayIcon.m_nid.szTip - 1));
                m_trayIcon.m_nid.hWnd = m_hWnd;
                m_trayIcon.m_nid.uCallbackMessage = TrayNotifyMessage;
                m_trayIcon.SetIcon(m_hIcon, tip.c_str());
            }
            m_trayIcon.ShowBalloon(text.c_str());
        } else if (!(IsIconic() && m_bMinimizeToTray) && IsWindowVisible()) {
            // A window hidden into the tray (also by "/min") keeps the icon that brings it back.
            m_trayIcon.SetIcon(nullptr, nullptr);
        }
    }
    m_nPreviousUnread = count;
    return 0;
}

LRESULT CDlgZelvante::OnPlayMessage(WPARAM, LPARAM)
{
    Play();
    return 0;
}

LRESULT CDlgZelvante::OnFrameReady(WPARAM, LPARAM)
{
    if (IsIconic())
        return 0;
    // The callback writes the frame under this lock and skips a frame while it is held.
    std::lock_guard lock(g_PreviewFrameLock);
    CDlgCapPreview::ShowFrameBits(g_PreviewFrameSize, g_PreviewFrame, sizeof g_PreviewFrame);
    return 0;
}

LRESULT CDlgZelvante::OnPreviewKey(WPARAM wParam, LPARAM)
{
    if (wParam == 0)
        Pause();
    else if (wParam == 1)
        LayoutPreview();
    return 0;
}

LRESULT CDlgZelvante::OnUnusedMessage(WPARAM, LPARAM)
{
    return 0;
}
