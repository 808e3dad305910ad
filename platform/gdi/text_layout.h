// Breaking DrawTextExA's text into lines: UTF-8 decoding, '&' prefixes, line breaks and word wrap.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::gdi {

struct LayoutChar {
    char32_t ch;
    bool underlined; // marked by a '&' prefix
};

struct TextLine {
    std::vector<LayoutChar> chars;
    int width = 0; // sum of the advances of chars
};

struct LayoutOptions {
    bool wordBreak = false;
    bool prefixes = false; // "&&" is '&', "&x" is an underlined x
    int maxWidth = 0;      // wrap width when wordBreak is set
};

// Code points of UTF-8 text; a byte that does not start a valid sequence stands for itself
// (Latin-1), so older 8-bit text still shows.
std::u32string DecodeUtf8(std::string_view text);

// The lines of the text. Every line break starts a new line (a break at the very end does not);
// with wordBreak a line ends before the word that would take it past maxWidth, the spaces there
// are dropped, and a word wider than maxWidth gets a line of its own, unbroken.
std::vector<TextLine> LayoutText(std::string_view text, const LayoutOptions& options,
                                 const std::function<int(char32_t)>& advance);

} // namespace zv::gdi
