#include "app/ExternalControlWindow.h"

#include "app/DlgZelvante.h"
#include "app/FileVersion.h"
#include "app/ProgramMessages.h"
#include "app/ZelvanteApp.h"
#include "capture/PlayerState.h"
#include "platform/afx/afx_app.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/user/input.h"

#include <cstdio>
#include <vector>

std::atomic<long> ExternalControlWindow::s_references{0};
ExternalControlWindow* ExternalControlWindow::s_instance = nullptr;

ExternalControlWindow* ExternalControlWindow::Acquire()
{
    if (s_references.fetch_add(1) == 0) {
        s_instance = new ExternalControlWindow();
        // Without its window outside programs cannot reach the program, which still runs.
        s_instance->Create();
    }
    return s_instance;
}

void ExternalControlWindow::Release()
{
    // A release without its acquisition leaves the count at 0 rather than below.
    long previous = s_references.load();
    do {
        if (previous <= 0)
            return;
    } while (!s_references.compare_exchange_weak(previous, previous - 1));
    if (previous != 1)
        return;
    delete s_instance;
    s_instance = nullptr;
}

ExternalControlWindow::~ExternalControlWindow()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    UnregisterClassA(kExternalControlClassName, AfxGetInstanceHandle());
}

bool ExternalControlWindow::Create()
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_GLOBALCLASS | CS_NOCLOSE;
    windowClass.lpfnWndProc = &ExternalControlWindow::WndProc;
    windowClass.hInstance = AfxGetInstanceHandle();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kExternalControlClassName;
    RegisterClassA(&windowClass);
    // Never shown: a popup without WS_VISIBLE, off the screen's corner.
    m_hWnd = CreateWindowExA(0, kExternalControlClassName, "", WS_POPUP, -10, -10, 10, 10, nullptr, nullptr,
                             AfxGetInstanceHandle(), this);
    m_pMainDialog = dynamic_cast<CDlgZelvante*>(ZelvanteApp().m_pMainWnd);
    return m_hWnd != nullptr;
}

bool ExternalControlWindow::MainDialogReady() const
{
    return m_pMainDialog && m_pMainDialog->IsInitialised() && IsWindow(m_pMainDialog->GetSafeHwnd());
}

LRESULT ExternalControlWindow::Execute(WPARAM command)
{
    if (!MainDialogReady())
        return 0;
    switch (command) {
    case ExternalVersionTitle:
        return SetVersionTitle() ? 1 : 0;
    case ExternalOpenFromTitle:
        return OpenFromTitle();
    case ExternalFileTitle:
        return SetWindowTextA(m_hWnd, ZelvanteApp().m_strVideoFile.c_str()) ? 1 : 0;
    case ExternalPlay:
        m_pMainDialog->Play();
        return 1;
    case ExternalStop:
        m_pMainDialog->Stop();
        return 1;
    case ExternalPause:
        m_pMainDialog->Pause();
        return 1;
    case ExternalClose:
        return m_pMainDialog->PostMessage(CloseRequestMessage, 0, 0) ? 1 : 0;
    default:
        return 0;
    }
}

bool ExternalControlWindow::SetVersionTitle()
{
    // A version that cannot be read leaves the title as it was and says so.
    VS_FIXEDFILEINFO info{};
    if (!ReadProgramFixedVersion(info))
        return false;
    const VersionParts v = ProductVersion(info);
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", v.major & 0xFF, v.minor & 0xFF, v.third & 0xFF, v.fourth & 0xFF);
    return SetWindowTextA(m_hWnd, text) != FALSE;
}

LRESULT ExternalControlWindow::OpenFromTitle()
{
    const int length = GetWindowTextLengthA(m_hWnd) + 1;
    if (length <= 1)
        return 0;
    std::vector<char> path(static_cast<std::size_t>(length), '\0');
    if (GetWindowTextA(m_hWnd, path.data(), length) <= 0)
        return 0;
    m_pMainDialog->PlayVideoFile(path.data());
    // A file that did not start is reported as such (the user saw why), and nothing is paused.
    if (g_nPlayerState != PlayerVideoRunning)
        return 0;
    // A file that started playing stands paused at its beginning.
    m_pMainDialog->Pause();
    return 1;
}

LRESULT CALLBACK ExternalControlWindow::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return 0;
    }
    if (message == ExternalControlMessage) {
        if (auto* self = reinterpret_cast<ExternalControlWindow*>(GetWindowLongPtrA(hwnd, GWL_USERDATA)))
            return self->m_pMainDialog ? self->Execute(wParam) : 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
