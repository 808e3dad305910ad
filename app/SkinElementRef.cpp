#include "app/SkinElementRef.h"

#include "platform/win32/bstr.h"
#include "platform/win32/string_conversion.h"

std::u16string SkinText(const char* text)
{
    if (text == nullptr || *text == '\0')
        return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::string SkinElementName(IUnknown* element)
{
    SkinRef<ISkinElementName> named = QuerySkin<ISkinElementName>(element, IID_ISkinElementName);
    BSTR name = nullptr;
    if (!named || FAILED(named->GetName(&name)) || name == nullptr)
        return {};
    std::string text;
    const int length = WideCharToMultiByte(CP_ACP, 0, name, static_cast<int>(SysStringLen(name)), nullptr, 0, nullptr, nullptr);
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        WideCharToMultiByte(CP_ACP, 0, name, static_cast<int>(SysStringLen(name)), text.data(), length, nullptr, nullptr);
    }
    SysFreeString(name);
    return text;
}

bool SkinElementClientRect(IUnknown* element, RECT* rect)
{
    *rect = RECT{0, 0, 0, 0};
    SkinRef<ISkinElement> current = QuerySkin<ISkinElement>(element, IID_ISkinElement);
    if (!current || FAILED(current->GetRect(rect))) {
        *rect = RECT{0, 0, 0, 0};
        return false;
    }
    // Each parent's corner moves the rectangle into its parent's coordinates, up to the form.
    for (int depth = 0; depth < 64; ++depth) {
        SkinRef<ISkinElementWindow> window = QuerySkin<ISkinElementWindow>(current.get(), IID_ISkinElementWindow);
        ISkinElement* parent = nullptr;
        if (!window || window->GetParentElement(&parent) != S_OK || parent == nullptr)
            break;
        current = SkinRef<ISkinElement>::Adopt(parent);
        RECT parentRect{};
        if (FAILED(current->GetRect(&parentRect)))
            break;
        rect->left += parentRect.left;
        rect->right += parentRect.left;
        rect->top += parentRect.top;
        rect->bottom += parentRect.top;
    }
    return true;
}
