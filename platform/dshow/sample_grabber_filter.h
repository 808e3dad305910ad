// The Sample Grabber filter (CLSID_SampleGrabber): converts what it receives to 24-bit RGB and
// hands every frame, bottom-up, to its callback on the streaming thread, then passes it on.
#pragma once

#include "platform/dshow/filter.h"
#include "platform/dshow/sample_grabber.h"

#include <mutex>
#include <vector>

namespace zv::dshow {

class SampleGrabberFilter final : public Filter, public ISampleGrabber {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Filter::QueryInterface(riid, ppv); }
    ULONG AddRef() override { return Filter::AddRef(); }
    ULONG Release() override { return Filter::Release(); }

    HRESULT SetMediaType(const AM_MEDIA_TYPE* pType) override;
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* pType) override;
    HRESULT SetBufferSamples(BOOL BufferThem) override;
    HRESULT SetCallback(ISampleGrabberCB* pCallback, LONG WhichMethodToCallback) override;

    // Without a media type set, audio passes through untouched (and is not handed to the callback).
    void OnInputConnecting(Pin& input, const Pin& output) override;
    void OnRun(bool clockless) override;
    void OnStop() override;

private:
    SampleGrabberFilter(GstRef<GstElement> bin, GstElement* converted);
    ~SampleGrabberFilter() override;

    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void Deliver(GstPad* pad, GstBuffer* buffer);

    Pin* m_input = nullptr;
    Pin* m_output = nullptr;
    GstRef<GstPad> m_convertedPad; // where the frames are taken from

    // Held while a callback runs, so that Stop and SetCallback wait for it to end.
    std::mutex m_callbackMutex;
    ISampleGrabberCB* m_callback = nullptr; // one reference
    bool m_streaming = false;
    std::vector<BYTE> m_frame; // streaming thread only
};

} // namespace zv::dshow
