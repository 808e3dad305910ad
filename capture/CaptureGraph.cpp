#include "capture/CaptureGraph.h"

#include "capture/ComRelease.h"
#include "capture/GraphMessage.h"
#include "platform/win32/com.h"

CCaptureGraph::CCaptureGraph() : m_VideoGrabber(m_nWidth, m_nHeight)
{
}

CCaptureGraph::~CCaptureGraph()
{
    if (m_pMediaControl != nullptr && SUCCEEDED(m_pMediaControl->Stop())) StopGraph();
    StopGraph();
}

HRESULT CCaptureGraph::GetInterfaces()
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&m_pGraph));
    if (FAILED(hr)) {
        ShowGraphMessage("GetInterfaces: CoCreateInstance(CLSID_FilterGraph) failed with error code 0x%08X", hr);
        return hr;
    }
    hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                          reinterpret_cast<void**>(&m_pBuilder));
    if (FAILED(hr)) {
        ShowGraphMessage("GetInterfaces: CoCreateInstance(CLSID_CaptureGraphBuilder2) failed with error code 0x%08X",
                         hr);
        return hr;
    }
    hr = m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pMediaControl));
    if (FAILED(hr)) {
        ShowGraphMessage("GetInterfaces: QueryInterface(IID_IMediaControl) failed with error code 0x%08X", hr);
        return hr;
    }
    hr = m_pGraph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&m_pVideoWindow));
    if (FAILED(hr)) {
        ShowGraphMessage("GetInterfaces: QueryInterface(IID_IVideoWindow) failed with error code 0x%08X", hr);
        return hr;
    }
    // The pointer is used as IMediaEventEx, so that is the interface asked for.
    hr = m_pGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_pMediaEventEx));
    if (FAILED(hr)) {
        ShowGraphMessage("GetInterfaces: QueryInterface(IID_IMediaEvent) failed with error code 0x%08X", hr);
        return hr;
    }
    IBaseFilter* pGrabberFilter = nullptr;
    hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(&pGrabberFilter));
    if (FAILED(hr)) {
        ShowGraphMessage("GetInterfaces: CoCreateInstance(CLSID_SampleGrabber) failed with error code 0x%08X", hr);
        return hr;
    }
    hr = pGrabberFilter->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&m_pGrabber));
    pGrabberFilter->Release();
    if (FAILED(hr)) {
        ShowGraphMessage("GetInterfaces: QueryInterface(IID_ISampleGrabber) failed with error code 0x%08X", hr);
        return hr;
    }
    hr = m_pBuilder->SetFiltergraph(m_pGraph);
    if (FAILED(hr)) ShowGraphMessage("GetInterfaces: SetFiltergraph() failed with error code 0x%08X", hr);
    return hr;
}

