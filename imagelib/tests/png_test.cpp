// Reading and writing PNG files.
#include "imagelib/PixImagePNG.h"
#include "imagelib/PixMemStream.h"

#include "image_test_files.h"
#include "pix_test_patterns.h"
#include "png_test_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

using pngfiles::PngSpec;
using testfiles::Bytes;
using testfiles::ShortStream;

bool DecodePng(const Bytes& file, CPixImage& image)
{
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), PIXIMAGE_PNG);
}

Bytes EncodePng(CPixImage& image)
{
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_TRUE(image.EncodeToMemory(block, length, PIXIMAGE_PNG)) << image.GetLastErrorText();
    Bytes out(block, block + length);
    std::free(block);
    return out;
}

// Data length of the first chunk of that type, or -1.
long ChunkLength(const Bytes& file, const char* type)
{
    for (std::size_t at = 8; at + 8 <= file.size();) {
        const long length = (file[at] << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
        if (std::memcmp(&file[at + 4], type, 4) == 0)
            return length;
        at += 12 + static_cast<std::size_t>(length);
    }
    return -1;
}

TEST(PngRoundTripTest, EveryDepthComesBackExactly)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u})
        for (bool alpha : {false, true})
            for (LONG width : {1, 7, 33}) {
                SCOPED_TRACE(std::to_string(bpp) + " bpp, width " + std::to_string(width) + (alpha ? " alpha" : ""));
                CPixImage image;
                pix_test::FillPattern(image, width, 5, bpp, alpha && bpp == 24);
                image.SetDpiX(72);
                CPixImage back;
                ASSERT_TRUE(DecodePng(EncodePng(image), back)) << back.GetLastErrorText();
                EXPECT_EQ(back.GetBpp(), bpp);
                EXPECT_EQ(back.GetDpiX(), 72);
                EXPECT_EQ(back.GetDpiY(), 96);
                EXPECT_TRUE(testfiles::SameColors(image, back));
                ASSERT_EQ(back.HasAlpha(), image.HasAlpha());
                if (image.HasAlpha()) {
                    EXPECT_EQ(std::memcmp(back.GetAlphaPlane(), image.GetAlphaPlane(), 5 * width), 0);
                }
            }
}

struct DecodeCase {
    const char* name;
    PngSpec spec;
    WORD bpp;
    bool alpha;
    // Colour (and alpha) expected at x and row y from the top.
    std::function<PixColor(png_uint_32 x, png_uint_32 y)> color;
};

using Sample = std::function<unsigned(png_uint_32, png_uint_32, int)>;

PngSpec Spec(int colorType, int depth, Sample sample)
{
    PngSpec spec;
    spec.width = 13;
    spec.height = 11;
    spec.colorType = colorType;
    spec.bitDepth = depth;
    spec.sample = std::move(sample);
    return spec;
}

unsigned Wave(png_uint_32 x, png_uint_32 y, int c) { return (x * 4099u + y * 757u + c * 3001u) & 0xFFFF; }
unsigned Level(png_uint_32 x, png_uint_32 y, int) { return (x + 2 * y) % 4; }
unsigned Byte(png_uint_32 x, png_uint_32 y, int c) { return (x * 30 + y * 11 + c * 70) & 0xFF; }
PixColor Grey(unsigned v, unsigned a = 0)
{
    const auto b = static_cast<BYTE>(v);
    return MakePixColor(b, b, b, static_cast<BYTE>(a));
}
// 8-bit grey and alpha of Byte() laid on a background grey, as libpng rounds it.
PixColor OnGrey(png_uint_32 x, png_uint_32 y, unsigned back)
{
    return Grey((Byte(x, y, 0) * Byte(x, y, 1) + back * (255 - Byte(x, y, 1)) + 127) / 255);
}

