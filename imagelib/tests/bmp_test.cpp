// Reading and writing Windows bitmap files, the bit-field unpacker and the row cursor.
#include "imagelib/PixImageBMP.h"
#include "imagelib/PixImageIterator.h"
#include "imagelib/PixMemStream.h"

#include "image_test_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace testfiles;

bool DecodeBmp(const Bytes& file, CPixImage& image, LONG type = PIXIMAGE_BMP)
{
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), type);
}

Bytes EncodeBmp(CPixImage& image)
{
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_TRUE(image.EncodeToMemory(block, length, PIXIMAGE_BMP)) << image.GetLastErrorText();
    Bytes bytes(block, block + length);
    std::free(block);
    return bytes;
}

// Palette indices of an image, top row first, for comparing with a written-out grid.
std::vector<std::vector<int>> IndexGrid(const CPixImage& image)
{
    std::vector<std::vector<int>> grid;
    for (LONG y = image.GetHeight() - 1; y >= 0; --y) {
        std::vector<int> row;
        for (LONG x = 0; x < image.GetWidth(); ++x)
            row.push_back(image.GetIndexAt(x, y));
        grid.push_back(row);
    }
    return grid;
}

TEST(BmpRoundTripTest, EveryDepthAndRowPadding)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (DWORD width = 1; width <= 5; ++width) {
            for (DWORD height : {1u, 3u}) {
                SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + "@" + std::to_string(bpp));
                CPixImage source(width, height, bpp);
                FillRandom(source, width * 31 + height * 7 + bpp);
                source.SetDpiX(72);
                source.SetDpiY(300);
                const Bytes file = EncodeBmp(source);

                const DWORD palette = source.GetPaletteBytes();
                ASSERT_EQ(file.size(), 14 + source.GetSize());
                EXPECT_EQ(file[0], 'B');
                EXPECT_EQ(file[1], 'M');
                EXPECT_EQ(Get32(file, 2), file.size());
                EXPECT_EQ(Get32(file, 10), 54 + palette);
                EXPECT_EQ(Get32(file, 14), 40u);
                EXPECT_EQ(Get16(file, 28), bpp);
                EXPECT_EQ(Get32(file, 30), 0u);
                EXPECT_EQ(Get32(file, 34), source.GetStride() * height);
                EXPECT_EQ(Get32(file, 38), 2835u);
                EXPECT_EQ(Get32(file, 42), 11811u);

                CPixImage decoded;
                ASSERT_TRUE(DecodeBmp(file, decoded)) << decoded.GetLastErrorText();
                EXPECT_EQ(decoded.GetBpp(), bpp);
                EXPECT_EQ(decoded.GetType(), PIXIMAGE_BMP);
                EXPECT_TRUE(SameColors(source, decoded));
                for (DWORD i = 0; i < source.GetHeader().biClrUsed; ++i)
                    EXPECT_EQ(decoded.GetPaletteEntry(static_cast<BYTE>(i)),
                              source.GetPaletteEntry(static_cast<BYTE>(i)));
                if (bpp <= 8) {
                    EXPECT_EQ(IndexGrid(decoded), IndexGrid(source));
                }
                EXPECT_EQ(decoded.GetDpiX(), 72);
                EXPECT_EQ(decoded.GetDpiY(), 300);
                EXPECT_EQ(decoded.GetHeader().biXPelsPerMeter, 2835);
            }
        }
    }
}

TEST(BmpEncodeTest, WritesTheObjectsCurrentHeader)
{
    CPixImage image(3, 3, 8);
    image.SetClrImportant(5);
    const Bytes file = EncodeBmp(image);
    EXPECT_EQ(Get32(file, 14 + 36), 5u);
    EXPECT_EQ(Get32(file, 14 + 32), 256u);
}

