// FreeType faces, opened once per font file and shared by every font made from it.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <mutex>
#include <string>

namespace zv::gdi {

class FreeTypeLibrary;

class FontFace {
public:
    FontFace(std::shared_ptr<FreeTypeLibrary> library, FT_Face face, std::string file);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // A FreeType face serves one caller at a time: hold this while using the face or any size
    // or glyph slot of it.
    std::mutex& Mutex() { return mutex_; }
    FT_Face Face() const { return face_; }
    const std::string& File() const { return file_; }

private:
    std::shared_ptr<FreeTypeLibrary> library_;
    FT_Face face_;
    std::string file_;
    std::mutex mutex_;
};

// The cached face of a font file; null when FreeType cannot open it or it has no outlines.
std::shared_ptr<FontFace> OpenFontFace(const std::string& file, int index);

} // namespace zv::gdi
