#include "platform/gdi/font.h"

#include <freetype/ftsizes.h>
#include <freetype/ftsynth.h>
#include <freetype/tttables.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/font_match.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/win32/last_error.h"

namespace zv::gdi {
namespace {

// Heights beyond this are refused: glyph images would be absurdly large.
constexpr std::int64_t kMaxHeight = 4096;
// lfHeight 0 asks for the default size: this em height.
constexpr double kDefaultEm = 16.0;
constexpr int kBoldWeight = 600;

int WeightOf(const LOGFONTA& logFont)
{
    if (logFont.lfWeight <= 0)
        return FW_NORMAL;
    return std::min<LONG>(logFont.lfWeight, 1000);
}

int Round(double value) { return static_cast<int>(std::lround(value)); }

} // namespace

std::shared_ptr<Font> Font::Create(const LOGFONTA& logFont)
{
    if (std::llabs(static_cast<std::int64_t>(logFont.lfHeight)) > kMaxHeight)
        return nullptr;
    // The name may come from stored bytes without a terminating zero.
    const std::string family(logFont.lfFaceName, strnlen(logFont.lfFaceName, LF_FACESIZE));
    const std::optional<FontFileRef> ref = MatchFontFile(family, WeightOf(logFont), logFont.lfItalic != 0);
    if (!ref)
        return nullptr;
    std::shared_ptr<FontFace> face = OpenFontFace(ref->file, ref->index);
    if (!face)
        return nullptr;
    std::shared_ptr<Font> font(new Font(logFont, std::move(face)));
    if (!font->Realise())
        return nullptr;
    return font;
}

Font::Font(const LOGFONTA& logFont, std::shared_ptr<FontFace> face) : logFont_(logFont), face_(std::move(face)) {}

Font::~Font()
{
    if (size_) {
        std::lock_guard lock(face_->Mutex());
        FT_Done_Size(size_);
    }
}

bool Font::Realise()
{
    std::lock_guard lock(face_->Mutex());
    const FT_Face face = face_->Face();
    const double unitsPerEm = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));

    // The cell is the face's Windows ascent plus descent when it has them.
    double cellAscent = face->ascender;
    double cellDescent = -face->descender;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        cellAscent = os2->usWinAscent;
        cellDescent = os2->usWinDescent;
    }
    if (cellAscent + cellDescent <= 0)
        return false;

    double em = kDefaultEm;
    if (logFont_.lfHeight < 0) {
        em = -static_cast<double>(logFont_.lfHeight);
    } else if (logFont_.lfHeight > 0) {
        em = logFont_.lfHeight * unitsPerEm / (cellAscent + cellDescent);
    }
    const double scale = em / unitsPerEm;
    if (logFont_.lfHeight > 0) {
        // Exactly the asked cell height.
        ascent_ = Round(cellAscent * logFont_.lfHeight / (cellAscent + cellDescent));
        descent_ = logFont_.lfHeight - ascent_;
    } else {
        ascent_ = Round(cellAscent * scale);
        descent_ = Round(cellDescent * scale);
    }

    if (FT_New_Size(face, &size_) != 0) {
        size_ = nullptr;
        return false;
    }
    FT_Activate_Size(size_);
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.width = 0;
    request.height = static_cast<FT_Long>(std::lround(em * 64));
    if (request.height <= 0 || FT_Request_Size(face, &request) != 0)
        return false;

    em_ = Round(em);
    externalLeading_ = std::max(0, Round((face->height - cellAscent - cellDescent) * scale));
    maxCharWidth_ = Round(face->max_advance_width * scale);
    fixedPitch_ = FT_IS_FIXED_WIDTH(face);
    if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) {
        averageCharWidth_ = Round(os2->xAvgCharWidth * scale);
    } else if (FT_Load_Char(face, 'x', FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
        averageCharWidth_ = static_cast<int>((face->glyph->advance.x + 32) >> 6);
    }

    synthBold_ = WeightOf(logFont_) >= kBoldWeight && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    synthItalic_ = logFont_.lfItalic != 0 && !(face->style_flags & FT_STYLE_FLAG_ITALIC);

    // Underline: FreeType gives the stem's centre, negative below the baseline. Keep it in the cell.
    underlineThickness_ = std::max(1, Round(face->underline_thickness * scale));
    underlineOffset_ = Round(-face->underline_position * scale - underlineThickness_ / 2.0);
    underlineOffset_ = std::clamp(underlineOffset_, 0, std::max(0, descent_ - underlineThickness_));

    // Strike-out: the face's own stroke when it has one, else a stroke at a quarter em.
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        strikeOutThickness_ = std::max(1, Round(os2->yStrikeoutSize * scale));
        strikeOutOffset_ = -Round(os2->yStrikeoutPosition * scale);
    } else {
        strikeOutThickness_ = underlineThickness_;
        strikeOutOffset_ = -Round(em / 4);
    }
    return true;
}

const Glyph& Font::GlyphFor(char32_t ch)
{
    std::lock_guard lock(face_->Mutex());
    const auto it = glyphs_.find(ch);
    if (it != glyphs_.end())
        return it->second;
    return glyphs_.emplace(ch, Render(ch)).first->second;
}

Glyph Font::Render(char32_t ch)
{
    Glyph glyph;
    const FT_Face face = face_->Face();
    FT_Activate_Size(size_);
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        return glyph;
    const FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (synthItalic_)
            FT_GlyphSlot_Oblique(slot);
        if (synthBold_)
            FT_GlyphSlot_Embolden(slot);
    }
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.buffer == nullptr)
        return glyph;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.rows));
    for (int row = 0; row < glyph.rows; ++row) {
        const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width, source,
                    static_cast<std::size_t>(glyph.width));
    }
    return glyph;
}

} // namespace zv::gdi

using zv::gdi::Font;
using zv::gdi::HandleTable;

HFONT CreateFontIndirectA(const LOGFONTA* logFont)
{
    if (logFont == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<Font> font = Font::Create(*logFont);
    if (!font) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return zv::gdi::MakeHandle<HFONT>(table.Add(std::move(font)));
}

std::string zv::gdi::FontFileOf(HFONT handle)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::shared_ptr<Font> font = table.FindAs<Font>(HandleId(handle));
    return font ? font->File() : std::string();
}
