// The capture pin of a capture-device filter: an output pin of video whose IAMStreamConfig is the
// filter's. The filter provides SetFormat, GetFormat, CapabilityCount, GetStreamCaps and
// CurrentFormat.
#pragma once

#include "platform/dshow/device_controls.h"
#include "platform/dshow/filter.h"

namespace zv::dshow {

template <typename CaptureFilter>
class StreamConfigPin final : public Pin, public IAMStreamConfig {
public:
    explicit StreamConfigPin(CaptureFilter& owner)
        : Pin(owner, PINDIR_OUTPUT, "src", MEDIATYPE_Video, PIN_CATEGORY_CAPTURE), m_filter(owner)
    {
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Pin::QueryInterface(riid, ppv); }
    ULONG AddRef() override { return Pin::AddRef(); }
    ULONG Release() override { return Pin::Release(); }

    HRESULT SetFormat(AM_MEDIA_TYPE* pmt) override { return m_filter.SetFormat(pmt); }
    HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) override { return m_filter.GetFormat(ppmt); }
    HRESULT GetNumberOfCapabilities(int* piCount, int* piSize) override
    {
        if (piCount == nullptr || piSize == nullptr) return E_POINTER;
        *piCount = m_filter.CapabilityCount();
        *piSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
        return S_OK;
    }
    HRESULT GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) override
    {
        return m_filter.GetStreamCaps(iIndex, ppmt, pSCC);
    }

    std::optional<VideoFormat> CurrentVideoFormat() const override { return m_filter.CurrentFormat(); }
    HRESULT QueryPinInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaceFrom({{IID_IAMStreamConfig, static_cast<IAMStreamConfig*>(this)}}, riid, ppv);
    }

private:
    CaptureFilter& m_filter;
};

} // namespace zv::dshow
