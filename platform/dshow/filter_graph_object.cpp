#include "platform/dshow/filter_graph_object.h"

#include "platform/win32/com.h"

#include <algorithm>

namespace zv::dshow {

HRESULT FilterGraph::Create(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!EnsureGstreamer()) return E_FAIL;
    GstElement* pipeline = gst_pipeline_new(nullptr);
    if (pipeline == nullptr) return E_OUTOFMEMORY;
    auto* graph = new FilterGraph(GstRef<GstElement>(GST_ELEMENT(gst_object_ref_sink(pipeline))));
    return HandOutNewObject(graph, riid, ppv);
}

FilterGraph::FilterGraph(GstRef<GstElement> pipeline) : m_pipeline(std::move(pipeline))
{
    GstRef<GstBus> bus(gst_element_get_bus(m_pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), &FilterGraph::OnBusMessage, this, nullptr);
}

FilterGraph::~FilterGraph()
{
    // Joins every streaming thread before the filters go.
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    for (Filter* filter : m_filters) filter->OnStop();
    GstRef<GstBus> bus(gst_element_get_bus(m_pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    for (Filter* filter : m_filters) {
        gst_bin_remove(GST_BIN(m_pipeline.get()), filter->Bin());
        filter->LeaveGraph();
    }
    for (Filter* filter : m_filters) filter->Release();
}

HRESULT FilterGraph::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IUnknown, static_cast<IGraphBuilder*>(this)},
                               {IID_IFilterGraph, static_cast<IGraphBuilder*>(this)},
                               {IID_IGraphBuilder, static_cast<IGraphBuilder*>(this)},
                               {IID_IMediaControl, static_cast<IMediaControl*>(this)},
                               {IID_IMediaEvent, static_cast<IMediaEventEx*>(this)},
                               {IID_IMediaEventEx, static_cast<IMediaEventEx*>(this)},
                               {IID_IMediaFilter, static_cast<IMediaFilter*>(this)},
                               {IID_IVideoWindow, static_cast<IVideoWindow*>(this)},
                               {IID_IMediaSeeking, static_cast<IMediaSeeking*>(this)}},
                              riid, ppv);
}

std::u16string FilterGraph::UniqueName(LPCWSTR requested, bool* renamed) const
{
    const auto taken = [this](const std::u16string& name) {
        return std::any_of(m_filters.begin(), m_filters.end(), [&](const Filter* f) { return f->Name() == name; });
    };
    const std::u16string base = (requested && *requested) ? std::u16string(requested) : u"Filter";
    *renamed = false;
    if (requested && *requested && !taken(base)) return base;
    for (unsigned n = 1;; ++n) {
        std::string digits = std::to_string(n);
        digits.insert(0, digits.size() < 4 ? 4 - digits.size() : 0, '0');
        std::u16string candidate = base + u" " + std::u16string(digits.begin(), digits.end());
        if (!taken(candidate)) {
            *renamed = requested && *requested;
            return candidate;
        }
    }
}

HRESULT FilterGraph::AddFilter(IBaseFilter* pFilter, LPCWSTR pName)
{
    if (pFilter == nullptr) return E_POINTER;
    Filter* filter = AsLayerFilter(pFilter);
    if (filter == nullptr || filter->Graph() != nullptr) return E_INVALIDARG;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!gst_bin_add(GST_BIN(m_pipeline.get()), filter->Bin())) return E_FAIL;
    bool renamed = false;
    filter->JoinGraph(this, UniqueName(pName, &renamed));
    filter->AddRef();
    m_filters.push_back(filter);
    return renamed ? VFW_S_DUPLICATE_NAME : S_OK;
}

HRESULT FilterGraph::ConnectPins(Pin& output, Pin& input)
{
    if (output.Direction() != PINDIR_OUTPUT || input.Direction() != PINDIR_INPUT) return E_INVALIDARG;
    if (!Holds(&output.Owner()) || !Holds(&input.Owner())) return VFW_E_NOT_IN_GRAPH;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    if (output.Peer() != nullptr || input.Peer() != nullptr) return VFW_E_ALREADY_CONNECTED;
    if (!input.Accepts(output)) return VFW_E_NO_ACCEPTABLE_TYPES;
    input.Owner().OnInputConnecting(input, output);
    if (!gst_element_link_pads(output.Owner().Bin(), output.PadName(), input.Owner().Bin(), input.PadName()))
        return VFW_E_CANNOT_CONNECT;
    output.SetPeer(&input);
    input.SetPeer(&output);
    return S_OK;
}

