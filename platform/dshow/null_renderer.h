// The Null Renderer (CLSID_NullRenderer): takes every sample and drops it.
#pragma once

#include "platform/dshow/filter.h"

namespace zv::dshow {

class NullRenderer final : public Filter {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    void OnRun(bool clockless) override;

private:
    NullRenderer(GstRef<GstElement> bin, GstElement* sink);

    GstElement* m_sink; // owned by the bin
};

} // namespace zv::dshow
