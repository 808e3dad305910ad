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
inline constexpr IID IID_IPin = zv::win32::GuidFromText("{56A86891-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IEnumPins = zv::win32::GuidFromText("{56A86892-0AD4-11CE-B03A-0020AF0BA770}");
inline constexpr IID IID_IEnumMediaTypes = zv::win32::GuidFromText("{89C31040-846B-11CE-97D3-00AA0055595A}");
inline constexpr GUID TIME_FORMAT_MEDIA_TIME = zv::win32::GuidFromText("{7B785574-8C82-11CF-BC0C-00AA00AC74F6}");

struct IBaseFilter;
struct IGraphBuilder;

struct PIN_INFO {
    IBaseFilter* pFilter; // a reference the caller releases
    PIN_DIRECTION dir;
    WCHAR achName[128];
};

struct FILTER_INFO {
    WCHAR achName[128];
    IGraphBuilder* pGraph; // a reference the caller releases; null outside a graph
};

struct IEnumMediaTypes : IUnknown {
    // Each type comes from CoTaskMemAlloc with its format block; the caller deletes both.
    virtual HRESULT Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) = 0;
    virtual HRESULT Skip(ULONG cMediaTypes) = 0;
    virtual HRESULT Reset() = 0;

protected:
    ~IEnumMediaTypes() = default;
};

// A pin of a filter; its references count on the filter that owns it.
struct IPin : IUnknown {
    // VFW_E_NOT_CONNECTED when the pin has no peer.
    virtual HRESULT ConnectedTo(IPin** ppPin) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* pInfo) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* pPinDir) = 0;
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** ppEnum) = 0;

protected:
    ~IPin() = default;
};

struct IEnumPins : IUnknown {
    virtual HRESULT Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) = 0;
    virtual HRESULT Skip(ULONG cPins) = 0;
    virtual HRESULT Reset() = 0;

protected:
    ~IEnumPins() = default;
};

// A filter of a graph. Filters are made by CoCreateInstance or bound from a device moniker.
struct IBaseFilter : IUnknown {
    virtual HRESULT EnumPins(IEnumPins** ppEnum) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* pInfo) = 0;

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
    // Connects an output pin to an input pin. The layer's sources deliver decoded streams, so
    // no decoder needs to be put between them.
    virtual HRESULT Connect(IPin* ppinOut, IPin* ppinIn) = 0;
    // Connects an output pin to a renderer: a free input of a renderer already in the graph,
    // else a new one (video: the video renderer, which draws into its window; audio: the system's audio output, or a discarding
    // one where there is none).
    virtual HRESULT Render(IPin* ppinOut) = 0;
    // Opens a media file (any container and codec the installed decoders read) as a source
    // filter with one output pin per kind of stream, video first, and adds it to the graph.
    virtual HRESULT AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter** ppFilter) = 0;

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

inline constexpr LONG OATRUE = -1;
inline constexpr LONG OAFALSE = 0;

// The graph hands these calls to its video renderer (video_renderer.h); a graph without one gives
// E_NOINTERFACE.
struct IVideoWindow : IUnknown {
    virtual HRESULT put_Owner(OAHWND Owner) = 0;
    virtual HRESULT put_WindowStyle(LONG WindowStyle) = 0;
    virtual HRESULT put_MessageDrain(OAHWND Drain) = 0;
    virtual HRESULT put_Visible(LONG Visible) = 0;
    virtual HRESULT put_AutoShow(LONG AutoShow) = 0;
    virtual HRESULT SetWindowPosition(LONG Left, LONG Top, LONG Width, LONG Height) = 0;

protected:
    ~IVideoWindow() = default;
};

struct IFileSourceFilter : IUnknown {
    // Opens the file; the filter's output pins exist from then on.
    virtual HRESULT Load(LPCWSTR pszFileName, const AM_MEDIA_TYPE* pmt) = 0;

protected:
    ~IFileSourceFilter() = default;
};

enum AM_SEEKING_SEEKING_FLAGS : DWORD {
    AM_SEEKING_NoPositioning = 0,
    AM_SEEKING_AbsolutePositioning = 1,
};

// Positions of a file graph in media time (100-ns units), the only time format offered.
struct IMediaSeeking : IUnknown {
    virtual HRESULT SetTimeFormat(const GUID* pFormat) = 0;
    virtual HRESULT GetDuration(LONGLONG* pDuration) = 0;
    virtual HRESULT GetStopPosition(LONGLONG* pStop) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* pCurrent) = 0;
    // A stopped graph starts from the new current position when it next runs or pauses; a
    // paused one shows the frame there.
    virtual HRESULT SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) = 0;
    virtual HRESULT GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) = 0;

protected:
    ~IMediaSeeking() = default;
};
