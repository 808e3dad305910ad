#include "imagelib/PixExifReader.h"
#include "imagelib/PixMemStream.h"

#include "jpeg_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using jpegtest::Bytes;
using jpegtest::Tiff;
using jpegtest::TiffEntry;

// Parses a block from an exact-size heap copy, so a read past its end is caught. The copy is kept
// while the thumbnail may point into it.
std::unique_ptr<BYTE[]> g_block;

bool Parse(CPixExifReader& reader, const Bytes& block)
{
    g_block.reset(new BYTE[block.size()]);
    std::copy(block.begin(), block.end(), g_block.get());
    return reader.ParseExif(g_block.get(), static_cast<DWORD>(block.size()));
}

// A camera's block: IFD0 with a link to the Exif directory, then IFD1 with a thumbnail.
Bytes CameraBlock(bool motorola)
{
    Tiff t(motorola);
    const auto ifd0 = [&](std::uint32_t exifAt, std::uint32_t) {
        return std::vector<TiffEntry>{{0x010F, 2, 8, Tiff::Text(std::string("Kestrel", 8))},
                                      {0x0110, 2, 4, Tiff::Text("K-9X")},
                                      {0x0112, 3, 1, t.Short(6)},
                                      {0x011A, 5, 1, t.Rational(300, 1)},
                                      {0x0128, 3, 1, t.Short(3)},
                                      {0x8769, 4, 1, t.Long(exifAt)}};
    };
    const std::vector<TiffEntry> exif = {{0x9000, 7, 4, Tiff::Text("0230")},
                                         {0x9003, 2, 20, Tiff::Text("2024:01:02 03:04:05\0")},
                                         {0x829D, 5, 1, t.Rational(28, 10)},
                                         {0x9201, 10, 1, t.Rational(6, 1)},
                                         {0x9209, 3, 1, t.Short(0x19)},
                                         {0x8827, 3, 1, t.Short(2)},
                                         {0x9286, 2, 16, Tiff::Text(std::string("ASCII\0\0\0Hi there", 16))}};
    const std::uint32_t exifAt = 8 + Tiff::DirectorySize(ifd0(0, 0));
    const std::uint32_t ifd1At = exifAt + Tiff::DirectorySize(exif);
    t.Directory(ifd0(exifAt, 0), ifd1At).Directory(exif);
    const std::uint32_t thumbAt = ifd1At + 2 + 24 + 4;
    t.Directory({{0x0201, 4, 1, t.Long(thumbAt)}, {0x0202, 4, 1, t.Long(4)}});
    Bytes block = t.Block();
    testfiles::Append(block, {0xFF, 0xD8, 0xFF, 0xD9});
    return block;
}

class ExifByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, ReadsCameraBlock)
{
    CPixExifReader reader;
    ASSERT_TRUE(Parse(reader, CameraBlock(GetParam()))) << reader.GetLastErrorText();
    const CPixExifRecord& r = reader.GetRecord();
    EXPECT_STREQ(r.cameraMake, "Kestrel");
    EXPECT_STREQ(r.cameraModel, "K-9X");
    EXPECT_STREQ(r.version, "0230");
    EXPECT_STREQ(r.dateTime, "2024:01:02 03:04:05");
    EXPECT_STREQ(r.comments, "Hi there");
    EXPECT_EQ(r.orientation, 6);
    EXPECT_FLOAT_EQ(r.xResolution, 300);
    EXPECT_FLOAT_EQ(r.resolutionUnit, 0.39370078f);
    EXPECT_FLOAT_EQ(r.apertureFNumber, 2.8f);
    EXPECT_FLOAT_EQ(r.exposureTime, 1.0f / 64);
    EXPECT_EQ(r.flashUsed, 1);
    EXPECT_EQ(r.isoEquivalent, 400);
    ASSERT_EQ(r.thumbnailSize, 4u);
    EXPECT_EQ(r.thumbnailPointer[1], 0xD8);
}

INSTANTIATE_TEST_SUITE_P(Both, ExifByteOrder, ::testing::Bool());

TEST(Exif, EveryTruncatedBlockStaysInside)
{
    const Bytes block = CameraBlock(true);
    for (std::size_t length = 0; length < block.size(); ++length) {
        CPixExifReader reader;
        Parse(reader, Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length)));
    }
}

struct Hostile {
    const char* name;
    Bytes block;
    const char* error;
};

class ExifHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(ExifHostile, IsRefused)
{
    CPixExifReader reader;
    EXPECT_FALSE(Parse(reader, GetParam().block));
    EXPECT_STREQ(reader.GetLastErrorText(), GetParam().error);
}