void FilterGraph::DisconnectPins(Pin& output)
{
    Pin* input = output.Peer();
    if (input == nullptr) return;
    gst_element_unlink_pads(output.Owner().Bin(), output.PadName(), input->Owner().Bin(), input->PadName());
    input->SetPeer(nullptr);
    output.SetPeer(nullptr);
}

namespace {
bool Seekable(GstElement* pipeline)
{
    GstQuery* query = gst_query_new_seeking(GST_FORMAT_TIME);
    gboolean seekable = FALSE;
    if (gst_element_query(pipeline, query)) gst_query_parse_seeking(query, nullptr, &seekable, nullptr, nullptr);
    gst_query_unref(query);
    return seekable != FALSE;
}

HRESULT ResultOfChange(GstStateChangeReturn change)
{
    switch (change) {
    case GST_STATE_CHANGE_FAILURE: return E_FAIL;
    case GST_STATE_CHANGE_ASYNC: return S_FALSE;
    default: return S_OK;
    }
}
} // namespace

void FilterGraph::SettlePendingChange()
{
    // A new target set while the pipeline is still on its way to the last one (prerolling, then
    // going on to PLAYING) can leave it between states for good; a live pipeline answers at once.
    if (m_state != State_Stopped) gst_element_get_state(m_pipeline.get(), nullptr, nullptr, 5 * GST_SECOND);
}

HRESULT FilterGraph::Run()
{
    SettlePendingChange();
    for (Filter* filter : m_filters) {
        filter->OnRun(m_clockless);
        filter->OnGraphStateChanging(State_Running);
    }
    const HRESULT hr = m_state == State_Stopped
                           ? LeaveStopped(GST_STATE_PLAYING)
                           : ResultOfChange(gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING));
    if (SUCCEEDED(hr)) m_state = State_Running;
    return hr;
}

HRESULT FilterGraph::Pause()
{
    SettlePendingChange();
    for (Filter* filter : m_filters) {
        filter->OnRun(m_clockless);
        filter->OnGraphStateChanging(State_Paused);
    }
    const HRESULT hr = m_state == State_Stopped
                           ? LeaveStopped(GST_STATE_PAUSED)
                           : ResultOfChange(gst_element_set_state(m_pipeline.get(), GST_STATE_PAUSED));
    if (SUCCEEDED(hr)) m_state = State_Paused;
    return hr;
}

HRESULT FilterGraph::Stop()
{
    // A file graph keeps its position across a stop; a live source that cannot seek starts afresh.
    gint64 position = 0;
    if (m_state != State_Stopped && Seekable(m_pipeline.get()) &&
        gst_element_query_position(m_pipeline.get(), GST_FORMAT_TIME, &position) && position > 0) {
        m_startPosition = static_cast<REFERENCE_TIME>(position / 100);
        m_seekPending = true;
    }
    // Leaving PAUSED deactivates the pads, which waits for every streaming thread to leave.
    const GstStateChangeReturn change = gst_element_set_state(m_pipeline.get(), GST_STATE_READY);
    for (Filter* filter : m_filters) filter->OnStop();
    m_state = State_Stopped;
    return change == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

HRESULT FilterGraph::StopWhenReady()
{
    return Stop();
}

HRESULT FilterGraph::GetState(LONG msTimeout, OAFilterState* pfs)
{
    if (pfs == nullptr) return E_POINTER;
    *pfs = m_state;
    if (m_state == State_Stopped) return S_OK;
    const GstClockTime timeout =
        msTimeout < 0 ? GST_CLOCK_TIME_NONE : static_cast<GstClockTime>(msTimeout) * GST_MSECOND;
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    switch (gst_element_get_state(m_pipeline.get(), &current, &pending, timeout)) {
    case GST_STATE_CHANGE_FAILURE: return E_FAIL;
    case GST_STATE_CHANGE_ASYNC: return VFW_S_STATE_INTERMEDIATE;
    case GST_STATE_CHANGE_NO_PREROLL: return m_state == State_Paused ? VFW_S_CANT_CUE : S_OK;
    default: return S_OK;
    }
}

HRESULT FilterGraph::GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2, LONG msTimeout)
{
    return m_events.Next(lEventCode, lParam1, lParam2, msTimeout);
}

