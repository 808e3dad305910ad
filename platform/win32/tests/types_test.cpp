#include "platform/win32/types.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

TEST(ColorRefTest, ChannelsRoundTripInRedLowOrder)
{
    struct Case { BYTE r, g, b; COLORREF expected; };
    const Case cases[] = {
        {0, 0, 0, 0x000000u},
        {255, 0, 0, 0x0000FFu},
        {0, 255, 0, 0x00FF00u},
        {0, 0, 255, 0xFF0000u},
        {0x12, 0x34, 0x56, 0x563412u},
    };
    for (const Case& c : cases) {
        const COLORREF ref = RGB(c.r, c.g, c.b);
        EXPECT_EQ(ref, c.expected);
        EXPECT_EQ(GetRValue(ref), c.r);
        EXPECT_EQ(GetGValue(ref), c.g);
        EXPECT_EQ(GetBValue(ref), c.b);
    }
}

// A bitmap header is written to files byte for byte: check the little-endian image of a known header.
TEST(BitmapInfoHeaderTest, ByteImageMatchesFileLayout)
{
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = 0x0102;
    h.biHeight = -2;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biSizeImage = 0xA0B0C0D0u;
    h.biClrImportant = 7;
    std::array<BYTE, 40> bytes{};
    std::memcpy(bytes.data(), &h, sizeof h);
    EXPECT_EQ(bytes[0], 40);
    EXPECT_EQ(bytes[4], 0x02);
    EXPECT_EQ(bytes[5], 0x01);
    EXPECT_EQ(bytes[8], 0xFE);
    EXPECT_EQ(bytes[11], 0xFF);
    EXPECT_EQ(bytes[12], 1);
    EXPECT_EQ(bytes[14], 24);
    EXPECT_EQ(bytes[20], 0xD0);
    EXPECT_EQ(bytes[23], 0xA0);
    EXPECT_EQ(bytes[36], 7);
}

} // namespace
