#include "app/JpegFrameSize.h"

namespace {

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;

// Frame headers: C0-CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsFrameHeader(std::uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: TEM and the restart markers.
bool StandsAlone(std::uint8_t marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

unsigned BigEndian16(const std::uint8_t* at)
{
    return static_cast<unsigned>(at[0]) << 8 | at[1];
}

} // namespace

bool ReadJpegFrameSize(const std::uint8_t* bytes, std::size_t length, JpegFrameSize& size)
{
    if (!bytes || length < 2 || bytes[0] != kMarkerPrefix || bytes[1] != kStartOfImage)
        return false;
    std::size_t at = 2;
    for (;;) {
        // Every segment starts with the prefix; more prefix bytes may pad it.
        if (at >= length || bytes[at] != kMarkerPrefix)
            return false;
        while (at < length && bytes[at] == kMarkerPrefix)
            ++at;
        if (at >= length)
            return false;
        const std::uint8_t marker = bytes[at++];
        if (marker == kEndOfImage || marker == kStartOfScan || marker == kStartOfImage || marker == 0x00)
            return false;
        if (StandsAlone(marker))
            continue;
        if (length - at < 2)
            return false;
        const unsigned segment = BigEndian16(bytes + at);
        if (segment < 2 || length - at < segment)
            return false;
        if (IsFrameHeader(marker)) {
            // Length, sample precision, then the height and the width.
            if (segment < 7)
                return false;
            size.height = static_cast<int>(BigEndian16(bytes + at + 3));
            size.width = static_cast<int>(BigEndian16(bytes + at + 5));
            return size.width > 0 && size.height > 0;
        }
        at += segment;
    }
}
