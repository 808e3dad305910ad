// The filter graph and its control, event and video-window interfaces.
#pragma once

#include "platform/dshow/dshow_types.h"
#include "platform/win32/char_types.h"

inline constexpr IID IID_IBaseFilter = zv::win32::GuidFromText("{56A86895-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IMediaFilter = zv::win32::GuidFromText("{56A86899-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IReferenceClock = zv::win32::GuidFromText("{56A86897-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IFilterGraph = zv::win32::GuidFromText("{56A8689F-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IGraphBuilder = zv::win32::GuidFromText("{56A868A9-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IMediaControl = zv::win32::GuidFromText("{56A868B1-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IMediaEvent = zv::win32::GuidFromText("{56A868B6-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IMediaEventEx = zv::win32::GuidFromText("{56A868C0-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IVideoWindow = zv::win32::GuidFromText("{56A868B4-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IFileSourceFilter = zv::win32::GuidFromText("{56A868A6-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IMediaSeeking = zv::win32::GuidFromText("{36B73880-C2C8-11CF-8B46-00805F6CEF60}");

// A filter of a graph. Filters are made by CoCreateInstance or bound from a device moniker.
struct IBaseFilter : IUnknown {
protected:
    ~IBaseFilter() = default;
};

// A clock that paces a graph; this layer has no clock objects of its own.
struct IReferenceClock : IUnknown {
protected:
    ~IReferenceClock() = default;
};

struct IMediaFilter : IUnknown {
    // A null clock runs the graph unpaced: renderers take samples as soon as they arrive.
    virtual HRESULT SetSyncSource(IReferenceClock* pClock) = 0;

protected:
    ~IMediaFilter() = default;
};

struct IGraphBuilder : IUnknown {
    // Adds a filter under a name (a null name gets a generated one; a taken name gets a number
    // appended and VFW_S_DUPLICATE_NAME). The graph holds a reference until it is released.
    virtual HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) = 0;

protected:
    ~IGraphBuilder() = default;
};

struct IMediaControl : IUnknown {
    // S_OK when the graph runs, S_FALSE while it is still getting there.
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Synchronous: when it returns, no filter delivers samples any more.
    virtual HRESULT Stop() = 0;
    // S_OK in a settled state, VFW_S_STATE_INTERMEDIATE when the time-out passed during a change,
    // VFW_S_CANT_CUE for a paused live graph, E_FAIL when the change failed.
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* pfs) = 0;
    virtual HRESULT StopWhenReady() = 0;

protected:
    ~IMediaControl() = default;
};

struct IMediaEvent : IUnknown {
    // The next event, waiting up to msTimeout ms; E_ABORT when none came.
    virtual HRESULT GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, LONG msTimeout) = 0;
    // Frees what an event's parameters hold (EC_DEVICE_LOST carries a filter reference).
    virtual HRESULT FreeEventParams(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) = 0;

protected:
    ~IMediaEvent() = default;
};

struct IMediaEventEx : IMediaEvent {
    // Posts lMsg (wParam 0, lParam lInstanceData) to the window whenever an event is queued;
    // a null window stops the posting.
    virtual HRESULT SetNotifyWindow(OAHWND hwnd, LONG lMsg, LONG_PTR lInstanceData) = 0;

protected:
    ~IMediaEventEx() = default;
};

// The graph hands these calls to its renderer that has a window; without one they give
// E_NOINTERFACE.
struct IVideoWindow : IUnknown {
    virtual HRESULT put_Owner(OAHWND Owner) = 0;
    virtual HRESULT put_WindowStyle(LONG WindowStyle) = 0;
    virtual HRESULT put_MessageDrain(OAHWND Drain) = 0;
    virtual HRESULT put_Visible(LONG Visible) = 0;
    virtual HRESULT SetWindowPosition(LONG Left, LONG Top, LONG Width, LONG Height) = 0;

protected:
    ~IVideoWindow() = default;
};

// Named here because the capture graph keeps (and releases) pointers of these types; the file
// playback graph gives them their methods.
struct IFileSourceFilter : IUnknown {
protected:
    ~IFileSourceFilter() = default;
};
struct IMediaSeeking : IUnknown {
protected:
    ~IMediaSeeking() = default;
};
