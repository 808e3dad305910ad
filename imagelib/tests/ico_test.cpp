// Reading and writing Windows icon files.
#include "imagelib/PixImageICO.h"
#include "imagelib/PixMemStream.h"

#include "image_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace testfiles;

bool DecodeIcon(const Bytes& file, CPixImage& image, LONG frame = 0, LONG type = PIXIMAGE_ICO)
{
    image.SetFrame(frame);
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), type);
}

Bytes EncodeIcon(CPixImage& image)
{
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_TRUE(image.EncodeToMemory(block, length, PIXIMAGE_ICO)) << image.GetLastErrorText();
    Bytes bytes(block, block + length);
    std::free(block);
    return bytes;
}

// A 2 x 2 icon image at 24 bits: colours from the bottom row, and a mask row each (bit 7 = x 0).
Bytes Icon24(const PixColor (&colors)[4], BYTE maskBottom, BYTE maskTop)
{
    Bytes pixels;
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 2; ++x) {
            const PixColor c = colors[row * 2 + x];
            Append(pixels, {PixBlue(c), PixGreen(c), PixRed(c)});
        }
        Append(pixels, {0, 0});
    }
    return IconBitmap(2, 2, 24, {}, pixels, {maskBottom, 0, 0, 0, maskTop, 0, 0, 0});
}

TEST(IcoRoundTripTest, PaletteAndTrueColourWithoutTransparency)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (DWORD width : {1u, 2u, 3u, 4u, 5u, 33u}) {
            SCOPED_TRACE(std::to_string(width) + "@" + std::to_string(bpp));
            CPixImage source(width, 3, bpp);
            FillRandom(source, width + bpp);
            const Bytes file = EncodeIcon(source);

            const std::size_t maskBytes = (width + 31) / 32 * 4 * 3;
            const std::size_t pixelBytes = source.GetStride() * 3;
            ASSERT_EQ(file.size(), 6 + 16 + 40 + source.GetPaletteBytes() + pixelBytes + maskBytes);
            EXPECT_EQ(Get16(file, 0), 0u);
            EXPECT_EQ(Get16(file, 2), 1u);
            EXPECT_EQ(Get16(file, 4), 1u);
            EXPECT_EQ(file[6], width);
            EXPECT_EQ(file[7], 3);
            EXPECT_EQ(file[8], static_cast<BYTE>(source.GetHeader().biClrUsed));
            EXPECT_EQ(Get16(file, 12), bpp);
            EXPECT_EQ(Get32(file, 14), file.size() - 22);
            EXPECT_EQ(Get32(file, 18), 22u);
            EXPECT_EQ(Get32(file, 22 + 8), 6u); // height doubled
            EXPECT_EQ(Get32(file, 22 + 20), pixelBytes);

            CPixImage decoded;
            ASSERT_TRUE(DecodeIcon(file, decoded)) << decoded.GetLastErrorText();
            EXPECT_EQ(decoded.GetType(), PIXIMAGE_ICO);
            EXPECT_EQ(decoded.GetBpp(), bpp);
            EXPECT_EQ(decoded.GetFrameCount(), 1);
            EXPECT_TRUE(SameColors(source, decoded));
            EXPECT_FALSE(decoded.HasAlpha());
            EXPECT_EQ(decoded.GetTransparentIndex(), -1);
        }
    }
}

TEST(IcoRoundTripTest, AlphaPlaneTravelsAsThirtyTwoBitPixels)
{
    CPixImage source(5, 4, 24);
    FillRandom(source, 9);
    ASSERT_TRUE(source.AllocAlpha());
    const Bytes alphas = RandomBytes(20, 4);
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 5; ++x)
            source.SetAlphaAt(x, y, (x + y) % 3 == 0 ? 0 : alphas[y * 5 + x]);
    const Bytes file = EncodeIcon(source);
    EXPECT_EQ(Get16(file, 12), 32u);
    EXPECT_EQ(Get16(file, 22 + 14), 32u);

    CPixImage decoded;
    ASSERT_TRUE(DecodeIcon(file, decoded)) << decoded.GetLastErrorText();
    ASSERT_TRUE(decoded.HasAlpha());
    EXPECT_TRUE(SameColors(source, decoded));
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 5; ++x)
            EXPECT_EQ(decoded.GetAlphaAt(x, y), source.GetAlphaAt(x, y)) << x << "," << y;
}

