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

// Parses from an exact-size heap copy, so a read past the end is caught; the copy is kept while
// the thumbnail may point into it.
std::unique_ptr<BYTE[]> g_block;

bool Parse(CPixExifReader& reader, const Bytes& block)
{
    g_block.reset(new BYTE[block.size()]);
    std::copy(block.begin(), block.end(), g_block.get());
    return reader.ParseExif(g_block.get(), static_cast<DWORD>(block.size()));
}

// IFD0 linking to the Exif directory, then IFD1 with a four-byte thumbnail behind it.
Bytes CameraBlock(bool motorola)
{
    Tiff t(motorola);
    std::vector<TiffEntry> ifd0 = {{0x010F, 2, 8, Tiff::Text(std::string("Kestrel", 8))},
                                   {0x0110, 2, 2, Tiff::Text("K-9X")}, // the count cuts the text
                                   {0x0112, 3, 1, t.Short(6)},
                                   {0x011A, 5, 1, t.Rational(300, 1)},
                                   {0x0128, 3, 1, t.Short(3)},
                                   {0x8769, 4, 1, t.Long(0)}};
    const std::vector<TiffEntry> exif = {{0x9000, 7, 4, Tiff::Text("0230")},
                                         {0x9003, 2, 60, Tiff::Text(std::string(60, '9'))},
                                         {0x829D, 5, 1, t.Rational(28, 10)},
                                         {0x9201, 10, 1, t.Rational(6, 1)},
                                         {0x9209, 3, 1, t.Short(0x19)},
                                         {0x8827, 3, 1, t.Short(2)},
                                         {0x9286, 7, 18, Tiff::Text(std::string("ASCII\0\0\0Hi there  ", 18))}};
    const std::uint32_t exifAt = 8 + Tiff::Size(ifd0);
    const std::uint32_t ifd1At = exifAt + Tiff::Size(exif);
    ifd0.back().value = t.Long(exifAt);
    t.Directory(ifd0, ifd1At).Directory(exif);
    t.Directory({{0x0201, 4, 1, t.Long(ifd1At + 30)}, {0x0202, 4, 1, t.Long(4)}});
    Bytes block = t.Block();
    testfiles::Append(block, {0xFF, 0xD8, 0xFF, 0xD9});
    return block;
}

class ExifByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, ReadsCameraBlockAndEveryCutOfIt)
{
    const Bytes block = CameraBlock(GetParam());
    CPixExifReader reader;
    ASSERT_TRUE(Parse(reader, block)) << reader.GetLastErrorText();
    const CPixExifRecord& r = reader.GetRecord();
    EXPECT_STREQ(r.cameraMake, "Kestrel");
    EXPECT_STREQ(r.cameraModel, "K-");
    EXPECT_STREQ(r.version, "0230");
    EXPECT_EQ(std::string(r.dateTime), std::string(19, '9'));
    EXPECT_STREQ(r.comments, "Hi there");
    EXPECT_EQ(r.orientation, 6);
    EXPECT_FLOAT_EQ(r.xResolution / r.resolutionUnit, 300 * 2.54f);
    EXPECT_FLOAT_EQ(r.apertureFNumber, 2.8f);
    EXPECT_FLOAT_EQ(r.exposureTime, 1.0f / 64);
    EXPECT_EQ(r.flashUsed, 1);
    EXPECT_EQ(r.isoEquivalent, 400);
    ASSERT_EQ(r.thumbnailSize, 4u);
    EXPECT_EQ(r.thumbnailPointer[1], 0xD8);

    for (std::size_t length = 0; length < block.size(); ++length) {
        CPixExifReader cut;
        Parse(cut, Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length)));
    }
}

INSTANTIATE_TEST_SUITE_P(Both, ExifByteOrder, ::testing::Bool());

Bytes OneEntry(unsigned tag, unsigned format, std::uint32_t count, std::uint32_t value, std::uint32_t first = 8)
{
    Tiff t(false, first);
    return t.Directory({{tag, format, count, t.Long(value)}}).Block();
}

struct Hostile {
    const char* name;
    Bytes block;
    bool result;
    const char* error;
};

class ExifHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(ExifHostile, StaysInsideTheBlock)
{
    CPixExifReader reader;
    EXPECT_EQ(Parse(reader, GetParam().block), GetParam().result);
    EXPECT_STREQ(reader.GetLastErrorText(), GetParam().error);
}

