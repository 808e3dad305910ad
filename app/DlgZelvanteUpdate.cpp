// The main dialog's side of the update client: the "Auto" and "Now" commands, the start-up check
// and the update thread's progress reports.
#include "app/DlgZelvante.h"

#include "app/ProgramMessages.h"
#include "app/UpdateClient.h"
#include "app/VersionInfo.h"
#include "app/ZelvanteApp.h"
#include "platform/win32/files.h"
#include "platform/win32/threads.h"

namespace {

constexpr const char* kParams = "Params";

// The versions the update check compares; false when they cannot be read (no check then).
bool HaveVersionInfo()
{
    try {
        VersionInfo::GetInstance();
        return true;
    } catch (CException* error) {
        error->Delete();
        return false;
    }
}

} // namespace

void CDlgZelvante::OnAutoUpdate()
{
    m_bAutoUpdate = m_bAutoUpdate ? 0 : 1;
    ZelvanteApp().WriteProfileInt(kParams, "AutoUpdate", m_bAutoUpdate);
}

void CDlgZelvante::OnCheckUpdateNow()
{
    if (HaveVersionInfo())
        StartUpdateThread(m_hWnd, UpdateProgressMessage);
}

void CDlgZelvante::CheckUpdatesAtStartup()
{
    const bool versions = HaveVersionInfo();
    m_bAutoUpdate = ZelvanteApp().GetProfileInt(kParams, "AutoUpdate", 1) != 0 ? 1 : 0;
    if (m_bAutoUpdate && versions)
        StartUpdateThread(m_hWnd, UpdateProgressMessage);
}

LRESULT CDlgZelvante::OnUpdateProgress(WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case kUpdateLaunched:
        // The installer runs: the program ends so that it can be replaced.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        PostMessage(CloseRequestMessage, 0, 0);
        break;
    case kUpdateDownloaded:
        // Deleted at the next start, whether or not it was installed.
        if (const auto* path = reinterpret_cast<const char*>(lParam);
            path && *path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            ZelvanteApp().WriteProfileString(kParams, "TmpInsFile", path);
        break;
    case kUpdateChecked:
        // The reply says whether ads are shown.
        ReloadAd();
        break;
    default:
        break;
    }
    return 0;
}
