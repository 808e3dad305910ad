// The video renderer: draws the graph's decoded pictures into a child window of ours, scaled to
// its client area. The window is made in the owner given by IVideoWindow::put_Owner, on the
// thread that calls it; without an owner there is no window and pictures are taken and dropped
// (no top-level window of its own). Pictures arrive on a streaming thread: the latest is kept and
// the window invalidated, and the window's own thread paints it on WM_PAINT.
#pragma once

#include "platform/dshow/filter.h"
#include "platform/user/window.h"

#include <gst/app/gstappsink.h>

#include <memory>

namespace zv::dshow {

struct LatestPicture;

class VideoRenderer final : public Filter, public IVideoWindow {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Filter::QueryInterface(riid, ppv); }
    ULONG AddRef() override { return Filter::AddRef(); }
    ULONG Release() override { return Filter::Release(); }

    HRESULT put_Owner(OAHWND Owner) override;
    HRESULT put_WindowStyle(LONG WindowStyle) override;
    HRESULT put_MessageDrain(OAHWND Drain) override;
    HRESULT put_Visible(LONG Visible) override;
    HRESULT put_AutoShow(LONG AutoShow) override;
    HRESULT SetWindowPosition(LONG Left, LONG Top, LONG Width, LONG Height) override;

    void OnRun(bool clockless) override;
    void OnGraphStateChanging(FILTER_STATE target) override;

    // The window pictures are drawn into; null without an owner or once the owner destroyed it.
    HWND Window() const;

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;

private:
    VideoRenderer(GstRef<GstElement> bin, GstElement* sink);
    ~VideoRenderer() override;

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer picture);
    void DestroyOwnWindow();

    GstElement* m_sink; // owned by the bin
    std::shared_ptr<LatestPicture> m_picture; // shared with the window while it lives
    LONG m_style;
    // Where the window goes in its owner's client area.
    LONG m_left = 0;
    LONG m_top = 0;
    LONG m_width = 0;
    LONG m_height = 0;
    bool m_visible = false;
    bool m_autoShow = true;
};

} // namespace zv::dshow
