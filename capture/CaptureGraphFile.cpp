// The file half of the capture graph: a media file played through the same grabber callback as a
// device, with positions for the position slider.
#include "capture/CaptureGraph.h"

#include "capture/ComRelease.h"
#include "platform/user/message_box.h"
#include "platform/win32/com.h"
#include "platform/win32/string_conversion.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kWideNameLength = 520;
constexpr LONG kStateWaitMs = 10;
constexpr auto kTransitionLimit = std::chrono::seconds(3);

// The file name in UTF-16; false when it does not fit in kWideNameLength characters.
bool WideFileName(const std::string& name, WCHAR (&wide)[kWideNameLength])
{
    return MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, kWideNameLength) != 0;
}

// Waits in short steps for the graph to settle in the wanted state; false after the limit. The
// limit is measured on the monotonic clock: a change of the calendar clock does not shorten it.
bool WaitForState(IMediaControl* control, OAFilterState wanted)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        OAFilterState state = State_Stopped;
        const HRESULT hr = control->GetState(kStateWaitMs, &state);
        if (hr == S_OK && state == wanted) return true;
        if (FAILED(hr) || std::chrono::steady_clock::now() - start > kTransitionLimit) return false;
    }
}

} // namespace

bool CCaptureGraph::SetFileName(const char* name)
{
    m_strFileName = name != nullptr ? name : "";
    return true;
}

bool CCaptureGraph::IsWindowsMediaFile(const char* name)
{
    if (name == nullptr) return false;
    std::string lower(name, strnlen(name, 259));
    // UTF-8 text: only ASCII letters change case; the extensions are ASCII.
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    for (const char* extension : {".asf", ".wma", ".wmv"}) {
        if (lower.find(extension) != std::string::npos) return true;
    }
    return false;
}

void CCaptureGraph::ShowFormattedError(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    MessageBoxA(nullptr, text, nullptr, MB_OK);
}

bool CCaptureGraph::PlayFile()
{
    m_bPlayFile = 1;
    if (m_nState == 1) {
        if (FAILED(m_pMediaControl->Run())) return false;
        m_nState = 2;
        return true;
    }
    if (m_nState == 2) return false;
    const bool built = IsWindowsMediaFile(m_strFileName.c_str()) ? BuildAsfGraph() : BuildFileGraph();
    if (!built) {
        StopGraph();
        return false;
    }
    m_nState = 2;
    return true;
}

bool CCaptureGraph::PausePlayback()
{
    if (m_nState != 2) return true;
    const HRESULT hr = m_pMediaControl->Pause();
    if (FAILED(hr)) return false;
    if (hr == S_FALSE) {
        OAFilterState state = State_Stopped;
        m_pMediaControl->GetState(5000, &state);
    }
    m_nState = 1;
    return true;
}

void CCaptureGraph::RestoreState(OAFilterState state)
{
    if (state == State_Paused && m_pMediaControl != nullptr)
        m_pMediaControl->Pause();
    else if (state == State_Running)
        RunAndWait();
}

bool CCaptureGraph::SeekTo(const std::int64_t position)
{
    OAFilterState previous = State_Running;
    bool applied = false;
    if (m_pMediaSeeking != nullptr) {
        if (m_pMediaControl != nullptr) m_pMediaControl->GetState(kStateWaitMs, &previous);
        if (!StopAndWait()) return false;
        LONGLONG stop = 0;
        if (FAILED(m_pMediaSeeking->GetStopPosition(&stop))) return false;
        if (position <= stop) {
            LONGLONG current = position;
            if (FAILED(m_pMediaSeeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr,
                                                     AM_SEEKING_NoPositioning)))
                return false;
            applied = true;
        }
    }
    RestoreState(previous);
    return applied;
}

bool CCaptureGraph::GetPositions(std::int64_t* pCurrent, std::int64_t* pStop)
{
    if (m_pMediaSeeking == nullptr || pCurrent == nullptr || pStop == nullptr) return false;
    LONGLONG current = 0;
    LONGLONG stop = 0;
    if (FAILED(m_pMediaSeeking->GetPositions(&current, &stop))) return false;
    *pCurrent = current;
    *pStop = stop;
    return true;
}

bool CCaptureGraph::StopAndWait()
{
    if (m_pMediaControl == nullptr) return false;
    OAFilterState previous = State_Stopped;
    m_pMediaControl->GetState(kStateWaitMs, &previous);
    m_pMediaControl->StopWhenReady();
    if (WaitForState(m_pMediaControl, State_Stopped)) return true;
    // A graph that would not stop is not left half-way: it goes back to what it was doing.
    RestoreState(previous);
    return false;
}

bool CCaptureGraph::RunAndWait()
{
    if (m_pMediaControl == nullptr) return false;
    OAFilterState state = State_Stopped;
    if (m_pMediaControl->GetState(kStateWaitMs, &state) == S_OK && state == State_Running) return true;
    if (FAILED(m_pMediaControl->Run())) return false;
    return WaitForState(m_pMediaControl, State_Running);
}