Bytes OneEntry(unsigned tag, unsigned format, std::uint32_t count, std::uint32_t value, std::uint32_t first = 8)
{
    Tiff t(false, first);
    return t.Directory({{tag, format, count, t.Long(value)}}).Block();
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ExifHostile,
    ::testing::Values(
        Hostile{"FirstOffset20", OneEntry(0x0112, 3, 1, 1, 20), "Suspicious offset of first IFD value"},
        Hostile{"Alignment", {'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 42, 0, 8, 0, 0, 0}, "Invalid Exif alignment marker."},
        Hostile{"Start", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 43, 0, 8, 0, 0, 0}, "Invalid Exif start (1)"},
        Hostile{"HugeDirectory", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0xE8, 3}, "Illegally sized directory"},
        Hostile{"FormatCode", OneEntry(0x010F, 13, 1, 0), "Illegal format code in EXIF dir"},
        Hostile{"OffsetWraps", OneEntry(0x010F, 2, 16, 0xFFFFFFF8), "Illegal pointer offset value in EXIF."},
        Hostile{"CountWraps", OneEntry(0x011A, 5, 0x20000001, 8), "Illegal pointer offset value in EXIF."},
        Hostile{"SubdirectoryPastEnd", OneEntry(0x8769, 4, 1, 0x7FFFFFFF), "Illegal subdirectory link"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Exif, DirectoryLoopsEnd)
{
    // IFD0 links to itself as Exif directory, interoperability directory and next directory.
    Tiff t(true);
    t.Directory({{0x8769, 4, 1, t.Long(8)}, {0xA005, 4, 1, t.Long(8)}, {0x0112, 3, 1, t.Short(3)}}, 8);
    CPixExifReader reader;
    EXPECT_TRUE(Parse(reader, t.Block()));
    EXPECT_EQ(reader.GetRecord().orientation, 3);
}

TEST(Exif, TextsStopAtTheirLength)
{
    Tiff t(false);
    const std::string longModel(60, 'm');
    t.Directory({{0x010F, 2, 2, Tiff::Text("abcd")}, {0x0110, 2, 60, Tiff::Text(longModel)}, {0x0112, 3, 1, t.Short(9)}});
    CPixExifReader reader;
    EXPECT_TRUE(Parse(reader, t.Block()));
    EXPECT_STREQ(reader.GetRecord().cameraMake, "ab");
    EXPECT_EQ(std::string(reader.GetRecord().cameraModel), longModel.substr(0, 39));
    EXPECT_EQ(reader.GetRecord().orientation, 0);
    EXPECT_STREQ(reader.GetLastErrorText(), "Undefined rotation value");
}

struct Scan {
    const char* name;
    Bytes file;
    bool result;
    const char* error;
};

class ExifScan : public ::testing::TestWithParam<Scan> {};

TEST_P(ExifScan, ReadsSegmentsQuietly)
{
    Bytes file = GetParam().file;
    CPixMemStream stream(file.data(), static_cast<int32_t>(file.size()));
    CPixExifReader reader;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(reader.ScanSections(&stream), GetParam().result);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(reader.GetLastErrorText(), GetParam().error);
}

const Bytes kSoi = {0xFF, 0xD8};

Bytes Segments(std::initializer_list<Bytes> parts)
{
    Bytes out = kSoi;
    for (const Bytes& p : parts)
        testfiles::Append(out, p);
    return out;
}

Bytes Repeated(const Bytes& segment, int times)
{
    Bytes out = kSoi;
    for (int i = 0; i < times; ++i)
        testfiles::Append(out, segment);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExifScan,
    ::testing::Values(
        Scan{"Padding", Segments({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xC0}}), false, "too many padding bytes\n"},
        Scan{"NoImage", Segments({{0xFF, 0xD9, 0, 2}}), false, "No image in jpeg!\n"},
        Scan{"ShortLength", Segments({{0xFF, 0xE2, 0x00, 0x01}}), false, "invalid marker"},
        Scan{"CutSegment", Segments({{0xFF, 0xE2, 0x00, 0x10, 1, 2}}), false, "Premature end of file?"},
        Scan{"TooMany", Repeated({0xFF, 0xE5, 0, 2}, 25), false, "Too many sections in jpg file"},
        Scan{"UpToScan", Segments({{0xFF, 0xC0, 0, 2}, {0xFF, 0xDA, 0, 2}}), true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Exif, FrameHeaderAndFirstComment)
{
    Bytes file = Segments({{0xFF, 0xFE, 0, 9, 'a', '\r', '\n', 'b', 0x01, '\r', 'c'},
                           {0xFF, 0xFE, 0, 5, 'x', 'y', 'z'},
                           {0xFF, 0xC2, 0, 11, 8, 0x01, 0x02, 0x03, 0x04, 3, 0, 0, 0},
                           {0xFF, 0xDA, 0, 2}});
    CPixMemStream stream(file.data(), static_cast<int32_t>(file.size()));
    CPixExifReader reader;
    ASSERT_TRUE(reader.ScanSections(&stream));
    const CPixExifRecord& r = reader.GetRecord();
    EXPECT_STREQ(r.comments, "a\nb??c");
    EXPECT_EQ(r.height, 0x0102);
    EXPECT_EQ(r.width, 0x0304);
    EXPECT_EQ(r.isColor, 1);
    EXPECT_EQ(r.process, 0xC2);
    EXPECT_EQ(reader.GetSectionCount(), 3); // the second comment is dropped
}

} // namespace
