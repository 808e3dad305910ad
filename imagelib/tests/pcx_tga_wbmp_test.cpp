// PCX, TGA and WBMP files built byte by byte: sizes a header may get wrong, colour maps, packets
// past the picture's end, short files and failed writes.
#include "imagelib/PixImage.h"

#include "image_test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace testfiles;

bool DecodeAs(const Bytes& file, CPixImage& image, LONG type)
{
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), type);
}

Bytes EncodeAs(CPixImage& image, LONG type)
{
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_TRUE(image.EncodeToMemory(block, length, type)) << image.GetLastErrorText();
    Bytes bytes(block, block + length);
    std::free(block);
    return bytes;
}

// A 128-byte PCX header; the colour map is left empty.
Bytes PcxHeader(unsigned bits, unsigned planes, unsigned xMin, unsigned yMin, unsigned xMax, unsigned yMax,
                unsigned bytesPerLine)
{
    Bytes h = {10, 5, 1, static_cast<BYTE>(bits)};
    for (unsigned v : {xMin, yMin, xMax, yMax, 72u, 72u})
        Put16(h, v);
    h.resize(65, 0);
    Put8(h, planes);
    Put16(h, bytesPerLine);
    h.resize(128, 0);
    return h;
}

Bytes TgaHeader(BYTE type, BYTE mapType, unsigned mapLength, BYTE mapBits, unsigned width, unsigned height, BYTE depth,
                BYTE descriptor)
{
    Bytes h = {0, mapType, type};
    Put16(h, 0);
    Put16(h, mapLength);
    Put8(h, mapBits);
    Put16(h, 0);
    Put16(h, 0);
    Put16(h, width);
    Put16(h, height);
    Put8(h, depth);
    Put8(h, descriptor);
    return h;
}

TEST(PcxDecodeTest, SizesFromTheWindowAndRowLength)
{
    struct Case {
        const char* what;
        Bytes file;
        const char* error; // nullptr: decodes
    };
    Bytes tenWide = PcxHeader(8, 1, 10, 0, 19, 0, 10);
    Append(tenWide, {0xCA, 7}); // ten bytes of 7
    tenWide.push_back(12);
    tenWide.resize(tenWide.size() + 768, 0);
    const Case cases[] = {
        {"Xmin 10 to Xmax 19", tenWide, nullptr},
        {"Xmax below Xmin", PcxHeader(8, 1, 5, 0, 4, 0, 2), "bad PCX image size"},
        {"Ymax below Ymin", PcxHeader(8, 1, 0, 9, 0, 8, 2), "bad PCX image size"},
        {"rows shorter than the width", PcxHeader(8, 1, 0, 0, 9, 0, 8), "bad PCX image size"},
        // 65536 rows of 4 planes of 65535 bytes are beyond 32 bits: the data cannot hold them.
        {"beyond 32 bits", PcxHeader(8, 4, 0, 0, 65534, 65535, 65535), "corrupted PCX"},
        {"five planes", PcxHeader(1, 5, 0, 0, 7, 0, 2), "Can't handle image with more than 4 planes"},
        {"two planes of two bits", PcxHeader(2, 2, 0, 0, 7, 0, 2), "Can't handle more than 1 bit per pixel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CPixImage image;
        const bool decoded = DecodeAs(c.file, image, PIXIMAGE_PCX);
        if (c.error) {
            EXPECT_FALSE(decoded);
            EXPECT_STREQ(image.GetLastErrorText(), c.error);
        } else {
            ASSERT_TRUE(decoded) << image.GetLastErrorText();
            EXPECT_EQ(image.GetWidth(), 10);
            EXPECT_EQ(image.GetIndexAt(9, 0), 7);
        }
    }
}

TEST(PcxDecodeTest, ThreePlanesOfOneBitMakeEightColours)
{
    // 8 x 1: plane i holds bit i of each index, so pixel x gets index x % 8.
    Bytes file = PcxHeader(1, 3, 0, 0, 7, 0, 2);
    for (BYTE plane : {0x55, 0x33, 0x0F})
        Append(file, {plane, 0});
    CPixImage image;
    ASSERT_TRUE(DecodeAs(file, image, PIXIMAGE_PCX)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetBpp(), 4);
    for (LONG x = 0; x < 8; ++x)
        EXPECT_EQ(image.GetIndexAt(x, 0), x) << x;
}

TEST(PcxEncodeTest, LongRunsAndOddWidths)
{
    // 64 equal bytes of 0xC5 are a run of 63 and a single byte that needs its own code.
    CPixImage image(64, 1, 8);
    for (LONG x = 0; x < 64; ++x)
        image.SetIndexAt(x, 0, 0xC5);
    const Bytes file = EncodeAs(image, PIXIMAGE_PCX);
    ASSERT_GE(file.size(), 132u);
    EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 132), (Bytes{0xFF, 0xC5, 0xC1, 0xC5}));

    // An odd width has a pad byte after each plane row and reads back the same.
    CPixImage odd(5, 3, 24);
    FillRandom(odd, 5);
    const Bytes oddFile = EncodeAs(odd, PIXIMAGE_PCX);
    EXPECT_EQ(Get16(oddFile, 66), 6u);
    CPixImage back;
    ASSERT_TRUE(DecodeAs(oddFile, back, PIXIMAGE_PCX)) << back.GetLastErrorText();
    EXPECT_TRUE(SameColors(odd, back));
}

