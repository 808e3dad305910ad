// Helpers of the resource-set tests: read a string, a menu's item texts and ids, a dialog's controls.
#pragma once

#include "platform/user/dialog_template.h"
#include "platform/user/menu.h"
#include "platform/user/resource_strings.h"
#include "platform/win32/paths.h"
#include "platform/win32/version_info.h"

#include <string>
#include <vector>

namespace zv::res::test {

inline std::string String(UINT id)
{
    return zv::user::LoadResourceString(nullptr, id).value_or("<missing>");
}

inline std::string ItemText(HMENU menu, int position)
{
    char text[128];
    return GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION) > 0 ? text : "";
}

// "text=id" per item, "text>" for a pop-up, "-" for a separator.
inline std::vector<std::string> Items(HMENU menu)
{
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        // A pop-up's state carries its item count in the high byte: test for pop-ups first.
        if (GetSubMenu(menu, i))
            items.push_back(ItemText(menu, i) + ">");
        else if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)
            items.push_back("-");
        else
            items.push_back(ItemText(menu, i) + "=" + std::to_string(GetMenuItemID(menu, i)));
    }
    return items;
}

inline HMENU SubMenuNamed(HMENU menu, const std::string& text)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetSubMenu(menu, i) && ItemText(menu, i) == text)
            return GetSubMenu(menu, i);
    }
    return nullptr;
}

// "id:class:text" per control, ids as signed numbers.
inline std::vector<std::string> Controls(const zv::user::DialogTemplate& dialog)
{
    std::vector<std::string> controls;
    for (const auto& item : dialog.items)
        controls.push_back(std::to_string(static_cast<int>(item.id)) + ":" + item.className + ":" + item.text.text);
    return controls;
}

// Whether an icon or cursor group names pictures that all exist with the sizes it gives.
inline bool PictureGroupIsWhole(WORD id, bool cursor)
{
    const auto group = zv::win32::FindResourceBytes(nullptr, MAKEINTRESOURCEA(id), cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON);
    if (!group.data || group.size < 6)
        return false;
    const auto word = [&](std::size_t at) { return static_cast<unsigned>(group.data[at] | (group.data[at + 1] << 8)); };
    const unsigned count = word(4);
    if (count == 0 || group.size != 6 + 14u * count)
        return false;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 14u * i;
        const DWORD bytes = word(entry + 8) | (word(entry + 10) << 16);
        const auto picture = zv::win32::FindResourceBytes(nullptr, MAKEINTRESOURCEA(static_cast<WORD>(word(entry + 12))),
                                                          cursor ? RT_CURSOR : RT_ICON);
        if (!picture.data || picture.size != bytes)
            return false;
    }
    return true;
}

inline bool IsWave(LPCSTR name)
{
    const auto sound = zv::win32::FindResourceBytes(nullptr, name, "WAVE");
    return sound.data && sound.size > 44 && std::string(reinterpret_cast<const char*>(sound.data), 4) == "RIFF" &&
           std::string(reinterpret_cast<const char*>(sound.data) + 8, 4) == "WAVE";
}

// The running program's product version as "a.b.c.d", with " pre" when marked pre-release.
inline std::string ProgramVersion()
{
    char program[4096];
    if (GetModuleFileNameA(nullptr, program, sizeof program) == 0)
        return "<no program path>";
    std::vector<unsigned char> block(GetFileVersionInfoSizeA(program, nullptr));
    LPVOID value = nullptr;
    UINT length = 0;
    if (block.empty() || !GetFileVersionInfoA(program, 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueA(block.data(), "\\", &value, &length))
        return "<no version>";
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." + std::to_string(LOWORD(fixed->dwProductVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwProductVersionLS)) + "." +
           std::to_string(LOWORD(fixed->dwProductVersionLS)) + (fixed->dwFileFlags & VS_FF_PRERELEASE ? " pre" : "");
}

} // namespace zv::res::test
