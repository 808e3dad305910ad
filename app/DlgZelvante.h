// The main window: a modeless dialog (template 154) whose whole face is the skin form "Skin Main"
// drawn by the skin control (id 1002). It chooses and runs the one source that feeds the virtual
// camera, shows it in the preview and answers the program's own window messages (ProgramMessages.h).
//
// Everything here runs on the user-interface thread; worker threads reach the dialog only through
// messages. The class is defined across several files, each named in its section below.
#pragma once

#include "app/DlgHtmlCtrl.h"
#include "app/DlgTextCtrl.h"
#include "app/HtmlWnd.h"
#include "app/SkinSet.h"
#include "app/SourceRules.h"
#include "app/TrayIcon.h"
#include "capture/CaptureGraph.h"
#include "capture/DeviceInfo.h"
#include "capture/ScreenGrabber.h"
#include "imagelib/PixImage.h"
#include "online/PeerMessage.h"
#include "platform/afx/afxwin.h"
#include "platform/afx/event_sink_map.h"
#include "platform/win32/files.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

class CDlgBrowser;
class CDlgControlPanel;
class CDlgPlaylist;
class CPlayList;
class CMenu;
class PeerServer;
class PeerSession;
struct ISkinElement;
struct ISkinRootElement;

// Process-wide values the dialog sets and other parts read.
// Play video files with their sound (Params "PlaySound"); read when a video file starts.
extern std::atomic<BYTE> g_bPlaySound;
// The folder the file dialogs open in (Params "LastBrowseFolder"); user-interface thread only.
extern std::string g_strLastBrowseFolder;

// The dialog's timers.
constexpr UINT_PTR kStillRefreshTimer = 1;  // 5 s: output sizes, and the still picture again
constexpr UINT_PTR kImageWatchTimer = 4;    // 1 s while the image source is active
constexpr UINT_PTR kSlideshowTimer = 6;
constexpr UINT kStillRefreshMs = 5000;
constexpr UINT kImageWatchMs = 1000;

// The dialog's own request to itself (outside the program's message range).
constexpr UINT kFullScreenRequestMessage = 0x0400 + 0x100;

// Skin control id in template 154 and the main form's name.
constexpr UINT kSkinControlId = 1002;
inline constexpr const char* kMainFormName = "Skin Main";

// Menu command ranges (each capped: ids past the end are not made).
constexpr UINT kFirstDeviceCommand = 2000;
constexpr UINT kLastDeviceCommand = 2049;
constexpr UINT kFirstAudioCommand = 2050;
constexpr UINT kOpenImageCommand = 2100;
constexpr UINT kOpenVideoCommand = 2101;
constexpr UINT kDesktopCommand = 2102;
constexpr UINT kVideoConfigCommand = 2103;
constexpr UINT kCrossbarCommand = 2104;
constexpr UINT kFirstFrameRateCommand = 32774;
constexpr UINT kLastFrameRateCommand = 32779;
constexpr UINT kDefaultSkinCommand = 34500;
constexpr UINT kLastSkinCommand = 34599;
constexpr UINT kSnapshotManagerCommand = 32842;
constexpr UINT kPhotoArchiveCommand = 32841;
constexpr UINT kAddFilesCommand = 32877;       // the playlist's add and delete pop-ups
constexpr UINT kAddFolderCommand = 32878;
constexpr UINT kDeleteSelectedCommand = 32879;
constexpr UINT kClearListCommand = 32880;
constexpr UINT kFilterDeinterlaceCommand = 32870;
constexpr UINT kPlayWithSoundCommand = 32882;

class CDlgZelvante : public CDialog {
public:
    CDlgZelvante();
    ~CDlgZelvante() override;

    CDlgZelvante(const CDlgZelvante&) = delete;
    CDlgZelvante& operator=(const CDlgZelvante&) = delete;

    // ---- Construction, start-up, settings, shutdown: DlgZelvante.cpp ----