TEST(TgaDecodeTest, ColourMapsAndPackets)
{
    // True colour with a map for other readers: the pixels are colours, the map is skipped.
    Bytes trueColor = TgaHeader(2, 1, 2, 16, 2, 1, 24, 0);
    Append(trueColor, {0x1F, 0x7C, 0xE0, 0x03}); // two 16-bit entries
    Append(trueColor, {1, 2, 3, 4, 5, 6});
    // A 16-bit map: red 0x7C00 and blue 0x001F.
    Bytes mapped16 = TgaHeader(1, 1, 2, 16, 2, 1, 8, 0);
    Append(mapped16, {0x00, 0x7C, 0x1F, 0x00, 1, 0});
    // A run of 4 where the picture has 3 pixels left: the last is dropped.
    Bytes runPast = TgaHeader(10, 0, 0, 0, 3, 1, 24, 0);
    Append(runPast, {0x83, 9, 8, 7});
    struct Case {
        const char* what;
        const Bytes& file;
        PixColor left;
        PixColor right;
    };
    const Case cases[] = {
        {"true colour with a map", trueColor, MakePixColor(3, 2, 1), MakePixColor(6, 5, 4)},
        {"16-bit map entries", mapped16, MakePixColor(0, 0, 248), MakePixColor(248, 0, 0)},
        {"run past the end", runPast, MakePixColor(7, 8, 9), MakePixColor(7, 8, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CPixImage image;
        ASSERT_TRUE(DecodeAs(c.file, image, PIXIMAGE_TGA)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetColorAt(0, 0) & 0xFFFFFF, c.left);
        EXPECT_EQ(image.GetColorAt(image.GetWidth() - 1, 0) & 0xFFFFFF, c.right);
    }
}

TEST(TgaDecodeTest, TopDownRightToLeftKeepsAlphaWithItsPixel)
{
    Bytes file = TgaHeader(2, 0, 0, 0, 2, 2, 32, 0x30);
    // File order: top row right to left, then the bottom row.
    Append(file, {1, 1, 1, 10, 2, 2, 2, 20, 3, 3, 3, 30, 4, 4, 4, 40});
    CPixImage image;
    ASSERT_TRUE(DecodeAs(file, image, PIXIMAGE_TGA)) << image.GetLastErrorText();
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetColorAt(1, 1) & 0xFF, 1u);
    EXPECT_EQ(image.GetAlphaAt(1, 1), 10);
    EXPECT_EQ(image.GetColorAt(0, 0) & 0xFF, 4u);
    EXPECT_EQ(image.GetAlphaAt(0, 0), 40);
}

TEST(WbmpTest, SidesAreMultiByteIntegers)
{
    CPixImage image(200, 2, 1);
    image.SetGrayRamp();
    image.SetIndexAt(199, 1, 1);
    const Bytes file = EncodeAs(image, PIXIMAGE_WBMP);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 5), (Bytes{0, 0, 0x81, 0x48, 2}));
    CPixImage back;
    ASSERT_TRUE(DecodeAs(file, back, PIXIMAGE_WBMP)) << back.GetLastErrorText();
    EXPECT_EQ(back.GetWidth(), 200);
    EXPECT_EQ(back.GetIndexAt(199, 1), 1);

    CPixImage colour(2, 2, 8);
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_FALSE(colour.EncodeToMemory(block, length, PIXIMAGE_WBMP));
}

// Every prefix of a small file fails with a text; the whole file decodes.
TEST(PcxTgaWbmpTest, ShortFilesFail)
{
    struct Sample {
        LONG type;
        DWORD bpp;
    };
    const Sample samples[] = {{PIXIMAGE_PCX, 1}, {PIXIMAGE_PCX, 4}, {PIXIMAGE_PCX, 8}, {PIXIMAGE_PCX, 24},
                              {PIXIMAGE_TGA, 8}, {PIXIMAGE_TGA, 24}, {PIXIMAGE_WBMP, 1}};
    for (const Sample& s : samples) {
        SCOPED_TRACE(std::to_string(s.type) + " at " + std::to_string(s.bpp));
        CPixImage image(5, 3, s.bpp);
        FillRandom(image, s.bpp);
        const Bytes file = EncodeAs(image, s.type);
        CPixImage whole;
        ASSERT_TRUE(DecodeAs(file, whole, s.type)) << whole.GetLastErrorText();
        for (std::size_t length = 0; length < file.size(); ++length) {
            CPixImage cut;
            EXPECT_FALSE(DecodeAs(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)), cut, s.type))
                << length;
            EXPECT_STRNE(cut.GetLastErrorText(), "") << length;
        }
    }
}

// A stream that takes no bytes: each encoder reports the failure.
TEST(PcxTgaWbmpTest, FailedWritesFailTheEncode)
{
    for (LONG type : {PIXIMAGE_PCX, PIXIMAGE_TGA, PIXIMAGE_WBMP}) {
        SCOPED_TRACE(type);
        CPixImage image(8, 2, type == PIXIMAGE_WBMP ? 1 : 24);
        FILE* readOnly = std::fopen("/proc/self/exe", "rb");
        ASSERT_NE(readOnly, nullptr);
        EXPECT_FALSE(image.EncodeFile(readOnly, type));
        EXPECT_STRNE(image.GetLastErrorText(), "");
        std::fclose(readOnly);
    }
}

} // namespace
