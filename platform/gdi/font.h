// A font realised from a LOGFONTA: a FreeType face at a pixel size, its cell metrics and its
// rendered glyphs.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/font_face.h"
#include "platform/gdi/gdi_objects.h"

namespace zv::gdi {

// A glyph's coverage image (0..255 per pixel), placed relative to the pen on the baseline.
struct Glyph {
    int advance = 0; // pixels to the next pen position
    int left = 0;    // first column, from the pen
    int top = 0;     // rows above the baseline of the first row
    int width = 0;
    int rows = 0;
    std::vector<BYTE> coverage;
};

class Font : public GdiObject {
public:
    // Null when no font file can be found or loaded, or the height is out of range.
    static std::shared_ptr<Font> Create(const LOGFONTA& logFont);
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const LOGFONTA& LogFont() const { return logFont_; }
    const std::string& File() const { return face_->File(); }

    // Cell metrics in pixels; the cell is Ascent() rows above the baseline and Descent() below.
    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }
    int CellHeight() const { return ascent_ + descent_; }
    // The em height; the rest of the cell is internal leading.
    int EmHeight() const { return em_; }
    // Extra space the face puts between lines, beyond the cell.
    int ExternalLeading() const { return externalLeading_; }
    // The face's own average character width (else the width of 'x') and its widest advance.
    int AverageCharWidth() const { return averageCharWidth_; }
    int MaxCharWidth() const { return maxCharWidth_; }
    bool IsFixedPitch() const { return fixedPitch_; }

    // Decoration lines: first row below the baseline (negative: above) and thickness in rows.
    int UnderlineOffset() const { return underlineOffset_; }
    int UnderlineThickness() const { return underlineThickness_; }
    int StrikeOutOffset() const { return strikeOutOffset_; }
    int StrikeOutThickness() const { return strikeOutThickness_; }

    // Rendered once and kept; the reference stays valid while the font lives. Thread-safe.
    const Glyph& GlyphFor(char32_t ch);

private:
    Font(const LOGFONTA& logFont, std::shared_ptr<FontFace> face);
    bool Realise();
    Glyph Render(char32_t ch);

    LOGFONTA logFont_;
    std::shared_ptr<FontFace> face_;
    FT_Size size_ = nullptr;
    bool synthBold_ = false;
    bool synthItalic_ = false;
    int ascent_ = 0;
    int descent_ = 0;
    int em_ = 0;
    int externalLeading_ = 0;
    int averageCharWidth_ = 0;
    int maxCharWidth_ = 0;
    bool fixedPitch_ = false;
    int underlineOffset_ = 0;
    int underlineThickness_ = 1;
    int strikeOutOffset_ = 0;
    int strikeOutThickness_ = 1;
    std::unordered_map<char32_t, Glyph> glyphs_; // guarded by the face's mutex
};

} // namespace zv::gdi
