#include "app/ZelvanteApp.h"

#include "app/DlgStudio.h"
#include "app/DlgZelvante.h"
#include "app/ExternalControlWindow.h"
#include "app/FileVersion.h"
#include "app/HostStatusThread.h"
#include "app/SkinElementRef.h"
#include "capture/FrameCallback.h"
#include "platform/afx/control_hosting.h"
#include "platform/browser/web_browser_control.h"
#include "platform/skin/skin_control.h"
#include "platform/skin/skin_interfaces.h"
#include "platform/user/common_controls.h"
#include "platform/user/message_box.h"
#include "platform/user/window.h"
#include "platform/win32/com.h"
#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/events.h"
#include "platform/win32/mutexes.h"
#include "platform/win32/registry.h"
#include "platform/win32/threads.h"
#include "platform/win32/waits.h"
#include "platform/winsock/afxsock.h"

#include <cstdio>
#include <cstring>

std::atomic<BYTE*> g_pSharedData{nullptr};

namespace {

constexpr const char* kRegistryRoot = "Kestrova";
constexpr const char* kInstallKey = "Software\\Kestrova\\Zelvante";
constexpr UINT kExitPageString = 119;
constexpr UINT kSocketsFailedString = 103;
constexpr std::size_t kSkinPathChars = 520;

bool WriteString(HKEY key, const char* name, const std::string& value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

} // namespace

BEGIN_MESSAGE_MAP(CZelvanteApp, CWinApp)
END_MESSAGE_MAP()

CZelvanteApp::CZelvanteApp()
    : CWinApp(kMainWindowCaption), m_InternetSession("Zelvante", 1, PRE_CONFIG_INTERNET_ACCESS, nullptr, nullptr, 0)
{
}

CZelvanteApp::~CZelvanteApp()
{
    if (m_pSkinEngine)
        m_pSkinEngine->Release();
}

bool CZelvanteApp::TakeInstanceMutex()
{
    m_hInstanceMutex = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    if (!m_hInstanceMutex || GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    CloseHandle(m_hInstanceMutex);
    m_hInstanceMutex = nullptr;
    // The running copy's window, even hidden in the tray, is brought forward instead.
    if (HWND running = FindWindowA(nullptr, kMainWindowCaption)) {
        ShowWindow(running, SW_SHOWNORMAL);
        const BOOL onTop = BringWindowToTop(running);
        const BOOL foreground = SetForegroundWindow(running);
        if (onTop || foreground)
            return false;
    }
    MessageBoxA(nullptr, "Zelvante is already running.", kMainWindowCaption, MB_ICONINFORMATION);
    return false;
}

void CZelvanteApp::MapSharedData()
{
    // Without the block the program runs on: its writers go through the view pointer only.
    m_hSharedData = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedDataBytes,
                                       kSharedDataName);
    if (m_hSharedData)
        g_pSharedData = static_cast<BYTE*>(MapViewOfFile(m_hSharedData, FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

void CZelvanteApp::UnmapSharedData()
{
    if (BYTE* view = g_pSharedData.exchange(nullptr))
        UnmapViewOfFile(view);
    if (m_hSharedData) {
        CloseHandle(m_hSharedData);
        m_hSharedData = nullptr;
    }
}

bool CZelvanteApp::CreateMainDialog()
{
    // A studio account's main window is the studio. Only a login sets the user type, so a start
    // takes the main dialog unless the type was set before.
    if (UserType == 2)
        return CreateStudioWindow();
    auto* dialog = new (std::nothrow) CDlgZelvante();
    m_pDlgMain = dialog;
    m_pMainWnd = dialog;
    if (!dialog) {
        AfxMessageBox("new CDlgZelvante() failed.\r\nOut of memory");
        return false;
    }
    if (dialog->Create(kMainDialogTemplate))
        return true;
    // A start-up that ended itself has said why already.
    if (!dialog->StartupFailureReported())
        AfxMessageBox("m_pDlgMain->Create() failed");
    m_pDlgMain = nullptr;
    m_pMainWnd = nullptr;
    delete dialog;
    return false;
}

bool CZelvanteApp::CreateStudioWindow()
{
    auto* studio = new (std::nothrow) CDlgStudio();
    m_pDlgMain = studio;
    m_pMainWnd = studio;
    if (!studio) {
        AfxMessageBox("new CDlgZelvante() failed.\r\nOut of memory");
        return false;
    }
    // The studio's own template: its skin control is the studio's size.
    if (studio->Create())
        return true;
    AfxMessageBox("m_pDlgMain->Create() failed");
    m_pDlgMain = nullptr;
    m_pMainWnd = nullptr;
    delete studio;
    return false;
}

BOOL CZelvanteApp::InitInstance()
{
    if (!TakeInstanceMutex())
        return FALSE;
    MapSharedData();
    InitCommonControls();
    EnableHtmlHelp();
    SetHelpFilePath("zelvante.chm");
    if (!CWinApp::InitInstance())
        AfxMessageBox("CWinApp::InitInstance() failed");
    if (!AfxSocketInit()) {
        AfxMessageBox(kSocketsFailedString);
        return FALSE;
    }
    if (FAILED(CoInitialize(nullptr)))
        AfxMessageBox("CoInitialize()failed");
    else
        m_bComStarted = true;
    AfxEnableControlContainer();
    // What installing the skin control does on a desktop that registers controls.
    zv::skin::RegisterSkinControlClass();
    // The system's WebBrowser control, which the browser windows host.
    zv::browser::RegisterWebBrowserClass();
    SetRegistryKey(kRegistryRoot);
    WriteInstallInfo();
    m_Config.Load();
    g_pConfigStore = &m_Config;
    StartStatusThread(*this);
    // A main window that cannot be made ends the program: a process without a window could not
    // be closed by its user. ExitInstance then undoes the start-up.
    if (!CreateMainDialog())
        return FALSE;
    m_bRan = true;
    return TRUE;
}

void CZelvanteApp::StopStatusThread()
{
    ::StopStatusThread(*this);
}

int CZelvanteApp::ExitInstance()
{
    // Outside commands end first: nothing after this reaches the dialog being torn down.
    if (m_pExternalControl) {
        m_pExternalControl = nullptr;
        ExternalControlWindow::Release();
    }
    // The status thread writes into the shared block: it stops before the block goes.
    StopStatusThread();
    UnmapSharedData();
    if (ISkinEngine* engine = m_pSkinEngine) {
        m_pSkinEngine = nullptr;
        engine->Release();
    }
    m_Config.Save();
    g_pConfigStore = nullptr;
    delete m_pDlgMain;
    m_pDlgMain = nullptr;
    m_pMainWnd = nullptr;
    // Only a program that ran reports its end; a second start that gave way does not.
    if (m_bRan)
        ExitPing();
    m_bRan = false;
    if (m_hInstanceMutex) {
        CloseHandle(m_hInstanceMutex);
        m_hInstanceMutex = nullptr;
    }
    if (m_bComStarted) {
        CoUninitialize();
        m_bComStarted = false;
    }
    return CWinApp::ExitInstance();
}

void CZelvanteApp::WriteInstallInfo()
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, &disposition) != ERROR_SUCCESS &&
        RegCreateKeyExA(HKEY_CURRENT_USER, kInstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, &disposition) != ERROR_SUCCESS)
        return;
    const std::string program = ProgramPath();
    VS_FIXEDFILEINFO info{};
    if (!program.empty() && ReadFixedVersion(program.c_str(), info)) {
        const VersionParts v = FileVersion(info);
        char text[64];
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", v.major, v.minor, v.third, v.fourth);
        WriteString(key, "Version", text);
        WriteString(key, "Directory", ProgramFolder());
    }
    RegCloseKey(key);
}

bool CZelvanteApp::LoadSkinFile(CWnd* skinControl, const char* path)
{
    if (!m_pSkinEngine) {
        IUnknown* control = skinControl ? skinControl->GetControlUnknown() : nullptr;
        void* engine = nullptr;
        if (!control || FAILED(control->QueryInterface(IID_ISkinEngine, &engine)) || !engine)
            return false;
        m_pSkinEngine = static_cast<ISkinEngine*>(engine);
    }
    std::string name;
    if (path && *path)
        name.assign(path, strnlen(path, kSkinPathChars));  // a longer path is cut
    else
        name = ProgramFolder() + "/Zelvante.skn";
    return SUCCEEDED(m_pSkinEngine->LoadSkin(SkinText(name.c_str()).c_str()));
}

void CZelvanteApp::ExitPing()
{
    std::string url;
    if (!AfxLoadString(kExitPageString, url))
        return;
    try {
        CInternetFile* file = m_InternetSession.OpenURL(
            url.c_str(), 1, INTERNET_FLAG_TRANSFER_ASCII | INTERNET_FLAG_RELOAD | INTERNET_FLAG_DONT_CACHE);
        if (file) {
            file->Close();
            delete file;
        }
    } catch (CInternetException* error) {
        error->Delete();
    } catch (...) {
    }
}
