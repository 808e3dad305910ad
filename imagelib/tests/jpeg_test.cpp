#include "imagelib/PixImageJPG.h"
#include "imagelib/PixMemStream.h"

#include "image_test_files.h"
#include "jpeg_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using jpegtest::Bytes;
using jpegtest::FillPhoto;
using jpegtest::Psnr;
using jpegtest::Tiff;

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
    ASSERT_FALSE(file.empty()) << source.GetLastErrorText();

    CPixImage decoded;
    ASSERT_TRUE(decoded.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), 0)) << decoded.GetLastErrorText();
    EXPECT_EQ(decoded.GetType(), 3);
    EXPECT_EQ(decoded.GetBpp(), c.grey ? 8 : 24);
    EXPECT_EQ(decoded.IsGrayPalette(), c.grey);
    EXPECT_EQ(decoded.GetDpiX(), 72);
    EXPECT_EQ(decoded.GetDpiY(), 72);
    EXPECT_GT(Psnr(source, decoded), c.minPsnr);
}

INSTANTIATE_TEST_SUITE_P(Qualities, JpegRoundTrip,
                         ::testing::Values(RoundTrip{false, 10, 27}, RoundTrip{false, 75, 35}, RoundTrip{false, 100, 39.5},
                                           RoundTrip{true, 10, 30}, RoundTrip{true, 75, 38}, RoundTrip{true, 100, 52}));

TEST(Jpeg, SavesAndLoadsByFileName)
{
    testfiles::TempDir dir;
    CPixImage source;
    FillPhoto(source, 40, 30, false);
    ASSERT_TRUE(source.Save(dir.File("a.jpg").c_str(), 3)) << source.GetLastErrorText();
    CPixImage loaded;
    ASSERT_TRUE(loaded.Load(dir.File("a.jpg").c_str(), 0));
    EXPECT_EQ(loaded.GetType(), 3);
    EXPECT_EQ(loaded.GetDpiX(), 96); // the default went out in the JFIF header
    EXPECT_GT(Psnr(source, loaded), 32);
}

TEST(Jpeg, PaletteImagesOnlyAsIdentityGreyRamp)
{
    CPixImage colour(8, 8, 4, 0);
    colour.SetStdPalette();
    EXPECT_TRUE(jpegtest::Encode(colour).empty());
    EXPECT_STREQ(colour.GetLastErrorText(), "JPEG can save only RGB or GreyScale images");

    // Two entries (0,0,0) and (1,1,1) pass the grey test: 1-bit rows are widened, not over-read.
    CPixImage bits(19, 5, 1, 0);
    bits.SetPaletteEntry(1, 1, 1, 1);
    for (LONG x = 0; x < 19; ++x)
        for (LONG y = 0; y < 5; ++y)
            bits.SetIndexAt(x, y, (x + y) % 2);
    bits.SetJpegQuality(100);
    const Bytes file = jpegtest::Encode(bits);
    CPixImage decoded;
    ASSERT_TRUE(decoded.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), 3));
    EXPECT_EQ(decoded.GetBpp(), 8);
    EXPECT_GT(Psnr(bits, decoded), 45);
}

TEST(Jpeg, EmptyForeignAndFailingStreams)
{
    CPixImage image;
    BYTE none = 0;
    EXPECT_FALSE(image.DecodeFromMemory(&none, 0, 3));
    EXPECT_STREQ(image.GetLastErrorText(), "Empty input file");
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(image.DecodeFromMemory(text.data(), 5, 3));
    EXPECT_STREQ(image.GetLastErrorText(), "Not a JPEG file: starts with 0x68 0x65");

    // A stream that takes no bytes: the write failure is reported, not a short file.
    testfiles::TempDir dir;
    testfiles::WriteFileBytes(dir.File("ro"), {});
    FILE* readOnly = std::fopen(dir.File("ro").c_str(), "rb");
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
    const std::size_t headerEnd = file.size() - 40; // well inside the scan
    for (std::size_t length = 1; length < file.size(); ++length) {
        CPixImage image;
        const bool decoded = image.DecodeFromMemory(file.data(), static_cast<LONG>(length), 3);
        if (length >= headerEnd) {
            EXPECT_TRUE(decoded) << length << ": " << image.GetLastErrorText();
        }
        if (decoded)
            EXPECT_EQ(image.GetWidth() * image.GetHeight(), 24 * 16);
        else
            EXPECT_STRNE(image.GetLastErrorText(), "");
    }
}