TEST(BmpEncodeTest, FailedWritesAreFailures)
{
    CPixImage image(4, 4, 24);
    // A stream over a caller's block refuses every write.
    BYTE block[16] = {};
    CPixMemStream readOnly(block, sizeof block);
    EXPECT_FALSE(image.Encode(&readOnly, PIXIMAGE_BMP));
    EXPECT_STREQ(image.GetLastErrorText(), "Error writing BMP");

    CPixImage empty;
    CPixMemStream stream;
    EXPECT_FALSE(empty.Encode(&stream, PIXIMAGE_BMP));
    EXPECT_STREQ(empty.GetLastErrorText(), "null image!!!");
}

TEST(BmpDecodeTest, TwentyFourBitRowsArePaddedToFourBytes)
{
    InfoHeader h;
    h.width = 3;
    h.height = 2;
    const Bytes data = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,
                        10, 11, 12, 13, 14, 15, 16, 17, 18, 0xEE, 0xEE, 0xEE};
    CPixImage image;
    ASSERT_TRUE(DecodeBmp(BuildBmp(h, {}, data), image)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetColorAt(0, 0) & 0xFFFFFF, MakePixColor(3, 2, 1));
    EXPECT_EQ(image.GetColorAt(2, 0) & 0xFFFFFF, MakePixColor(9, 8, 7));
    EXPECT_EQ(image.GetColorAt(0, 1) & 0xFFFFFF, MakePixColor(12, 11, 10));
    EXPECT_EQ(image.GetColorAt(2, 1) & 0xFFFFFF, MakePixColor(18, 17, 16));
}

TEST(BmpDecodeTest, TopDownRowsEndUpBottomUp)
{
    for (unsigned bits : {8u, 24u}) {
        SCOPED_TRACE(bits);
        InfoHeader h;
        h.width = 2;
        h.height = -3;
        h.bits = bits;
        Bytes data;
        const int rowBytes = bits == 8 ? 4 : 8;
        for (int row = 0; row < 3; ++row) // file rows from the top
            for (int b = 0; b < rowBytes; ++b)
                Put8(data, 10 * row + b);
        const Bytes extra = bits == 8 ? Palette(std::vector<PixColor>(256, 0)) : Bytes{};
        CPixImage image;
        ASSERT_TRUE(DecodeBmp(BuildBmp(h, extra, data), image)) << image.GetLastErrorText();
        ASSERT_EQ(image.GetHeight(), 3);
        // The first row in the file is the top row, row 2.
        EXPECT_EQ(image.GetRowPointer(2)[0], 0);
        EXPECT_EQ(image.GetRowPointer(2)[1], 1);
        EXPECT_EQ(image.GetRowPointer(1)[0], 10);
        EXPECT_EQ(image.GetRowPointer(0)[0], 20);
        EXPECT_EQ(image.GetRowPointer(0)[1], 21);
    }
}

TEST(BmpDecodeTest, PackedDibWithoutFileHeader)
{
    InfoHeader h;
    h.width = 2;
    h.height = 1;
    h.bits = 1;
    Bytes dib;
    PutInfoHeader(dib, h);
    Append(dib, Palette({MakePixColor(1, 2, 3), MakePixColor(200, 100, 50)}));
    Append(dib, {0x40, 0, 0, 0}); // pixel 1 set
    // Decoded from where the stream stands, not from its start.
    Bytes block = {9, 9, 9, 9, 9};
    Append(block, dib);
    CPixMemStream stream(block.data(), static_cast<int32_t>(block.size()));
    ASSERT_TRUE(stream.Seek(5, 0));
    CPixImage image;
    ASSERT_TRUE(image.Decode(&stream, PIXIMAGE_BMP)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetIndexAt(0, 0), 0);
    EXPECT_EQ(image.GetIndexAt(1, 0), 1);
    EXPECT_EQ(image.GetColorAt(1, 0) & 0xFFFFFF, MakePixColor(200, 100, 50));
}

