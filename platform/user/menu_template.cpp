// Menus from menu templates: a header (version 0, header size 0), then items, each a flags word,
// a command id (not for pop-ups) and NUL-terminated UTF-16 text; pop-up items are followed by
// their own items; the last item of each level carries MF_END.
#include "platform/user/menu.h"
#include "platform/win32/string_conversion.h"

#include <optional>
#include <string>

namespace {

constexpr UINT MF_END = 0x0080;

class MenuTemplateReader {
public:
    MenuTemplateReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    // The template's bar, or null (ERROR_INVALID_DATA) when it is malformed.
    HMENU Read()
    {
        if (!Word() || *Word(0) != 0 || *Word(2) != 0) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        offset_ = 4;
        HMENU bar = CreateMenu();
        if (!ReadLevel(bar, 0)) {
            DestroyMenu(bar);
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        return bar;
    }

private:
    static constexpr int kMaxDepth = 16;

    std::optional<UINT> Word(std::size_t at) const
    {
        if (at + 2 > size_)
            return std::nullopt;
        return static_cast<UINT>(data_[at] | (data_[at + 1] << 8));
    }
    std::optional<UINT> Word() const { return Word(offset_); }
    std::optional<UINT> TakeWord()
    {
        const auto value = Word(offset_);
        if (value)
            offset_ += 2;
        return value;
    }

    std::optional<std::string> TakeText()
    {
        std::u16string wide;
        for (;;) {
            const auto c = TakeWord();
            if (!c)
                return std::nullopt;
            if (*c == 0)
                break;
            wide += static_cast<char16_t>(*c);
        }
        if (wide.empty())
            return std::string();
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                              nullptr, nullptr);
        std::string text(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes, nullptr,
                            nullptr);
        return text;
    }

    bool ReadLevel(HMENU menu, int depth)
    {
        if (depth > kMaxDepth)
            return false;
        for (;;) {
            const auto flags = TakeWord();
            if (!flags)
                return false;
            const bool popup = *flags & MF_POPUP;
            std::optional<UINT> id = popup ? std::optional<UINT>(0) : TakeWord();
            if (!id)
                return false;
            const auto text = TakeText();
            if (!text)
                return false;
            const UINT itemFlags = *flags & ~MF_END & ~MF_POPUP;
            if (popup) {
                HMENU sub = CreatePopupMenu();
                if (!ReadLevel(sub, depth + 1) ||
                    !AppendMenuA(menu, itemFlags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text->c_str())) {
                    DestroyMenu(sub);
                    return false;
                }
            } else if ((itemFlags & MF_SEPARATOR) || (*id == 0 && text->empty())) {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            } else if (!AppendMenuA(menu, itemFlags, *id, text->c_str())) {
                return false;
            }
            if (*flags & MF_END)
                return true;
        }
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

} // namespace

HMENU LoadMenuIndirectA(const void* lpMenuTemplate)
{
    if (!lpMenuTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // No size comes with the template: read no further than its own end marks say.
    return MenuTemplateReader(static_cast<const unsigned char*>(lpMenuTemplate), SIZE_MAX).Read();
}

HMENU LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName)
{
    const zv::win32::ResourceBytes bytes = zv::win32::FindResourceBytes(hInstance, lpMenuName, RT_MENU);
    if (!bytes.data)
        return nullptr;
    return MenuTemplateReader(bytes.data, bytes.size).Read();
}
