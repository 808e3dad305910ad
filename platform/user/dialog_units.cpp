#include "platform/user/dialog_units.h"

#include "platform/gdi/gdi.h"

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

namespace zv::user {

namespace {

constexpr int kSystemPointSize = 8;
constexpr const char* kSystemFace = "MS Shell Dlg";

// The platform's dialog faces all stand for the one sans face we draw them with.
std::string DrawnFace(const std::string& face)
{
    std::string lower;
    for (char c : face)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "ms shell dlg" || lower == "ms shell dlg 2" || lower == "ms sans serif" ||
        lower == "microsoft sans serif")
        return "Liberation Sans";
    return face;
}

int RoundedMulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

std::optional<DialogBaseUnits> Measure(const std::string& face, int pointSize, int weight, bool italic)
{
    LOGFONTA font{};
    font.lfHeight = -RoundedMulDiv(pointSize, 96, 72);
    font.lfWeight = weight;
    font.lfItalic = italic ? 1 : 0;
    const std::string drawn = DrawnFace(face);
    std::strncpy(font.lfFaceName, drawn.c_str(), LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectA(&font);
    if (!handle)
        return std::nullopt;
    HDC hdc = CreateCompatibleDC(nullptr);
    if (!hdc) {
        DeleteObject(handle);
        return std::nullopt;
    }
    HGDIOBJ previous = SelectObject(hdc, handle);
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    RECT rect{0, 0, 0, 0};
    const int height = DrawTextExA(hdc, kAlphabet, -1, &rect, DT_CALCRECT | DT_NOPREFIX | DT_LEFT, nullptr);
    SelectObject(hdc, previous);
    DeleteDC(hdc);
    DeleteObject(handle);
    if (height <= 0)
        return std::nullopt;
    // The average over 52 letters, rounded.
    const int width = rect.right - rect.left;
    return DialogBaseUnits{(width / 26 + 1) / 2, height};
}

} // namespace

std::optional<DialogBaseUnits> BaseUnitsOfFont(const std::string& face, int pointSize, int weight, bool italic)
{
    static std::mutex mutex;
    static std::map<std::tuple<std::string, int, int, bool>, DialogBaseUnits> measured;
    const auto key = std::make_tuple(face, pointSize, weight, italic);
    {
        std::lock_guard lock(mutex);
        if (const auto found = measured.find(key); found != measured.end())
            return found->second;
    }
    const auto units = Measure(face, pointSize, weight, italic);
    if (units) {
        std::lock_guard lock(mutex);
        measured.emplace(key, *units);
    }
    return units;
}

std::optional<DialogBaseUnits> BaseUnitsOfTemplate(const DialogTemplate& dialog)
{
    if (!dialog.hasFont || dialog.typeface.empty() || dialog.pointSize == 0)
        return BaseUnitsOfFont(kSystemFace, kSystemPointSize);
    return BaseUnitsOfFont(dialog.typeface, dialog.pointSize, dialog.weight ? dialog.weight : 400, dialog.italic);
}

RECT DialogUnitsToPixels(const RECT& units, DialogBaseUnits base)
{
    return RECT{RoundedMulDiv(units.left, base.cx, 4), RoundedMulDiv(units.top, base.cy, 8),
                RoundedMulDiv(units.right, base.cx, 4), RoundedMulDiv(units.bottom, base.cy, 8)};
}

std::optional<DialogPixelLayout> LayoutInPixels(const DialogTemplate& dialog)
{
    const auto base = BaseUnitsOfTemplate(dialog);
    if (!base)
        return std::nullopt;
    DialogPixelLayout layout;
    layout.base = *base;
    layout.dialog = DialogUnitsToPixels(RECT{dialog.x, dialog.y, dialog.x + dialog.cx, dialog.y + dialog.cy}, *base);
    for (const DialogItemTemplate& item : dialog.items)
        layout.items.push_back(DialogUnitsToPixels(RECT{item.x, item.y, item.x + item.cx, item.y + item.cy}, *base));
    return layout;
}

} // namespace zv::user

LONG GetDialogBaseUnits()
{
    const auto units = zv::user::BaseUnitsOfFont("MS Shell Dlg", 8);
    if (!units)
        return 0;
    return static_cast<LONG>((static_cast<DWORD>(units->cy) << 16) | static_cast<DWORD>(units->cx & 0xFFFF));
}
