// The desktop source on the main dialog's side: starting the grabber and taking its frames. Every
// message of the grabber names its run; messages of any run but the current one are dropped, so a
// frame queued before a stop is never read.
#include "app/DlgZelvante.h"

#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/PlayerState.h"
#include "capture/TextOverlay.h"
#include "platform/user/message_box.h"

namespace {

constexpr DWORD kGrabberEndWaitMs = 5000;

enum ScreenFrameNotice : WPARAM { ScreenFrameStarted = 0, ScreenFrameEnded = 1, ScreenFrameNew = 2 };

} // namespace

bool CDlgZelvante::StartDesktopSource()
{
    Stop();
    CZelvanteApp& app = ZelvanteApp();
    if (g_nSourceKind != SourceDesktop) {
        CDlgCapPreview::SetImage(nullptr);
        ShowVideoPositionSlider(false);
        SetSourceCaption(app.m_strCaptureDevice.c_str());
        SetActiveSourceKind(SourceDesktop);
        UpdateSliders();
    }
    // The state is set before the grabber's first message can be handled.
    g_nPlayerState = PlayerStillShown;
    if (!m_screenGrabber.Start(m_hWnd)) {
        g_nPlayerState = PlayerStopped;
        MessageBoxA(m_hWnd, "Cannot create screen capture thread.", app.m_pszAppName, MB_ICONERROR);
        return false;
    }
    return true;
}

void CDlgZelvante::OnSourceDesktop()
{
    StartDesktopSource();
}

LRESULT CDlgZelvante::OnScreenFrame(WPARAM wParam, LPARAM lParam)
{
    if (g_nPlayerState == PlayerStopped || !m_screenGrabber.IsCurrent(lParam))
        return 0;
    switch (wParam) {
    case ScreenFrameStarted:
        if (CDlgCapPreview* preview = g_pPreview.load())
            preview->ShowWindow(SW_SHOWNA);
        break;
    case ScreenFrameEnded:
        // The run ended by itself: its thread is joined and its handle closed.
        m_screenGrabber.Stop(kGrabberEndWaitMs);
        break;
    case ScreenFrameNew:
        m_screenGrabber.UseFrame(lParam, [](ScreenFrame& frame) {
            ApplyTextOverlay(&frame.size, frame.bits, static_cast<LONG>(frame.byteCount));
            CDlgCapPreview::SetFrameBits(frame.size, frame.bits, frame.byteCount);
        });
        break;
    default:
        break;
    }
    return g_nPlayerState != PlayerStopped ? 1 : 0;
}
