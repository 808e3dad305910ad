#include "platform/dshow/video_renderer.h"

#include "platform/dshow/bottom_up_copy.h"
#include "platform/gdi/gdi.h"
#include "platform/user/messages.h"
#include "platform/user/paint.h"
#include "platform/win32/last_error.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <mutex>
#include <vector>

namespace zv::dshow {

// What the streaming thread hands to the window: the newest picture as a bottom-up 24-bit DIB.
struct LatestPicture {
    std::mutex mutex;
    std::vector<BYTE> bits;
    int width = 0;
    int height = 0;
    HWND window = nullptr; // cleared when the window goes, whoever destroys it
    HWND drain = nullptr;
};

namespace {

constexpr char kWindowClass[] = "ZvVideoRenderer";
// Asks the window to destroy itself on its own thread.
constexpr UINT kDestroyRequest = WM_APP + 0x0F0;
// Styles a child picture window cannot take.
constexpr LONG kRefusedStyles = static_cast<LONG>(WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE | WS_HSCROLL | WS_VSCROLL);

using PictureHolder = std::shared_ptr<LatestPicture>;

void Paint(HWND window, LatestPicture& picture)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) return;
    RECT client{};
    GetClientRect(window, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    static const BYTE black[4] = {};
    {
        std::lock_guard lock(picture.mutex);
        const bool shown = picture.width > 0 && picture.height > 0;
        info.bmiHeader.biWidth = shown ? picture.width : 1;
        info.bmiHeader.biHeight = shown ? picture.height : 1;
        StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, info.bmiHeader.biWidth,
                      shown ? picture.height : 1, shown ? picture.bits.data() : black, &info, DIB_RGB_COLORS, SRCCOPY);
    }
    EndPaint(window, &paint);
}

bool IsInputMessage(UINT message)
{
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || (message >= WM_KEYFIRST && message <= WM_KEYLAST);
}

LRESULT CALLBACK VideoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* holder = reinterpret_cast<PictureHolder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        // The window keeps the picture alive on its own: the renderer may go first.
        auto* kept = new PictureHolder(*static_cast<const PictureHolder*>(create->lpCreateParams));
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(kept));
        break;
    }
    case WM_ERASEBKGND: return 1; // the picture covers the whole client area
    case WM_PAINT:
        if (holder == nullptr) break;
        Paint(window, **holder);
        return 0;
    case kDestroyRequest: DestroyWindow(window); return 0;
    case WM_NCDESTROY:
        if (holder != nullptr) {
            {
                std::lock_guard lock((*holder)->mutex);
                if ((*holder)->window == window) (*holder)->window = nullptr;
            }
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            delete holder;
        }
        break;
    default:
        if (holder != nullptr && IsInputMessage(message)) {
            HWND drain = nullptr;
            {
                std::lock_guard lock((*holder)->mutex);
                drain = (*holder)->drain;
            }
            // The owner's program handles the picture's mouse and keys as its own.
            if (drain != nullptr) {
                PostMessageA(drain, message, wParam, lParam);
                return 0;
            }
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool EnsureWindowClass()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &VideoWindowProc;
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

HRESULT VideoRenderer::Create(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!EnsureGstreamer()) return E_FAIL;
    GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    GstRef<GstElement> convert = MakeElement("videoconvert");
    GstRef<GstElement> sink = MakeElement("appsink");
    if (!convert || !sink) return E_FAIL;
    CapsRef caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", nullptr));
    // Only the newest picture matters: a slow window skips pictures rather than falling behind.
    g_object_set(sink.get(), "caps", caps.get(), "max-buffers", 1u, "drop", TRUE, nullptr);
    gst_bin_add_many(GST_BIN(bin.get()), convert.get(), sink.get(), nullptr);
    if (!gst_element_link(convert.get(), sink.get()) || !AddGhostPad(bin.get(), convert.get(), "sink", "sink"))
        return E_FAIL;
    return HandOutNewObject(new VideoRenderer(std::move(bin), sink.get()), riid, ppv);
}

VideoRenderer::VideoRenderer(GstRef<GstElement> bin, GstElement* sink)
    : Filter(std::move(bin)), m_sink(sink), m_picture(std::make_shared<LatestPicture>()),
      m_style(static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS))
{
    AddPin(std::make_unique<Pin>(*this, PINDIR_INPUT, "sink", MEDIATYPE_Video));
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &VideoRenderer::OnSample;
    // The picture outlives every streaming thread: the graph stops them before it lets go of us.
    gst_app_sink_set_callbacks(GST_APP_SINK(m_sink), &callbacks, m_picture.get(), nullptr);
}

VideoRenderer::~VideoRenderer()
{
    DestroyOwnWindow();
}

HRESULT VideoRenderer::QueryFilterInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IVideoWindow, static_cast<IVideoWindow*>(this)}}, riid, ppv);
}

