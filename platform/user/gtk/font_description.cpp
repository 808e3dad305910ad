#include "platform/user/gtk/font_description.h"

#include "platform/gdi/font.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace zv::user::gtk {
namespace {

// The em height in pixels a LOGFONTA asks for; 0 when it leaves the size open.
int EmPixels(const LOGFONTA& font)
{
    if (font.lfHeight < 0)
        return static_cast<int>(-static_cast<long long>(font.lfHeight));
    if (font.lfHeight == 0)
        return 0;
    // A cell height: the font itself tells how much of the cell is internal leading.
    const std::shared_ptr<gdi::Font> realised = gdi::Font::Create(font);
    if (realised && realised->CellHeight() > 0)
        return static_cast<int>(std::lround(static_cast<double>(font.lfHeight) * realised->EmHeight() /
                                            realised->CellHeight()));
    return font.lfHeight;
}

} // namespace

PangoFontDescription* DescriptionOf(const LOGFONTA& font, int pixelsPerInch)
{
    PangoFontDescription* description = pango_font_description_new();
    const std::string face(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
    if (!face.empty())
        pango_font_description_set_family(description, face.c_str());
    // Pango's weights are the same 100..900 scale; FW_DONTCARE is the regular weight.
    const int weight = font.lfWeight > 0 ? std::clamp(static_cast<int>(font.lfWeight), 100, 1000) : 400;
    pango_font_description_set_weight(description, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(description, font.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    if (const int em = EmPixels(font); em > 0 && pixelsPerInch > 0)
        pango_font_description_set_size(
            description, static_cast<gint>(std::lround(em * 72.0 * PANGO_SCALE / pixelsPerInch)));
    return description;
}

LOGFONTA LogFontOf(const PangoFontDescription* description, const LOGFONTA& font, int pixelsPerInch)
{
    LOGFONTA chosen = font;
    const PangoFontMask set = pango_font_description_get_set_fields(description);
    if (set & PANGO_FONT_MASK_FAMILY) {
        // A family list ("Sans, Serif") names the first as the face.
        std::string family = pango_font_description_get_family(description);
        family = family.substr(0, family.find(','));
        std::memset(chosen.lfFaceName, 0, sizeof chosen.lfFaceName);
        std::memcpy(chosen.lfFaceName, family.data(), std::min(family.size(), sizeof chosen.lfFaceName - 1));
    }
    if (set & PANGO_FONT_MASK_WEIGHT)
        chosen.lfWeight = pango_font_description_get_weight(description);
    if (set & PANGO_FONT_MASK_STYLE)
        chosen.lfItalic = pango_font_description_get_style(description) != PANGO_STYLE_NORMAL;
    if ((set & PANGO_FONT_MASK_SIZE) && pixelsPerInch > 0) {
        const double size = pango_font_description_get_size(description);
        const double pixels = pango_font_description_get_size_is_absolute(description)
                                  ? size / PANGO_SCALE
                                  : size * pixelsPerInch / (72.0 * PANGO_SCALE);
        if (pixels >= 1)
            chosen.lfHeight = -static_cast<LONG>(std::lround(pixels));
    }
    return chosen;
}

} // namespace zv::user::gtk
