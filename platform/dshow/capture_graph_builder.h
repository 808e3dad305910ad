// The capture graph builder object (CLSID_CaptureGraphBuilder2).
#pragma once

#include "platform/dshow/capture_builder.h"
#include "platform/dshow/com_object.h"

namespace zv::dshow {

class Filter;
class FilterGraph;

class CaptureGraphBuilder final : public ComObject<ICaptureGraphBuilder2> {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    HRESULT SetFiltergraph(IGraphBuilder* pfg) override;
    HRESULT FindInterface(const GUID* pCategory, const GUID* pType, IBaseFilter* pf, REFIID riid,
                          void** ppint) override;
    HRESULT RenderStream(const GUID* pCategory, const GUID* pType, IUnknown* pSource, IBaseFilter* pfCompressor,
                         IBaseFilter* pfRenderer) override;

private:
    CaptureGraphBuilder() = default;
    ~CaptureGraphBuilder();

    IGraphBuilder* m_graph = nullptr; // one reference
    FilterGraph* m_graphObject = nullptr;
};

} // namespace zv::dshow
