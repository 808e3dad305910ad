#include "capture/CaptureGraph.h"

#include "platform/win32/com.h"

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

VIDEOINFOHEADER* VideoInfoOf(AM_MEDIA_TYPE* pmt)
{
    return reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat);
}

} // namespace

void CCaptureGraph::FreeMediaType(AM_MEDIA_TYPE* pmt)
{
    if (pmt == nullptr) return;
    if (pmt->cbFormat != 0) CoTaskMemFree(pmt->pbFormat);
    if (pmt->pUnk != nullptr) pmt->pUnk->Release();
    CoTaskMemFree(pmt);
}

namespace {

// The capture pin's current format when it is a usable video format; the caller frees it.
AM_MEDIA_TYPE* UsableFormat(IAMStreamConfig* pStreamConfig)
{
    if (pStreamConfig == nullptr) return nullptr;
    AM_MEDIA_TYPE* pmt = nullptr;
    if (FAILED(pStreamConfig->GetFormat(&pmt)) || pmt == nullptr) return nullptr;
    if (pmt->majortype != MEDIATYPE_Video || pmt->formattype != FORMAT_VideoInfo || pmt->pbFormat == nullptr ||
        pmt->cbFormat < sizeof(VIDEOINFOHEADER)) {
        CCaptureGraph::FreeMediaType(pmt);
        return nullptr;
    }
    return pmt;
}

} // namespace

HRESULT CCaptureGraph::SetStreamFormat(AM_MEDIA_TYPE* pmt)
{
    if (pmt == nullptr) return E_POINTER;
    if (m_pStreamConfig == nullptr) return E_UNEXPECTED;
    const HRESULT hr = m_pStreamConfig->SetFormat(pmt);
    return FAILED(hr) ? hr : S_OK;
}

int CCaptureGraph::ApplyRequestedSize()
{
    AM_MEDIA_TYPE* pmt = UsableFormat(m_pStreamConfig);
    if (pmt == nullptr) return 1;
    int result = 0;
    BITMAPINFOHEADER& header = VideoInfoOf(pmt)->bmiHeader;
    if (header.biWidth != m_nReqWidth || header.biHeight != m_nReqHeight) {
        header.biWidth = m_nReqWidth;
        header.biHeight = m_nReqHeight;
        header.biBitCount = 24;
        // The frame size follows the device only when the device took the new size.
        if (FAILED(SetStreamFormat(pmt)))
            result = 1;
        else
            m_VideoGrabber.SetFrameSize(m_nReqWidth, m_nReqHeight);
    }
    FreeMediaType(pmt);
    return result;
}

HRESULT CCaptureGraph::ScanStreamCaps()
{
    if (m_pStreamConfig == nullptr) return E_UNEXPECTED;
    int count = 0;
    int size = 0;
    HRESULT hr = m_pStreamConfig->GetNumberOfCapabilities(&count, &size);
    if (FAILED(hr)) return hr;
    if (size != sizeof(VIDEO_STREAM_CONFIG_CAPS)) return E_FAIL;
    for (int i = 0; i < count; ++i) {
        VIDEO_STREAM_CONFIG_CAPS caps{};
        AM_MEDIA_TYPE* pmt = nullptr;
        if (m_pStreamConfig->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
        // Widths decide; the heights come along.
        if (caps.MinCroppingSize.cx < m_sizeMin.cx) m_sizeMin = caps.MinCroppingSize;
        if (caps.MaxCroppingSize.cx > m_sizeMax.cx) m_sizeMax = caps.MaxCroppingSize;
        FreeMediaType(pmt);
    }
    return S_OK;
}

int CCaptureGraph::SelectLargestSize()
{
    m_sizeMax = {160, 120};
    m_sizeMin = {640, 480};
    ScanStreamCaps();
    AM_MEDIA_TYPE* pmt = UsableFormat(m_pStreamConfig);
    if (pmt == nullptr) return 1;
    BITMAPINFOHEADER& header = VideoInfoOf(pmt)->bmiHeader;
    header.biWidth = m_sizeMax.cx;
    header.biHeight = m_sizeMax.cy;
    header.biBitCount = 24;
    if (m_pMediaControl != nullptr) m_pMediaControl->Stop();
    const HRESULT hr = SetStreamFormat(pmt);
    // Frames of the new size must not be read with the old one.
    if (SUCCEEDED(hr)) m_VideoGrabber.SetFrameSize(m_sizeMax.cx, m_sizeMax.cy);
    if (m_pMediaControl != nullptr && m_nState == 2) m_pMediaControl->Run();
    FreeMediaType(pmt);
    return FAILED(hr) ? 1 : 0;
}

int CCaptureGraph::SetFrameRate()
{
    if (m_nFps == 0) m_nFps = 15;
    AM_MEDIA_TYPE* pmt = UsableFormat(m_pStreamConfig);
    if (pmt == nullptr) return 1;
    VideoInfoOf(pmt)->AvgTimePerFrame = kUnitsPerSecond / m_nFps;
    // A running graph runs again afterwards; a paused one stays stopped.
    if (m_pMediaControl != nullptr) m_pMediaControl->Stop();
    const HRESULT hr = SetStreamFormat(pmt);
    if (m_pMediaControl != nullptr && m_nState == 2) m_pMediaControl->Run();
    FreeMediaType(pmt);
    if (FAILED(hr)) return 1;
    m_nFps = GetFrameRate();
    return 0;
}

int CCaptureGraph::GetFrameRate()
{
    if (m_nState == 0) return m_nFps;
    AM_MEDIA_TYPE* pmt = UsableFormat(m_pStreamConfig);
    if (pmt == nullptr) return 0;
    const REFERENCE_TIME interval = VideoInfoOf(pmt)->AvgTimePerFrame;
    FreeMediaType(pmt);
    return interval == 0 ? 0 : static_cast<int>(kUnitsPerSecond / interval);
}