TEST(Jpeg, EscapeCancelsDecode)
{
    CPixImage source;
    FillPhoto(source, 16, 16, false);
    Bytes file = jpegtest::Encode(source);
    CPixMemStream stream(file.data(), static_cast<int32_t>(file.size()));
    CPixImageJPG jpg;
    jpg.SetEscape(1);
    EXPECT_FALSE(jpg.Decode(&stream));
    EXPECT_STREQ(jpg.GetLastErrorText(), "Cancelled");
}

struct DpiCase {
    const char* name;
    BYTE jfifUnit;
    unsigned jfifDensity;
    bool motorola;
    int exifUnit;                // 0: no unit tag; -1: no Exif block
    std::uint32_t resolution[2]; // Exif X resolution as a rational
    LONG expected;
};

class JpegDpi : public ::testing::TestWithParam<DpiCase> {};

TEST_P(JpegDpi, FromExifElseJfif)
{
    const DpiCase c = GetParam();
    CPixImage source;
    FillPhoto(source, 8, 8, false);
    Bytes file = jpegtest::Encode(source);
    // The JFIF header we wrote: units at byte 13, densities at 14 and 16.
    file[13] = c.jfifUnit;
    file[14] = file[16] = static_cast<BYTE>(c.jfifDensity >> 8);
    file[15] = file[17] = static_cast<BYTE>(c.jfifDensity);
    if (c.exifUnit >= 0) {
        Tiff tiff(c.motorola);
        std::vector<jpegtest::TiffEntry> entries = {{0x011A, 5, 1, tiff.Rational(c.resolution[0], c.resolution[1])},
                                                    {0x011B, 5, 1, tiff.Rational(c.resolution[0], c.resolution[1])}};
        if (c.exifUnit > 0)
            entries.push_back({0x0128, 3, 1, tiff.Short(static_cast<unsigned>(c.exifUnit))});
        file = jpegtest::WithSegment(file, 0xE1, tiff.Directory(entries).Block());
    }
    CPixImage image;
    ASSERT_TRUE(image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), 3)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetDpiX(), c.expected);
    EXPECT_EQ(image.GetDpiY(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, JpegDpi,
    ::testing::Values(DpiCase{"JfifAspectOnly", 0, 1, false, -1, {0, 0}, 1},
                      DpiCase{"JfifInches", 1, 300, false, -1, {0, 0}, 300},
                      DpiCase{"JfifCentimetres", 2, 118, false, -1, {0, 0}, 300},
                      DpiCase{"ExifIntel", 1, 300, false, 2, {72, 1}, 72},
                      DpiCase{"ExifMotorola", 1, 300, true, 2, {72, 1}, 72},
                      DpiCase{"ExifCentimetres", 1, 300, true, 3, {2835, 100}, 72},
                      DpiCase{"ExifWithoutUnitKeepsDefault", 1, 300, false, 0, {72, 1}, 96}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Jpeg, ManySegmentsBeforeTheScanStillDecode)
{
    CPixImage source;
    FillPhoto(source, 8, 8, true);
    Bytes file = jpegtest::Encode(source);
    for (int i = 0; i < 25; ++i)
        file = jpegtest::WithSegment(file, 0xE5, {'x', static_cast<BYTE>(i)});
    CPixImage image;
    EXPECT_TRUE(image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), 3));
}

} // namespace