GstFlowReturn VideoRenderer::OnSample(GstAppSink* sink, gpointer data)
{
    auto& picture = *static_cast<LatestPicture*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (sample == nullptr) return GST_FLOW_OK;
    GstVideoInfo info;
    GstVideoFrame frame;
    HWND window = nullptr;
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        const LONG width = GST_VIDEO_FRAME_WIDTH(&frame);
        const LONG height = GST_VIDEO_FRAME_HEIGHT(&frame);
        {
            std::lock_guard lock(picture.mutex);
            picture.bits.resize(static_cast<std::size_t>(DibStride(width)) * static_cast<std::size_t>(height));
            CopyRowsBottomUp(static_cast<const BYTE*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                             GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), width, height, picture.bits.data());
            picture.width = width;
            picture.height = height;
            window = picture.window;
        }
        gst_video_frame_unmap(&frame);
    }
    gst_sample_unref(sample);
    // Painting is the window thread's: it paints the newest picture on WM_PAINT. A window that
    // has just gone makes this fail harmlessly.
    if (window != nullptr) InvalidateRect(window, nullptr, FALSE);
    return GST_FLOW_OK;
}

HWND VideoRenderer::Window() const
{
    std::lock_guard lock(m_picture->mutex);
    return m_picture->window;
}

void VideoRenderer::DestroyOwnWindow()
{
    HWND window = nullptr;
    {
        std::lock_guard lock(m_picture->mutex);
        window = m_picture->window;
        m_picture->window = nullptr;
    }
    if (window == nullptr || !IsWindow(window)) return;
    // Only its own thread may destroy a window.
    if (GetWindowThreadProcessId(window, nullptr) == zv::user::CurrentThreadId())
        DestroyWindow(window);
    else
        PostMessageA(window, kDestroyRequest, 0, 0);
}

HRESULT VideoRenderer::put_Owner(OAHWND Owner)
{
    HWND owner = reinterpret_cast<HWND>(Owner);
    if (owner != nullptr && !IsWindow(owner)) return E_INVALIDARG;
    DestroyOwnWindow();
    if (owner == nullptr) return S_OK;
    if (!EnsureWindowClass()) return E_FAIL;
    HWND window = CreateWindowExA(0, kWindowClass, "Video", static_cast<DWORD>(m_style), m_left, m_top,
                                  m_width, m_height, owner, nullptr, nullptr,
                                  &m_picture);
    if (window == nullptr) return E_FAIL;
    {
        std::lock_guard lock(m_picture->mutex);
        m_picture->window = window;
    }
    if (m_visible) ShowWindow(window, SW_SHOWNA);
    return S_OK;
}

HRESULT VideoRenderer::put_WindowStyle(LONG WindowStyle)
{
    if ((WindowStyle & kRefusedStyles) != 0) return E_INVALIDARG;
    // Always a child of the owner; visibility is put_Visible's.
    m_style = static_cast<LONG>((static_cast<DWORD>(WindowStyle) & ~(WS_VISIBLE | WS_POPUP)) | WS_CHILD);
    if (HWND window = Window()) {
        const LONG shown = GetWindowLongA(window, GWL_STYLE) & static_cast<LONG>(WS_VISIBLE);
        SetWindowLongA(window, GWL_STYLE, m_style | shown);
    }
    return S_OK;
}

HRESULT VideoRenderer::put_MessageDrain(OAHWND Drain)
{
    HWND drain = reinterpret_cast<HWND>(Drain);
    if (drain != nullptr && !IsWindow(drain)) return E_INVALIDARG;
    std::lock_guard lock(m_picture->mutex);
    m_picture->drain = drain;
    return S_OK;
}

HRESULT VideoRenderer::put_Visible(LONG Visible)
{
    m_visible = Visible != OAFALSE;
    if (HWND window = Window()) ShowWindow(window, m_visible ? SW_SHOWNA : SW_HIDE);
    return S_OK;
}

HRESULT VideoRenderer::put_AutoShow(LONG AutoShow)
{
    m_autoShow = AutoShow != OAFALSE;
    return S_OK;
}

HRESULT VideoRenderer::SetWindowPosition(LONG Left, LONG Top, LONG Width, LONG Height)
{
    if (Width < 0 || Height < 0) return E_INVALIDARG;
    m_left = Left;
    m_top = Top;
    m_width = Width;
    m_height = Height;
    if (HWND window = Window()) {
        SetWindowPos(window, nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window, nullptr, FALSE);
    }
    return S_OK;
}

void VideoRenderer::OnRun(bool clockless)
{
    // Without a clock pictures are shown as soon as they arrive instead of at their time.
    g_object_set(m_sink, "sync", clockless ? FALSE : TRUE, nullptr);
}

void VideoRenderer::OnGraphStateChanging(FILTER_STATE target)
{
    if (m_autoShow && target != State_Stopped && !m_visible) put_Visible(OATRUE);
}

} // namespace zv::dshow
