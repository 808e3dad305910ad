#include "platform/afx/afx_app.h"

#include "platform/afx/afx_menu.h"
#include "platform/afx/afx_wnd.h"
#include "platform/user/input.h"
#include "platform/user/message_box.h"
#include "platform/user/resource_images.h"
#include "platform/user/resource_strings.h"
#include "platform/win32/paths.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<CWinApp*> g_app{nullptr};

std::string ProgramName(const char* path)
{
    std::string name = path ? path : "";
    if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos)
        name.erase(0, slash + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

} // namespace

CWinApp::CWinApp(LPCSTR appName) : m_threadId(zv::user::CurrentThreadId())
{
    if (appName) {
        m_appName = appName;
        m_pszAppName = m_appName.c_str();
    }
    CWinApp* none = nullptr;
    g_app.compare_exchange_strong(none, this);
}

CWinApp::~CWinApp()
{
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

const AFX_MSGMAP* CWinApp::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, entries};
    return &map;
}

const AFX_MSGMAP* CWinApp::GetMessageMap() const
{
    return GetThisMessageMap();
}

void CWinApp::SetCommandLine(int argc, char** argv)
{
    // The loop runs on the thread that starts the application.
    m_threadId = zv::user::CurrentThreadId();
    m_exeName = ProgramName(argc > 0 ? argv[0] : nullptr);
    m_pszExeName = m_exeName.c_str();
    m_commandLine.clear();
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            m_commandLine += ' ';
        m_commandLine += argv[i];
    }
    m_lpCmdLine = m_commandLine.data();
    if (!m_pszAppName) {
        if (!AfxLoadString(AFX_IDS_APP_TITLE, m_appName))
            m_appName = m_exeName;
        m_pszAppName = m_appName.c_str();
    }
    m_pszProfileName = m_pszAppName;
    if (!m_pszHelpFilePath) {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        std::string help(path, length > 0 && length < sizeof path ? length : 0);
        if (const auto dot = help.rfind('.'); dot != std::string::npos && help.find('/', dot) == std::string::npos)
            help.erase(dot);
        SetHelpFilePath((help + (m_eHelpType == afxHTMLHelp ? ".chm" : ".hlp")).c_str());
    }
}

void CWinApp::EnableHtmlHelp()
{
    m_eHelpType = afxHTMLHelp;
    if (m_pszHelpFilePath && m_helpFilePath.size() >= 4 &&
        m_helpFilePath.compare(m_helpFilePath.size() - 4, 4, ".hlp") == 0) {
        m_helpFilePath.replace(m_helpFilePath.size() - 4, 4, ".chm");
        m_pszHelpFilePath = m_helpFilePath.c_str();
    }
}

void CWinApp::SetHelpFilePath(LPCSTR path)
{
    m_helpFilePath = path ? path : "";
    m_pszHelpFilePath = m_helpFilePath.c_str();
}

bool CWinApp::IsAppThread() const
{
    return m_threadId == zv::user::CurrentThreadId();
}

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        LONG idleCount = 0;
        while (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(idleCount++)) {
        }
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            m_nExitCode = static_cast<int>(msg.wParam);
            return ExitInstance();
        }
        if (got < 0)
            continue;
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

BOOL AfxPumpPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return FALSE;
        }
        if (!AfxPreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return TRUE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    return AfxWalkPreTranslateTree(msg);
}

BOOL AfxWalkPreTranslateTree(MSG* msg)
{
    for (HWND hWnd = msg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hWnd); wnd && wnd->PreTranslateMessage(msg))
            return TRUE;
        // The walk ends at the top-level window: GetParent of a pop-up is its owner.
        if ((GetWindowLongA(hWnd, GWL_STYLE) & static_cast<LONG>(WS_CHILD)) == 0)
            break;
    }
    return FALSE;
}

BOOL AfxPreTranslateMessage(MSG* msg)
{
    CWinApp* app = AfxGetApp();
    return app && app->IsAppThread() ? app->PreTranslateMessage(msg) : AfxWalkPreTranslateTree(msg);
}