TEST(IcoRoundTripTest, TransparentIndexBecomesASpareIndex)
{
    CPixImage source(4, 3, 8);
    for (int i = 0; i < 256; ++i)
        source.SetPaletteEntry(static_cast<BYTE>(i), static_cast<BYTE>(i), 0, 0);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x)
            source.SetIndexAt(x, y, static_cast<BYTE>((x + 4 * y) % 10)); // indices 0-9
    source.SetTransparentIndex(3);
    const Bytes file = EncodeIcon(source);

    CPixImage decoded;
    ASSERT_TRUE(DecodeIcon(file, decoded)) << decoded.GetLastErrorText();
    EXPECT_FALSE(decoded.HasAlpha());
    EXPECT_EQ(decoded.GetTransparentIndex(), 10); // the first index no pixel uses
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x) {
            const int original = (x + 4 * y) % 10;
            EXPECT_EQ(decoded.GetIndexAt(x, y), original == 3 ? 10 : original);
        }
}

TEST(IcoDecodeTest, PaletteWithEveryIndexInUseKeepsAnAlphaPlane)
{
    // 2 x 1 at 1 bit: both colours used, pixel 1 masked.
    const Bytes body = IconBitmap(2, 1, 1, Palette({0, 0xFFFFFF}), {0x40, 0, 0, 0}, {0x40, 0, 0, 0});
    CPixImage image;
    ASSERT_TRUE(DecodeIcon(BuildIcon({{2, 1, 1, body}}), image)) << image.GetLastErrorText();
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaAt(0, 0), 255);
    EXPECT_EQ(image.GetAlphaAt(1, 0), 0);
    EXPECT_EQ(image.GetIndexAt(1, 0), 1);
    EXPECT_EQ(image.GetTransparentIndex(), -1);
}

TEST(IcoDecodeTest, TwentyFourBitMasks)
{
    const PixColor red = MakePixColor(255, 0, 0);
    const PixColor green = MakePixColor(0, 255, 0);
    const PixColor blue = MakePixColor(0, 0, 255);
    {
        SCOPED_TRACE("one colour under the mask");
        CPixImage image;
        ASSERT_TRUE(DecodeIcon(BuildIcon({{2, 2, 24, Icon24({red, green, red, blue}, 0x80, 0x80)}}), image));
        EXPECT_FALSE(image.HasAlpha());
        EXPECT_EQ(image.GetTransparentIndex(), 0);
        EXPECT_EQ(image.GetTransparentColor() & 0xFFFFFF, red);
    }
    {
        SCOPED_TRACE("several colours under the mask");
        CPixImage image;
        ASSERT_TRUE(DecodeIcon(BuildIcon({{2, 2, 24, Icon24({red, green, blue, blue}, 0x80, 0x80)}}), image));
        ASSERT_TRUE(image.HasAlpha());
        EXPECT_EQ(image.GetAlphaAt(0, 0), 0);
        EXPECT_EQ(image.GetAlphaAt(1, 0), 255);
        EXPECT_EQ(image.GetAlphaAt(0, 1), 0);
        EXPECT_EQ(image.GetTransparentIndex(), -1);
    }
    {
        SCOPED_TRACE("the masked colour also shown where unmasked");
        CPixImage image;
        ASSERT_TRUE(DecodeIcon(BuildIcon({{2, 2, 24, Icon24({red, green, red, red}, 0x80, 0x80)}}), image));
        ASSERT_TRUE(image.HasAlpha());
        EXPECT_EQ(image.GetAlphaAt(0, 0), 0);
        EXPECT_EQ(image.GetAlphaAt(0, 1), 0);
        EXPECT_EQ(image.GetAlphaAt(1, 1), 255);
        EXPECT_EQ(image.GetTransparentIndex(), -1);
    }
    {
        SCOPED_TRACE("nothing masked");
        CPixImage image;
        ASSERT_TRUE(DecodeIcon(BuildIcon({{2, 2, 24, Icon24({red, green, blue, blue}, 0, 0)}}), image));
        EXPECT_FALSE(image.HasAlpha());
        EXPECT_EQ(image.GetTransparentIndex(), -1);
    }
}