TEST(BmpDecodeTest, DataOffsetCountsFromTheStartOfTheFile)
{
    InfoHeader h;
    h.width = 1;
    h.height = 1;
    Bytes file = BuildBmp(h, {0xAA, 0xBB, 0xCC, 0xDD}, {7, 8, 9, 0}); // 4 unknown bytes before the data
    Bytes block = {1, 2, 3};
    Append(block, file);
    CPixMemStream stream(block.data(), static_cast<int32_t>(block.size()));
    ASSERT_TRUE(stream.Seek(3, 0));
    CPixImage image;
    ASSERT_TRUE(image.Decode(&stream, PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetColorAt(0, 0) & 0xFFFFFF, MakePixColor(9, 8, 7));
}

TEST(BmpDecodeTest, PaletteHasAsManyEntriesAsTheHeaderSays)
{
    // 8 bits, 16 colours listed: the pixels still come from the data offset.
    InfoHeader h;
    h.width = 2;
    h.height = 1;
    h.bits = 8;
    h.clrUsed = 16;
    std::vector<PixColor> colors;
    for (unsigned i = 0; i < 16; ++i)
        colors.push_back(MakePixColor(static_cast<BYTE>(i), static_cast<BYTE>(2 * i), static_cast<BYTE>(3 * i)) |
                         0x7F000000);
    CPixImage image;
    ASSERT_TRUE(DecodeBmp(BuildBmp(h, Palette(colors), {15, 3, 0, 0}), image)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetHeader().biClrUsed, 256u);
    EXPECT_EQ(image.GetIndexAt(0, 0), 15);
    EXPECT_EQ(image.GetIndexAt(1, 0), 3);
    EXPECT_EQ(image.GetPaletteEntry(15), MakePixColor(15, 30, 45)); // reserved byte cleared
    EXPECT_EQ(image.GetPaletteEntry(16), 0u);

    // A count beyond the depth is cut to the depth's full palette.
    h.clrUsed = 100000;
    Bytes extra = Palette(std::vector<PixColor>(256, MakePixColor(1, 1, 1)));
    EXPECT_TRUE(DecodeBmp(BuildBmp(h, extra, {1, 1, 0, 0}), image)) << image.GetLastErrorText();
}

TEST(BmpDecodeTest, ReadsExactlyTheImagesRowsWhateverTheSizeField)
{
    for (std::uint32_t sizeImage : {1u, 4u, 8u, 108u, 0xFFFFFFF0u}) {
        SCOPED_TRACE(sizeImage);
        InfoHeader h;
        h.width = 2;
        h.height = 2;
        h.bits = 8;
        h.sizeImage = sizeImage;
        Bytes data = {1, 2, 0, 0, 3, 4, 0, 0};
        Append(data, Bytes(100, 0x55)); // more bytes than the picture holds
        CPixImage image;
        ASSERT_TRUE(DecodeBmp(BuildBmp(h, Palette(std::vector<PixColor>(256, 0)), data), image));
        EXPECT_EQ(IndexGrid(image), (std::vector<std::vector<int>>{{3, 4}, {1, 2}}));
    }
}

TEST(BmpDecodeTest, CoreHeaderWithThreeBytePalette)
{
    Bytes file = {'B', 'M'};
    Put32(file, 36);
    Put32(file, 0);
    Put32(file, 14 + 12 + 6);
    Put32(file, 12);
    Put16(file, 1);
    Put16(file, 1);
    Put16(file, 1);
    Put16(file, 1);
    Append(file, {10, 20, 30, 40, 50, 60}); // two 3-byte entries
    Append(file, {0x80, 0, 0, 0});
    ASSERT_EQ(file.size(), 36u); // shorter than a 40-byte header
    CPixImage image;
    ASSERT_TRUE(DecodeBmp(file, image)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetIndexAt(0, 0), 1);
    EXPECT_EQ(image.GetPaletteEntry(0), MakePixColor(30, 20, 10));
    EXPECT_EQ(image.GetPaletteEntry(1), MakePixColor(60, 50, 40));
}

TEST(BmpDecodeTest, InfoHeaderSizes)
{
    struct Case {
        const char* what;
        std::uint32_t size;
        std::uint32_t compression;
        std::uint32_t sizeImage;
        bool accepted;
    };
    const Case cases[] = {
        {"OS/2 2.x", 64, 0, 0, true},
        {"long Windows header, plain", 108, 0, 8, true},
        {"long Windows header, bit fields", 108, 3, 8, false},
        {"long Windows header, no size", 124, 0, 0, false},
        {"too short", 20, 0, 0, false},
        {"huge", 0xFFFFFFFF, 0, 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InfoHeader h;
        h.size = c.size;
        h.width = 2;
        h.height = 1;
        h.compression = c.compression;
        h.sizeImage = c.sizeImage;
        Bytes file = BuildBmp(h, Bytes(c.size > 40 && c.size < 1000 ? c.size - 40 : 0, 0), {1, 2, 3, 4, 5, 6, 0, 0});
        CPixImage image;
        EXPECT_EQ(DecodeBmp(file, image), c.accepted) << image.GetLastErrorText();
        if (c.accepted)
            EXPECT_EQ(image.GetColorAt(1, 0) & 0xFFFFFF, MakePixColor(6, 5, 4));
        else
            EXPECT_STREQ(image.GetLastErrorText(), "Error reading BMP info");
    }
}

TEST(BmpDecodeTest, LongHeaderWithExtremeFieldsIsRefused)
{
    for (std::int32_t side : {INT_MAX, INT_MIN, -1}) {
        SCOPED_TRACE(side);
        InfoHeader h;
        h.size = 108;
        h.width = side;
        h.height = side;
        h.bits = 0xFFFF;
        h.sizeImage = 0xFFFFFFFF;
        CPixImage image;
        EXPECT_FALSE(DecodeBmp(BuildBmp(h, Bytes(68, 0), Bytes(16, 0)), image));
        EXPECT_STREQ(image.GetLastErrorText(), "Error reading BMP info");
    }
}

TEST(BmpDecodeTest, RefusedDepthsAndCompressions)
{
    struct Case {
        unsigned bits;
        std::uint32_t compression;
        const char* text;
    };
    const Case cases[] = {
        {8, 4, "compression type not supported"}, {1, 1, "compression type not supported"},
        {8, 2, "compression type not supported"}, {4, 1, "compression type not supported"},
        {24, 1, "unknown compression"},           {24, 3, "unknown compression"},
        {32, 1, "unknown compression"},           {0, 0, "Error reading BMP info"},
        {2, 0, "Error reading BMP info"},         {64, 0, "Error reading BMP info"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + "/" + std::to_string(c.compression));
        InfoHeader h;
        h.bits = c.bits;
        h.compression = c.compression;
        CPixImage image;
        EXPECT_FALSE(DecodeBmp(BuildBmp(h, Bytes(1024, 0), Bytes(64, 0)), image));
        EXPECT_STREQ(image.GetLastErrorText(), c.text);
    }
}

TEST(BmpDecodeTest, SixteenBitPixels)
{
    struct Case {
        const char* what;
        std::vector<std::uint32_t> masks; // none: 5-5-5
        unsigned pixel;
        PixColor expected;
    };
    const Case cases[] = {
        {"5-5-5 white", {}, 0x7FFF, MakePixColor(248, 248, 248)},
        {"5-5-5 blue", {}, 0x001F, MakePixColor(0, 0, 248)},
        {"5-5-5 red", {}, 0x7C00, MakePixColor(248, 0, 0)},
        {"5-6-5 red", {0xF800, 0x07E0, 0x001F}, 0xF800, MakePixColor(248, 0, 0)},
        {"5-6-5 green", {0xF800, 0x07E0, 0x001F}, 0x07E0, MakePixColor(0, 252, 0)},
        {"5-6-5 mix", {0xF800, 0x07E0, 0x001F}, 0x8410, MakePixColor(128, 128, 128)},
        {"4-4-4", {0x0F00, 0x00F0, 0x000F}, 0x0F5A, MakePixColor(0xF0, 0x50, 0xA0)},
        {"masks beyond 16 bits", {0xFFFF0000, 0x0001, 0x8000}, 0xFFFF, MakePixColor(0, 128, 128)},
        {"zero masks mean 5-5-5", {0, 0, 0}, 0x7FFF, MakePixColor(248, 248, 248)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InfoHeader h;
        h.width = 3; // rows of 6 bytes padded to 8
        h.height = 2;
        h.bits = 16;
        Bytes masks;
        if (!c.masks.empty()) {
            h.compression = 3;
            for (std::uint32_t m : c.masks)
                Put32(masks, m);
        }
        Bytes data;
        for (int row = 0; row < 2; ++row) {
            Put16(data, row == 0 ? c.pixel : 0);
            Put16(data, 0);
            Put16(data, row == 1 ? c.pixel : 0);
            Put16(data, 0xFFFF); // pad
        }
        CPixImage image;
        ASSERT_TRUE(DecodeBmp(BuildBmp(h, masks, data), image)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetBpp(), 24);
        EXPECT_EQ(image.GetColorAt(0, 0) & 0xFFFFFF, c.expected);
        EXPECT_EQ(image.GetColorAt(1, 0) & 0xFFFFFF, 0u);
        EXPECT_EQ(image.GetColorAt(2, 1) & 0xFFFFFF, c.expected);
        EXPECT_EQ(image.GetColorAt(0, 1) & 0xFFFFFF, 0u);
    }
}

TEST(BmpDecodeTest, ThirtyTwoBitPixels)
{
    struct Case {
        const char* what;
        std::uint32_t compression;
        std::vector<std::uint32_t> masks;
        std::uint32_t pixel;
        PixColor expected;
    };
    const Case cases[] = {
        {"plain: fourth byte ignored", 0, {}, 0xAB112233, MakePixColor(0x11, 0x22, 0x33)},
        {"bit fields, usual masks", 3, {0xFF0000, 0xFF00, 0xFF}, 0x00112233, MakePixColor(0x11, 0x22, 0x33)},
        {"bit fields, red low", 3, {0xFF, 0xFF00, 0xFF0000}, 0x44332211, MakePixColor(0x11, 0x22, 0x33)},
        {"10-10-10", 3, {0x3FF00000, 0xFFC00, 0x3FF}, (0x3FFu << 20) | (0x200u << 10) | 1, MakePixColor(255, 128, 0)},
        {"one-bit and full-width masks", 3, {0x80000000, 0, 0xFFFFFFFF}, 0xFFFFFFFF, MakePixColor(128, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InfoHeader h;
        h.width = 2;
        h.height = 1;
        h.bits = 32;
        h.compression = c.compression;
        Bytes masks;
        for (std::uint32_t m : c.masks)
            Put32(masks, m);
        Bytes data;
        Put32(data, 0);
        Put32(data, c.pixel);
        CPixImage image;
        ASSERT_TRUE(DecodeBmp(BuildBmp(h, masks, data), image)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetBpp(), 24);
        EXPECT_FALSE(image.HasAlpha());
        EXPECT_EQ(image.GetColorAt(0, 0) & 0xFFFFFF, 0u);
        EXPECT_EQ(image.GetColorAt(1, 0) & 0xFFFFFF, c.expected);
    }
}

InfoHeader RleHeader(LONG width, LONG height, unsigned bits)
{
    InfoHeader h;
    h.width = width;
    h.height = height;
    h.bits = bits;
    h.compression = bits == 8 ? 1 : 2;
    return h;
}

TEST(BmpRleTest, Rle8RunsLiteralsDeltasAndClipping)
{
    const Bytes data = {
        0x03, 0x05,                         // row 0: three 5s
        0x00, 0x03, 0x07, 0x08, 0x09, 0x00, // odd literal run and its pad byte; the 9 falls off the row
        0x00, 0x00,                         // end of line
        0x00, 0x02, 0x01, 0x01,             // delta: one right, one up (to row 2)
        0x02, 0x0A,                         // two 10s
        0x00, 0x04, 0x01, 0x02, 0x03, 0x04, // even literal run, no pad
        0x00, 0x00,                         //
        0x07, 0x0B,                         // row 3: a run longer than the row
        0x00, 0x01,                         // end of bitmap
        0x05, 0x0C,                         // after the end: ignored
    };
    CPixImage image;
    ASSERT_TRUE(DecodeBmp(BuildBmp(RleHeader(5, 4, 8), Palette(std::vector<PixColor>(256, 0)), data), image))
        << image.GetLastErrorText();
    EXPECT_EQ(IndexGrid(image), (std::vector<std::vector<int>>{
                                    {11, 11, 11, 11, 11},
                                    {0, 10, 10, 1, 2},
                                    {0, 0, 0, 0, 0},
                                    {5, 5, 5, 7, 8},
                                }));
}

TEST(BmpRleTest, Rle4NibblesLiteralsAndPadding)
{
    const Bytes data = {
        0x04, 0x12,                         // row 0: 1 2 1 2
        0x00, 0x03, 0x34, 0x50,             // three literal pixels in two bytes, no pad
        0x00, 0x00,                         // end of line
        0x00, 0x02, 0x02, 0x01,             // delta to x 2, row 2
        0x00, 0x05, 0x67, 0x89, 0xA0, 0x00, // five pixels in three bytes, then a pad byte
        0x00, 0x01,
    };
    CPixImage image;
    ASSERT_TRUE(DecodeBmp(BuildBmp(RleHeader(6, 3, 4), Palette(std::vector<PixColor>(16, 0)), data), image))
        << image.GetLastErrorText();
    EXPECT_EQ(IndexGrid(image), (std::vector<std::vector<int>>{
                                    {0, 0, 6, 7, 8, 9},
                                    {0, 0, 0, 0, 0, 0},
                                    {1, 2, 1, 2, 3, 4},
                                }));
}

TEST(BmpRleTest, HostileCommandsNeverWriteOutsideThePicture)
{
    for (unsigned bits : {4u, 8u}) {
        SCOPED_TRACE(bits);
        Bytes data;
        for (int i = 0; i < 50000; ++i)
            Append(data, {0xFF, 0x0F}); // runs far past the row's end
        Append(data, {0x00, 0xFF}); // literal run of 255 pixels, all off the row
        Append(data, Bytes(bits == 8 ? 256 : 128, 0x33));
        Append(data, {0x00, 0x02, 0xFF, 0x00, 0x00, 0x02, 0x00, 0x01}); // delta right, then up
        Append(data, {0x02, 0x01, 0x00, 0x02, 0x00, 0xFF, 0x02, 0x01}); // delta past the top ends it
        CPixImage image;
        ASSERT_TRUE(DecodeBmp(BuildBmp(RleHeader(3, 2, bits), Palette(std::vector<PixColor>(1u << bits, 0)), data),
                              image))
            << image.GetLastErrorText();
        // Only the first run's first pixels land; every later command points outside.
        const std::vector<int> bottom = bits == 8 ? std::vector<int>{15, 15, 15} : std::vector<int>{0, 15, 0};
        EXPECT_EQ(IndexGrid(image), (std::vector<std::vector<int>>{{0, 0, 0}, bottom}));
    }
}

TEST(BmpRleTest, DataEndingBeforeTheEndMarkerIsAFailure)
{
    CPixImage image;
    EXPECT_FALSE(DecodeBmp(BuildBmp(RleHeader(4, 4, 8), Palette(std::vector<PixColor>(256, 0)), {0x02, 0x01, 0x00}),
                           image));
    EXPECT_STREQ(image.GetLastErrorText(), "Error reading BMP data");
}

TEST(BmpDecodeTest, CancelledByTheEscapeField)
{
    CPixImage source(2, 2, 8);
    const Bytes file = EncodeBmp(source);
    CPixImageBMP decoder;
    decoder.SetEscape(1);
    CPixMemStream stream(const_cast<BYTE*>(file.data()), static_cast<int32_t>(file.size()));
    EXPECT_FALSE(decoder.Decode(&stream));
    EXPECT_STREQ(decoder.GetLastErrorText(), "Cancelled");

    CPixImage probing;
    probing.SetEscape(1);
    EXPECT_FALSE(DecodeBmp(file, probing, PIXIMAGE_UNKNOWN));
}

TEST(BmpDecodeTest, ShortInputs)
{
    CPixImage image;
    EXPECT_FALSE(DecodeBmp({'B', 'M', 0, 0}, image));
    EXPECT_STREQ(image.GetLastErrorText(), "Not a BMP");
    EXPECT_FALSE(DecodeBmp({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0}, image));
    EXPECT_STREQ(image.GetLastErrorText(), "Error reading BMP info");
}

// Every prefix of a valid file either decodes or fails with a text; none reads or writes out of
// bounds (the address sanitizer build checks that). The prefix sits in a block of its exact size.
TEST(BmpDecodeTest, TruncatedAtEveryLength)
{
    struct Sample {
        const char* what;
        Bytes file;
        bool needsEveryByte;
    };
    std::vector<Sample> samples;
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CPixImage image(5, 3, bpp);
        FillRandom(image, bpp);
        samples.push_back({"written", EncodeBmp(image), true});
    }
    InfoHeader h16;
    h16.width = 3;
    h16.height = -2;
    h16.bits = 16;
    h16.compression = 3;
    Bytes masks;
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
        Put32(masks, m);
    samples.push_back({"16-bit top-down", BuildBmp(h16, masks, RandomBytes(16, 1)), true});
    InfoHeader h32;
    h32.width = 3;
    h32.height = 2;
    h32.bits = 32;
    samples.push_back({"32-bit", BuildBmp(h32, {}, RandomBytes(24, 2)), true});
    samples.push_back({"RLE8", BuildBmp(RleHeader(4, 2, 8), Palette(std::vector<PixColor>(256, 7)),
                                        {0x02, 0x01, 0x00, 0x03, 1, 2, 3, 0, 0x00, 0x00, 0x04, 0x05, 0x00, 0x01}),
                       false});
    samples.push_back({"RLE4", BuildBmp(RleHeader(4, 2, 4), Palette(std::vector<PixColor>(16, 7)),
                                        {0x02, 0x12, 0x00, 0x02, 0x01, 0x00, 0x00, 0x03, 0x12, 0x30, 0x00, 0x01}),
                       false});

    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.what);
        CPixImage whole;
        ASSERT_TRUE(DecodeBmp(sample.file, whole)) << whole.GetLastErrorText();
        for (std::size_t length = 0; length < sample.file.size(); ++length) {
            SCOPED_TRACE(length);
            std::unique_ptr<BYTE[]> prefix(new BYTE[length + 1]);
            std::copy(sample.file.begin(), sample.file.begin() + static_cast<std::ptrdiff_t>(length), prefix.get());
            for (LONG type : {PIXIMAGE_BMP, PIXIMAGE_UNKNOWN}) {
                CPixImage image;
                const bool decoded = image.DecodeFromMemory(prefix.get(), static_cast<LONG>(length), type);
                if (decoded) {
                    EXPECT_TRUE(image.IsValid());
                    EXPECT_FALSE(sample.needsEveryByte);
                } else {
                    EXPECT_STRNE(image.GetLastErrorText(), "");
                }
            }
        }
    }
}

TEST(BmpDecodeTest, HostileSizesAllocateNothingLarge)
{
    struct Case {
        const char* what;
        std::int32_t width;
        std::int32_t height;
        unsigned bits;
        std::uint32_t compression;
        const char* text;
    };
    const Case cases[] = {
        // Uncompressed data is checked against what the stream holds before anything is allocated.
        {"20000 x 20000, no data", 20000, 20000, 24, 0, "Error reading BMP data"},
        {"widest row", 0x7FFFFFFF, 1, 24, 0, "Error reading BMP data"},
        {"32-bit row bytes past 32 bits", 0x40000001, 4, 32, 0, "Error reading BMP data"},
        {"16-bit", 65536, 65536, 16, 0, "Error reading BMP data"},
        {"most negative height", 4, INT_MIN, 8, 0, "Error reading BMP data"},
        // Run-length data must at least reach the top row with 255-row deltas.
        {"RLE8 taller than its data", 70000, 70000, 8, 1, "Error reading BMP data"},
        {"RLE4 top-down, 16777155 rows", 64, -16777155, 4, 2, "Error reading BMP data"},
        // Its rows cannot be measured: the image size limit refuses these.
        {"RLE8 wider than the limit", 0x7FFFFFFF, 2, 8, 1, "Can't allocate memory"},
        {"RLE4 beyond the limit", 0x7FFFFFFF, 64, 4, 2, "Can't allocate memory"},
        {"negative width", -5, 2, 24, 0, "Can't allocate memory"},
        {"zero width", 0, 2, 24, 0, "Can't allocate memory"},
        {"zero height", 2, 0, 24, 0, "Can't allocate memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InfoHeader h;
        h.width = c.width;
        h.height = c.height;
        h.bits = c.bits;
        h.compression = c.compression;
        CPixImage image;
        EXPECT_FALSE(DecodeBmp(BuildBmp(h, Bytes(c.bits <= 8 ? 4u << c.bits : 0, 0), Bytes(64, 1)), image));
        EXPECT_STREQ(image.GetLastErrorText(), c.text);
        EXPECT_FALSE(image.IsValid());
    }
}

TEST(UnpackBitfieldsTest, ExpandsInPlaceAndIgnoresOtherDepths)
{
    CPixImage image(3, 2, 24);
    BYTE* pixels = image.GetRowPointer(0);
    // 16-bit rows of 8 bytes, written over the start of the 24-bit area.
    const unsigned values[2][3] = {{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0x0000, 0x4210}};
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x) {
            pixels[row * 8 + 2 * x] = values[row][x] & 0xFF;
            pixels[row * 8 + 2 * x + 1] = static_cast<BYTE>(values[row][x] >> 8);
        }
    image.UnpackBitfields(pixels, 0x7C00, 0x03E0, 0x001F, 16);
    EXPECT_EQ(image.GetColorAt(0, 0) & 0xFFFFFF, MakePixColor(248, 0, 0));
    EXPECT_EQ(image.GetColorAt(1, 0) & 0xFFFFFF, MakePixColor(0, 248, 0));
    EXPECT_EQ(image.GetColorAt(2, 0) & 0xFFFFFF, MakePixColor(0, 0, 248));
    EXPECT_EQ(image.GetColorAt(0, 1) & 0xFFFFFF, MakePixColor(248, 248, 248));
    EXPECT_EQ(image.GetColorAt(1, 1) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.GetColorAt(2, 1) & 0xFFFFFF, MakePixColor(128, 128, 128));

    const Bytes before(image.GetRowPointer(0), image.GetRowPointer(0) + image.GetHeader().biSizeImage);
    const Bytes source(24, 0xFF);
    image.UnpackBitfields(source.data(), 0xFF0000, 0xFF00, 0xFF, 24);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), image.GetRowPointer(0)));
    CPixImage palette(3, 2, 8);
    palette.UnpackBitfields(source.data(), 0xFF0000, 0xFF00, 0xFF, 32);
    EXPECT_EQ(palette.GetIndexAt(0, 0), 0);
}

TEST(PixImageIteratorTest, RowsAndRefusedRows)
{
    CPixImage image(4, 3, 8);
    CPixImageIterator it;
    it.Attach(&image);
    EXPECT_EQ(it.m_y, 0);
    EXPECT_EQ(it.m_x, 0);
    EXPECT_EQ(it.m_pRow, image.GetRowPointer(0));
    it.GoTop();
    EXPECT_EQ(it.m_y, 2);
    EXPECT_EQ(it.m_pRow, image.GetRowPointer(2));
    EXPECT_EQ(it.SetRow(1), image.GetRowPointer(1));
    EXPECT_EQ(it.SetRow(-1), image.GetRowPointer(1));
    EXPECT_EQ(it.SetRow(3), image.GetRowPointer(1));
    EXPECT_EQ(it.m_y, 1);

    CPixImage empty;
    it.Attach(&empty);
    EXPECT_EQ(it.m_pRow, nullptr);
    it.GoTop();
    EXPECT_EQ(it.SetRow(0), nullptr);
}

} // namespace
