#include "Shotbox/DlgSnapshots.h"

#include "Shotbox/ShotboxApp.h"
#include "Shotbox/SnapshotFiles.h"
#include "Shotbox/UserMessages.h"
#include "app/ProgramMessages.h"
#include "platform/gdi/gdi_icons.h"
#include "platform/user/system_metrics.h"
#include "platform/user/up_down.h"
#include "platform/win32/resources.h"
#include "platform/winmm/sound.h"

#include <algorithm>

namespace {

constexpr UINT kAboutCommand = 16;
constexpr const char* kOptions = "Options";
constexpr const char* kNonstopDelay = "Nonstop Delay";
constexpr const char* kLastDir = "LastDir";
constexpr const char* kVirtualCameraName = "Zelvante";
constexpr int kTitleLength = 1024;

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(100) {}
};

} // namespace

BEGIN_MESSAGE_MAP(CDlgSnapshots, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_DESTROY()
    ON_WM_TIMER()
    ON_MESSAGE(CloseRequestMessage, OnCloseRequest)
    ON_MESSAGE(GraphEventMessage, OnGraphEvent)
    ON_MESSAGE(SnapshotMessage, OnFrameGrabbed)
    ON_MESSAGE(ImgBrowserNotifyMessage, OnBrowserNotify)
    ON_BN_CLICKED(IDC_TAKE_SNAPSHOT, OnGrabSnapshot)
    ON_BN_CLICKED(IDC_DELAYED_SNAPSHOT, OnDelayedSnapshot)
    ON_BN_CLICKED(IDC_NONSTOP, OnNonStop)
    ON_BN_CLICKED(IDC_SAVE_TO_DISK, OnSaveToDisk)
    ON_BN_CLICKED(IDC_OPEN_FOLDER, OnOpenFolder)
    ON_BN_CLICKED(IDC_SEND_TO_SERVER, OnSendToServer)
    ON_BN_CLICKED(IDCANCEL, OnCloseButton)
    ON_EN_KILLFOCUS(IDC_TITLE, OnTitleKillFocus)
END_MESSAGE_MAP()

CDlgSnapshots::CDlgSnapshots() : CDialog(102), m_browser(ImgBrowserNotifyMessage)
{
    if (CShotboxApp* app = ShotboxApp()) {
        app->AttachSharedData();
        m_hIcon = app->LoadIcon(128);
    }
    m_strSnapshotFolder = SnapshotFolderOf(ProgramFolder());
}

CDlgSnapshots::~CDlgSnapshots()
{
    shotbox::g_Snapshot.SetTarget(nullptr);
}

BOOL CDlgSnapshots::OnInitDialog()
{
    CDialog::OnInitDialog();
    CShotboxApp* app = ShotboxApp();

    // The upload row lies below the window's bottom edge.
    RECT window{};
    GetWindowRect(&window);
    SetWindowPos(nullptr, 0, 0, window.right - window.left, window.bottom - window.top - 100,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (app)
        app->PublishSnapshotWindow(m_hWnd);

    std::string about;
    if (AfxLoadString(101, about) && !about.empty()) {
        if (CMenu* menu = GetSystemMenu(FALSE)) {
            menu->AppendMenu(MF_SEPARATOR);
            menu->AppendMenu(MF_STRING, kAboutCommand, about.c_str());
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    const int interval = app ? std::clamp(static_cast<int>(app->GetProfileInt(kOptions, kNonstopDelay, kMinInterval)),
                                          kMinInterval, kMaxInterval)
                             : kMinInterval;
    SendDlgItemMessageA(m_hWnd, IDC_INTERVAL_SPIN, UDM_SETBUDDY, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, IDC_INTERVAL)), 0);
    SendDlgItemMessageA(m_hWnd, IDC_INTERVAL_SPIN, UDM_SETRANGE32, kMinInterval, kMaxInterval);
    SendDlgItemMessageA(m_hWnd, IDC_INTERVAL_SPIN, UDM_SETPOS32, 0, interval);
    SetDlgItemInt(IDC_INTERVAL, static_cast<UINT>(interval));

    CheckRadioButton(IDC_STANDARD_RESOLUTION, IDC_HIGH_RESOLUTION, IDC_STANDARD_RESOLUTION);
    CheckRadioButton(IDC_GENERAL_GROUP, IDC_ADULT_GROUP,
                     app && app->SharedAdultGroup() ? IDC_ADULT_GROUP : IDC_GENERAL_GROUP);

    RECT place{};
    if (CWnd* placeholder = GetDlgItem(IDC_BROWSER_PLACE)) {
        placeholder->GetWindowRect(&place);
        ScreenToClient(&place);
    }
    m_browser.Create(place, this, IDC_BROWSER);
    if (m_browser.GetItemCount() > 0)
        m_browser.SetFocus();

    if (app)
        m_strFolder = app->GetProfileString(kOptions, kLastDir, "");
    StartCapture();
    return FALSE;
}

bool CDlgSnapshots::StartCapture()
{
    m_capture.m_VideoGrabber.m_pCallback = &SampleCallback;
    shotbox::g_Snapshot.SetTarget(m_hWnd);
    m_capture.m_hWndNotify = m_hWnd;
    m_capture.m_nNotifyMsg = GraphEventMessage;
    m_capture.m_bShowVideoWindow = 1;
    m_capture.SetOwnerWindow(::GetDlgItem(m_hWnd, IDC_VIDEO));
    m_capture.m_nReqWidth = 640;
    m_capture.m_nReqHeight = 480;
    return SelectVirtualCamera() && m_capture.StartPreview() == 0;
}

bool CDlgSnapshots::SelectVirtualCamera()
{
    int count = 0;
    CCaptureGraph::EnumVideoDevices(nullptr, &count);
    if (count <= 0)
        return false;
    std::vector<DeviceInfo> devices(static_cast<std::size_t>(count));
    if (CCaptureGraph::EnumVideoDevices(devices.data(), &count) != 0)
        return false;
    devices.resize(static_cast<std::size_t>(std::min<int>(count, static_cast<int>(devices.size()))));
    for (const DeviceInfo& device : devices)
        if (device.m_strFriendlyName.find(kVirtualCameraName) != std::string::npos)
            return m_capture.SelectDevice(&device) == 0;
    return false;
}

void CDlgSnapshots::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == kAboutCommand) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    CDialog::OnSysCommand(id, lParam);
}

