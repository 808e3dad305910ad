#include "platform/dshow/capture_graph_builder.h"

#include "platform/dshow/filter_graph_object.h"

#include <set>
#include <vector>

namespace zv::dshow {

HRESULT CaptureGraphBuilder::Create(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return HandOutNewObject(new CaptureGraphBuilder(), riid, ppv);
}

CaptureGraphBuilder::~CaptureGraphBuilder()
{
    if (m_graph) m_graph->Release();
}

HRESULT CaptureGraphBuilder::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IUnknown, this}, {IID_ICaptureGraphBuilder2, this}}, riid, ppv);
}

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* pfg)
{
    if (pfg == nullptr) return E_POINTER;
    if (m_graph != nullptr) return E_UNEXPECTED;
    auto* graph = dynamic_cast<FilterGraph*>(pfg);
    if (graph == nullptr) return E_NOINTERFACE;
    pfg->AddRef();
    m_graph = pfg;
    m_graphObject = graph;
    return S_OK;
}

namespace {

// Walks from a filter through its connections, nearest filters first, each filter once.
std::vector<Filter*> ConnectedFilters(Filter& start)
{
    std::vector<Filter*> order{&start};
    std::set<Filter*> seen{&start};
    for (std::size_t i = 0; i < order.size(); ++i) {
        for (const auto& pin : order[i]->Pins()) {
            Pin* peer = pin->Peer();
            if (peer != nullptr && seen.insert(&peer->Owner()).second) order.push_back(&peer->Owner());
        }
    }
    return order;
}

} // namespace

HRESULT CaptureGraphBuilder::FindInterface(const GUID* pCategory, const GUID* pType, IBaseFilter* pf, REFIID riid,
                                           void** ppint)
{
    if (ppint == nullptr) return E_POINTER;
    *ppint = nullptr;
    Filter* filter = AsLayerFilter(pf);
    if (filter == nullptr) return pf == nullptr ? E_POINTER : E_NOINTERFACE;

    // The pins of the category first: stream interfaces live there.
    if (pCategory != nullptr) {
        for (const auto& pin : filter->Pins()) {
            if (pin->Category() != *pCategory) continue;
            if (pType != nullptr && pin->MajorType() != *pType) continue;
            if (SUCCEEDED(pin->QueryPinInterface(riid, ppint))) return S_OK;
        }
    }
    for (Filter* candidate : ConnectedFilters(*filter)) {
        if (SUCCEEDED(candidate->QueryInterface(riid, ppint))) return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* pCategory, const GUID* pType, IUnknown* pSource,
                                          IBaseFilter* pfCompressor, IBaseFilter* pfRenderer)
{
    if (m_graphObject == nullptr) return E_UNEXPECTED;
    if (pSource == nullptr) return E_POINTER;
    Filter* source = AsLayerFilter(pSource);
    Filter* intermediate = pfCompressor ? AsLayerFilter(pfCompressor) : nullptr;
    Filter* renderer = pfRenderer ? AsLayerFilter(pfRenderer) : nullptr;
    if (source == nullptr || (pfCompressor && intermediate == nullptr) || (pfRenderer && renderer == nullptr))
        return E_INVALIDARG;
    for (const Filter* f : {source, intermediate, renderer}) {
        if (f != nullptr && !m_graphObject->Holds(f)) return VFW_E_NOT_IN_GRAPH;
    }

    Pin* output = source->FindPin(PINDIR_OUTPUT, pCategory, pType, true);
    if (output == nullptr) return E_FAIL;

    // Connections made here are taken back when a later one fails.
    std::vector<Pin*> made;
    const auto fail = [&](HRESULT hr) {
        for (Pin* pin : made) m_graphObject->DisconnectPins(*pin);
        return hr;
    };
    for (Filter* next : {intermediate, renderer}) {
        if (next == nullptr) continue;
        if (output == nullptr) return fail(VFW_E_CANNOT_CONNECT);
        Pin* input = next->FindPin(PINDIR_INPUT, nullptr, nullptr, true);
        if (input == nullptr) return fail(VFW_E_CANNOT_CONNECT);
        const HRESULT hr = m_graphObject->ConnectPins(*output, *input);
        if (FAILED(hr)) return fail(hr);
        made.push_back(output);
        output = next->FindPin(PINDIR_OUTPUT, nullptr, nullptr, true);
    }
    // A stream left open goes to the graph's default renderer.
    if (renderer == nullptr) {
        if (output == nullptr) return fail(VFW_E_CANNOT_RENDER);
        const HRESULT hr = m_graphObject->Render(output);
        if (FAILED(hr)) return fail(hr);
    }
    return S_OK;
}

} // namespace zv::dshow
