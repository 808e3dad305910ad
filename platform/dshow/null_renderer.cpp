#include "platform/dshow/null_renderer.h"

namespace zv::dshow {

HRESULT NullRenderer::Create(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!EnsureGstreamer()) return E_FAIL;
    GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    GstRef<GstElement> sink = MakeElement("fakesink");
    if (!sink) return E_FAIL;
    gst_bin_add(GST_BIN(bin.get()), sink.get());
    if (!AddGhostPad(bin.get(), sink.get(), "sink", "sink")) return E_FAIL;
    return HandOutNewObject(new NullRenderer(std::move(bin), sink.get()), riid, ppv);
}

NullRenderer::NullRenderer(GstRef<GstElement> bin, GstElement* sink) : Filter(std::move(bin)), m_sink(sink)
{
    AddPin(std::make_unique<Pin>(*this, PINDIR_INPUT, "sink", GUID_NULL));
}

void NullRenderer::OnRun(bool clockless)
{
    // Without a clock samples are dropped as soon as they arrive instead of at their time.
    g_object_set(m_sink, "sync", clockless ? FALSE : TRUE, nullptr);
}

} // namespace zv::dshow