HRESULT FilterGraph::FreeEventParams(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2)
{
    GraphEvents::FreeParams(lEventCode, lParam1, lParam2);
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(OAHWND hwnd, LONG lMsg, LONG_PTR lInstanceData)
{
    m_events.SetNotifyWindow(reinterpret_cast<HWND>(hwnd), static_cast<UINT>(lMsg), lInstanceData);
    return S_OK;
}

HRESULT FilterGraph::SetSyncSource(IReferenceClock* pClock)
{
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    // Only the absence of a clock can be chosen: the layer has no clock objects to hand in.
    if (pClock != nullptr) return E_NOTIMPL;
    m_clockless = true;
    return S_OK;
}

template <class Call>
HRESULT FilterGraph::ForVideoWindow(Call call)
{
    for (Filter* filter : m_filters) {
        IVideoWindow* window = nullptr;
        if (SUCCEEDED(filter->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&window)))) {
            const HRESULT hr = call(window);
            window->Release();
            return hr;
        }
    }
    return E_NOINTERFACE;
}

HRESULT FilterGraph::put_Owner(OAHWND Owner)
{
    return ForVideoWindow([&](IVideoWindow* w) { return w->put_Owner(Owner); });
}

HRESULT FilterGraph::put_WindowStyle(LONG WindowStyle)
{
    return ForVideoWindow([&](IVideoWindow* w) { return w->put_WindowStyle(WindowStyle); });
}

HRESULT FilterGraph::put_MessageDrain(OAHWND Drain)
{
    return ForVideoWindow([&](IVideoWindow* w) { return w->put_MessageDrain(Drain); });
}

HRESULT FilterGraph::put_Visible(LONG Visible)
{
    return ForVideoWindow([&](IVideoWindow* w) { return w->put_Visible(Visible); });
}

HRESULT FilterGraph::put_AutoShow(LONG AutoShow)
{
    return ForVideoWindow([&](IVideoWindow* w) { return w->put_AutoShow(AutoShow); });
}

HRESULT FilterGraph::SetWindowPosition(LONG Left, LONG Top, LONG Width, LONG Height)
{
    return ForVideoWindow([&](IVideoWindow* w) { return w->SetWindowPosition(Left, Top, Width, Height); });
}

GstBusSyncReply FilterGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer self)
{
    auto* graph = static_cast<FilterGraph*>(self);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS: graph->m_events.Add(EC_COMPLETE, S_OK, 0); break;
    case GST_MESSAGE_ERROR: graph->OnError(message); break;
    default: break;
    }
    // Nobody reads the bus queue: every message ends here.
    return GST_BUS_DROP;
}

void FilterGraph::OnError(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const bool unreadable =
        error != nullptr && error->domain == GST_RESOURCE_ERROR &&
        (error->code == GST_RESOURCE_ERROR_NOT_FOUND || error->code == GST_RESOURCE_ERROR_OPEN_READ ||
         error->code == GST_RESOURCE_ERROR_OPEN_READ_WRITE || error->code == GST_RESOURCE_ERROR_READ);
    if (error) g_error_free(error);
    Filter* source = Filter::OwnerOf(GST_MESSAGE_SRC(message));
    if (unreadable && source != nullptr && source->IsCaptureDevice()) {
        source->AddRef(); // the event holds it until FreeEventParams
        m_events.Add(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(source)), 0);
        return;
    }
    m_events.Add(EC_ERRORABORT, E_FAIL, 0);
}

} // namespace zv::dshow