BOOL CWinApp::OnIdle(LONG count)
{
    if (count == 0) {
        CWnd::DeleteTempMap();
        CMenu::DeleteTempMap();
    }
    return FALSE;
}

void CWinApp::SetRegistryKey(LPCSTR key)
{
    m_registryKey = key ? key : "";
    m_pszRegistryKey = m_registryKey.c_str();
    m_profile = zv::win32::Profile(m_registryKey, m_pszProfileName ? m_pszProfileName : (m_pszAppName ? m_pszAppName : ""));
    zv::win32::SetApplicationProfile(m_profile);
}

void CWinApp::SetRegistryKey(UINT stringId)
{
    std::string key;
    if (AfxLoadString(stringId, key))
        SetRegistryKey(key.c_str());
}

UINT CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const
{
    return m_profile.GetProfileInt(section, entry, defaultValue);
}

BOOL CWinApp::WriteProfileInt(LPCSTR section, LPCSTR entry, int value) const
{
    return m_profile.WriteProfileInt(section, entry, value);
}

std::string CWinApp::GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue) const
{
    return m_profile.GetProfileString(section, entry, defaultValue);
}

BOOL CWinApp::WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value) const
{
    return m_profile.WriteProfileString(section, entry, value);
}

BOOL CWinApp::GetProfileBinary(LPCSTR section, LPCSTR entry, BYTE** data, UINT* bytes) const
{
    *data = nullptr;
    *bytes = 0;
    std::vector<BYTE> stored;
    if (!m_profile.GetProfileBinary(section, entry, stored))
        return FALSE;
    *data = new BYTE[stored.size()];
    std::memcpy(*data, stored.data(), stored.size());
    *bytes = static_cast<UINT>(stored.size());
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCSTR section, LPCSTR entry, const BYTE* data, UINT bytes) const
{
    return m_profile.WriteProfileBinary(section, entry, data, bytes);
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return LoadIconA(m_hInstance, MAKEINTRESOURCEA(static_cast<WORD>(id)));
}

HICON CWinApp::LoadIcon(LPCSTR name) const
{
    return LoadIconA(m_hInstance, name);
}

HCURSOR CWinApp::LoadCursor(UINT id) const
{
    return LoadCursorA(m_hInstance, MAKEINTRESOURCEA(static_cast<WORD>(id)));
}

HCURSOR CWinApp::LoadStandardCursor(LPCSTR name) const
{
    return LoadCursorA(nullptr, name);
}

CWinApp* AfxGetApp()
{
    return g_app.load();
}

CWnd* AfxGetMainWnd()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_hInstance : nullptr;
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetInstanceHandle();
}

BOOL AfxLoadString(UINT id, std::string& text)
{
    std::optional<std::string> loaded = zv::user::LoadResourceString(AfxGetResourceHandle(), id);
    text = loaded.value_or(std::string());
    return loaded.has_value();
}

int AfxMessageBox(LPCSTR text, UINT type, UINT /*helpId*/)
{
    CWinApp* app = AfxGetApp();
    CWnd* main = AfxGetMainWnd();
    return MessageBoxA(main ? main->GetSafeHwnd() : nullptr, text, app ? app->m_pszAppName : nullptr, type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT helpId)
{
    std::string text;
    if (!AfxLoadString(promptId, text))
        return 0;
    return AfxMessageBox(text.c_str(), type, helpId == static_cast<UINT>(-1) ? promptId : helpId);
}

int AfxWinMain(int argc, char** argv)
{
    CWinApp* app = AfxGetApp();
    if (!app) {
        std::fputs("The program has no application object.\n", stderr);
        return -1;
    }
    app->SetCommandLine(argc, argv);
    if (!app->InitInstance()) {
        // Windows InitInstance left behind go first, as they would with the process.
        if (app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd())
            app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}
