// GetSysColor and GetSysColorBrush over one fixed palette: light faces, near-black text and a
// clear blue for selections.
#include "platform/gdi/system_colours.h"

#include <array>
#include <mutex>

#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/paint_objects.h"
#include "platform/win32/last_error.h"

namespace zv::gdi {
namespace {

constexpr COLORREF kText = RGB(28, 28, 30);
constexpr COLORREF kFace = RGB(240, 240, 240);
constexpr COLORREF kSelection = RGB(38, 117, 214);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct SysColour {
    int index;
    COLORREF colour;
};

constexpr SysColour kPalette[] = {
    {COLOR_SCROLLBAR, RGB(232, 232, 232)},
    {COLOR_BACKGROUND, RGB(34, 58, 86)},
    {COLOR_ACTIVECAPTION, kSelection},
    {COLOR_INACTIVECAPTION, RGB(214, 214, 214)},
    {COLOR_MENU, RGB(249, 249, 249)},
    {COLOR_WINDOW, kWhite},
    {COLOR_WINDOWFRAME, RGB(100, 100, 100)},
    {COLOR_MENUTEXT, kText},
    {COLOR_WINDOWTEXT, kText},
    {COLOR_CAPTIONTEXT, kWhite},
    {COLOR_ACTIVEBORDER, RGB(180, 180, 180)},
    {COLOR_INACTIVEBORDER, RGB(210, 210, 210)},
    {COLOR_APPWORKSPACE, RGB(171, 171, 171)},
    {COLOR_HIGHLIGHT, kSelection},
    {COLOR_HIGHLIGHTTEXT, kWhite},
    {COLOR_BTNFACE, kFace},
    {COLOR_BTNSHADOW, RGB(160, 160, 160)},
    {COLOR_GRAYTEXT, RGB(109, 109, 109)},
    {COLOR_BTNTEXT, kText},
    {COLOR_INACTIVECAPTIONTEXT, RGB(90, 90, 90)},
    {COLOR_BTNHIGHLIGHT, kWhite},
    {COLOR_3DDKSHADOW, RGB(105, 105, 105)},
    {COLOR_3DLIGHT, RGB(227, 227, 227)},
    {COLOR_INFOTEXT, kText},
    {COLOR_INFOBK, RGB(255, 255, 231)},
    {COLOR_HOTLIGHT, RGB(0, 102, 204)},
    {COLOR_GRADIENTACTIVECAPTION, RGB(120, 170, 230)},
    {COLOR_GRADIENTINACTIVECAPTION, RGB(228, 228, 228)},
    {COLOR_MENUHILIGHT, kSelection},
    {COLOR_MENUBAR, kFace},
};

const SysColour* Find(int index)
{
    for (const SysColour& entry : kPalette)
        if (entry.index == index)
            return &entry;
    return nullptr;
}

} // namespace

std::uintptr_t SysColourBrushId(int index)
{
    static const auto ids = [] {
        std::array<std::uintptr_t, kSysColourCount> made{};
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        for (const SysColour& entry : kPalette)
            made[static_cast<std::size_t>(entry.index)] =
                table.Add(std::make_shared<Brush>(Brush::Kind::Solid, entry.colour), true);
        return made;
    }();
    return index >= 0 && index < kSysColourCount ? ids[static_cast<std::size_t>(index)] : 0;
}

} // namespace zv::gdi

COLORREF GetSysColor(int index)
{
    const zv::gdi::SysColour* entry = zv::gdi::Find(index);
    return entry ? entry->colour : 0;
}

HBRUSH GetSysColorBrush(int index)
{
    const std::uintptr_t id = zv::gdi::SysColourBrushId(index);
    if (id == 0)
        SetLastError(ERROR_INVALID_PARAMETER);
    return zv::gdi::MakeHandle<HBRUSH>(id);
}