TEST(IcoDecodeTest, ThirtyTwoBitIconWithAlphaIgnoresItsMask)
{
    // One row: alpha 200, 100 and 0; the mask covers the last two, as writers set it for readers
    // without alpha, and also the first.
    Bytes pixels = {1, 2, 3, 200, 4, 5, 6, 100, 7, 8, 9, 0};
    const Bytes body = IconBitmap(3, 1, 32, {}, pixels, {0xE0, 0, 0, 0});
    CPixImage image;
    ASSERT_TRUE(DecodeIcon(BuildIcon({{3, 1, 32, body}}), image)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetBpp(), 24);
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaAt(0, 0), 200);
    EXPECT_EQ(image.GetAlphaAt(1, 0), 100);
    EXPECT_EQ(image.GetAlphaAt(2, 0), 0);
    EXPECT_EQ(image.GetColorAt(1, 0) & 0xFFFFFF, MakePixColor(6, 5, 4));
    EXPECT_EQ(image.GetTransparentIndex(), -1);
}

TEST(IcoDecodeTest, ThirtyTwoBitIconWithoutAnyAlphaUsesItsMask)
{
    const Bytes pixels = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
    const Bytes body = IconBitmap(3, 1, 32, {}, pixels, {0x40, 0, 0, 0});
    CPixImage image;
    ASSERT_TRUE(DecodeIcon(BuildIcon({{3, 1, 32, body}}), image)) << image.GetLastErrorText();
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaAt(0, 0), 255);
    EXPECT_EQ(image.GetAlphaAt(1, 0), 0);
    EXPECT_EQ(image.GetAlphaAt(2, 0), 255);
    EXPECT_EQ(image.GetColorAt(2, 0) & 0xFFFFFF, MakePixColor(9, 8, 7));

    const Bytes unmasked = IconBitmap(3, 1, 32, {}, pixels, {0, 0, 0, 0});
    ASSERT_TRUE(DecodeIcon(BuildIcon({{3, 1, 32, unmasked}}), image));
    EXPECT_FALSE(image.HasAlpha());
}

TEST(IcoDecodeTest, FrameToDecodeAndFramesFound)
{
    const Bytes first = IconBitmap(1, 1, 24, {}, {10, 20, 30, 0}, {0, 0, 0, 0});
    const Bytes second = IconBitmap(3, 1, 24, {}, {1, 1, 1, 2, 2, 2, 3, 3, 3, 0, 0, 0}, {0, 0, 0, 0});
    const Bytes file = BuildIcon({{1, 1, 24, first}, {3, 1, 24, second}});

    CPixImage image;
    ASSERT_TRUE(DecodeIcon(file, image, 1)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetColorAt(2, 0) & 0xFFFFFF, MakePixColor(3, 3, 3));
    EXPECT_EQ(image.GetFrameCount(), 2);
    EXPECT_EQ(image.GetFrame(), 1);

    for (LONG frame : {2, -1, 1000}) {
        SCOPED_TRACE(frame);
        CPixImage failed;
        EXPECT_FALSE(DecodeIcon(file, failed, frame));
        EXPECT_EQ(failed.GetFrameCount(), 2);
        EXPECT_STREQ(failed.GetLastErrorText(), "Icon frame out of range");
    }

    // Probing hands the frame to decode over as well.
    CPixImage probed;
    ASSERT_TRUE(DecodeIcon(file, probed, 1, PIXIMAGE_UNKNOWN));
    EXPECT_EQ(probed.GetWidth(), 3);
    EXPECT_EQ(probed.GetType(), PIXIMAGE_ICO);
}

TEST(IcoDecodeTest, SizeByteZeroMeansTwoHundredFiftySix)
{
    Bytes pixels;
    for (int row = 0; row < 256; ++row) {
        Bytes line(32, 0);
        line[row / 8] = static_cast<BYTE>(0x80 >> (row % 8)); // a diagonal
        Append(pixels, line);
    }
    const Bytes mask(32 * 256, 0);
    const Bytes body = IconBitmap(256, 256, 1, Palette({0, 0xFFFFFF}), pixels, mask);
    CPixImage image;
    ASSERT_TRUE(DecodeIcon(BuildIcon({{0, 0, 1, body}}), image)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetWidth(), 256);
    EXPECT_EQ(image.GetHeight(), 256);
    EXPECT_EQ(image.GetIndexAt(255, 255), 1);
    EXPECT_EQ(image.GetIndexAt(254, 255), 0);
    EXPECT_EQ(image.GetIndexAt(0, 0), 1);
}

