#include "platform/dshow/filter.h"

#include "platform/dshow/enumerators.h"
#include "platform/dshow/filter_graph_object.h"
#include "platform/win32/com.h"

#include <algorithm>

namespace zv::dshow {

namespace {
GQuark FilterQuark()
{
    static const GQuark quark = g_quark_from_static_string("zv-dshow-filter");
    return quark;
}
} // namespace

Pin::Pin(Filter& owner, PIN_DIRECTION direction, const char* padName, const GUID& majorType, const GUID& category)
    : m_owner(owner), m_direction(direction), m_padName(padName), m_majorType(majorType), m_category(category)
{
}

bool Pin::Accepts(const Pin& output) const
{
    return m_majorType == GUID_NULL || m_majorType == output.MajorType();
}

HRESULT Pin::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        AddRef();
        *ppv = static_cast<IPin*>(this);
        return S_OK;
    }
    return QueryPinInterface(riid, ppv);
}

ULONG Pin::AddRef()
{
    return m_owner.AddRef();
}

ULONG Pin::Release()
{
    return m_owner.Release();
}

HRESULT Pin::ConnectedTo(IPin** ppPin)
{
    if (ppPin == nullptr) return E_POINTER;
    *ppPin = m_peer;
    if (m_peer == nullptr) return VFW_E_NOT_CONNECTED;
    m_peer->AddRef();
    return S_OK;
}

HRESULT Pin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (pInfo == nullptr) return E_POINTER;
    *pInfo = PIN_INFO{};
    m_owner.AddRef();
    pInfo->pFilter = &m_owner;
    pInfo->dir = m_direction;
    for (std::size_t i = 0; i + 1 < std::size(pInfo->achName) && m_padName[i] != '\0'; ++i)
        pInfo->achName[i] = static_cast<WCHAR>(m_padName[i]);
    return S_OK;
}

HRESULT Pin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    if (pPinDir == nullptr) return E_POINTER;
    *pPinDir = m_direction;
    return S_OK;
}

HRESULT Pin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    if (ppEnum == nullptr) return E_POINTER;
    *ppEnum = nullptr;
    std::vector<AM_MEDIA_TYPE*> types;
    if (m_majorType != GUID_NULL) {
        const std::optional<VideoFormat> format = m_majorType == MEDIATYPE_Video ? CurrentVideoFormat() : std::nullopt;
        AM_MEDIA_TYPE* type = format ? CreateRgb24MediaType(*format)
                                     : static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (type == nullptr) return E_OUTOFMEMORY;
        if (!format) *type = AM_MEDIA_TYPE{m_majorType, GUID_NULL, TRUE, FALSE, 0, GUID_NULL, nullptr, 0, nullptr};
        types.push_back(type);
    }
    *ppEnum = new MediaTypeEnumerator(std::move(types));
    return S_OK;
}

HRESULT Pin::QueryPinInterface(REFIID, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    return E_NOINTERFACE;
}

Filter::Filter(GstRef<GstElement> bin) : m_bin(std::move(bin))
{
    g_object_set_qdata(G_OBJECT(m_bin.get()), FilterQuark(), this);
}

Filter::~Filter()
{
    g_object_set_qdata(G_OBJECT(m_bin.get()), FilterQuark(), nullptr);
}

HRESULT Filter::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
        AddRef();
        *ppv = static_cast<IBaseFilter*>(this);
        return S_OK;
    }
    return QueryFilterInterface(riid, ppv);
}

HRESULT Filter::EnumPins(IEnumPins** ppEnum)
{
    if (ppEnum == nullptr) return E_POINTER;
    std::vector<IPin*> pins;
    for (const auto& pin : m_pins) pins.push_back(pin.get());
    *ppEnum = new PinEnumerator(this, std::move(pins));
    return S_OK;
}

HRESULT Filter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    if (pInfo == nullptr) return E_POINTER;
    *pInfo = FILTER_INFO{};
    const std::size_t length = std::min(m_name.size(), std::size(pInfo->achName) - 1);
    std::copy_n(m_name.begin(), length, pInfo->achName);
    if (m_graph != nullptr) {
        m_graph->AddRef();
        pInfo->pGraph = m_graph;
    }
    return S_OK;
}

HRESULT Filter::QueryFilterInterface(REFIID, void** ppv)
{
    *ppv = nullptr;
    return E_NOINTERFACE;
}

Pin& Filter::AddPin(std::unique_ptr<Pin> pin)
{
    m_pins.push_back(std::move(pin));
    return *m_pins.back();
}

Pin* Filter::FindPin(PIN_DIRECTION direction, const GUID* category, const GUID* majorType, bool unconnectedOnly) const
{
    for (const auto& pin : m_pins) {
        if (pin->Direction() != direction) continue;
        if (category && pin->Category() != *category) continue;
        if (majorType && pin->MajorType() != GUID_NULL && pin->MajorType() != *majorType) continue;
        if (unconnectedOnly && pin->Peer() != nullptr) continue;
        return pin.get();
    }
    return nullptr;
}

void Filter::JoinGraph(FilterGraph* graph, std::u16string name)
{
    m_graph = graph;
    m_name = std::move(name);
}

void Filter::LeaveGraph()
{
    for (const auto& pin : m_pins) {
        if (Pin* peer = pin->Peer()) peer->SetPeer(nullptr);
        pin->SetPeer(nullptr);
    }
    m_graph = nullptr;
    m_name.clear();
}

Filter* Filter::OwnerOf(GstObject* element)
{
    for (GstObject* object = element ? GST_OBJECT(gst_object_ref(element)) : nullptr; object != nullptr;) {
        auto* filter = static_cast<Filter*>(g_object_get_qdata(G_OBJECT(object), FilterQuark()));
        GstObject* parent = filter ? nullptr : gst_object_get_parent(object);
        gst_object_unref(object);
        if (filter) return filter;
        object = parent;
    }
    return nullptr;
}

Filter* AsLayerFilter(IUnknown* unknown)
{
    if (unknown == nullptr) return nullptr;
    IBaseFilter* base = nullptr;
    if (FAILED(unknown->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&base)))) return nullptr;
    Filter* filter = dynamic_cast<Filter*>(base);
    base->Release();
    return filter;
}

Pin* AsLayerPin(IPin* pin)
{
    return dynamic_cast<Pin*>(pin);
}

} // namespace zv::dshow
