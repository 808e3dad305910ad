// A capture device's filter, bound from its moniker: the device's source element followed by the
// format the capture pin is set to. The pin offers IAMStreamConfig; the filter offers
// IAMVideoProcAmp over the device's colour-balance controls.
#pragma once

#include "platform/dshow/device_catalog.h"
#include "platform/dshow/device_controls.h"
#include "platform/dshow/filter.h"

#include <gst/video/colorbalance.h>

#include <map>

namespace zv::dshow {

class VideoCaptureFilter final : public Filter, public IAMVideoProcAmp {
public:
    static HRESULT Create(const DeviceEntry& device, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Filter::QueryInterface(riid, ppv); }
    ULONG AddRef() override { return Filter::AddRef(); }
    ULONG Release() override { return Filter::Release(); }

    HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                     LONG* pCapsFlags) override;
    HRESULT Set(LONG Property, LONG lValue, LONG Flags) override;
    HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) override;

    bool IsCaptureDevice() const override { return true; }

    // The capture pin's stream configuration.
    HRESULT SetFormat(const AM_MEDIA_TYPE* pmt);
    HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) const;
    int CapabilityCount() const { return static_cast<int>(m_capabilities.size()); }
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) const;
    const VideoFormat& CurrentFormat() const { return m_format; }

private:
    VideoCaptureFilter(GstRef<GstElement> bin, GstElement* formatFilter, std::vector<VideoCapability> capabilities);

    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    void ApplyFormat(const VideoCapability& capability);
    // The device's control for a property; null when it has none (or the device is not open).
    GstColorBalanceChannel* FindChannel(LONG property, GstColorBalance** balance);

    GstElement* m_formatFilter; // owned by the bin
    std::vector<VideoCapability> m_capabilities;
    VideoFormat m_format;
    std::map<LONG, LONG> m_defaults; // each control's value when first seen
};

} // namespace zv::dshow
