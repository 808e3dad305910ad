#include "app/preview/DlgCapPreview.h"

#include "app/ProgramMessages.h"
#include "app/preview/PanTiltLibrary.h"
#include "app/preview/StillImageLevels.h"
#include "app/preview/ZoomGeometry.h"
#include "capture/ColourStage.h"
#include "capture/FrameCallback.h"
#include "capture/ZoomSource.h"
#include "platform/user/system_metrics.h"
#include "platform/win32/modules.h"

#include <algorithm>
#include <cstring>

std::atomic<CDlgCapPreview*> g_pPreview{nullptr};
std::atomic<CDlgCapPreview*> g_pSecondPreview{nullptr};

namespace {

constexpr UINT kTemplateId = 135;
constexpr UINT_PTR kLevelsTimer = 1;
// The still picture reaches the virtual camera this long after the last level change.
constexpr UINT kLevelsDelay = 1000;
constexpr double kZoomStep = 0.05;
constexpr int kStillImageKind = 2;
constexpr char kPanTiltDevicePrefix[] = "USB PC Camera";

// The cursor resources, in the order of m_cursors.
constexpr WORD kCursorIds[12] = {141, 142, 146, 104, 147, 148, 149, 154, 152, 151, 153, 150};
enum CursorIndex {
    kCursorZoomed, kCursorGrab, kCursorZoom, kCursorLeft, kCursorRight, kCursorUp, kCursorDown,
    kCursorHome, kCursorUpLeft, kCursorUpRight, kCursorDownLeft, kCursorDownRight
};

// The pan/tilt grid, row by row from the top left: the camera turns toward the side clicked, seen
// from the camera (a click at the top left moves it right and up).
struct CellAction {
    PanTiltMove move;
    CursorIndex cursor;
};
constexpr CellAction kCells[9] = {
    {PanTiltMove::RightUp, kCursorUpLeft},     {PanTiltMove::Up, kCursorUp},     {PanTiltMove::LeftUp, kCursorUpRight},
    {PanTiltMove::Left, kCursorLeft},          {PanTiltMove::Home, kCursorHome}, {PanTiltMove::Right, kCursorRight},
    {PanTiltMove::RightDown, kCursorDownLeft}, {PanTiltMove::Down, kCursorDown}, {PanTiltMove::LeftDown, kCursorDownRight},
};

CDlgCapPreview::DeviceNameQuery g_deviceNameQuery = nullptr;

// Held by the streaming thread while it uses the main preview, and by a preview being destroyed
// once it is no longer the main one: a frame never reaches a preview that is going away.
std::mutex g_lifetimeLock;
int g_liveCount = 0; // previews alive, under g_lifetimeLock

RECT ClientRectOf(const CWnd& window)
{
    RECT client{};
    window.GetClientRect(&client);
    return client;
}

} // namespace

// What the frame road sees of the previews: the zoom of whichever is the main one now.
class PreviewZoomSource final : public IZoomSource {
public:
    double ZoomFraction() const override
    {
        std::lock_guard lock(g_lifetimeLock);
        CDlgCapPreview* preview = g_pPreview.load();
        return preview ? preview->ZoomFraction() : 0.0;
    }
    double ComputeZoomCrop() override
    {
        std::lock_guard lock(g_lifetimeLock);
        CDlgCapPreview* preview = g_pPreview.load();
        return preview ? preview->CropFrame() : 0.0;
    }
};

namespace {
PreviewZoomSource g_zoomSource;
} // namespace

