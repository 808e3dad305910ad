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
    bool prefixes = false;        // "&&" is '&', "&x" is an underlined x
    bool hideUnderlines = false;  // prefixes mark nothing
    bool singleLine = false;      // line breaks are dropped, no wrapping
    bool endEllipsis = false;     // too wide lines end in "..."
    int maxWidth = 0;             // wrap and ellipsis width
};

// Code points of UTF-8 text; a byte that does not start a valid sequence stands for itself
// (Latin-1), so older 8-bit text still shows.
std::u32string DecodeUtf8(std::string_view text);

// The lines of the text. Every line break starts a new line (a break at the very end does not);
// with wordBreak a line ends before the word that would take it past maxWidth, the spaces there
// are dropped, and a word wider than maxWidth gets a line of its own, unbroken. With singleLine
// there is one line without the breaks. With endEllipsis a line wider than maxWidth loses
// characters from its end until it fits with "..." after them.
std::vector<TextLine> LayoutText(std::string_view text, const LayoutOptions& options,
                                 const std::function<int(char32_t)>& advance);

} // namespace zv::gdi