HRESULT CCaptureGraph::CreateVideoDecoderDmo(IBaseFilter** ppFilter)
{
    // The platform picks the decoder of each stream itself; there is no decoder object to add.
    if (ppFilter != nullptr) *ppFilter = nullptr;
    return E_FAIL;
}

bool CCaptureGraph::ConnectFileSource(IBaseFilter* pSource, IBaseFilter* pGrabber, bool showErrors)
{
    const auto fail = [showErrors](const char* text, HRESULT hr) {
        if (showErrors) ShowFormattedError(text, static_cast<unsigned>(hr));
        return false;
    };
    IPin* pSourcePin = GetOutputPin(pSource);
    IPin* pGrabPin = GetInputPin(pGrabber);
    HRESULT hr = pSourcePin && pGrabPin ? m_pGraph->Connect(pSourcePin, pGrabPin) : E_FAIL;
    if (FAILED(hr)) return fail("FAILED(hr=0x%x) in m_pGraph->Connect(pSourcePin, pGrabPin)\n", hr);
    if (!m_bShowVideoWindow) {
        IBaseFilter* pNull = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       reinterpret_cast<void**>(&pNull)))) {
            m_pGraph->AddFilter(pNull, u"Null");
            pNull->Release();
        }
    }
    IPin* pGrabOutPin = GetOutputPin(pGrabber);
    hr = pGrabOutPin ? m_pGraph->Render(pGrabOutPin) : E_FAIL;
    if (FAILED(hr)) return fail("FAILED(hr=0x%x) in m_pGraph->Render(pGrabOutPin)\n", hr);
    AddAudioGrabbers(m_pGraph, pSource);
    RenderOutputPins(pSource, m_pGraph);

    hr = m_pGrabber->SetBufferSamples(FALSE);
    if (FAILED(hr)) return fail("FAILED(hr=0x%x) in m_pGrabber->SetBufferSamples(FALSE)\n", hr);
    hr = m_pGrabber->SetCallback(&m_VideoGrabber, 1);
    if (FAILED(hr)) return fail("FAILED(hr=0x%x) in m_pGrabber->SetCallback(&m_VideoGrabber, 1)\n", hr);

    if (m_bShowVideoWindow) {
        hr = m_pGraph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&m_pVideoWindow));
        if (FAILED(hr))
            return fail("FAILED(hr=0x%x) in m_pGraph->QueryInterface(IID_IVideoWindow, (void**) &m_pVideoWindow)\n", hr);
        if (CreateVideoWindow() != 0) {
            if (showErrors) MessageBoxA(nullptr, "CreateVideoWindow() failed", nullptr, MB_OK);
            return false;
        }
        hr = m_pVideoWindow->put_AutoShow(FALSE);
        if (FAILED(hr)) return fail("FAILED(hr=0x%x) in m_pVideoWindow->put_AutoShow(OAFALSE)\n", hr);
    }
    hr = m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pMediaControl));
    if (FAILED(hr))
        return fail("FAILED(hr=0x%x) in m_pGraph->QueryInterface(IID_IMediaControl, (void**) &m_pMediaControl)\n", hr);
    hr = m_pMediaControl->Run();
    if (FAILED(hr)) return fail("FAILED(hr=0x%x) in m_pMediaControl->Run()\n", hr);
    if (m_bShowVideoWindow) {
        ResizeVideoWindow();
        ShowVideoWindow();
    }

    AM_MEDIA_TYPE mt{};
    hr = m_pGrabber->GetConnectedMediaType(&mt);
    if (FAILED(hr)) return fail("FAILED(hr=0x%x) in m_pGrabber->GetConnectedMediaType(&mt)\n", hr);
    if (mt.pbFormat != nullptr && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        VIDEOINFOHEADER info;
        std::memcpy(&info, mt.pbFormat, sizeof info);
        m_VideoGrabber.SetFrameSize(info.bmiHeader.biWidth, info.bmiHeader.biHeight);
    }
    CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk != nullptr) mt.pUnk->Release();
    return true;
}

