#include "capture/VideoGrabber.h"

CVideoGrabber::CVideoGrabber(std::int32_t& width, std::int32_t& height) : m_nWidth(width), m_nHeight(height)
{
}

HRESULT CVideoGrabber::BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen)
{
    const FrameCallback callback = m_pCallback.load();
    if (callback == nullptr) return 0;
    if (!TryEnter()) return 0;
    FrameSize size{m_nWidth, m_nHeight};
    const std::int32_t result = callback(SampleTime, pBuffer, BufferLen, &size);
    m_nWidth = size.width;
    m_nHeight = size.height;
    Leave();
    return result;
}

FrameSize CVideoGrabber::GetFrameSize()
{
    Enter();
    const FrameSize size{m_nWidth, m_nHeight};
    Leave();
    return size;
}

void CVideoGrabber::SetFrameSize(std::int32_t width, std::int32_t height)
{
    Enter();
    m_nWidth = width;
    m_nHeight = height;
    Leave();
}
