// Where a control's events go: the sink its container gave, called as IDispatch::Invoke with the
// event's dispatch id. Forms applied through a control's engine fire through that control's target;
// once the control is gone the target drops its sink and events go nowhere. While an event is
// out, the control and the sink are held: a handler may close the control's dialog.
#pragma once

#include "platform/win32/dispatch.h"

namespace zv::skin {

class SkinEventTarget {
public:
    SkinEventTarget() = default;
    ~SkinEventTarget();
    SkinEventTarget(const SkinEventTarget&) = delete;
    SkinEventTarget& operator=(const SkinEventTarget&) = delete;

    // Holds a reference on the sink; null drops it.
    void SetSink(IDispatch* sink);
    // The control the events come from, held only while one is out; null when it is gone.
    void SetOwner(IUnknown* owner) { m_owner = owner; }
    // The click event (the element as IUnknown).
    void FireClick(IUnknown* element);
    // The scroll event (the element as IUnknown, the new position).
    void FireScroll(IUnknown* element, LONG position);

private:
    void Fire(DISPID id, VARIANTARG* arguments, UINT count);

    IDispatch* m_sink = nullptr;
    IUnknown* m_owner = nullptr;
};

} // namespace zv::skin