void CDlgSnapshots::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    RECT client{};
    GetClientRect(&client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

HCURSOR CDlgSnapshots::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

void CDlgSnapshots::OnDestroy()
{
    KillTimer(kDelayTimer);
    KillTimer(kNonStopTimer);
    m_capture.StopGraph();
    shotbox::g_Snapshot.SetTarget(nullptr);
    if (CShotboxApp* app = ShotboxApp()) {
        app->WithdrawSnapshotWindow(m_hWnd);
        app->WriteProfileInt(kOptions, kNonstopDelay, NonStopInterval());
    }
    CDialog::OnDestroy();
}

int CDlgSnapshots::NonStopInterval() const
{
    BOOL translated = FALSE;
    const int value = static_cast<int>(GetDlgItemInt(IDC_INTERVAL, &translated, TRUE));
    return translated ? std::clamp(value, kMinInterval, kMaxInterval) : kMinInterval;
}

void CDlgSnapshots::OnTimer(UINT_PTR id)
{
    if (id == kDelayTimer) {
        if (--m_nDelayCountdown <= 0) {
            KillTimer(kDelayTimer);
            OnGrabSnapshot();
        } else {
            PlayWaveResource("Tic");
        }
    } else if (id == kNonStopTimer) {
        const int left = --m_nCountdown;
        if (left <= 0) {
            m_nCountdown = NonStopInterval();
            OnGrabSnapshot();
        } else if (left <= 4) {
            PlayWaveResource("Tic");
        }
    }
    CDialog::OnTimer(id);
}

LRESULT CDlgSnapshots::OnCloseRequest(WPARAM, LPARAM)
{
    OnCancel();
    return 0;
}

LRESULT CDlgSnapshots::OnGraphEvent(WPARAM, LPARAM)
{
    if (!m_capture.m_pMediaEventEx)
        return 0;
    LONG code = 0;
    LONG_PTR first = 0, second = 0;
    while (SUCCEEDED(m_capture.m_pMediaEventEx->GetEvent(&code, &first, &second, 0)))
        m_capture.m_pMediaEventEx->FreeEventParams(code, first, second);
    return 0;
}

void CDlgSnapshots::OnGrabSnapshot()
{
    shotbox::g_Snapshot.Request();
    PlayWaveResource("Snapshot");
}

void CDlgSnapshots::OnDelayedSnapshot()
{
    m_nDelayCountdown = kSnapshotDelaySeconds;
    SetTimer(kDelayTimer, 1000);
}

void CDlgSnapshots::OnNonStop()
{
    if (m_bNonStop) {
        m_bNonStop = 0;
        KillTimer(kNonStopTimer);
        SetDlgItemText(IDC_NONSTOP, "Non-stop");
    } else {
        m_bNonStop = 1;
        m_nCountdown = NonStopInterval();
        SetTimer(kNonStopTimer, 1000);
        SetDlgItemText(IDC_NONSTOP, "Stop");
    }
}

LRESULT CDlgSnapshots::OnFrameGrabbed(WPARAM, LPARAM)
{
    // Every waiting frame: one message may stand for several.
    while (std::optional<SnapshotFrame> frame = shotbox::g_Snapshot.Take())
        WriteSnapshot(*frame);
    return 0;
}

bool CDlgSnapshots::WriteSnapshot(const SnapshotFrame& frame)
{
    SYSTEMTIME now{};
    GetSystemTime(&now);
    const CShotboxApp* app = ShotboxApp();
    const std::string prefix = FileNameSafeUserId(app ? app->SharedUserId() : std::string());
    const std::string name = SnapshotFileName(prefix, now);
    if (!EnsureSnapshotFolder(m_strSnapshotFolder)) {
        ShowUserMessage(117, MB_OK | MB_ICONERROR, JoinPath(m_strSnapshotFolder, name).c_str());
        return false;
    }
    // Two frames within one millisecond still get files of their own.
    const std::string path = FreePath(m_strSnapshotFolder, name, {}, true);
    if (!WriteSnapshotJpeg(frame, path)) {
        ShowUserMessage(117, MB_OK | MB_ICONERROR, path.c_str());
        return false;
    }
    const int index = m_browser.AddItem(path.c_str());
    if (index < 0)
        return true;
    if (CImgBrowserItem* item = m_browser.GetItem(index))
        item->SetTitle("");
    m_browser.SelectItem(index, TRUE);
    m_browser.EnsureVisible(index);
    if (m_browser.GetItemCount() == 1)
        m_browser.SetFocusItem(index);
    return true;
}

LRESULT CDlgSnapshots::OnBrowserNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam == 0) {
        OnSelectionChanged();
    } else if (wParam == 1) {
        const auto index = [](unsigned word) { return word == 0xFFFF ? -1 : static_cast<int>(word); };
        OnFocusChanged(index(LOWORD(lParam)), index(HIWORD(lParam)));
    }
    return 0;
}

