#include "capture/AudioGrabber.h"

HRESULT CAudioGrabber::BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen)
{
    const AudioCallback callback = m_pCallback.load();
    if (callback == nullptr) return 0;
    if (!TryEnter()) return 0;
    const std::int32_t result = callback(SampleTime, pBuffer, BufferLen);
    Leave();
    return result;
}
