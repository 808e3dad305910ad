// The capture graph builder: finds device interfaces and wires capture streams.
#pragma once

#include "platform/dshow/filter_graph.h"

inline constexpr IID IID_ICaptureGraphBuilder2 =
    zv::win32::GuidFromText("{93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D}");

struct ICaptureGraphBuilder2 : IUnknown {
    // The graph that the builder works in; it can be set once.
    virtual HRESULT SetFiltergraph(IGraphBuilder* pfg) = 0;
    // Looks for riid on the pins of the category (and media type) of pf, on pf itself, then on
    // the filters upstream and downstream of it. E_NOINTERFACE when nothing has it.
    virtual HRESULT FindInterface(const GUID* pCategory, const GUID* pType, IBaseFilter* pf, REFIID riid,
                                  void** ppint) = 0;
    // Connects the source's output pin of the category and type through the intermediate filter
    // (when given) to the renderer. Without a renderer the stream is rendered as the graph's
    // Render does (a free renderer in the graph, else the video renderer).
    virtual HRESULT RenderStream(const GUID* pCategory, const GUID* pType, IUnknown* pSource,
                                 IBaseFilter* pfCompressor, IBaseFilter* pfRenderer) = 0;

protected:
    ~ICaptureGraphBuilder2() = default;
};
