// Reaching skin elements by name: each lookup starts at the form's root element, asks for one
// interface and lets go of everything when the reference ends. A missing root, element or
// interface gives an empty reference, which callers skip.
#pragma once

#include "platform/skin/skin_interfaces.h"
#include "platform/win32/com_object.h"

#include <string>

template <class Interface>
using SkinRef = zv::win32::ComRef<Interface>;

// The text as the skin control takes it.
std::u16string SkinText(const char* text);

// Another interface of an object; empty when it has none.
template <class Interface>
SkinRef<Interface> QuerySkin(IUnknown* object, REFIID iid)
{
    void* result = nullptr;
    if (object == nullptr || FAILED(object->QueryInterface(iid, &result)))
        return {};
    return SkinRef<Interface>::Adopt(static_cast<Interface*>(result));
}

// The element of that name under the root, as the interface asked for.
template <class Interface>
SkinRef<Interface> FindSkinElement(ISkinRootElement* root, const char* name, REFIID iid)
{
    if (root == nullptr || name == nullptr)
        return {};
    ISkinElement* element = nullptr;
    if (FAILED(root->FindElement(SkinText(name).c_str(), &element)) || element == nullptr)
        return {};
    const SkinRef<ISkinElement> held = SkinRef<ISkinElement>::Adopt(element);
    return QuerySkin<Interface>(element, iid);
}

// The element's name; empty when it has none.
std::string SkinElementName(IUnknown* element);

// The element's rectangle in the form window's client coordinates (the skin keeps each element's
// rectangle relative to its parent). False, with an empty rectangle, when it cannot be read.
bool SkinElementClientRect(IUnknown* element, RECT* rect);
