#include "imagelib/PixImageJPG.h"
#include "imagelib/PixMemStream.h"

#include "jpeg_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using jpegtest::Bytes;
using jpegtest::FillPhoto;
using jpegtest::Psnr;

bool DecodeBytes(CPixImage& image, const Bytes& file, std::size_t length, LONG type = 3)
{
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(length), type);
}

struct RoundTrip {
    bool grey;
    BYTE quality;
    double minPsnr;
};

class JpegRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(JpegRoundTrip, KeepsPictureDepthAndDpi)
{
    const RoundTrip c = GetParam();
    CPixImage source;
    FillPhoto(source, 61, 37, c.grey); // odd width: rows carry padding
    source.SetJpegQuality(c.quality);
    source.SetDpiX(72);
    source.SetDpiY(72);
    const Bytes file = jpegtest::Encode(source);
    CPixImage decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file, file.size(), 0)) << decoded.GetLastErrorText();
    EXPECT_EQ(decoded.GetType(), 3);
    EXPECT_EQ(decoded.GetBpp(), c.grey ? 8 : 24);
    EXPECT_EQ(decoded.IsGrayPalette(), c.grey);
    EXPECT_EQ(decoded.GetDpiX() * 1000 + decoded.GetDpiY(), 72072);
    EXPECT_GT(Psnr(source, decoded), c.minPsnr);
}

INSTANTIATE_TEST_SUITE_P(Qualities, JpegRoundTrip,
                         ::testing::Values(RoundTrip{false, 10, 27}, RoundTrip{false, 75, 35}, RoundTrip{false, 100, 39.5},
                                           RoundTrip{true, 10, 30}, RoundTrip{true, 75, 38}, RoundTrip{true, 100, 52}));

TEST(Jpeg, PaletteImagesOnlyAsIdentityGreyRamp)
{
    CPixImage colour(8, 8, 4, 0);
    colour.SetStdPalette();
    EXPECT_TRUE(jpegtest::Encode(colour).empty());
    EXPECT_STREQ(colour.GetLastErrorText(), "JPEG can save only RGB or GreyScale images");

    // Entries (0,0,0) and (1,1,1) pass the grey test: 1-bit rows are widened, not over-read.
    CPixImage bits(19, 5, 1, 0);
    bits.SetPaletteEntry(1, 1, 1, 1);
    for (LONG i = 0; i < 19 * 5; ++i)
        bits.SetIndexAt(i % 19, i / 19, i % 2);
    bits.SetJpegQuality(100);
    const Bytes file = jpegtest::Encode(bits);
    CPixImage decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file, file.size()));
    EXPECT_GT(Psnr(bits, decoded), 45);
}

TEST(Jpeg, EmptyForeignAndFailingStreams)
{
    CPixImage image;
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(DecodeBytes(image, text, 0));
    EXPECT_STREQ(image.GetLastErrorText(), "Empty input file");
    EXPECT_FALSE(DecodeBytes(image, text, text.size()));
    EXPECT_STREQ(image.GetLastErrorText(), "Not a JPEG file: starts with 0x68 0x65");

    // A stream that takes no bytes: the write failure is reported, not a short file.
    FILE* readOnly = std::fopen("/proc/self/exe", "rb");
    FillPhoto(image, 64, 64, false);
    EXPECT_FALSE(image.EncodeFile(readOnly, 3));
    EXPECT_STREQ(image.GetLastErrorText(), "Output file write error --- out of disk space?");
    std::fclose(readOnly);
}

TEST(Jpeg, EveryTruncationDecodesOrFailsCleanly)
{
    CPixImage source;
    FillPhoto(source, 24, 16, false);
    const Bytes file = jpegtest::Encode(source);
    for (std::size_t length = 1; length < file.size(); ++length) {
        CPixImage image;
        const bool decoded = DecodeBytes(image, file, length);
        // Once the headers are complete, a cut scan still gives the whole picture.
        EXPECT_TRUE(decoded || length < file.size() - 40) << length << ": " << image.GetLastErrorText();
        EXPECT_TRUE(decoded ? image.GetWidth() * image.GetHeight() == 24 * 16 : *image.GetLastErrorText() != 0);
    }
}

TEST(Jpeg, EscapeCancelsDecodeAndManySegmentsDoNot)
{
    CPixImage source;
    FillPhoto(source, 16, 16, true);
    Bytes file = jpegtest::Encode(source);
    CPixMemStream stream(file.data(), static_cast<int32_t>(file.size()));
    CPixImageJPG jpg;
    jpg.SetEscape(1);
    EXPECT_FALSE(jpg.Decode(&stream));
    EXPECT_STREQ(jpg.GetLastErrorText(), "Cancelled");

    // More segments than the Exif reader keeps: its failure does not reach the decoder.
    for (int i = 0; i < 25; ++i)
        file = jpegtest::WithSegment(file, 0xE5, {'x'});
    EXPECT_TRUE(DecodeBytes(source, file, file.size()));
}

struct DpiCase {
    const char* name;
    bool motorola;
    BYTE jfifUnit;
    unsigned jfifDensity;
    int exifUnit; // 0: no unit tag; -1: no Exif block
    std::uint32_t resolution, denominator;
    LONG expected;
};

class JpegDpi : public ::testing::TestWithParam<DpiCase> {};

TEST_P(JpegDpi, FromExifElseJfif)
{
    const DpiCase c = GetParam();
    CPixImage image;
    FillPhoto(image, 8, 8, false);
    Bytes file = jpegtest::Encode(image);
    // Our JFIF header: units at byte 13, densities at 14 and 16.
    file[13] = c.jfifUnit;
    file[14] = file[16] = static_cast<BYTE>(c.jfifDensity >> 8);
    file[15] = file[17] = static_cast<BYTE>(c.jfifDensity);
    if (c.exifUnit >= 0) {
        jpegtest::Tiff tiff(c.motorola);
        std::vector<jpegtest::TiffEntry> entries = {{0x011A, 5, 1, tiff.Rational(c.resolution, c.denominator)},
                                                    {0x011B, 5, 1, tiff.Rational(c.resolution, c.denominator)}};
        if (c.exifUnit > 0)
            entries.push_back({0x0128, 3, 1, tiff.Short(static_cast<unsigned>(c.exifUnit))});
        file = jpegtest::WithSegment(file, 0xE1, tiff.Directory(entries).Block());
    }
    ASSERT_TRUE(DecodeBytes(image, file, file.size())) << image.GetLastErrorText();
    EXPECT_EQ(image.GetDpiX(), c.expected);
    EXPECT_EQ(image.GetDpiY(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sources, JpegDpi,
                         ::testing::Values(DpiCase{"JfifAspectOnly", false, 0, 1, -1, 0, 0, 1},
                                           DpiCase{"JfifInches", false, 1, 300, -1, 0, 0, 300},
                                           DpiCase{"JfifCentimetres", false, 2, 118, -1, 0, 0, 300},
                                           DpiCase{"ExifIntel", false, 1, 300, 2, 72, 1, 72},
                                           DpiCase{"ExifMotorola", true, 1, 300, 2, 72, 1, 72},
                                           DpiCase{"ExifMotorolaCentimetres", true, 1, 300, 3, 2835, 100, 72},
                                           DpiCase{"ExifIntelWithoutUnitKeepsDefault", false, 1, 300, 0, 72, 1, 96}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
