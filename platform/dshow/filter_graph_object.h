// The filter graph object (CLSID_FilterGraph): one GStreamer pipeline holding the bins of its
// filters, with the control, event, clock and video-window interfaces of the graph.
#pragma once

#include "platform/dshow/filter.h"
#include "platform/dshow/graph_events.h"

#include <optional>
#include <string>
#include <vector>

namespace zv::dshow {

class FilterGraph final
    : public ComObject<IGraphBuilder, IMediaControl, IMediaEventEx, IMediaFilter, IVideoWindow, IMediaSeeking> {
public:
    // The class factory of CLSID_FilterGraph.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
    HRESULT Connect(IPin* ppinOut, IPin* ppinIn) override;
    HRESULT Render(IPin* ppinOut) override;
    HRESULT AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter** ppFilter) override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* pfs) override;
    HRESULT StopWhenReady() override;

    HRESULT GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, LONG msTimeout) override;
    HRESULT FreeEventParams(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) override;
    HRESULT SetNotifyWindow(OAHWND hwnd, LONG lMsg, LONG_PTR lInstanceData) override;

    HRESULT SetSyncSource(IReferenceClock* pClock) override;

    HRESULT put_Owner(OAHWND Owner) override;
    HRESULT put_WindowStyle(LONG WindowStyle) override;
    HRESULT put_MessageDrain(OAHWND Drain) override;
    HRESULT put_Visible(LONG Visible) override;
    HRESULT put_AutoShow(LONG AutoShow) override;
    HRESULT SetWindowPosition(LONG Left, LONG Top, LONG Width, LONG Height) override;

    HRESULT SetTimeFormat(const GUID* pFormat) override;
    HRESULT GetDuration(LONGLONG* pDuration) override;
    HRESULT GetStopPosition(LONGLONG* pStop) override;
    HRESULT GetCurrentPosition(LONGLONG* pCurrent) override;
    HRESULT SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop, DWORD dwStopFlags) override;
    HRESULT GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;

    // For the capture graph builder.
    HRESULT ConnectPins(Pin& output, Pin& input);
    void DisconnectPins(Pin& output);
    bool Holds(const Filter* filter) const { return filter != nullptr && filter->Graph() == this; }
    bool IsStopped() const { return m_state == State_Stopped; }

private:
    explicit FilterGraph(GstRef<GstElement> pipeline);
    ~FilterGraph();

    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void OnError(GstMessage* message);
    // Leaves the stopped state for target; a position waiting to be applied is sought once the
    // pipeline has prerolled.
    HRESULT LeaveStopped(GstState target);
    // Waits, bounded, until a state change still under way has ended.
    void SettlePendingChange();
    bool Seek(REFERENCE_TIME start);
    std::u16string UniqueName(LPCWSTR requested, bool* renamed) const;
    // Calls a method of the first filter that has a video window.
    template <class Call>
    HRESULT ForVideoWindow(Call call);

    GstRef<GstElement> m_pipeline;
    std::vector<Filter*> m_filters; // one reference each
    GraphEvents m_events;
    FILTER_STATE m_state = State_Stopped;
    bool m_clockless = false;
    // Where a stopped graph starts when it next runs or pauses.
    REFERENCE_TIME m_startPosition = 0;
    bool m_seekPending = false;
    std::optional<REFERENCE_TIME> m_stopPosition;
};

} // namespace zv::dshow