const Bytes kLoop = Tiff(true).Directory({{0x8769, 4, 1, {0, 0, 0, 8}}, {0xA005, 4, 1, {0, 0, 0, 8}}}, 8).Block();

INSTANTIATE_TEST_SUITE_P(
    Blocks, ExifHostile,
    ::testing::Values(
        Hostile{"FirstOffset20", OneEntry(0x0112, 3, 1, 1, 20), false, "Suspicious offset of first IFD value"},
        Hostile{"Alignment", {'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 42, 0, 8, 0, 0, 0}, false, "Invalid Exif alignment marker."},
        Hostile{"Start", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 43, 0, 8, 0, 0, 0}, false, "Invalid Exif start (1)"},
        Hostile{"HugeDirectory", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0xE8, 3}, false,
                "Illegally sized directory"},
        Hostile{"FormatCode", OneEntry(0x010F, 13, 1, 0), false, "Illegal format code in EXIF dir"},
        Hostile{"OffsetWraps", OneEntry(0x010F, 2, 16, 0xFFFFFFF8), false, "Illegal pointer offset value in EXIF."},
        Hostile{"CountWraps", OneEntry(0x011A, 5, 0x20000001, 8), false, "Illegal pointer offset value in EXIF."},
        Hostile{"LinkPastEnd", OneEntry(0x8769, 4, 1, 0x7FFFFFFF), false, "Illegal subdirectory link"},
        Hostile{"Rotation", OneEntry(0x0112, 3, 1, 9), true, "Undefined rotation value"},
        Hostile{"LinksToItself", kLoop, true, "Illegal subdirectory link"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Scan {
    const char* name;
    Bytes segments; // after the start-of-image marker
    bool result;
    const char* error;
};

class ExifScan : public ::testing::TestWithParam<Scan> {};

TEST_P(ExifScan, ReadsSegmentsQuietly)
{
    Bytes file = {0xFF, 0xD8};
    testfiles::Append(file, GetParam().segments);
    CPixMemStream stream(file.data(), static_cast<int32_t>(file.size()));
    CPixExifReader reader;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(reader.ScanSections(&stream), GetParam().result);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(reader.GetLastErrorText(), GetParam().error);
}

Bytes Repeated(const Bytes& segment, int times)
{
    Bytes out;
    for (int i = 0; i < times; ++i)
        testfiles::Append(out, segment);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExifScan,
    ::testing::Values(Scan{"Padding", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xC0}, false, "too many padding bytes\n"},
                      Scan{"NoImage", {0xFF, 0xD9, 0, 2}, false, "No image in jpeg!\n"},
                      Scan{"ShortLength", {0xFF, 0xE2, 0x00, 0x01}, false, "invalid marker"},
                      Scan{"CutSegment", {0xFF, 0xE2, 0x00, 0x10, 1, 2}, false, "Premature end of file?"},
                      Scan{"TooMany", Repeated({0xFF, 0xE5, 0, 2}, 25), false, "Too many sections in jpg file"},
                      Scan{"ShortFrameHeader", {0xFF, 0xC0, 0, 2, 0xFF, 0xDA, 0, 2}, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Exif, FrameHeaderAndFirstComment)
{
    Bytes file = {0xFF, 0xD8, 0xFF, 0xFE, 0, 9, 'a', '\r', '\n', 'b', 0x01, '\r', 'c', 0xFF, 0xFE, 0, 3, 'x',
                  0xFF, 0xC2, 0, 11, 8, 1, 2, 3, 4, 3, 0, 0, 0, 0xFF, 0xDA, 0, 2};
    CPixMemStream stream(file.data(), static_cast<int32_t>(file.size()));
    CPixExifReader reader;
    ASSERT_TRUE(reader.ScanSections(&stream));
    const CPixExifRecord& r = reader.GetRecord();
    EXPECT_STREQ(r.comments, "a\nb??c");
    EXPECT_EQ(r.height * 100000 + r.width, 0x0102 * 100000 + 0x0304);
    EXPECT_EQ(r.isColor, 1);
    EXPECT_EQ(r.process, 0xC2);
    EXPECT_EQ(reader.GetSectionCount(), 3); // the second comment is dropped
}

} // namespace