std::vector<DecodeCase> DecodeCases()
{
    std::vector<DecodeCase> cases = {
        {"16-bit RGB keeps the high bytes", Spec(PNG_COLOR_TYPE_RGB, 16, Wave), 24, false,
         [](auto x, auto y) { return MakePixColor(Wave(x, y, 0) >> 8, Wave(x, y, 1) >> 8, Wave(x, y, 2) >> 8); }},
        {"8-bit grey and alpha lies on grey 192", Spec(PNG_COLOR_TYPE_GRAY_ALPHA, 8, Byte), 8, false,
         [](auto x, auto y) { return OnGrey(x, y, 192); }},
        {"8-bit grey and alpha lies on its bKGD", Spec(PNG_COLOR_TYPE_GRAY_ALPHA, 8, Byte), 8, false,
         [](auto x, auto y) { return OnGrey(x, y, 40); }},
        {"16-bit grey and alpha keeps its alpha", Spec(PNG_COLOR_TYPE_GRAY_ALPHA, 16, Wave), 24, true,
         [](auto x, auto y) { return Grey(Wave(x, y, 0) >> 8, Wave(x, y, 1) >> 8); }},
        {"8-bit RGBA keeps its alpha", Spec(PNG_COLOR_TYPE_RGB_ALPHA, 8, Byte), 24, true,
         [](auto x, auto y) { return MakePixColor(Byte(x, y, 0), Byte(x, y, 1), Byte(x, y, 2), Byte(x, y, 3)); }},
        {"2-bit grey widens to 4 bits", Spec(PNG_COLOR_TYPE_GRAY, 2, Level), 4, false,
         [](auto x, auto y) { return Grey(85 * Level(x, y, 0)); }},
        {"2-bit palette widens to 4 bits", Spec(PNG_COLOR_TYPE_PALETTE, 2, Level), 4, false,
         [](auto x, auto y) { return MakePixColor(10 * Level(x, y, 0), 1, 2); }},
        // A transparent grey level lies on 192 brought to the file's depth (11 of 15 at 4 bits).
        {"4-bit grey with a transparent level", Spec(PNG_COLOR_TYPE_GRAY, 4, Level), 4, false,
         [](auto x, auto y) { return Grey(Level(x, y, 0) == 3 ? 11 * 17 : 17 * Level(x, y, 0)); }},
        {"RGB with a transparent colour", Spec(PNG_COLOR_TYPE_RGB, 8, Level), 24, false,
         [](auto x, auto y) { return Level(x, y, 0) == 2 ? Grey(192) : Grey(Level(x, y, 0)); }},
    };
    cases[2].spec.background = png_color_16{0, 0, 0, 0, 40};
    cases[6].spec.palette = {{0, 1, 2}, {10, 1, 2}, {20, 1, 2}, {30, 1, 2}};
    cases[7].spec.transColor = png_color_16{0, 0, 0, 0, 3};
    cases[8].spec.transColor = png_color_16{0, 2, 2, 2, 0};
    return cases;
}

TEST(PngDecodeTest, ColourTypesDepthsAndTransparency)
{
    for (DecodeCase& c : DecodeCases())
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (interlaced ? ", interlaced" : ""));
            c.spec.interlaced = interlaced;
            CPixImage image;
            ASSERT_TRUE(DecodePng(pngfiles::WritePng(c.spec), image)) << image.GetLastErrorText();
            EXPECT_EQ(image.GetBpp(), c.bpp);
            ASSERT_EQ(image.HasAlpha(), c.alpha);
            for (png_uint_32 y = 0; y < c.spec.height; ++y)
                for (png_uint_32 x = 0; x < c.spec.width; ++x) {
                    const LONG row = static_cast<LONG>(c.spec.height - 1 - y);
                    const PixColor want = c.color(x, y);
                    ASSERT_EQ(image.GetColorAt(x, row) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
                    if (c.alpha) {
                        ASSERT_EQ(image.GetAlphaAt(x, row), PixAlpha(want)) << x << "," << y;
                    }
                }
        }
}

TEST(PngDecodeTest, PaletteTransparencyAndResolution)
{
    PngSpec spec = Spec(PNG_COLOR_TYPE_PALETTE, 8, [](auto x, auto, int) { return x % 3; });
    spec.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    struct Case {
        std::vector<png_byte> trans;
        LONG index;
        BYTE paletteAlpha;
        std::vector<BYTE> reserved; // entries 0, 1, 2
    };
    const Case cases[] = {{{0}, 0, 0, {0, 0, 0}}, {{0, 128}, -1, 1, {0, 128, 255}}, {{200}, -1, 1, {200, 255, 255}}};
    for (const Case& c : cases) {
        spec.transAlpha = c.trans;
        CPixImage image;
        ASSERT_TRUE(DecodePng(pngfiles::WritePng(spec), image)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetTransparentIndex(), c.index);
        EXPECT_EQ(image.GetInfo().paletteHasAlpha, c.paletteAlpha);
        for (BYTE i = 0; i < 3; ++i)
            EXPECT_EQ(PixAlpha(image.GetPaletteEntry(i)), c.reserved[i]) << int{i};
        EXPECT_EQ(image.GetIndexAt(2, 0), 2);
    }

    struct Resolution {
        std::optional<png_uint_32> x, y;
        int unit;
        LONG dpiX, dpiY;
    };
    for (const Resolution& r : {Resolution{{}, {}, 0, 0, 0}, Resolution{2835, 11811, PNG_RESOLUTION_METER, 72, 300},
                                Resolution{3, 5, PNG_RESOLUTION_UNKNOWN, 3, 5},
                                Resolution{0xFFFFFFFF, 1, PNG_RESOLUTION_UNKNOWN, 0x7FFFFFFF, 1}}) {
        spec.physX = r.x;
        spec.physY = r.y;
        spec.physUnit = r.unit;
        CPixImage image;
        ASSERT_TRUE(DecodePng(pngfiles::WritePng(spec), image));
        EXPECT_EQ(image.GetDpiX(), r.dpiX);
        EXPECT_EQ(image.GetDpiY(), r.dpiY);
    }
}

