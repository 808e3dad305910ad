// The layer's filters and pins. A filter is a GStreamer bin with ghost pads "sink" (input) and
// "src" (output); connecting two pins links those pads, and the graph runs the bins together.
#pragma once

#include "platform/dshow/com_object.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/gst_support.h"
#include "platform/dshow/media_types.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zv::dshow {

class Filter;
class FilterGraph;

class Pin : public IPin {
public:
    // An output pin delivers majorType; an input pin takes majorType, or anything for GUID_NULL.
    Pin(Filter& owner, PIN_DIRECTION direction, const char* padName, const GUID& majorType,
        const GUID& category = GUID_NULL);
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;
    virtual ~Pin() = default;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    // A pin lives as long as its filter.
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT ConnectedTo(IPin** ppPin) override;
    HRESULT QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override;
    // One type: the major type, with the RGB24 video format while it is known.
    HRESULT EnumMediaTypes(IEnumMediaTypes** ppEnum) override;

    Filter& Owner() const { return m_owner; }
    PIN_DIRECTION Direction() const { return m_direction; }
    const char* PadName() const { return m_padName; }
    const GUID& Category() const { return m_category; }
    const GUID& MajorType() const { return m_majorType; }
    void SetMajorType(const GUID& majorType) { m_majorType = majorType; }

    Pin* Peer() const { return m_peer; }
    void SetPeer(Pin* peer) { m_peer = peer; }

    // Whether this input pin takes what the output pin delivers.
    bool Accepts(const Pin& output) const;
    // The video format an output pin delivers while it is fixed; nothing when not known.
    virtual std::optional<VideoFormat> CurrentVideoFormat() const { return std::nullopt; }
    // Interfaces of the pin beyond IPin; the reference counts on the owning filter.
    virtual HRESULT QueryPinInterface(REFIID riid, void** ppv);

private:
    Filter& m_owner;
    PIN_DIRECTION m_direction;
    const char* m_padName;
    GUID m_majorType;
    GUID m_category;
    Pin* m_peer = nullptr;
};

class Filter : public ComObject<IBaseFilter> {
public:
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT EnumPins(IEnumPins** ppEnum) override;
    HRESULT QueryFilterInfo(FILTER_INFO* pInfo) override;

    GstElement* Bin() const { return m_bin.get(); }
    const std::vector<std::unique_ptr<Pin>>& Pins() const { return m_pins; }
    Pin* FindPin(PIN_DIRECTION direction, const GUID* category, const GUID* majorType, bool unconnectedOnly) const;

    FilterGraph* Graph() const { return m_graph; }
    const std::u16string& Name() const { return m_name; }
    void JoinGraph(FilterGraph* graph, std::u16string name);
    void LeaveGraph();

    // The graph is about to run; clockless means samples are to be rendered unpaced.
    virtual void OnRun(bool clockless) { (void)clockless; }
    // After OnRun: the graph is about to pause (State_Paused) or run (State_Running).
    virtual void OnGraphStateChanging(FILTER_STATE target) { (void)target; }
    // The input pin is about to be linked to the output pin (which it accepts).
    virtual void OnInputConnecting(Pin& input, const Pin& output) { (void)input, (void)output; }
    // The graph has stopped: no streaming thread is inside the filter any more.
    virtual void OnStop() {}
    // How long the filter's media plays; nothing for live or unknown lengths.
    virtual std::optional<REFERENCE_TIME> Duration() const { return std::nullopt; }
    // Errors of a device source that can no longer be read are reported as the device being lost.
    virtual bool IsCaptureDevice() const { return false; }

    // The filter whose bin holds the element (or is it); null for an element of no filter.
    static Filter* OwnerOf(GstObject* element);

protected:
    explicit Filter(GstRef<GstElement> bin);
    virtual ~Filter();

    // Interfaces beyond IUnknown and IBaseFilter.
    virtual HRESULT QueryFilterInterface(REFIID riid, void** ppv);
    Pin& AddPin(std::unique_ptr<Pin> pin);

private:
    GstRef<GstElement> m_bin;
    std::vector<std::unique_ptr<Pin>> m_pins;
    FilterGraph* m_graph = nullptr; // not a reference: the graph holds the filter
    std::u16string m_name;
};

// The layer's filter behind a COM pointer; null for filters of anyone else.
Filter* AsLayerFilter(IUnknown* unknown);
// The layer's pin behind an IPin; null for pins of anyone else.
Pin* AsLayerPin(IPin* pin);

} // namespace zv::dshow