TEST(IcoDecodeTest, ReadsExactlyTheImagesRowsWhateverTheSizeField)
{
    for (std::uint32_t sizeImage : {1u, 16u, 100000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(sizeImage);
        Bytes body = IconBitmap(2, 2, 8, Palette(std::vector<PixColor>(256, 0x010203)), {1, 2, 0, 0, 3, 4, 0, 0},
                                {0, 0, 0, 0, 0, 0, 0, 0}, sizeImage);
        Append(body, Bytes(64, 0x77)); // more bytes than the image holds
        CPixImage image;
        ASSERT_TRUE(DecodeIcon(BuildIcon({{2, 2, 8, body}}), image)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetIndexAt(0, 0), 1);
        EXPECT_EQ(image.GetIndexAt(1, 1), 4);
    }
}

TEST(IcoDecodeTest, BadDirectoriesAndImages)
{
    const Bytes good = IconBitmap(1, 1, 24, {}, {1, 2, 3, 0}, {0, 0, 0, 0});
    Bytes farOffset = BuildIcon({{1, 1, 24, good}});
    farOffset[18] = 0xFF; // image offset far past the end
    Bytes manyEntries = BuildIcon({{1, 1, 24, good}});
    manyEntries[4] = 0xFF;
    manyEntries[5] = 0xFF;
    Bytes noMask = BuildIcon({{1, 1, 24, good}});
    noMask.erase(noMask.end() - 4, noMask.end()); // the mask row

    struct Case {
        const char* what;
        Bytes file;
        const char* text;
    };
    const Case cases[] = {
        {"reserved word set", BuildIcon({{1, 1, 24, good}}, 1), "Not an icon"},
        {"cursor", BuildIcon({{1, 1, 24, good}}, 0, 2), "Not an icon"},
        {"no images", BuildIcon({}), "Icon frame out of range"},
        {"offset past the end", farOffset, "Error reading icon"},
        {"more entries than the file holds", manyEntries, "Error reading icon"},
        {"mask missing", noMask, "Error reading icon"},
        {"16-bit image", BuildIcon({{1, 1, 16, IconBitmap(1, 1, 16, {}, {1, 2, 0, 0}, {0, 0, 0, 0})}}),
         "Unsupported icon bit depth"},
        {"too short", {0, 0, 1}, "Not an icon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CPixImage image;
        EXPECT_FALSE(DecodeIcon(c.file, image));
        EXPECT_STREQ(image.GetLastErrorText(), c.text);
    }
}

TEST(IcoDecodeTest, TruncatedAtEveryLength)
{
    std::vector<Bytes> samples;
    for (DWORD bpp : {1u, 8u, 24u}) {
        CPixImage image(3, 2, bpp);
        FillRandom(image, bpp);
        if (bpp == 24) {
            image.AllocAlpha();
            image.FillAlpha(128);
            image.SetAlphaAt(1, 1, 0);
        }
        samples.push_back(EncodeIcon(image));
    }
    samples.push_back(BuildIcon({{1, 1, 24, IconBitmap(1, 1, 24, {}, {1, 2, 3, 0}, {0x80, 0, 0, 0})},
                                 {2, 1, 4, IconBitmap(2, 1, 4, Palette(std::vector<PixColor>(16, 5)),
                                                      {0x12, 0, 0, 0}, {0, 0, 0, 0})}}));
    for (std::size_t s = 0; s < samples.size(); ++s) {
        SCOPED_TRACE(s);
        const Bytes& file = samples[s];
        for (LONG frame : {0, 1}) {
            CPixImage whole;
            whole.SetFrame(frame);
            if (frame == 1 && s + 1 != samples.size())
                continue;
            ASSERT_TRUE(DecodeIcon(file, whole, frame)) << whole.GetLastErrorText();
            for (std::size_t length = 0; length < file.size(); ++length) {
                SCOPED_TRACE(length);
                std::unique_ptr<BYTE[]> prefix(new BYTE[length + 1]);
                std::copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length), prefix.get());
                for (LONG type : {PIXIMAGE_ICO, PIXIMAGE_UNKNOWN}) {
                    CPixImage image;
                    image.SetFrame(frame);
                    const bool decoded = image.DecodeFromMemory(prefix.get(), static_cast<LONG>(length), type);
                    // The first image of the two-image sample is complete before the second begins.
                    const bool complete = s + 1 == samples.size() && frame == 0 && length >= 6 + 32 + 40 + 4 + 4;
                    EXPECT_EQ(decoded, complete) << image.GetLastErrorText();
                }
            }
        }
    }
}

