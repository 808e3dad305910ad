// Walking the pins of a file graph's filters: audio grabbers, rendering what is left open, and
// finding pins by direction.
#include "capture/CaptureGraph.h"

#include "capture/ComRelease.h"
#include "platform/win32/com.h"

namespace {

// The filter at the other end of a connected pin, with a reference; null when not connected.
IBaseFilter* DownstreamOf(IPin* pin)
{
    IPin* peer = nullptr;
    if (FAILED(pin->ConnectedTo(&peer))) return nullptr;
    PIN_INFO info{};
    const HRESULT hr = peer->QueryPinInfo(&info);
    peer->Release();
    return SUCCEEDED(hr) ? info.pFilter : nullptr;
}

bool IsOutputPin(IPin* pin)
{
    PIN_DIRECTION direction = PINDIR_INPUT;
    return SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT;
}

} // namespace

HRESULT CCaptureGraph::AddAudioGrabbers(IGraphBuilder* pGraph, IBaseFilter* pFilter)
{
    if (!m_bAudioGrabber) return 0;
    if (pGraph == nullptr || pFilter == nullptr) return 1;
    FILTER_INFO info{};
    HRESULT hr = pFilter->QueryFilterInfo(&info);
    if (FAILED(hr)) return hr;
    ReleaseAndClear(info.pGraph);
    IEnumPins* pEnum = nullptr;
    hr = pFilter->EnumPins(&pEnum);
    if (FAILED(hr)) return hr;

    IBaseFilter* pDownstream = nullptr;
    HRESULT result = 1;
    IPin* pPin = nullptr;
    while (result != 0 && pEnum->Next(1, &pPin, nullptr) == S_OK) {
        IEnumMediaTypes* pTypes = nullptr;
        if (IsOutputPin(pPin) && SUCCEEDED(pPin->EnumMediaTypes(&pTypes))) {
            AM_MEDIA_TYPE* pType = nullptr;
            // The first type that gets its grabber ends the pin's walk.
            while (result != 0 && pTypes->Next(1, &pType, nullptr) == S_OK) {
                result = 1;
                if (pType->majortype == MEDIATYPE_Audio) {
                    // The grabber of an earlier type or pin belongs to the graph by now.
                    ReleaseAndClear(m_pAudioGrabber);
                    IBaseFilter* pGrabber = nullptr;
                    if (FAILED(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                                reinterpret_cast<void**>(&pGrabber))) ||
                        FAILED(pGrabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&m_pAudioGrabber)))) {
                        result = pGraph->Render(pPin);
                    } else {
                        pGraph->AddFilter(pGrabber, u"Audio Grabber");
                        IPin* pGrabberIn = GetInputPin(pGrabber);
                        result = pGrabberIn ? pGraph->Connect(pPin, pGrabberIn) : E_FAIL;
                        IPin* pGrabberOut = GetOutputPin(pGrabber);
                        if (SUCCEEDED(result)) result = pGrabberOut ? pGraph->Render(pGrabberOut) : E_FAIL;
                    }
                    ReleaseAndClear(pGrabber);
                }
                if (pDownstream == nullptr && result != 0) pDownstream = DownstreamOf(pPin);
                FreeMediaType(pType);
            }
            pTypes->Release();
        }
        ReleaseAndClear(pPin);
    }
    pEnum->Release();
    if (result != 0) result = pDownstream != nullptr ? AddAudioGrabbers(pGraph, pDownstream) : 1;
    ReleaseAndClear(pDownstream);
    return result;
}

HRESULT CCaptureGraph::RenderOutputPins(IBaseFilter* pFilter, IGraphBuilder* pGraph)
{
    if (pFilter == nullptr || pGraph == nullptr) return E_POINTER;
    IEnumPins* pEnum = nullptr;
    HRESULT hr = pFilter->EnumPins(&pEnum);
    if (FAILED(hr)) return hr;
    IPin* pPin = nullptr;
    while ((hr = pEnum->Next(1, &pPin, nullptr)) == S_OK) {
        IPin* pPeer = nullptr;
        const HRESULT connected = pPin->ConnectedTo(&pPeer);
        ReleaseAndClear(pPeer);
        if (connected == VFW_E_NOT_CONNECTED && IsOutputPin(pPin)) hr = pGraph->Render(pPin);
        ReleaseAndClear(pPin);
        if (FAILED(hr)) break;
    }
    pEnum->Release();
    return hr;
}

HRESULT CCaptureGraph::GetPin(IBaseFilter* pFilter, PIN_DIRECTION direction, IPin** ppPin)
{
    if (pFilter == nullptr || ppPin == nullptr) return E_POINTER;
    *ppPin = nullptr;
    IEnumPins* pEnum = nullptr;
    const HRESULT hr = pFilter->EnumPins(&pEnum);
    if (FAILED(hr)) return hr;
    IPin* pPin = nullptr;
    while (pEnum->Next(1, &pPin, nullptr) == S_OK) {
        PIN_DIRECTION pinDirection = PINDIR_INPUT;
        if (SUCCEEDED(pPin->QueryDirection(&pinDirection)) && pinDirection == direction) {
            *ppPin = pPin;
            break;
        }
        ReleaseAndClear(pPin);
    }
    pEnum->Release();
    return *ppPin != nullptr ? S_OK : E_FAIL;
}

IPin* CCaptureGraph::GetInputPin(IBaseFilter* pFilter)
{
    IPin* pPin = nullptr;
    if (FAILED(GetPin(pFilter, PINDIR_INPUT, &pPin))) return nullptr;
    pPin->Release(); // the filter holds the pin
    return pPin;
}

IPin* CCaptureGraph::GetOutputPin(IBaseFilter* pFilter)
{
    IPin* pPin = nullptr;
    if (FAILED(GetPin(pFilter, PINDIR_OUTPUT, &pPin))) return nullptr;
    pPin->Release(); // the filter holds the pin
    return pPin;
}