int CCaptureGraph::SetDevice()
{
    std::string strError;
    HRESULT hr = FindCaptureDevice(m_Device, &m_pCapture, strError);
    if (FAILED(hr)) {
        ShowGraphMessage("SetDevice: FindCaptureDevice() failed with error code 0x%08x while looking for device:\r\n"
                         "Name: %s\r\nDescription: %s\r\nPath: %s\r\n\n\r\nError message:\r\n%s",
                         hr, m_Device.m_strFriendlyName.c_str(), m_Device.m_strDescription.c_str(),
                         m_Device.m_strDevicePath.c_str(), strError.c_str());
        return 1;
    }
    hr = m_pGraph->AddFilter(m_pCapture, nullptr);
    if (FAILED(hr)) {
        ShowGraphMessage("SetDevice: AddFilter() failed with error code 0x%08x", hr);
        return 1;
    }
    IBaseFilter* pGrabberFilter = nullptr;
    hr = m_pGrabber->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&pGrabberFilter));
    if (FAILED(hr)) {
        ShowGraphMessage("SetDevice: QueryInterface(IID_IBaseFilter) failed with error code 0x%08x", hr);
        return 1;
    }
    hr = m_pGraph->AddFilter(pGrabberFilter, u"Video Grabber");
    if (FAILED(hr)) {
        ShowGraphMessage("SetDevice: AddFilter(IID_IBaseFilter) failed with error code 0x%08x", hr);
        pGrabberFilter->Release();
        return 1;
    }

    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    mt.bFixedSizeSamples = TRUE;
    mt.bTemporalCompression = FALSE;
    mt.lSampleSize = 1;
    mt.formattype = FORMAT_VideoInfo;
    hr = m_pGrabber->SetMediaType(&mt);
    if (FAILED(hr)) ShowGraphMessage("SetDevice: SetMediaType() failed with error code 0x%08x", hr);
    hr = m_pGrabber->SetBufferSamples(FALSE);
    if (FAILED(hr)) ShowGraphMessage("SetDevice: SetBufferSamples(FALSE) failed with error code 0x%08x", hr);
    hr = m_pGrabber->SetCallback(&m_VideoGrabber, 1);
    if (FAILED(hr)) ShowGraphMessage("SetDevice: SetCallback() failed with error code 0x%08x", hr);

    // No reference clock: samples arrive as fast as the device makes them.
    IMediaFilter* pMediaFilter = nullptr;
    if (SUCCEEDED(m_pGraph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&pMediaFilter)))) {
        pMediaFilter->SetSyncSource(nullptr);
        pMediaFilter->Release();
    }

    if (FAILED(m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, m_pCapture, IID_IAMStreamConfig,
                                         reinterpret_cast<void**>(&m_pStreamConfig))))
        m_pStreamConfig = nullptr;
    ApplyRequestedSize();

    IBaseFilter* pRenderer = nullptr;
    if (!m_bShowVideoWindow) {
        if (SUCCEEDED(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       reinterpret_cast<void**>(&pRenderer))))
            m_pGraph->AddFilter(pRenderer, u"Null");
        else
            pRenderer = nullptr;
    }
    hr = m_pBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_pCapture, pGrabberFilter, pRenderer);
    ReleaseAndClear(pRenderer);
    ReleaseAndClear(pGrabberFilter);
    if (FAILED(hr)) {
        ShowGraphMessage("This device is not supported.\r\nSetDevice: RenderStream() failed with error code 0x%08x", hr);
        ReleaseAndClear(m_pCapture); // once: StopGraph finds it gone
        StopGraph();
        return 1;
    }

    if (FAILED(m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, m_pCapture, IID_IAMVideoProcAmp,
                                         reinterpret_cast<void**>(&m_pProcAmp))))
        m_pProcAmp = nullptr;
    if (FAILED(m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, m_pCapture, IID_IAMVideoControl,
                                         reinterpret_cast<void**>(&m_pVideoControl))))
        m_pVideoControl = nullptr;
    return 0;
}

int CCaptureGraph::SetNotifyWindow()
{
    if (m_pMediaEventEx == nullptr) return 1;
    const HRESULT hr = m_pMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWndNotify),
                                                        static_cast<LONG>(m_nNotifyMsg), 0);
    return FAILED(hr) ? 1 : 0;
}

int CCaptureGraph::StartPreview()
{
    m_bPlayFile = 0;
    if (m_nState == 2) return 0;
    const bool build = m_nState == 0;
    if (build) {
        // A new graph: whatever size the last one delivered says nothing about this one.
        m_VideoGrabber.SetFrameSize(0, 0);
        if (FAILED(GetInterfaces()) || SetDevice() != 0 || SetNotifyWindow() != 0 ||
            (m_bShowVideoWindow && CreateVideoWindow() != 0)) {
            StopGraph();
            return 1;
        }
        if (m_nReqWidth == 0) SelectLargestSize();
        SetFrameRate();
    }
    return RunGraph(build);
}

int CCaptureGraph::RunGraph(bool freshlyBuilt)
{
    const HRESULT hr = m_pMediaControl->Run();
    if (FAILED(hr)) {
        ShowGraphMessage("StartPreview: Run() failed with error code 0x%08X", hr);
        // A graph built for this run is not left behind half-started.
        if (freshlyBuilt) StopGraph();
        return 1;
    }
    if (hr == S_FALSE) {
        // Up to 5 s, then up to five more waits of 3 s; a graph still changing after that counts
        // as running, a failed change at any point ends the start.
        OAFilterState state = State_Stopped;
        HRESULT wait = m_pMediaControl->GetState(5000, &state);
        for (int more = 0; more < 5 && wait != S_OK && SUCCEEDED(wait); ++more)
            wait = m_pMediaControl->GetState(3000, &state);
        if (FAILED(wait)) {
            ShowGraphMessage("Error starting preview: transition hasn't completed successfully.");
            if (freshlyBuilt)
                StopGraph();
            else
                StopPreview();
            return 1;
        }
    }
    m_nState = 2;
    if (m_pVideoWindow != nullptr) m_pVideoWindow->put_Visible(TRUE);
    ReadConnectedSize();
    return 0;
}

