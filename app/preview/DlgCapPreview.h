// The preview window: the borderless pop-up (dialog template 135) in which the main dialog shows the
// current picture, fitted with black bars. It holds the digital zoom and pan (wheel, clicks, drag),
// which it also applies to every live frame through g_pZoomSource (capture/ZoomSource.h); it applies
// the still-picture colour levels and hands the adjusted picture to its parent with
// StillImageMessage; it covers the screen on request and reports keys with PreviewKeyMessage; with
// the pan/tilt library MOVECHECK.DLL beside the program and a "USB PC Camera" device, clicks move
// the camera instead.
//
// Everything but the zoom crop runs on the user-interface thread. The zoom crop runs on the
// streaming thread; the zoom, pan and client size it reads are kept under a lock.
#pragma once

#include "capture/FrameSize.h"
#include "imagelib/PixImage.h"
#include "platform/afx/afxwin.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

class PanTiltLibrary;
struct ZoomCrop;

class CDlgCapPreview : public CDialog {
public:
    // Makes the window (template 135, hidden) owned by `parent`, which receives StillImageMessage and
    // PreviewKeyMessage. GetSafeHwnd() is null when the window could not be made.
    explicit CDlgCapPreview(CWnd* parent);
    ~CDlgCapPreview() override;

    CDlgCapPreview(const CDlgCapPreview&) = delete;
    CDlgCapPreview& operator=(const CDlgCapPreview&) = delete;

    // The static entry points act on g_pPreview and do nothing while it is null.
    //
    // Shows a still picture: the preview keeps its own copy, so the caller may free or change its
    // image at once. Null clears the picture to black. Resets zoom and pan, applies the still-picture
    // levels and posts StillImageMessage to the parent.
    static void SetImage(const CPixImage* image);
    // Shows a frame of bottom-up 24-bit rows padded to 4 bytes (FrameStride) and posts
    // StillImageMessage. Nothing happens when bits is null, a side is not positive or `length` is
    // shorter than stride x height.
    static void SetFrameBits(const FrameSize& size, const BYTE* bits, std::size_t length);
    // The same for a live frame, without the notice to the parent.
    static void ShowFrameBits(const FrameSize& size, const BYTE* bits, std::size_t length);

    // On: topmost over the whole primary screen, with the keyboard focus. Off (also when not in full
    // screen): to the bottom of the z-order and PreviewKeyMessage (wParam 1) to the parent so that it
    // lays the preview out again.
    void ToggleFullScreen(bool on);

    // The zoom fraction, 0.0 (none) to 0.99: the share of the source cut along its longer side.
    double ZoomFraction() const;
    // What is painted: the zoomed still picture with its levels, or the last frame.
    const CPixImage& ShownImage() const { return m_imgShown; }

    // The main dialog reads it to know whether the preview covers the screen.
    BYTE m_bFullScreen = 0;

    // Where the preview learns the name of the selected capture device (pan/tilt needs a
    // "USB PC Camera"). The application sets it once; without it the preview only zooms.
    using DeviceNameQuery = std::string (*)();
    static void SetDeviceNameQuery(DeviceNameQuery query);

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // Enter and Escape reach the dialog as OK and Cancel: they must not end (hide) the preview.
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()

private:
    friend class PreviewZoomSource;

    // The still picture: zoom and pan by `step` (0: only crop again) and crop the picture anew.
    void ZoomStep(double step);
    // No zoom, no pan (ResetZoom: by the mouse, which also ignores the next release).
    void ClearZoom();
    void ResetZoom();
    // The crop of a source of this size by the zoom and pan, the pan clamped and its limits kept.
    // Called with m_zoomLock held.
    ZoomCrop CropLocked(LONG sourceWidth, LONG sourceHeight);
    // A button pressed, either mode; true only for the first button in zoom mode.
    bool ButtonDown();
    // m_imgShown := m_imgWork with the still-picture levels; with `notify`, StillImageMessage to
    // the parent. Only while a still picture is shown.
    void ApplyStillImageLevels(bool notify);
    void NotifyStillImage();
    void ShowStill(const CPixImage* image);
    bool ShowBits(const FrameSize& size, const BYTE* bits, std::size_t length);
    bool PanTiltMode() const;
    HCURSOR CursorFor(POINT point) const;
    // The zoom of a live frame: g_FrameImage cropped into g_ZoomImage and resampled back to the
    // frame's size. Streaming thread, with the main preview's lifetime lock held.
    double CropFrame();

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);
    void OnSize(UINT type, int cx, int cy);
    void OnDestroy();
    void OnLButtonDown(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnRButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
    void OnCaptureChanged(CWnd* wnd);
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    void OnTimer(UINT_PTR id);
    void OnKillFocus(CWnd* newWnd);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    LRESULT OnStillImage(WPARAM wParam, LPARAM lParam);

    HCURSOR m_cursors[12] = {};
    HBRUSH m_brushBackground = nullptr;

    // Zoom and pan: changed on the user-interface thread, read and clamped by the frame crop on the
    // streaming thread; both under m_zoomLock, together with the client size the crop fits.
    mutable std::mutex m_zoomLock;
    double m_zoom = 0.0;
    LONG m_panX = 0, m_panY = 0;
    LONG m_panMinX = 0, m_panMaxX = 0, m_panMinY = 0, m_panMaxY = 0;
    LONG m_clientWidth = 0, m_clientHeight = 0;
    // The window is there (the streaming thread asks).
    std::atomic<bool> m_bWindowExists{false};

    CPixImage m_imgSource; // own copy of the still picture
    CPixImage m_imgShown;
    CPixImage m_imgWork;
    BYTE m_bHasSource = 0; // a still picture is shown (not a live source)

    BYTE m_bDragging = 0;
    BYTE m_bDragArmed = 0;
    BYTE m_bHasImage = 0;
    BYTE m_bSkipButtonUp = 0;
    BYTE m_bButtonPending = 0;
    BYTE m_bPanTiltPending = 0;
    BYTE m_bPanTiltSkipUp = 0;
    POINT m_lastDrag = {};
    HWND m_hWndNotify = nullptr;
    PanTiltLibrary* m_panTilt = nullptr; // null: zoom only
};

// The main preview (shown over the skin's video frame, used for full screen, zoomed with the live
// frames) and the second preview. Set by the main dialog on the user-interface thread right after
// it makes them; a preview clears its own pointer when destroyed. Atomic because the streaming
// thread's zoom crop looks up the main preview.
extern std::atomic<CDlgCapPreview*> g_pPreview;
extern std::atomic<CDlgCapPreview*> g_pSecondPreview;