TEST(PngDecodeTest, BrokenFilesFail)
{
    CPixImage picture;
    pix_test::FillPattern(picture, 40, 30, 24);
    const Bytes file = EncodePng(picture);
    CPixImage image;
    for (std::size_t cut = 0; cut < file.size(); cut += 7) {
        EXPECT_FALSE(DecodePng(Bytes(file.begin(), file.begin() + static_cast<long>(cut)), image)) << cut;
        EXPECT_FALSE(image.IsValid());
    }
    const auto data = std::search(file.begin(), file.end(), "IDAT", "IDAT" + 4);
    EXPECT_FALSE(DecodePng(Bytes(file.begin(), data + 20), image));
    EXPECT_STREQ(image.GetLastErrorText(), "Read Error");

    Bytes badCrc = file;
    badCrc[29] ^= 1; // last byte of the IHDR's CRC
    EXPECT_FALSE(DecodePng(badCrc, image));
    EXPECT_STREQ(image.GetLastErrorText(), "IHDR: CRC error");
    Bytes notPng = file;
    notPng[1] = 'Q';
    EXPECT_FALSE(DecodePng(notPng, image));
    EXPECT_STREQ(image.GetLastErrorText(), "Not a PNG file");

    // A few bytes claiming a huge picture are refused before it is allocated.
    Bytes huge = file;
    huge[18] = huge[22] = 0x40; // over 16384 x 16384 pixels
    const uLong crc = crc32(0, &huge[12], 17);
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = static_cast<BYTE>(crc >> (24 - 8 * i));
    EXPECT_FALSE(DecodePng(huge, image));
    EXPECT_STREQ(image.GetLastErrorText(), "Read Error");

    CPixImagePNG cancelled;
    cancelled.SetEscape(1);
    CPixMemStream stream(const_cast<BYTE*>(file.data()), static_cast<int32_t>(file.size()));
    EXPECT_FALSE(cancelled.Decode(&stream));
    EXPECT_STREQ(cancelled.GetLastErrorText(), "Cancelled");
}

TEST(PngEncodeTest, PaletteLengthFollowsTheIndicesUsed)
{
    for (LONG side : {100, 300}) {
        CPixImage image(static_cast<DWORD>(side), static_cast<DWORD>(side), 8);
        image.SetGrayRamp();
        for (LONG y = 0; y < side; ++y)
            for (LONG x = 0; x < side; ++x)
                image.SetIndexAt(x, y, static_cast<BYTE>((x + y) % 10));
        EXPECT_EQ(ChunkLength(EncodePng(image), "PLTE"), side == 100 ? 30 : 768);
    }
}

TEST(PngEncodeTest, TransparencyIsWrittenWithoutTouchingTheImage)
{
    CPixImage indexed;
    pix_test::FillPattern(indexed, 9, 7, 8);
    indexed.SetTransparentIndex(5);
    const CPixImage before(indexed, true, false, false);
    const Bytes file = EncodePng(indexed);
    EXPECT_EQ(ChunkLength(file, "tRNS"), 1);
    CPixImage back;
    ASSERT_TRUE(DecodePng(file, back));
    EXPECT_EQ(back.GetTransparentIndex(), 0);
    EXPECT_EQ(back.GetPaletteEntry(0) & 0xFFFFFF, before.GetPaletteEntry(5) & 0xFFFFFF);
    EXPECT_TRUE(testfiles::SameColors(back, before));
    EXPECT_TRUE(pix_test::SamePicture(indexed, before));
    EXPECT_EQ(indexed.GetTransparentIndex(), 5);

    // A failed write, wherever it happens, leaves the image as it was (and leaks nothing).
    for (std::size_t budget = 0; budget < file.size(); budget += 5) {
        ShortStream stream(budget);
        EXPECT_FALSE(indexed.Encode(&stream, PIXIMAGE_PNG));
        EXPECT_STREQ(indexed.GetLastErrorText(), "Error saving PNG file");
    }
    EXPECT_TRUE(pix_test::SamePicture(indexed, before));

    // A 24-bit picture's transparent colour and alpha plane become RGBA, scaled by the alpha maximum.
    CPixImage rgb;
    pix_test::FillPattern(rgb, 9, 7, 24, true);
    rgb.SetAlphaMax(128);
    rgb.SetTransparentIndex(0);
    rgb.SetTransparentColor(rgb.GetColorAt(3, 2));
    ASSERT_TRUE(DecodePng(EncodePng(rgb), back));
    ASSERT_TRUE(back.HasAlpha());
    EXPECT_EQ(back.GetAlphaAt(3, 2), 0);
    EXPECT_EQ(back.GetAlphaAt(4, 2), rgb.GetAlphaAt(4, 2) * 128 / 255);
    EXPECT_EQ(rgb.GetAlphaAt(3, 2), 3 * 11 + 2 * 17);
    rgb.FreeAlpha();
    ASSERT_TRUE(DecodePng(EncodePng(rgb), back));
    EXPECT_FALSE(rgb.HasAlpha());
    EXPECT_EQ(back.GetAlphaAt(3, 2), 0);
    EXPECT_EQ(back.GetAlphaAt(4, 2), 128);
}

} // namespace