void CCaptureGraph::ReadConnectedSize()
{
    AM_MEDIA_TYPE mt{};
    const HRESULT hr = m_pGrabber != nullptr ? m_pGrabber->GetConnectedMediaType(&mt) : E_POINTER;
    if (SUCCEEDED(hr)) {
        if (mt.pbFormat != nullptr && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
            const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
            m_VideoGrabber.SetFrameSize(info->bmiHeader.biWidth, info->bmiHeader.biHeight);
        } else {
            m_VideoGrabber.SetFrameSize(0, 0);
        }
        CoTaskMemFree(mt.pbFormat);
        if (mt.pUnk != nullptr) mt.pUnk->Release();
        return;
    }
    if (hr == E_POINTER)
        ShowGraphMessage("StartPreview: GetConnectedMediaType() failed with error \"NULL pointer argument\"");
    else if (hr == VFW_E_NOT_CONNECTED)
        ShowGraphMessage("StartPreview: GetConnectedMediaType() failed with error \"The filter is not connected\"");
    else
        ShowGraphMessage("StartPreview: GetConnectedMediaType() failed with error code 0x%08X", hr);
    // The frame callback then takes the size from the sample length.
    m_VideoGrabber.SetFrameSize(0, 0);
}

int CCaptureGraph::Pause()
{
    if (m_nState != 2) return 0;
    const HRESULT hr = m_pMediaControl->Pause();
    if (FAILED(hr)) return 1;
    if (hr == S_FALSE) {
        OAFilterState state = State_Stopped;
        m_pMediaControl->GetState(5000, &state);
    }
    m_nState = 1;
    return 0;
}

int CCaptureGraph::StopPreview()
{
    if (m_nState == 0) return 0;
    if (m_pMediaControl != nullptr && FAILED(m_pMediaControl->Stop())) return 1;
    StopGraph();
    return 0;
}

void CCaptureGraph::StopGraph()
{
    if (m_pMediaControl != nullptr) m_pMediaControl->StopWhenReady();
    m_nState = 0;
    if (m_pMediaEventEx != nullptr) m_pMediaEventEx->SetNotifyWindow(0, 0, 0);
    if (m_pVideoWindow != nullptr) {
        m_pVideoWindow->put_Visible(FALSE);
        m_pVideoWindow->put_Owner(0);
    }
    ReleaseAndClear(m_pMediaSeeking);
    ReleaseAndClear(m_pFileSource);
    ReleaseAndClear(m_pCapture);
    ReleaseAndClear(m_pGrabber);
    ReleaseAndClear(m_pAudioGrabber);
    ReleaseAndClear(m_pProcAmp);
    ReleaseAndClear(m_pVideoControl);
    ReleaseAndClear(m_pStreamConfig);
    ReleaseAndClear(m_pMediaControl);
    ReleaseAndClear(m_pMediaEventEx);
    ReleaseAndClear(m_pVideoWindow);
    ReleaseAndClear(m_pGraph);
    ReleaseAndClear(m_pBuilder);
}

int CCaptureGraph::SelectDevice(const DeviceInfo* pDevice)
{
    if (pDevice == nullptr) return 0;
    const bool wasRunning = m_nState == 2;
    if (m_pMediaControl != nullptr) {
        // A device that cannot be stopped keeps running: the selection has not happened.
        if (FAILED(m_pMediaControl->Stop())) return 1;
        StopGraph();
    }
    m_Device.m_strDescription = pDevice->m_strDescription;
    m_Device.m_strDevicePath = pDevice->m_strDevicePath;
    m_Device.m_strFriendlyName = pDevice->m_strFriendlyName;
    return wasRunning ? StartPreview() : 0;
}