BEGIN_MESSAGE_MAP(CDlgCapPreview, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_DESTROY()
    ON_WM_LBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_RBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSEWHEEL()
    ON_WM_CAPTURECHANGED()
    ON_WM_SETCURSOR()
    ON_WM_TIMER()
    ON_WM_KILLFOCUS()
    ON_WM_KEYDOWN()
    ON_MESSAGE(StillImageMessage, OnStillImage)
END_MESSAGE_MAP()

CDlgCapPreview::CDlgCapPreview(CWnd* parent)
{
    m_hWndNotify = parent ? parent->GetSafeHwnd() : nullptr;
    HINSTANCE module = AfxGetResourceHandle();
    if (!module) module = GetModuleHandleA(nullptr);
    for (std::size_t i = 0; i < std::size(kCursorIds); ++i) {
        m_cursors[i] = LoadCursorA(module, MAKEINTRESOURCEA(kCursorIds[i]));
        if (!m_cursors[i]) m_cursors[i] = LoadCursorA(nullptr, IDC_ARROW);
    }
    m_brushBackground = CreateSolidBrush(RGB(0, 0, 0));
    {
        std::lock_guard lock(g_lifetimeLock);
        if (g_liveCount++ == 0) g_pZoomSource.store(&g_zoomSource);
    }
    if (!Create(kTemplateId, parent)) return;
    m_bWindowExists = true;
    m_panTilt = PanTiltLibrary::Load(zv::win32::ProgramFolder());
}

CDlgCapPreview::~CDlgCapPreview()
{
    {
        std::lock_guard lock(g_lifetimeLock);
        CDlgCapPreview* self = this;
        g_pPreview.compare_exchange_strong(self, nullptr);
        self = this;
        g_pSecondPreview.compare_exchange_strong(self, nullptr);
        if (--g_liveCount == 0) {
            IZoomSource* ours = &g_zoomSource;
            g_pZoomSource.compare_exchange_strong(ours, nullptr);
        }
    }
    DestroyWindow();
    delete m_panTilt;
    if (m_brushBackground) DeleteObject(m_brushBackground);
}

void CDlgCapPreview::SetDeviceNameQuery(DeviceNameQuery query)
{
    g_deviceNameQuery = query;
}

BOOL CDlgCapPreview::OnInitDialog()
{
    CDialog::OnInitDialog();
    const RECT client = ClientRectOf(*this);
    std::lock_guard lock(m_zoomLock);
    m_clientWidth = client.right;
    m_clientHeight = client.bottom;
    return FALSE; // a hidden window takes no focus
}

// ---- Static entry points -------------------------------------------------------------------

void CDlgCapPreview::SetImage(const CPixImage* image)
{
    CDlgCapPreview* preview = g_pPreview.load();
    if (preview && preview->m_hWnd) preview->ShowStill(image);
}

void CDlgCapPreview::SetFrameBits(const FrameSize& size, const BYTE* bits, std::size_t length)
{
    CDlgCapPreview* preview = g_pPreview.load();
    if (preview && preview->m_hWnd && preview->ShowBits(size, bits, length)) preview->NotifyStillImage();
}

void CDlgCapPreview::ShowFrameBits(const FrameSize& size, const BYTE* bits, std::size_t length)
{
    CDlgCapPreview* preview = g_pPreview.load();
    if (preview && preview->m_hWnd) preview->ShowBits(size, bits, length);
}

void CDlgCapPreview::ShowStill(const CPixImage* image)
{
    ClearZoom();
    if (image) {
        m_bHasImage = 1;
        m_bHasSource = 1;
        // Our own copies: the caller may free or reuse its image as soon as this returns.
        m_imgSource.Copy(*image, true, true, true);
        m_imgShown.Copy(*image, true, true, true);
        m_imgWork.Copy(*image, true, true, true);
        ApplyStillImageLevels(false); // the parent hears of it below
    } else {
        m_bHasImage = 0;
        m_bHasSource = 0;
        m_imgSource.Destroy();
        m_imgShown.Clear(0);
    }
    Invalidate(TRUE);
    NotifyStillImage();
}

bool CDlgCapPreview::ShowBits(const FrameSize& size, const BYTE* bits, std::size_t length)
{
    // The caller says how many bytes it has: a frame that claims more than that is not read.
    const std::uint64_t needed = FrameBytes(size);
    if (!bits || size.width <= 0 || needed == 0 || length < needed) return false;
    if (!m_imgShown.CreateFromArray(bits, static_cast<DWORD>(size.width), static_cast<DWORD>(size.height), 24,
                                    static_cast<DWORD>(FrameStride(size.width)), false))
        return false;
    m_bHasImage = 1;
    Invalidate(FALSE);
    return true;
}

void CDlgCapPreview::NotifyStillImage()
{
    ::PostMessageA(m_hWndNotify, StillImageMessage, 0, reinterpret_cast<LPARAM>(&m_imgShown));
}

double CDlgCapPreview::ZoomFraction() const
{
    std::lock_guard lock(m_zoomLock);
    return m_zoom;
}

// ---- Zoom ----------------------------------------------------------------------------------

ZoomCrop CDlgCapPreview::CropLocked(LONG sourceWidth, LONG sourceHeight)
{
    const ZoomCrop crop = ComputeCrop(m_zoom, sourceWidth, sourceHeight, m_clientWidth, m_clientHeight, m_panX, m_panY);
    m_panX = crop.panX;
    m_panY = crop.panY;
    m_panMinX = crop.limits.minX;
    m_panMaxX = crop.limits.maxX;
    m_panMinY = crop.limits.minY;
    m_panMaxY = crop.limits.maxY;
    return crop;
}

double CDlgCapPreview::CropFrame()
{
    if (!m_bWindowExists) return 0.0;
    const LONG width = g_FrameImage.GetWidth();
    const LONG height = g_FrameImage.GetHeight();
    double zoom;
    ZoomCrop crop;
    {
        std::lock_guard lock(m_zoomLock);
        zoom = m_zoom;
        crop = CropLocked(width, height);
    }
    if (g_FrameImage.Crop(crop.crop.left, crop.crop.top, crop.crop.right, crop.crop.bottom, &g_ZoomImage))
        g_ZoomImage.Resample(width, height, 1);
    return zoom;
}

void CDlgCapPreview::ZoomStep(double step)
{
    ZoomCrop crop;
    {
        std::lock_guard lock(m_zoomLock);
        if (step != 0.0) {
            const ZoomStepResult next = StepZoom(m_zoom, step);
            if (!next.changed) return;
            m_zoom = next.zoom;
        }
        // Live sources pick the new zoom up with their next frame.
        if (!m_bHasImage || !m_bHasSource) return;
        crop = CropLocked(m_imgSource.GetWidth(), m_imgSource.GetHeight());
    }
    if (!m_imgSource.Crop(crop.crop.left, crop.crop.top, crop.crop.right, crop.crop.bottom, &m_imgShown))
        m_imgShown.Copy(m_imgSource, true, true, true);
    m_imgWork.Copy(m_imgShown, true, false, false);
    Invalidate(FALSE);
}

void CDlgCapPreview::ClearZoom()
{
    std::lock_guard lock(m_zoomLock);
    m_zoom = 0.0;
    m_panX = m_panY = 0;
    m_panMinX = m_panMaxX = m_panMinY = m_panMaxY = 0;
}

void CDlgCapPreview::ResetZoom()
{
    ClearZoom();
    m_bSkipButtonUp = 1;
    m_bButtonPending = 0;
    ZoomStep(0.0);
    ApplyStillImageLevels(true);
}

void CDlgCapPreview::ApplyStillImageLevels(bool notify)
{
    if (!m_bHasImage || !m_bHasSource) return;
    ColourLevels levels;
    if (ConfigStore* config = g_pConfigStore.load()) levels = LevelsOfKind(*config, kStillImageKind);
    // Neutral levels copy the work picture too, so that a reset never leaves the old adjustment.
    StillImageLevels(levels).Apply(m_imgWork, m_imgShown);
    Invalidate(FALSE);
    if (notify) NotifyStillImage();
}

// ---- Painting ------------------------------------------------------------------------------

void CDlgCapPreview::OnPaint()
{
    CPaintDC dc(this);
    const RECT client = ClientRectOf(*this);
    RECT picture{0, 0, 0, 0};
    if (m_bHasImage && m_imgShown.IsValid())
        picture = FitPicture(m_imgShown.GetWidth(), m_imgShown.GetHeight(), client.right, client.bottom);
    if (picture.right <= picture.left || picture.bottom <= picture.top) {
        // Nothing to show (or nothing of it fits): all black rather than what was there before.
        FillRect(dc, &client, m_brushBackground);
        return;
    }
    const RECT bars[4] = {
        {0, 0, client.right, picture.top},
        {0, picture.bottom, client.right, client.bottom},
        {0, picture.top, picture.left, picture.bottom},
        {picture.right, picture.top, client.right, picture.bottom},
    };
    for (const RECT& bar : bars)
        if (bar.right > bar.left && bar.bottom > bar.top) FillRect(dc, &bar, m_brushBackground);
    m_imgShown.Draw2(dc, picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top);
}

BOOL CDlgCapPreview::OnEraseBkgnd(CDC*)
{
    return TRUE; // painting covers the whole client area
}

void CDlgCapPreview::OnSize(UINT, int cx, int cy)
{
    std::lock_guard lock(m_zoomLock);
    m_clientWidth = cx;
    m_clientHeight = cy;
}

void CDlgCapPreview::OnDestroy()
{
    m_bWindowExists = false;
    CDialog::OnDestroy();
}

// ---- Mouse ---------------------------------------------------------------------------------

bool CDlgCapPreview::PanTiltMode() const
{
    if (!m_panTilt || GetKeyState(VK_SHIFT) < 0 || !g_deviceNameQuery) return false;
    return g_deviceNameQuery().starts_with(kPanTiltDevicePrefix);
}

bool CDlgCapPreview::ButtonDown()
{
    // The second button while the first is held: in pan/tilt mode the release sends no move, in
    // zoom mode the zoom goes back to none.
    if (PanTiltMode()) {
        m_bPanTiltSkipUp = m_bPanTiltPending;
        m_bPanTiltPending = !m_bPanTiltPending;
        return false;
    }
    if (m_bButtonPending) {
        ResetZoom();
        return false;
    }
    m_bButtonPending = 1;
    return true;
}

void CDlgCapPreview::OnLButtonDown(UINT, CPoint)
{
    if (!ButtonDown()) return;
    m_bDragArmed = 1;
    ::SetCursor(m_cursors[kCursorGrab]);
}

void CDlgCapPreview::OnRButtonDown(UINT, CPoint)
{
    ButtonDown();
}

void CDlgCapPreview::OnMouseMove(UINT, CPoint point)
{
    if (m_bDragArmed) {
        SetCapture();
        m_bDragging = 1;
        m_bDragArmed = 0;
        m_lastDrag = point;
        return;
    }
    if (!m_bDragging) return;
    {
        // The view follows the hand: dragging right moves the crop left.
        std::lock_guard lock(m_zoomLock);
        m_panX = std::clamp<LONG>(m_panX + m_lastDrag.x - point.x, m_panMinX, m_panMaxX);
        m_panY = std::clamp<LONG>(m_panY + m_lastDrag.y - point.y, m_panMinY, m_panMaxY);
    }
    m_lastDrag = point;
    ZoomStep(0.0);
    // The levels follow the crop while dragging; the parent hears of it once the button is let go.
    ApplyStillImageLevels(false);
}

void CDlgCapPreview::OnLButtonUp(UINT, CPoint point)
{
    if (PanTiltMode()) {
        m_bPanTiltPending = 0;
        if (!m_bPanTiltSkipUp) {
            const RECT client = ClientRectOf(*this);
            m_panTilt->Move(kCells[GridCell(point.x, point.y, client.right, client.bottom)].move);
        }
        m_bPanTiltSkipUp = 0;
        return;
    }
    m_bDragArmed = 0;
    m_bButtonPending = 0;
    if (m_bSkipButtonUp) {
        m_bSkipButtonUp = 0;
        return;
    }
    if (m_bDragging) {
        m_bDragging = 0;
        ReleaseCapture();
        ApplyStillImageLevels(true);
        return;
    }
    ::SetCursor(m_cursors[kCursorZoomed]);
    ZoomStep(kZoomStep);
    ApplyStillImageLevels(true);
}

void CDlgCapPreview::OnRButtonUp(UINT, CPoint)
{
    if (PanTiltMode()) {
        m_bPanTiltPending = 0;
        return;
    }
    m_bDragArmed = 0;
    m_bButtonPending = 0;
    ZoomStep(-kZoomStep);
    ApplyStillImageLevels(true);
}

BOOL CDlgCapPreview::OnMouseWheel(UINT, short delta, CPoint)
{
    ZoomStep(delta > 0 ? kZoomStep : -kZoomStep);
    ApplyStillImageLevels(true);
    return TRUE;
}

void CDlgCapPreview::OnCaptureChanged(CWnd*)
{
    m_bDragging = 0;
    m_bDragArmed = 0;
}

HCURSOR CDlgCapPreview::CursorFor(POINT point) const
{
    if (PanTiltMode()) {
        const RECT client = ClientRectOf(*this);
        return m_cursors[kCells[GridCell(point.x, point.y, client.right, client.bottom)].cursor];
    }
    if (m_bDragging || m_bDragArmed) return m_cursors[kCursorGrab];
    return m_cursors[ZoomFraction() == 0.0 ? kCursorZoom : kCursorZoomed];
}

BOOL CDlgCapPreview::OnSetCursor(CWnd*, UINT, UINT)
{
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(&point);
    ::SetCursor(CursorFor(point));
    return TRUE;
}

// ---- Timer, keys, focus, full screen -------------------------------------------------------

LRESULT CDlgCapPreview::OnStillImage(WPARAM, LPARAM)
{
    // Levels changed: show them at once, tell the parent once they have stopped changing.
    if (m_bHasImage) {
        KillTimer(kLevelsTimer);
        ApplyStillImageLevels(false);
        SetTimer(kLevelsTimer, kLevelsDelay);
    }
    return 0;
}

void CDlgCapPreview::OnTimer(UINT_PTR id)
{
    if (id != kLevelsTimer) {
        CDialog::OnTimer(id);
        return;
    }
    KillTimer(kLevelsTimer);
    ApplyStillImageLevels(true);
}

void CDlgCapPreview::OnKillFocus(CWnd* newWnd)
{
    CDialog::OnKillFocus(newWnd);
    ToggleFullScreen(false);
}

void CDlgCapPreview::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    if (key == VK_ESCAPE)
        ToggleFullScreen(false);
    else
        CDialog::OnKeyDown(key, repeat, flags);
}

void CDlgCapPreview::OnOK() {}

void CDlgCapPreview::OnCancel()
{
    ToggleFullScreen(false);
}

BOOL CDlgCapPreview::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYUP && msg->hwnd == m_hWnd) {
        if (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE) ToggleFullScreen(false);
        // The main dialog pauses or plays.
        if (msg->wParam == VK_SPACE) ::SendMessageA(m_hWndNotify, PreviewKeyMessage, 0, 0);
    }
    return CDialog::PreTranslateMessage(msg);
}

void CDlgCapPreview::ToggleFullScreen(bool on)
{
    if (!m_hWnd) return;
    if (on) {
        SetFocus();
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0);
        m_bFullScreen = 1;
    } else {
        ::SetWindowPos(m_hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // Cleared first: the parent lays the preview out again and reads it while doing so.
        m_bFullScreen = 0;
        ::SendMessageA(m_hWndNotify, PreviewKeyMessage, 1, 0);
    }
    Invalidate(FALSE);
    UpdateWindow();
}
