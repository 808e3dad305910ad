// Building a graph from pins: Connect, Render and AddSourceFilter.
#include "platform/dshow/audio_renderer.h"
#include "platform/dshow/file_source_filter.h"
#include "platform/dshow/filter_graph_object.h"
#include "platform/dshow/video_renderer.h"

namespace zv::dshow {

HRESULT FilterGraph::Connect(IPin* ppinOut, IPin* ppinIn)
{
    if (ppinOut == nullptr || ppinIn == nullptr) return E_POINTER;
    Pin* output = AsLayerPin(ppinOut);
    Pin* input = AsLayerPin(ppinIn);
    if (output == nullptr || input == nullptr) return E_INVALIDARG;
    return ConnectPins(*output, *input);
}

HRESULT FilterGraph::Render(IPin* ppinOut)
{
    if (ppinOut == nullptr) return E_POINTER;
    Pin* output = AsLayerPin(ppinOut);
    if (output == nullptr) return E_INVALIDARG;
    if (output->Direction() != PINDIR_OUTPUT || !Holds(&output->Owner())) return VFW_E_NOT_IN_GRAPH;
    if (output->Peer() != nullptr) return VFW_E_ALREADY_CONNECTED;

    // A renderer already in the graph first: a filter without outputs whose input is free.
    for (Filter* filter : m_filters) {
        if (filter->FindPin(PINDIR_OUTPUT, nullptr, nullptr, false) != nullptr) continue;
        Pin* input = filter->FindPin(PINDIR_INPUT, nullptr, nullptr, true);
        if (input != nullptr && input->Accepts(*output)) return ConnectPins(*output, *input);
    }

    ComRef<IBaseFilter> renderer;
    const char16_t* name = nullptr;
    if (output->MajorType() == MEDIATYPE_Video) {
        IBaseFilter* made = nullptr;
        if (FAILED(VideoRenderer::Create(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&made)))) return E_FAIL;
        renderer = ComRef<IBaseFilter>::Adopt(made);
        name = u"Video Renderer";
    } else if (output->MajorType() == MEDIATYPE_Audio) {
        renderer = ComRef<IBaseFilter>::Adopt(AudioRenderer::Create());
        name = u"Audio Renderer";
    }
    if (!renderer) return VFW_E_CANNOT_RENDER;
    const HRESULT added = AddFilter(renderer.get(), name);
    if (FAILED(added)) return added;
    Pin* input = AsLayerFilter(renderer.get())->FindPin(PINDIR_INPUT, nullptr, nullptr, true);
    return input != nullptr ? ConnectPins(*output, *input) : VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter** ppFilter)
{
    if (lpcwstrFileName == nullptr || ppFilter == nullptr) return E_POINTER;
    *ppFilter = nullptr;
    IBaseFilter* made = nullptr;
    HRESULT hr = FileSourceFilter::Create(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&made));
    if (FAILED(hr)) return hr;
    ComRef<IBaseFilter> source = ComRef<IBaseFilter>::Adopt(made);
    IFileSourceFilter* file = nullptr;
    hr = source->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&file));
    if (FAILED(hr)) return hr;
    hr = file->Load(lpcwstrFileName, nullptr);
    file->Release();
    if (FAILED(hr)) return hr;
    hr = AddFilter(source.get(), lpcwstrFilterName ? lpcwstrFilterName : lpcwstrFileName);
    if (FAILED(hr)) return hr;
    *ppFilter = source.Detach();
    return S_OK;
}

} // namespace zv::dshow
