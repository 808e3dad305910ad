#include "platform/gdi/text_layout.h"

#include <cstddef>

namespace zv::gdi {
namespace {

bool IsLineBreak(char32_t ch) { return ch == U'\n' || ch == U'\r'; }

std::vector<LayoutChar> ApplyPrefixes(const std::u32string& text, bool prefixes, bool hideUnderlines)
{
    std::vector<LayoutChar> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!prefixes || text[i] != U'&') {
            out.push_back({text[i], false});
            continue;
        }
        if (i + 1 == text.size())
            break; // a lone '&' at the end marks nothing
        const char32_t next = text[++i];
        out.push_back({next, !hideUnderlines && next != U'&' && !IsLineBreak(next)});
    }
    return out;
}

std::vector<std::vector<LayoutChar>> SplitParagraphs(const std::vector<LayoutChar>& chars)
{
    std::vector<std::vector<LayoutChar>> paragraphs;
    std::vector<LayoutChar> current;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (!IsLineBreak(chars[i].ch)) {
            current.push_back(chars[i]);
            continue;
        }
        if (chars[i].ch == U'\r' && i + 1 < chars.size() && chars[i + 1].ch == U'\n')
            ++i;
        paragraphs.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty())
        paragraphs.push_back(std::move(current));
    return paragraphs;
}

void Append(TextLine& line, const std::vector<LayoutChar>& chars, std::size_t from, std::size_t to, int width)
{
    line.chars.insert(line.chars.end(), chars.begin() + static_cast<std::ptrdiff_t>(from),
                      chars.begin() + static_cast<std::ptrdiff_t>(to));
    line.width += width;
}

void WrapParagraph(const std::vector<LayoutChar>& chars, int maxWidth,
                   const std::function<int(char32_t)>& advance, std::vector<TextLine>& lines)
{
    const auto widthOf = [&](std::size_t from, std::size_t to) {
        int width = 0;
        for (std::size_t i = from; i < to; ++i)
            width += advance(chars[i].ch);
        return width;
    };

    TextLine line;
    bool lineHasWord = false;
    bool firstLine = true;
    std::size_t i = 0;
    while (i < chars.size()) {
        std::size_t wordStart = i;
        while (wordStart < chars.size() && chars[wordStart].ch == U' ')
            ++wordStart;
        std::size_t wordEnd = wordStart;
        while (wordEnd < chars.size() && chars[wordEnd].ch != U' ')
            ++wordEnd;
        if (wordStart == wordEnd)
            break; // trailing spaces are not part of a wrapped line
        const int spaceWidth = widthOf(i, wordStart);
        const int wordWidth = widthOf(wordStart, wordEnd);

        if (!lineHasWord) {
            // Leading spaces count only at the start of the paragraph.
            if (firstLine)
                Append(line, chars, i, wordStart, spaceWidth);
            Append(line, chars, wordStart, wordEnd, wordWidth);
        } else if (line.width + spaceWidth + wordWidth <= maxWidth) {
            Append(line, chars, i, wordEnd, spaceWidth + wordWidth);
        } else {
            lines.push_back(std::move(line));
            line = TextLine{};
            firstLine = false;
            Append(line, chars, wordStart, wordEnd, wordWidth);
        }
        lineHasWord = true;
        i = wordEnd;
    }
    lines.push_back(std::move(line));
}

int WidthOf(const std::vector<LayoutChar>& chars, const std::function<int(char32_t)>& advance)
{
    int width = 0;
    for (const LayoutChar& c : chars)
        width += advance(c.ch);
    return width;
}

void EndWithEllipsis(TextLine& line, int maxWidth, const std::function<int(char32_t)>& advance)
{
    if (line.width <= maxWidth)
        return;
    const int dots = 3 * advance(U'.');
    while (!line.chars.empty() && line.width + dots > maxWidth) {
        line.width -= advance(line.chars.back().ch);
        line.chars.pop_back();
    }
    for (int i = 0; i < 3; ++i)
        line.chars.push_back({U'.', false});
    line.width += dots;
}

} // namespace

std::u32string DecodeUtf8(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t value = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
            minimum = 0x10000;
        }
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            value = (value << 6) | (next & 0x3F);
        }
        valid = valid && value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
        if (!valid) {
            out.push_back(lead);
            ++i;
            continue;
        }
        out.push_back(value);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::vector<TextLine> LayoutText(std::string_view text, const LayoutOptions& options,
                                 const std::function<int(char32_t)>& advance)
{
    std::vector<LayoutChar> chars =
        ApplyPrefixes(DecodeUtf8(text), options.prefixes, options.hideUnderlines);
    std::vector<TextLine> lines;
    if (options.singleLine) {
        std::erase_if(chars, [](const LayoutChar& c) { return IsLineBreak(c.ch); });
        if (!chars.empty())
            lines.push_back(TextLine{chars, WidthOf(chars, advance)});
    } else {
        for (std::vector<LayoutChar>& paragraph : SplitParagraphs(chars)) {
            if (options.wordBreak) {
                WrapParagraph(paragraph, options.maxWidth, advance, lines);
                continue;
            }
            const int width = WidthOf(paragraph, advance);
            lines.push_back(TextLine{std::move(paragraph), width});
        }
    }
    if (options.endEllipsis)
        for (TextLine& line : lines)
            EndWithEllipsis(line, options.maxWidth, advance);
    return lines;
}

} // namespace zv::gdi