bool CCaptureGraph::BuildFileGraph()
{
    if (m_strFileName.empty()) return false;
    // The last graph's frame size says nothing about this file: the callback derives the new one
    // until the connection tells it.
    m_VideoGrabber.SetFrameSize(0, 0);
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&m_pGraph));
    if (FAILED(hr)) {
        ShowFormattedError("FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC, "
                           "IID_IGraphBuilder, (void **) &m_pGraph)\n",
                           static_cast<unsigned>(hr));
        return false;
    }
    hr = m_pGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_pMediaEventEx));
    if (FAILED(hr)) {
        ShowFormattedError("FAILED(hr=0x%x) in m_pGraph->QueryInterface(IID_IMediaEventEx, (void**) &m_pMediaEventEx)\n",
                           static_cast<unsigned>(hr));
        return false;
    }
    hr = m_pMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWndNotify), static_cast<LONG>(m_nNotifyMsg), 0);
    if (FAILED(hr)) {
        ShowFormattedError("FAILED(hr=0x%x) in m_pMediaEventEx->SetNotifyWindow((OAHWND) m_hWndNotify, m_nNotifyMsg, 0)\n",
                           static_cast<unsigned>(hr));
        return false;
    }
    hr = m_pGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_pMediaSeeking));
    if (FAILED(hr)) {
        ShowFormattedError("FAILED(hr=0x%x) in m_pGraph->QueryInterface(IID_IMediaSeeking, (void**) &m_pMediaSeeking)\n",
                           static_cast<unsigned>(hr));
        return false;
    }
    m_pMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);

    IBaseFilter* pGrabber = nullptr;
    hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(&pGrabber));
    if (FAILED(hr)) {
        ShowFormattedError("FAILED(hr=0x%x) in pGrabber.CoCreateInstance(CLSID_SampleGrabber)\n", static_cast<unsigned>(hr));
        return false;
    }
    IBaseFilter* pSource = nullptr;
    const bool built = [&] {
        HRESULT step = pGrabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&m_pGrabber));
        if (FAILED(step)) {
            ShowFormattedError("FAILED(hr=0x%x) in pGrabber->QueryInterface(IID_ISampleGrabber, (void**) &m_pGrabber)\n",
                               static_cast<unsigned>(step));
            return false;
        }
        AM_MEDIA_TYPE mt{};
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = MEDIASUBTYPE_RGB24;
        step = m_pGrabber->SetMediaType(&mt);
        if (FAILED(step)) {
            ShowFormattedError("FAILED(hr=0x%x) in m_pGrabber->SetMediaType(&mt)\n", static_cast<unsigned>(step));
            return false;
        }
        WCHAR wstrFileName[kWideNameLength];
        if (!WideFileName(m_strFileName, wstrFileName)) return false;
        step = m_pGraph->AddSourceFilter(wstrFileName, u"Source filter", &pSource);
        if (FAILED(step)) {
            ShowFormattedError("FAILED(hr=0x%x) in m_pGraph->AddSourceFilter(wstrFileName, L\"Source filter\", &pSource)\n",
                               static_cast<unsigned>(step));
            return false;
        }
        step = m_pGraph->AddFilter(pGrabber, u"Grabber");
        if (FAILED(step)) {
            ShowFormattedError("FAILED(hr=0x%x) in m_pGraph->AddFilter(pGrabber, L\"Grabber\")\n", static_cast<unsigned>(step));
            return false;
        }
        return ConnectFileSource(pSource, pGrabber, true);
    }();
    ReleaseAndClear(pSource);
    ReleaseAndClear(pGrabber);
    return built;
}

bool CCaptureGraph::BuildAsfGraph()
{
    if (m_strFileName.empty()) return false;
    m_VideoGrabber.SetFrameSize(0, 0);
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_pGraph))) ||
        FAILED(m_pGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_pMediaEventEx))) ||
        FAILED(m_pMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWndNotify), static_cast<LONG>(m_nNotifyMsg), 0)))
        return false;

    IBaseFilter* pReader = nullptr;
    IBaseFilter* pGrabber = nullptr;
    const bool built = [&] {
        WCHAR wstrFileName[kWideNameLength];
        if (FAILED(CoCreateInstance(CLSID_WMAsfReader, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    reinterpret_cast<void**>(&pReader))) ||
            FAILED(m_pGraph->AddFilter(pReader, u"ASF Reader")) || !WideFileName(m_strFileName, wstrFileName) ||
            FAILED(pReader->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&m_pFileSource))) ||
            FAILED(m_pFileSource->Load(wstrFileName, nullptr)))
            return false;
        AM_MEDIA_TYPE mt{};
        mt.majortype = MEDIATYPE_Video;
        if (FAILED(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    reinterpret_cast<void**>(&pGrabber))) ||
            FAILED(pGrabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&m_pGrabber))) ||
            FAILED(m_pGrabber->SetMediaType(&mt)) || FAILED(m_pGraph->AddFilter(pGrabber, u"Sample Grabber")))
            return false;
        // The reader's video output goes straight to the grabber: the platform decodes it.
        IBaseFilter* pDecoder = nullptr;
        if (SUCCEEDED(CreateVideoDecoderDmo(&pDecoder))) ReleaseAndClear(pDecoder);
        if (FAILED(m_pGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_pMediaSeeking))))
            return false;
        m_pMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
        return ConnectFileSource(pReader, pGrabber, false);
    }();
    ReleaseAndClear(pGrabber);
    ReleaseAndClear(pReader);
    return built;
}
