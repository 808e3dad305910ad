// Menus from menu templates: a header (version 0, header size 0), then items, each a flags word,
// a command id (not for pop-ups) and NUL-terminated UTF-16 text; pop-up items are followed by
// their own items; the last item of each level carries MF_END.
#include "platform/user/menu.h"
#include "platform/user/resource_reader.h"

#include <cstdint>
#include <string>

namespace {

constexpr UINT MF_END = 0x0080;

class MenuTemplateReader {
public:
    MenuTemplateReader(const unsigned char* data, std::size_t size) : in_(data, size) {}

    // The template's bar, or null (ERROR_INVALID_DATA) when it is malformed.
    HMENU Read()
    {
        const WORD version = in_.Word();
        const WORD headerSize = in_.Word();
        if (!in_.ok() || version != 0 || headerSize != 0) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
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

    bool ReadLevel(HMENU menu, int depth)
    {
        if (depth > kMaxDepth)
            return false;
        for (;;) {
            const UINT flags = in_.Word();
            const bool popup = flags & MF_POPUP;
            const UINT id = popup ? 0 : in_.Word();
            const std::string text = in_.String();
            if (!in_.ok())
                return false;
            const UINT itemFlags = flags & ~MF_END & ~MF_POPUP;
            if (popup) {
                HMENU sub = CreatePopupMenu();
                if (!ReadLevel(sub, depth + 1) ||
                    !AppendMenuA(menu, itemFlags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str())) {
                    DestroyMenu(sub);
                    return false;
                }
            } else if ((itemFlags & MF_SEPARATOR) || (id == 0 && text.empty())) {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            } else if (!AppendMenuA(menu, itemFlags, id, text.c_str())) {
                return false;
            }
            if (flags & MF_END)
                return true;
        }
    }

    zv::user::ResourceReader in_;
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