bool CDlgSnapshots::IsTemporary(int index) const
{
    const CImgBrowserItem* item = m_browser.GetItem(index);
    return item && IsTemporaryImage(item->GetPath(), m_strSnapshotFolder);
}

std::vector<int> CDlgSnapshots::TemporaryItems(bool selectedOnly) const
{
    std::vector<int> indices;
    for (int i = 0; i < m_browser.GetItemCount(); ++i) {
        const CImgBrowserItem* item = m_browser.GetItem(i);
        if (item && (!selectedOnly || item->IsSelected()) && IsTemporary(i))
            indices.push_back(i);
    }
    return indices;
}

void CDlgSnapshots::OnSelectionChanged()
{
    const std::vector<int> selected = m_browser.GetSelectedItems();
    if (selected.empty()) {
        GetDlgItem(IDC_SEND_TO_SERVER)->EnableWindow(FALSE);
        GetDlgItem(IDC_SAVE_TO_DISK)->EnableWindow(FALSE);
        GetDlgItem(IDC_HIGH_RESOLUTION)->EnableWindow(TRUE);
        return;
    }
    bool small = false, temporary = false;
    for (const int index : selected) {
        const CImgBrowserItem* item = m_browser.GetItem(index);
        int width = 0, height = 0;
        if (item && item->GetOriginalSize(&width, &height) && (width < 640 || height < 480))
            small = true;
        if (IsTemporary(index))
            temporary = true;
        if (small && temporary)
            break;
    }
    if (small) {
        GetDlgItem(IDC_HIGH_RESOLUTION)->EnableWindow(FALSE);
        CheckRadioButton(IDC_STANDARD_RESOLUTION, IDC_HIGH_RESOLUTION, IDC_STANDARD_RESOLUTION);
    } else {
        GetDlgItem(IDC_HIGH_RESOLUTION)->EnableWindow(TRUE);
    }
    GetDlgItem(IDC_SAVE_TO_DISK)->EnableWindow(temporary);
    GetDlgItem(IDC_SEND_TO_SERVER)->EnableWindow(TRUE);
}

bool CDlgSnapshots::IsListed(const CImgBrowserItem* item) const
{
    if (!item)
        return false;
    for (int i = 0; i < m_browser.GetItemCount(); ++i)
        if (m_browser.GetItem(i) == item)
            return true;
    return false;
}

void CDlgSnapshots::StoreEditedTitle()
{
    if (!IsListed(m_pTitleItem)) {
        m_pTitleItem = nullptr;
        return;
    }
    char text[kTitleLength] = {};
    GetDlgItemText(IDC_TITLE, text, sizeof text);
    m_pTitleItem->SetTitle(text);
}

void CDlgSnapshots::OnFocusChanged(int, int newIndex)
{
    StoreEditedTitle();
    m_pTitleItem = m_browser.GetItem(newIndex);
    SetDlgItemText(IDC_TITLE, m_pTitleItem ? m_pTitleItem->GetTitle().c_str() : "");
}

void CDlgSnapshots::OnTitleKillFocus()
{
    StoreEditedTitle();
}

void CDlgSnapshots::OnCloseButton()
{
    OnCancel();
}

void CDlgSnapshots::OnCancel()
{
    if (!PromptSaveTempImages())
        return;
    if (CShotboxApp* app = ShotboxApp())
        app->WriteProfileString(kOptions, kLastDir, m_strFolder.c_str());
    CDialog::OnCancel();
}

void CDlgSnapshots::PlayWaveResource(const char* name)
{
    const zv::win32::ResourceBytes sound = zv::win32::FindResourceBytes(nullptr, name, "WAVE");
    if (sound.data)
        sndPlaySoundA(reinterpret_cast<LPCSTR>(sound.data), SND_MEMORY | SND_SYNC | SND_NODEFAULT);
}