// A stand-in PNG decoder: it checks the signature where the stream stands and makes a 2 x 2 picture.
class FakePng : public CPixImage {
public:
    FakePng()
        : CPixImage(PIXIMAGE_PNG)
    {
    }
    bool DecodePng(CPixStream* stream)
    {
        BYTE signature[8] = {};
        if (stream->Read(signature, 1, 8) != 8 || signature[0] != 0x89 || signature[1] != 'P') {
            SetLastErrorText("fake PNG: no signature");
            return false;
        }
        Create(2, 2, 24, PIXIMAGE_PNG);
        SetColorAt(1, 1, 0xABCDEF, false);
        return true;
    }
};

PixFormat FakePngFormat()
{
    PixFormat format;
    format.create = []() -> std::unique_ptr<CPixImage> { return std::make_unique<FakePng>(); };
    format.decode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<FakePng&>(image).DecodePng(stream);
    };
    return format;
}

TEST(IcoDecodeTest, PngImagesGoToThePngFormat)
{
    const Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    const Bytes bitmap = IconBitmap(1, 1, 24, {}, {1, 2, 3, 0}, {0, 0, 0, 0});
    const Bytes file = BuildIcon({{1, 1, 24, bitmap}, {0, 0, 32, png}});
    {
        ScopedFormat none(PIXIMAGE_PNG, std::nullopt);
        CPixImage image;
        EXPECT_FALSE(DecodeIcon(file, image, 1));
        EXPECT_STREQ(image.GetLastErrorText(), "PNG icon image: PNG format not available");
        EXPECT_EQ(image.GetFrameCount(), 2);
    }
    {
        ScopedFormat fake(PIXIMAGE_PNG, FakePngFormat());
        CPixImage image;
        ASSERT_TRUE(DecodeIcon(file, image, 1)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetType(), PIXIMAGE_ICO);
        EXPECT_EQ(image.GetFrame(), 1);
        EXPECT_EQ(image.GetFrameCount(), 2);
        EXPECT_EQ(image.GetColorAt(1, 1) & 0xFFFFFF, 0xABCDEFu);
        // The bitmap image of the same file still reads as a bitmap.
        CPixImage first;
        ASSERT_TRUE(DecodeIcon(file, first, 0));
        EXPECT_EQ(first.GetColorAt(0, 0) & 0xFFFFFF, MakePixColor(3, 2, 1));
    }
}

TEST(IcoEncodeTest, RefusedImagesAndFailedWrites)
{
    CPixMemStream stream;
    for (DWORD side : {256u, 1000u}) {
        CPixImage big(side, 1, 24);
        EXPECT_FALSE(big.Encode(&stream, PIXIMAGE_ICO));
        EXPECT_STREQ(big.GetLastErrorText(), "Can't save this image as icon");
        CPixImage tall(1, side, 8);
        EXPECT_FALSE(tall.Encode(&stream, PIXIMAGE_ICO));
    }
    EXPECT_EQ(stream.Size(), 0);
    CPixImage largest(255, 255, 24);
    EXPECT_TRUE(largest.Encode(&stream, PIXIMAGE_ICO));

    CPixImage empty;
    EXPECT_FALSE(empty.Encode(&stream, PIXIMAGE_ICO));
    EXPECT_STREQ(empty.GetLastErrorText(), "null image!!!");

    BYTE block[8] = {};
    CPixMemStream readOnly(block, sizeof block);
    CPixImage image(4, 4, 4);
    EXPECT_FALSE(image.Encode(&readOnly, PIXIMAGE_ICO));
    EXPECT_STREQ(image.GetLastErrorText(), "Error writing icon");
}

TEST(IcoEncodeTest, MaskFollowsPaletteAlpha)
{
    CPixImage image(3, 1, 4);
    image.SetPaletteEntry(0, 10, 10, 10, 0);   // reserved 0 while the palette carries alpha: masked
    image.SetPaletteEntry(1, 20, 20, 20, 255);
    image.SetIndexAt(0, 0, 1);
    image.SetIndexAt(1, 0, 0);
    image.SetIndexAt(2, 0, 1);
    const Bytes file = EncodeIcon(image);
    const std::size_t maskAt = 22 + 40 + 64 + 4;
    ASSERT_EQ(file.size(), maskAt + 4);
    EXPECT_EQ(file[maskAt], 0x40);
}

} // namespace
