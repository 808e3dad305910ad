// The main dialog's timers, the snapshot manager it starts, brings forward and closes, the photo
// archive it starts, and its answer to the application being activated.
//
// Timers 2 and 3 (a snapshot countdown and its tick sound) are not started: the snapshot manager
// takes its own pictures from the camera, and nothing here would use a copy taken on a countdown.
#include "app/DlgZelvante.h"

#include "app/DlgPlaylist.h"
#include "app/FileVersion.h"
#include "app/ProgramMessages.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/VirtualCameraChannel.h"
#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/processes.h"

#include <strings.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

constexpr UINT kShotboxMissingString = 166;
constexpr UINT kArchiveMissingString = 147;
constexpr UINT kArchiveStartFailedString = 148;
// Where the snapshot manager publishes its dialog's window handle in the shared block.
constexpr std::size_t kSnapshotWindowOffset = 0x364;
constexpr const char* kSnapshotManagerTitle = "Snapshot manager";
// The snapshot manager's main window is a dialog of its program, "Shotbox" here (".exe" on Windows).
constexpr const char* kSnapshotManagerClass = "#32770";
constexpr std::string_view kSnapshotManagerProgram = "Shotbox";
// How long the close request waits for the snapshot manager: long enough for it to finish what it
// is doing, short enough that a hung one does not keep the program from ending.
constexpr UINT kCloseRequestWaitMs = 10000;

bool IsSnapshotManagerProgram(const std::string& name)
{
    std::string_view base(name);
    if (base.size() > 4 && strcasecmp(std::string(base.substr(base.size() - 4)).c_str(), ".exe") == 0)
        base.remove_suffix(4);
    return base.size() == kSnapshotManagerProgram.size() &&
           strncasecmp(base.data(), kSnapshotManagerProgram.data(), base.size()) == 0;
}

HWND PublishedSnapshotWindow()
{
    const BYTE* block = g_pSharedData.load();
    if (!block)
        return nullptr;
    std::uint32_t value = 0;
    std::memcpy(&value, block + kSnapshotWindowOffset, sizeof value);
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
    // The handle may be stale, or by now another program's window.
    return window && CDlgZelvante::IsSnapshotManagerWindow(window) ? window : nullptr;
}

// Whether a companion program is there. Programs on this system carry no ".exe": CreateProcessA
// finds "Shotbox" for "Shotbox.exe", so the check looks for both names.
bool ProgramFileExists(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    constexpr std::string_view kExe = ".exe";
    if (path.size() <= kExe.size() || path.compare(path.size() - kExe.size(), kExe.size(), kExe) != 0)
        return false;
    return GetFileAttributesA(path.substr(0, path.size() - kExe.size()).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Starts the program with no command line in `folder`; false when it does not start.
bool StartProgram(const std::string& path, const std::string& folder)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

} // namespace

void CDlgZelvante::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kStillRefreshTimer:
        UpdateCaptureSize();
        // A client that has just opened the camera gets the still picture within 5 seconds.
        if (g_nSourceKind.load() == 2)
            PostMessage(StillImageMessage);
        break;
    case kImageWatchTimer:
        // The watch belongs to the image source only: a left-over tick ends it.
        if (g_nSourceKind.load() == 2)
            CheckImageFile();
        else
            KillTimer(kImageWatchTimer);
        break;
    case kSlideshowTimer:
        AdvancePlayback();
        break;
    default:
        Default();
        break;
    }
}

bool CDlgZelvante::IsSnapshotManagerWindow(HWND window)
{
    DWORD processId = 0;
    if (!::IsWindow(window) || GetWindowThreadProcessId(window, &processId) == 0 ||
        processId == static_cast<DWORD>(::getpid()))
        return false;
    char className[64] = {};
    if (GetClassNameA(window, className, sizeof className) == 0 || strcasecmp(className, kSnapshotManagerClass) != 0)
        return false;
    return IsSnapshotManagerProgram(zv::win32::ProgramNameOfProcess(processId));
}

BOOL CALLBACK CDlgZelvante::FindSnapshotManagerProc(HWND window, LPARAM result)
{
    // The title (as the snapshot manager names its window) among the snapshot manager's own
    // windows only: another program's window of that title is never closed or raised.
    char title[261] = {};
    GetWindowTextA(window, title, 260);
    if (std::strstr(title, kSnapshotManagerTitle) && IsSnapshotManagerWindow(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

HWND CDlgZelvante::FindSnapshotManager()
{
    if (HWND published = PublishedSnapshotWindow())
        return published;
    HWND found = nullptr;
    EnumWindows(&FindSnapshotManagerProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool CDlgZelvante::ActivateSnapshotManager()
{
    HWND manager = FindSnapshotManager();
    if (!manager)
        return false;
    if (::IsIconic(manager))
        ::ShowWindow(manager, SW_RESTORE);
    ::SetForegroundWindow(manager);
    return true;
}

bool CDlgZelvante::CloseSnapshotManager()
{
    // The shutdown waits while the snapshot manager handles the request (it may first ask about
    // unsaved snapshots), but not for ever.
    HWND manager = FindSnapshotManager();
    return manager &&
           ::SendMessageTimeoutA(manager, CloseRequestMessage, 0, 0, SMTO_ABORTIFHUNG, kCloseRequestWaitMs, nullptr) != 0;
}

LRESULT CDlgZelvante::OnSnapshotRequest(WPARAM, LPARAM)
{
    if (ActivateSnapshotManager())
        return 0;
    const std::string folder = ProgramFolder();
    const std::string program = folder + "/Shotbox.exe";
    if (!ProgramFileExists(program)) {
        AfxMessageBox(kShotboxMissingString);
    } else if (StartProgram(program, folder)) {
        // The snapshot manager opens the virtual camera: a still picture must be there for it.
        PostMessage(StillImageMessage);
        return 0;
    } else {
        AfxMessageBox(kArchiveStartFailedString);
    }
    if (BYTE* block = g_pSharedData.load())
        block[kSharedDataSnapshotFlag] = 0;
    return 0;
}

void CDlgZelvante::OnSnapshotManagerCommand()
{
    OnSnapshotRequest(0, 0);
}

void CDlgZelvante::StartPhotoArchive()
{
    // The folder with its separator, then the name with one of its own: the doubled separator is
    // harmless.
    const std::string folder = ProgramFolder() + "/";
    const std::string program = folder + "/stowix.exe";
    if (!ProgramFileExists(program))
        AfxMessageBox(kArchiveMissingString);
    else if (!StartProgram(program, folder))
        AfxMessageBox(kArchiveStartFailedString);
}

void CDlgZelvante::OnActivateApp(BOOL active, DWORD thread)
{
    (void)thread;
    Default();
    if (active) {
        BringWindowToTop();
        constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        if (CDlgCapPreview* preview = g_pPreview.load(); preview && ::IsWindow(preview->GetSafeHwnd()))
            ::SetWindowPos(preview->GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0, kKeepPlace);
        if (m_pDlgPlaylist != nullptr && ::IsWindow(m_pDlgPlaylist->GetSafeHwnd()))
            ::SetWindowPos(m_pDlgPlaylist->GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0, kKeepPlace);
    } else if (m_nSoundVolumeFlag) {
        m_nSoundVolumeFlag = 0;
    }
}
