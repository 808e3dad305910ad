// The codecs behind ImageDecode and ImageEncode. Each works on the whole file in memory: the
// stream is read to its end first, and an encoded file is written out in one piece.
#pragma once

#include "imagelib/jas/Jas.h"

#include <cstdint>
#include <vector>

namespace jas::detail {

using Bytes = std::vector<std::uint8_t>;

// No picture holds more samples than this, whatever its header says (256 MB of 32-bit samples).
constexpr std::uint64_t kMaxSamples = 64u << 20;
// Nor more components.
constexpr int kMaxComponents = 16384;

Image* DecodeJpeg2000(const Bytes& file, bool jp2);
bool EncodeJpeg2000(const Image& image, Bytes& file, double rate, bool jp2);
Image* DecodePgx(const Bytes& file);
bool EncodePgx(const Image& image, Bytes& file);
Image* DecodePnm(const Bytes& file);
bool EncodePnm(const Image& image, Bytes& file);
Image* DecodeRas(const Bytes& file);
bool EncodeRas(const Image& image, Bytes& file);

// Reads decimal numbers and words of a text header, skipping white space and '#' comments.
class HeaderReader {
public:
    explicit HeaderReader(const Bytes& file, std::size_t at = 0)
        : m_file(file)
        , m_at(at)
    {
    }
    // False at the end of the data or on a number above `max`.
    bool Number(std::uint64_t& value, std::uint64_t max);
    bool SkipSpace(bool comments);
    bool Char(char& c);
    std::size_t Position() const { return m_at; }

private:
    const Bytes& m_file;
    std::size_t m_at;
};

// The precision of an unsigned sample whose largest value is `max`.
int PrecisionFor(std::uint64_t max);

} // namespace jas::detail