    // The one road by which the main window closes: stops the source, saves the settings and the
    // window position, leaves every output format black and destroys the window.
    void ShutdownAndSaveSettings();
    // True once OnInitDialog finished (a restore and the host status act only then).
    bool IsInitialised() const { return m_bInitialised != 0; }
    // True when start-up ended the dialog after telling the user why.
    bool StartupFailureReported() const { return m_bStartupReported != 0; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Installs the driver when missing; false (after the message) when the program cannot go on.
    bool CheckDriverAtStartup();
    // Opens the virtual camera, removing and reinstalling the device once when it does not open.
    bool OpenDeviceWithRepair();
    // Saves the settings record; false (after message 122) when a restart is needed.
    bool AfterDriverInstall();
    void DeleteLeftoverInstaller();
    void ShowVersionCaptions();
    static bool GetProgramVersionText(std::string& text);
    static bool GetDriverVersionText(std::string& text);
    static void WriteBlankFrames();
    // Shows the string with the icon and ends the dialog's start-up; always false.
    bool FailStartup(UINT stringId, UINT icon);
    void ReadStoredSource(DeviceInfo& device);
    void WriteRegistrySettings();
    void DestroyChildWindows();
    void RestoreWindowPosition();
    void SaveWindowPosition();
    // An edit field (it answers DLGC_HASSETSEL): keys there are text.
    bool IsTypingTarget(HWND window) const;

    void OnSize(UINT type, int cx, int cy);
    // A maximise request: the preview goes full screen and the dialog keeps its size.
    LRESULT OnFullScreenRequest(WPARAM wParam, LPARAM lParam);
    void OnMove(int x, int y);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

public:
    // ---- Program window messages: DlgZelvanteMessages.cpp (also the message and event maps) ----

    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnSupportLink(WPARAM wParam, LPARAM lParam);
    LRESULT OnStillImageReady(WPARAM wParam, LPARAM lParam);
    LRESULT OnVideoPositionTick(WPARAM wParam, LPARAM lParam);
    LRESULT OnGraphEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnPeerListChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnHostStatus(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnFrameReady(WPARAM wParam, LPARAM lParam);
    LRESULT OnPreviewKey(WPARAM wParam, LPARAM lParam);
    LRESULT OnUnusedMessage(WPARAM wParam, LPARAM lParam);
    // The tray balloon's text for `count` unread messages.
    static std::string UnreadMessagesText(std::uint32_t count);

    // ---- Timers, snapshot manager, activation: DlgZelvanteTimers.cpp ----

    void OnTimer(UINT_PTR id);
    LRESULT OnSnapshotRequest(WPARAM wParam, LPARAM lParam);
    void OnSnapshotManagerCommand();
    // Brings a running snapshot manager to the front; false when none runs.
    static bool ActivateSnapshotManager();
    // Asks a running snapshot manager to close and waits, within a bound, until it has handled
    // that; true when it did.
    static bool CloseSnapshotManager();
    // A live window of the snapshot manager: a dialog of another process running its program.
    static bool IsSnapshotManagerWindow(HWND window);
    // Command 32841: starts the photo archive program beside this one.
    void StartPhotoArchive();
    // The snapshot manager's main window, or null.
    static HWND FindSnapshotManager();
    static BOOL CALLBACK FindSnapshotManagerProc(HWND window, LPARAM result);
    void OnActivateApp(BOOL active, DWORD thread);

    // ---- Sources and playback: DlgZelvanteSources.cpp, DlgZelvanteSourceFiles.cpp, DlgZelvanteSliders.cpp ----

    void Play();
    void Pause();
    void Stop();
    void SelectSourceKind(std::int32_t kind);
    bool SelectCaptureDevice(DeviceInfo& device);
    void OnDeviceCommand(UINT id);
    void OnFrameRateCommand(UINT id);
    void OnVideoConfigCommand();
    void OnCrossbarCommand();
    void ShowSourceMenu(ISkinElement* element);
    void ShowFrameRateMenu(ISkinElement* element);
    void ShowVideoStreamMenu(ISkinElement* element);
    // Replaces the pop-up's placeholder with the sources (devices, image, video, desktop).
    void FillSourceMenu(CMenu* menu);
    void AppendAudioDeviceItems(CMenu* menu);
    void OpenImageFile();
    void OpenVideoFile();
    void PlayVideoFile(const char* path);
    void ShowImageFile(const char* path);
    void PrepareStillImage();
    void CheckImageFile();
    void SetSourceCaption(const char* name);
    void SetFrameRateCaption(int rate);
    void UpdateSliders();
    void SetSliderValue(const char* elementName, float value);
    void SetBrightness(float value);
    void SetContrast(float value);
    void SetSaturation(float value);
    void SetRed(float value);
    void SetGreen(float value);
    void SetBlue(float value);
    void SetWhite(float value);
    void ShowVideoPositionSlider(bool visible);
    void SeekVideo(float value);
    // Makes a kind the active source; the image watch (timer 4) runs exactly while it is 2.
    void SetActiveSourceKind(std::int32_t kind);
    // Plays the capture graph's video file as the video list would: player state 2 when it runs.
    bool StartVideoFile();
    // A colour slider moved or reset: its tooltip, the active kind's stored value, the device.
    void SetLevel(Level level, const char* elementName, float value);
    // Shows a pop-up through the skin at the element's bottom-left corner.
    void TrackElementMenu(ISkinElement* element, HMENU menu);

    // ---- Skin load and skin events: DlgZelvanteSkin.cpp, DlgZelvanteSkinEvents.cpp ----

    // Loads and applies a skin (null or empty: the default one).
    bool ApplySkin(const char* path);
    // The start-up skin: the saved one, else the default one. False, after telling the user, when
    // neither applies (the saved path is then cleared, so the next start takes the default).
    bool ApplyStartupSkin();
    // The overlay position buttons: 0 top left .. 5 bottom right.
    void SetOverlayPosition(int position);
    void OnSkinMenuCommand(UINT id);
    void BuildSkinMenu(CMenu* menu);
    // Text of a text element, or caption of a button (with `alignment`, when given, as the
    // DrawText flags of its three caption styles).
    void SetElementCaption(const char* text, const UINT* alignment, const char* elementName);
    bool SetElementTooltip(const char* text, const char* elementName);
    void ShowElement(const char* elementName, bool visible);
    void ShowNewMessagesButton(bool visible);
    bool GetSkinElementRect(const char* elementName, RECT* rect);
    HWND GetVideoFrameWindow();
    // False (and an empty rectangle) when the skin has no such element or it has no area.
    bool GetPreviewRect(RECT* rect);
    void LayoutPreview();
    void OnSkinElementClick(IUnknown* element);
    void OnSkinScroll(IUnknown* element, long position);
    bool OnSkinMenuElement(IUnknown* element);

    // ---- Desktop source: DlgZelvanteDesktop.cpp ----

    bool StartDesktopSource();
    void OnSourceDesktop();
    LRESULT OnScreenFrame(WPARAM wParam, LPARAM lParam);

    // ---- Overlay and sound commands, window position: DlgZelvanteOverlay.cpp ----

    void ToggleDeinterlace();
    void TogglePlaySound();
    void ShowAudioSourceMenu(ISkinElement* element);
    void OnAudioSourceCommand(UINT id);
    void ShowSoundVolume();
    void ChooseOverlayColor();
    void ChooseOverlayFont();
    // Opens the in-place editor over "Button Text"; its result arrives as label 1.
    void EditOverlayText();
    // The edited overlay text (label 1). Null (the edit's end notice) changes nothing; an empty
    // text removes the overlay.
    void OnOverlayTextEdited(const char* text);
    // Where a stored window rectangle puts the window: an empty rectangle when it is not applied
    // (no area, or left at 0 after the off-screen rule); else inside the work area.
    static RECT PlaceStoredWindow(const RECT& stored, LONG screenWidth, LONG screenHeight, const RECT& workArea);

    // ---- Menus and commands: DlgZelvanteMenus.cpp, DlgZelvanteCommands.cpp ----

    // Shows pop-up `position` of menu 157 (0 File, 1 Options, 2 Account, 3 Help), prepared, through
    // the skin with its top-left corner at the screen point.
    void TrackSkinMenu(int position, int x, int y);
    // Loads menu 157 into `menus` and prepares its pop-up `position` (checks, grays, removals,
    // generated items); null when there is no such pop-up.
    CMenu* PrepareSkinMenu(CMenu& menus, int position);
    // Tooltips of every element below `element` on or off; the setting is stored.
    void ApplyTooltips(bool on, ISkinElement* element);
    // A skin was just applied: tooltips saved from the old one are dropped, and while tooltips are
    // off the new skin's are taken off too.
    void ResetTooltipsForSkin();
    // Whether the Run value starts this copy of the program (quoted or as older copies wrote it).
    static bool IsRunAtStartup();
    static void ToggleRunAtStartup();
    // The page with "ID_USER=" and the user id added to its query.
    static std::string AccountPageUrl(const std::string& page, const std::string& userId);
    void OpenAccountPage(const char* url);
    void OpenAccountPageById(UINT stringId);
    // A web address of the string table through the shell; nothing when the string is missing.
    void OpenWebSite(UINT stringId, const char* verb, int show);
    static void ShowLocalHelp();
    // The About box's text: the program and driver versions among the program's own lines.
    static std::string AboutText();
    // The stored chat font size, 1 (smallest) to 5; 1 when none or no valid one is stored.
    static int StoredFontSize();

    void OnTrayExitCommand();
    void OnTrayShowHideCommand();
    void OnTrayPlayStopCommand();
    void OnExitCommand();
    void OnAccountCommand(UINT id);
    void OnAboutCommand();
    void OnFontSizeCommand(UINT id);
    void OnMinimizeToTrayCommand();
    void OnSnapshotModeCommand(UINT id);
    void OnLinksCommand();
    void OnFullScreenCommand();
    void OnLocalHelpCommand();
    void OnOnlineCommand();
    void OnRunAtStartupCommand();
    void OnTooltipsCommand();
    void OnShowAdsCommand();
    void OnExchangeAdVideoCommand();

    // ---- Playlist, tabs and slideshow: DlgZelvantePlaylist.cpp ----

    // Tab 1..4: its buttons and panel shown, the others' hidden; tabs 2 and 3 show the playlist
    // window with the video or the image list and set the list mode. Other values hide all tabs.
    void SelectTab(int tab);
    // Creates the playlist window on first use (then lays it out) and shows or hides it.
    void ShowPlaylistWindow(bool show);
    // Puts the playlist window over "Static playlist", on top, without activating it.
    void LayoutPlaylistWindow();
    void ShowPlaylistAddMenu(ISkinElement* element);
    void ShowPlaylistDeleteMenu(ISkinElement* element);
    void AddFilesToList();
    void AddFolderToList();
    void DeleteSelectedEntries();
    void ClearList();
    void PlayNextEntry();
    void PlayPrevEntry();
    // The entry's picture (image list) or video file (video list) as the source; nothing for none.
    void PlayEntryPath(const std::string& path);
    // PlayFileMessage: lParam the path of the list entry to play.
    LRESULT OnPlayFile(WPARAM wParam, LPARAM lParam);
    // Seconds between slideshow pictures, 1 to 86400: shown on "Button Slideshow Time" and stored.
    // False, and nothing changed, for any other value. A running slideshow keeps its timer.
    bool SetSlideshowSeconds(std::int32_t seconds);
    void EditSlideshowSeconds();
    // LabelEditedMessage: wParam the editor's item id (0 seconds, 1 overlay text), lParam its text
    // or null once the editor closed.
    LRESULT OnLabelEdited(WPARAM wParam, LPARAM lParam);
    void StartSlideshow();
    void PlayVideoList();
    // The next slideshow picture (timer 6) or the next file of the video list (end of a file).
    void AdvancePlayback();
    // The list view of the playlist window; null before the window exists.
    CPlayList* PlayList() const;
    // Shows a slideshow picture with timer 6 held while it loads (a broken picture's message box
    // stays alone), then sets the timer again while the slideshow runs.
    void ShowSlide(const std::string& path);
    // Starts a list entry's video file in the capture graph (the remembered video file unchanged).
    bool StartListVideo(const std::string& path);
    // ---- Update client: DlgZelvanteUpdate.cpp ----

    // Command 32866 "&Auto": the start-up check on or off (Params "AutoUpdate").
    void OnAutoUpdate();
    // Command 32867 "&Now": an update check in the background.
    void OnCheckUpdateNow();
    // The check at start-up when "AutoUpdate" is on.
    void CheckUpdatesAtStartup();
    // The update thread's reports: the downloaded installer remembered for deletion, the close
    // request once the installer runs.
    LRESULT OnUpdateProgress(WPARAM wParam, LPARAM lParam);

    // ---- HTML views: DlgZelvanteViews.cpp ----

    // The ad view (window 2201): a browser over "Static Ad", or over "Frame Video" while the ad and
    // the video are exchanged, in the window that shows the skin; its page from ReloadAd.
    void CreateAdView();
    void LayoutAdView();
    // Ads allowed by the update server's last reply and by Params "ShowAd": the ad page for the
    // view's place, shown. Otherwise the view is hidden and blank.
    void ReloadAd();
    // The general and private chat views and the chat input, at their skin elements, shown.
    void CreateChatViews();
    void LayoutChatViews();
    // Shutdown: the chat views, the chat input and the ad view lose their windows.
    void DestroyHtmlViews();
    // Font size 1..5 on the general and private chat views.
    void ApplyChatFontSize(int size);

    // ---- Peer link: DlgZelvantePeer.cpp ----

    static constexpr UINT kPeerListenCommand = 2105;
    static constexpr UINT kPeerConnectCommand = 2106;
    // The feature a peer announces to take chat lines.
    static constexpr std::uint32_t kPeerChatFeature = 4;
    // A peer's picture larger than this is dropped unread.
    static constexpr int kMaxPeerFrameWidth = 1280;
    static constexpr int kMaxPeerFrameHeight = 1024;

    // Command 2105: listens for peers, or stops listening (sessions already accepted go on).
    void OnPeerListen();
    // Command 2106: ends the first peer session when there is one; otherwise asks for an address
    // and connects to it. Cancel leaves nothing behind.
    void OnPeerConnect();
    // The peer server's event callback: its own events (1 to 4) are ignored, the others go to the
    // sessions' callback. `window` is the main window's handle.
    static BOOL OnPeerEvent(int event, PeerSession* session, LPVOID window);
    // The sessions' callback, on whichever thread raises the event: lists and unlists sessions
    // and sends the main window what it shows. True for every event.
    static BOOL OnPeerSessionEvent(int event, PeerSession* session, LPVOID window);
    // PeerFrameMessage: wParam byte count, lParam the JPEG bytes.
    LRESULT OnPeerFrame(WPARAM wParam, LPARAM lParam);
    // PeerChatMessage: wParam the sender's text (null: "[nobody]"), lParam the line.
    LRESULT OnPeerChatLine(WPARAM wParam, LPARAM lParam);
    // OwnChatMessage: lParam the user's line, shown in grey and sent to the peers.
    LRESULT OnOwnChatLine(WPARAM wParam, LPARAM lParam);
    // Queues the line to every running session whose peer announced chat.
    static void SendChatToPeers(const char* text);
    // The chat view's lines, the texts from outside escaped.
    static std::string PeerChatLineHtml(const char* sender, const char* text);
    static std::string OwnChatLineHtml(const char* text);
    // Decodes a peer's JPEG into m_imgPeerFrame and shows it in the main preview; false when it is
    // dropped (not a JPEG, larger than the bounds, undecodable).
    bool ShowPeerFrame(const BYTE* bytes, std::size_t length);
    // The window's destruction: the server closed, every session ended, the sender joined.
    void ClosePeerLink();

    // Where the peer link listens and connects: port 12345 of every address; tests choose a free
    // port on the loopback address.
    int m_nPeerPort = kPeerPort;
    std::uint32_t m_nPeerListenAddress = 0;
    // The last peer picture shown.
    CPixImage m_imgPeerFrame;

    // ---- Login command: DlgZelvanteLogin.cpp ----

    static constexpr UINT kHostLoginCommand = 32791;
    // Command 32791: the host login, with the login dialog over this window when the stored
    // credentials do not work.
    void OnHostLoginCommand();

    // ---- Members, in the order of construction ----

    HICON m_hIcon = nullptr;
    BYTE m_bInitialised = 0;
    BYTE m_bShowAds = 1;
    BYTE m_bAdVideoExchanged = 0;      // video in "Static Ad", ad in "Frame Video"
    std::int32_t m_nSlideshowSeconds = 5;
    CDlgControlPanel* m_pControlPanel = nullptr;  // hidden until "Button ControlPanel"
    CWnd* m_pFurtherChild = nullptr;              // destroyed at shutdown when set
    CDlgBrowser* m_pAccountBrowser = nullptr;     // made by the first account page, then reused
    CDlgPlaylist* m_pDlgPlaylist = nullptr;       // made at the first tab selection
    ISkinRootElement* m_pSkinRoot = nullptr;      // the "Skin Main" form: every lookup starts here
    CCaptureGraph m_captureGraph;
    CTrayIcon m_trayIcon;
    PeerServer* m_pPeerServer = nullptr;          // wired with the peer link
    CDlgHtmlCtrl m_dlgChatGeneral;     // the peers' lines and the user's own
    CDlgHtmlCtrl m_dlgChatPrivate;
    CHtmlWnd m_wndAdView;              // window 2201
    CDlgTextCtrl m_dlgChatInput;       // Enter sends its line to this dialog (OwnChatMessage)
    BYTE m_bMinimizeToTray = 0;        // Options "Minimize to system tray"
    BYTE m_bTooltips = 1;              // Options "Tooltips"
    BYTE m_bAutoUpdate = 1;            // Params "AutoUpdate"
    std::int32_t m_nSnapshotCountdown = 0;
    std::int32_t m_nSnapshotMode = 0;  // Params "SnapMode": 0, 1 or 2
    // Tooltips taken off while tooltips are off, by element path (child indices from the form).
    std::map<std::string, std::u16string> m_savedTooltips;
    WIN32_FILE_ATTRIBUTE_DATA m_fileDataShown{};  // the image file last shown (the image watch)
    CSkinSet m_SkinSet;
    std::string m_strVideoCodec;       // Params "VideoCodec"
    std::int32_t m_nListMode = 1;      // 1 device (0 after a device selection), 2 video list, 3 image list
    std::string m_strPlayingName;
    ScreenGrabber m_screenGrabber;
    std::int32_t m_nSoundVolumeFlag = 0;

    // Unread count at the previous host status message.
    std::uint32_t m_nPreviousUnread = 0;
    // Set while a video position tick is being handled: a second one arriving meanwhile is dropped.
    BYTE m_bPositionTickBusy = 0;
    BYTE m_bStartupReported = 0;
    // Set by StartSlideshow, cleared by Stop and Pause: timer 6 belongs to a running slideshow.
    BYTE m_bSlideshowRunning = 0;
    // Set while a slideshow picture is being shown (its error box included).
    BYTE m_bShowingSlide = 0;

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()
};
