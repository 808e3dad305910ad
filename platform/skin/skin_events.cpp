#include "platform/skin/skin_events.h"

#include "platform/skin/skin_interfaces.h"

namespace zv::skin {

SkinEventTarget::~SkinEventTarget() { SetSink(nullptr); }

void SkinEventTarget::SetSink(IDispatch* sink)
{
    if (sink)
        sink->AddRef();
    if (m_sink)
        m_sink->Release();
    m_sink = sink;
}

void SkinEventTarget::Fire(DISPID id, VARIANTARG* arguments, UINT count)
{
    IDispatch* sink = m_sink;
    if (!sink)
        return;
    // The handler may run a modal loop or close the control's dialog, and its host then lets go of
    // the control and the sink: both live until the call returns.
    IUnknown* owner = m_owner;
    if (owner)
        owner->AddRef();
    sink->AddRef();
    DISPPARAMS params{arguments, nullptr, count, 0};
    UINT argumentError = 0;
    sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argumentError);
    sink->Release();
    if (owner)
        owner->Release();
}

void SkinEventTarget::FireClick(IUnknown* element)
{
    VARIANTARG argument;
    VariantInit(&argument);
    argument.vt = VT_UNKNOWN;
    argument.punkVal = element;
    Fire(kSkinEventClick, &argument, 1);
}

void SkinEventTarget::FireScroll(IUnknown* element, LONG position)
{
    // Arguments go last first: the position, then the element.
    VARIANTARG arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    arguments[0].vt = VT_I4;
    arguments[0].lVal = position;
    arguments[1].vt = VT_UNKNOWN;
    arguments[1].punkVal = element;
    Fire(kSkinEventScroll, arguments, 2);
}

} // namespace zv::skin
