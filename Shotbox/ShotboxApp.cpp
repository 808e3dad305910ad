#include "Shotbox/ShotboxApp.h"

#include "Shotbox/DlgSnapshots.h"
#include "platform/user/common_controls.h"
#include "platform/user/remote_windows.h"
#include "platform/win32/com.h"
#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/processes.h"
#include "platform/winsock/winsock.h"

#include <strings.h>
#include <unistd.h>

#include <climits>

BEGIN_MESSAGE_MAP(CShotboxApp, CWinApp)
END_MESSAGE_MAP()

namespace {

constexpr const char* kSnapshotWindowTitle = "Snapshot manager";
constexpr const char* kDialogClass = "#32770";

} // namespace

CShotboxApp::CShotboxApp() : CWinApp("Shotbox") {}

CShotboxApp* ShotboxApp()
{
    return dynamic_cast<CShotboxApp*>(AfxGetApp());
}

BOOL CShotboxApp::InitInstance()
{
    AttachSharedData();
    if (ActivateOtherInstance())
        return FALSE;
    InitCommonControls();
    WSADATA wsaData{};
    if (WSAStartup(MAKEWORD(2, 2), &wsaData) != 0) {
        AfxMessageBox(103);
        return FALSE;
    }
    SetRegistryKey("Kestrova");
    m_bComInitialized = SUCCEEDED(CoInitialize(nullptr));
    {
        CDlgSnapshots dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CShotboxApp::ExitInstance()
{
    if (m_pSharedData) {
        WithdrawSnapshotWindow(nullptr);
        UnmapViewOfFile(m_pSharedData);
        m_pSharedData = nullptr;
    }
    if (m_hSharedData) {
        CloseHandle(m_hSharedData);
        m_hSharedData = nullptr;
    }
    if (m_bComInitialized)
        CoUninitialize(); // a second instance ends before it initialised COM
    m_bComInitialized = false;
    return CWinApp::ExitInstance();
}

BOOL CShotboxApp::AttachSharedData()
{
    if (!m_pSharedData) {
        if (m_hSharedData) {
            CloseHandle(m_hSharedData);
            m_hSharedData = nullptr;
        }
        m_hSharedData = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kSharedDataName);
        if (!m_hSharedData)
            return FALSE;
        m_pSharedData = static_cast<BYTE*>(MapViewOfFile(m_hSharedData, FILE_MAP_ALL_ACCESS, 0, 0, kSharedDataBytes));
        if (!m_pSharedData) {
            CloseHandle(m_hSharedData);
            m_hSharedData = nullptr;
            return FALSE;
        }
    }
    if (m_pMainWnd && m_pMainWnd->GetSafeHwnd())
        PublishSnapshotWindow(m_pMainWnd->GetSafeHwnd());
    return TRUE;
}

void CShotboxApp::PublishSnapshotWindow(HWND window)
{
    if (m_pSharedData)
        SharedDataView(m_pSharedData).SetSnapshotWindow(window);
}

void CShotboxApp::WithdrawSnapshotWindow(HWND own)
{
    if (!m_pSharedData)
        return;
    SharedDataView block(m_pSharedData);
    const HWND published = block.SnapshotWindow();
    if (published && (published == own || !IsWindow(published)))
        block.SetSnapshotWindow(nullptr);
}

std::string CShotboxApp::SharedUserId() const
{
    return m_pSharedData ? SharedDataView(m_pSharedData).UserId() : std::string();
}

bool CShotboxApp::SharedAdultGroup() const
{
    return m_pSharedData && SharedDataView(m_pSharedData).HostGroup() == 1;
}

bool IsSnapshotManagerWindow(HWND window)
{
    DWORD processId = 0;
    if (!IsWindow(window) || GetWindowThreadProcessId(window, &processId) == 0 ||
        processId == static_cast<DWORD>(getpid()))
        return false;
    const std::optional<zv::user::WindowEntry> entry = zv::user::RemoteWindow(window);
    if (!entry || strcasecmp(entry->className.c_str(), kDialogClass) != 0 ||
        entry->caption.substr(0, MAX_PATH).find(kSnapshotWindowTitle) == std::string::npos)
        return false;
    const std::string ownName = zv::win32::ProgramNameOfProcess(static_cast<DWORD>(getpid()));
    return !ownName.empty() && zv::win32::ProgramNameOfProcess(processId) == ownName;
}

BOOL CALLBACK EnumSnapshotWindowsProc(HWND window, LPARAM lParam)
{
    if (!IsSnapshotManagerWindow(window))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

BOOL CShotboxApp::ActivateOtherInstance()
{
    HWND other = nullptr;
    if (m_pSharedData) {
        const HWND published = SharedDataView(m_pSharedData).SnapshotWindow();
        if (published && IsSnapshotManagerWindow(published))
            other = published;
    }
    if (!other)
        EnumWindows(&EnumSnapshotWindowsProc, reinterpret_cast<LPARAM>(&other));
    if (!other)
        return FALSE;
    if (::IsIconic(other))
        ::ShowWindow(other, SW_RESTORE);
    ::SetForegroundWindow(other);
    return TRUE;
}
