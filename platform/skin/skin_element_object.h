// The COM face of one element of a shown form. Every element answers the element, name and
// element-window interfaces; the form itself also the root-element and menu ones; texts the text
// interface, buttons the button one, sliders the scroll-bar one and check boxes the check-box one.
// Each lookup makes a new object over the same element; it stays usable after its window is gone
// (it then changes only the element's state).
#pragma once

#include "platform/skin/skin_form.h"

namespace zv::skin {

// A new object with one reference, the caller's.
IUnknown* NewSkinElement(std::shared_ptr<SkinForm> form, int index);

} // namespace zv::skin
