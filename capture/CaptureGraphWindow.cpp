#include "capture/CaptureGraph.h"

#include "capture/GraphMessage.h"
#include "platform/user/window.h"

void CCaptureGraph::SetOwnerWindow(HWND hWnd)
{
    m_hWndOwner = hWnd;
    if (m_pVideoWindow != nullptr && IsWindow(hWnd)) ResizeVideoWindow();
}

int CCaptureGraph::CreateVideoWindow()
{
    if (m_pVideoWindow == nullptr) return 1;
    HRESULT hr = m_pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(m_hWndOwner));
    if (FAILED(hr)) {
        ShowGraphMessage("CreateVideoWindow: put_Owner() failed with error code 0x%08X", hr);
        return 1;
    }
    hr = m_pVideoWindow->put_WindowStyle(static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    if (FAILED(hr)) {
        ShowGraphMessage("CreateVideoWindow: put_WindowStyle() failed with error code 0x%08X", hr);
        return 1;
    }
    ResizeVideoWindow();
    hr = m_pVideoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(m_hWndOwner));
    if (FAILED(hr)) {
        ShowGraphMessage("CreateVideoWindow: put_MessageDrain() failed with error code 0x%08X", hr);
        return 1;
    }
    hr = m_pVideoWindow->put_Visible(TRUE);
    if (FAILED(hr)) {
        ShowGraphMessage("CreateVideoWindow: put_Visible() failed with error code 0x%08X", hr);
        return 1;
    }
    return 0;
}

void CCaptureGraph::ResizeVideoWindow()
{
    if (m_pVideoWindow == nullptr || !IsWindow(m_hWndOwner)) return;
    if (!GetWindowRect(m_hWndOwner, &m_rcOwner)) return;
    m_pVideoWindow->SetWindowPosition(0, 0, m_rcOwner.right - m_rcOwner.left, m_rcOwner.bottom - m_rcOwner.top);
}

int CCaptureGraph::ShowVideoWindow()
{
    if (m_pVideoWindow == nullptr) return 1;
    return FAILED(m_pVideoWindow->put_Visible(TRUE)) ? 1 : 0;
}
