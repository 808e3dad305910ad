// JPEG files against libjpeg-turbo's tools, ImageMagick and ExifTool: their files read as djpeg
// reads them, their Exif edits give our resolution, and djpeg reads ours.
#include "imagelib/PixImageJPG.h"
#include "imagelib/PixMemStream.h"

#include "image_test_files.h"
#include "interop_tools.h"
#include "jpeg_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using interop::Quote;

class JpegInterop : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"cjpeg", "djpeg", "convert", "exiftool"})
            ASSERT_TRUE(interop::HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it";
        jpegtest::FillPhoto(m_photo, 75, 42, false);
    }

    void Run(const std::string& command)
    {
        const std::string log = m_dir.File("log.txt");
        ASSERT_TRUE(interop::Run(command, log)) << command << "\n" << interop::ReadText(log);
    }

    // djpeg's reading of a file, as RGB rows.
    interop::NetpbmImage DjpegReading(const std::string& jpeg)
    {
        interop::NetpbmImage reference;
        Run("djpeg -rgb -pnm " + Quote(jpeg) + " > " + Quote(m_dir.File("ref.ppm")));
        EXPECT_TRUE(interop::ReadNetpbm(m_dir.File("ref.ppm"), reference));
        return reference;
    }

    testfiles::TempDir m_dir;
    CPixImage m_photo;
};

TEST_F(JpegInterop, ToolFilesDecodeAsDjpegDecodesThem)
{
    const std::string in = Quote(m_dir.File("in.ppm"));
    const std::string output = m_dir.File("out.jpg");
    const std::string out = Quote(output);
    interop::WriteNetpbm(m_dir.File("in.ppm"), interop::FromImage(m_photo, false));
    for (const std::string& command :
         {"cjpeg -quality 90 " + in + " > " + out, "cjpeg -grayscale " + in + " > " + out,
          "cjpeg -progressive -optimize -restart 1 " + in + " > " + out, "cjpeg -sample 1x1 -dct float " + in + " > " + out,
          "convert " + in + " -interlace Plane -quality 80 " + out, "convert " + in + " -colorspace CMYK -quality 95 " + out}) {
        SCOPED_TRACE(command);
        Run(command);
        CPixImage image;
        ASSERT_TRUE(image.Load(output.c_str(), 0)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetBpp(), command.find("grayscale") != std::string::npos ? 8 : 24);
        // djpeg has no CMYK-to-RGB conversion: that file is held against the picture itself.
        if (command.find("CMYK") != std::string::npos)
            EXPECT_GT(jpegtest::Psnr(m_photo, image), 30);
        else
            EXPECT_TRUE(interop::SamePixels(DjpegReading(output), interop::FromImage(image, false)));
    }
}

// Where a JPEG's frame header and first scan header are, by their markers.
struct JpegLayout {
    std::size_t frameHeader = 0; // offset of the SOFn marker
    std::size_t scanData = 0;    // first byte after the SOS segment
};

JpegLayout FindLayout(const testfiles::Bytes& file)
{
    JpegLayout layout;
    for (std::size_t at = 2; at + 4 <= file.size();) {
        const BYTE marker = file[at + 1];
        const std::size_t length = (std::size_t{file[at + 2]} << 8) | file[at + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            layout.frameHeader = at;
        if (marker == 0xDA) {
            layout.scanData = at + 2 + length;
            break;
        }
        at += 2 + length;
    }
    return layout;
}

struct FrameClaim {
    const char* what;
    int side;             // of the grey picture made
    const char* options;  // for cjpeg
    int claimedSide;      // written into the frame header; 0 keeps the real size
    bool cutAfterScanHeader;
    const char* error;    // nullptr: the file loads
};

// Files whose frame header claims more than their data can describe are refused before anything
// of that size is allocated; what the data can describe still loads.
TEST_F(JpegInterop, FrameClaimsAreWeighedAgainstTheData)
{
    constexpr const char* kTooShort = "JPEG data too short for its picture size";
    const FrameClaim claims[] = {
        {"as made", 64, "-grayscale", 0, false, nullptr},
        {"as made, cut after the scan header", 64, "-grayscale", 0, true, kTooShort},
        {"65500 x 65500, cut after the scan header", 64, "-grayscale", 65500, true, kTooShort},
        {"30000 x 30000 with all its data", 64, "-grayscale", 30000, false, kTooShort},
        {"30000 x 30000 progressive", 64, "-grayscale -progressive", 30000, false, kTooShort},
        // Arithmetic coding describes a flat picture in a few bytes: only the size limit holds.
        {"arithmetic, flat", 1000, "-grayscale -arithmetic", 0, false, nullptr},
        {"arithmetic, 65500 x 65500", 1000, "-grayscale -arithmetic", 65500, false, "PIXIMAGE_MAX_MEMORY exceeded"},
    };
    for (const FrameClaim& c : claims) {
        SCOPED_TRACE(c.what);
        const std::string grey = m_dir.File("g.pgm");
        const std::string made = m_dir.File("g.jpg");
        const std::string side = std::to_string(c.side);
        Run("convert -size " + side + "x" + side + " xc:gray " + Quote(grey));
        Run(std::string("cjpeg ") + c.options + " " + Quote(grey) + " > " + Quote(made));
        testfiles::Bytes file = testfiles::ReadFileBytes(made);
        const JpegLayout layout = FindLayout(file);
        ASSERT_NE(layout.frameHeader, 0u);
        ASSERT_NE(layout.scanData, 0u);
        if (c.claimedSide != 0) {
            // Marker, length, precision, then height and width.
            for (std::size_t at : {layout.frameHeader + 5, layout.frameHeader + 7}) {
                file[at] = static_cast<BYTE>(c.claimedSide >> 8);
                file[at + 1] = static_cast<BYTE>(c.claimedSide & 0xFF);
            }
        }
        if (c.cutAfterScanHeader)
            file.resize(layout.scanData);
        const std::string changed = m_dir.File("claim.jpg");
        testfiles::WriteFileBytes(changed, file);

        CPixImage image;
        const bool loaded = image.Load(changed.c_str(), 3);
        if (c.error) {
            EXPECT_FALSE(loaded);
            EXPECT_STREQ(image.GetLastErrorText(), c.error);
        } else {
            ASSERT_TRUE(loaded) << image.GetLastErrorText();
            EXPECT_EQ(image.GetWidth(), c.side);
            EXPECT_TRUE(interop::SamePixels(DjpegReading(changed), interop::FromImage(image, false)));
        }
    }
}

// ExifTool writes the thumbnail's own resolution (72) into the directory after the picture's.
TEST_F(JpegInterop, ThumbnailResolutionLeavesThePicturesAlone)
{
    const std::string picture = m_dir.File("pic.jpg");
    const std::string thumb = m_dir.File("thumb.jpg");
    interop::WriteNetpbm(m_dir.File("in.ppm"), interop::FromImage(m_photo, false));
    Run("cjpeg " + Quote(m_dir.File("in.ppm")) + " > " + Quote(picture));
    Run("convert -size 16x12 xc:blue " + Quote(thumb));
    Run("exiftool -q -overwrite_original -XResolution=300 -YResolution=300 -ResolutionUnit=inches " +
        Quote("-ThumbnailImage<=" + thumb) + " " + Quote(picture));
    Run("exiftool -s3 -IFD0:XResolution -IFD1:XResolution " + Quote(picture) + " > " + Quote(m_dir.File("res.txt")));
    ASSERT_EQ(interop::ReadText(m_dir.File("res.txt")), "300\n72\n");

    CPixImage image;
    ASSERT_TRUE(image.Load(picture.c_str(), 3)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetDpiX(), 300);
    EXPECT_EQ(image.GetDpiY(), 300);
}

struct ExifEdit {
    const char* order;
    const char* unit;
    const char* resolution;
    LONG dpi;
};

class JpegExifInterop : public JpegInterop, public ::testing::WithParamInterface<ExifEdit> {};

TEST_P(JpegExifInterop, ExifToolEditsGiveResolutionAndCamera)
{
    const ExifEdit e = GetParam();
    const std::string file = m_dir.File("edited.jpg");
    ASSERT_TRUE(m_photo.Save(file.c_str(), 3));
    Run(std::string("exiftool -q -overwrite_original -ExifByteOrder=") + e.order + " -ResolutionUnit=" + e.unit +
        " -XResolution=" + e.resolution + " -YResolution=" + e.resolution +
        " -Make=Kestrel -Orientation#=8 -DateTimeOriginal='2024:05:06 07:08:09' " + Quote(file));

    CPixImage image;
    ASSERT_TRUE(image.Load(file.c_str(), 3)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetDpiX(), e.dpi);
    EXPECT_EQ(image.GetDpiY(), e.dpi);

    testfiles::Bytes bytes = testfiles::ReadFileBytes(file);
    CPixMemStream stream(bytes.data(), static_cast<int32_t>(bytes.size()));
    CPixImageJPG jpg;
    ASSERT_TRUE(jpg.ReadExif(&stream));
    EXPECT_STREQ(jpg.GetExifRecord().cameraMake, "Kestrel");
    EXPECT_STREQ(jpg.GetExifRecord().dateTime, "2024:05:06 07:08:09");
    EXPECT_EQ(jpg.GetExifRecord().orientation, 8);
    EXPECT_EQ(stream.Tell(), 0);
}

INSTANTIATE_TEST_SUITE_P(Edits, JpegExifInterop,
                         ::testing::Values(ExifEdit{"II", "inches", "150", 150}, ExifEdit{"MM", "inches", "600", 600},
                                           ExifEdit{"MM", "cm", "28.35", 72}));

TEST_F(JpegInterop, DjpegReadsOurFiles)
{
    for (bool grey : {false, true}) {
        CPixImage source;
        jpegtest::FillPhoto(source, 53, 29, grey);
        source.SetDpiX(300);
        source.SetDpiY(150);
        const std::string file = m_dir.File("ours.jpg");
        ASSERT_TRUE(source.Save(file.c_str(), 3));
        CPixImage ours;
        ASSERT_TRUE(ours.Load(file.c_str(), 3));
        const interop::NetpbmImage theirs = DjpegReading(file);
        EXPECT_TRUE(interop::SamePixels(theirs, interop::FromImage(ours, false)));
        Run("exiftool -s3 -JFIF:XResolution -JFIF:YResolution -JFIF:ResolutionUnit " + Quote(file) + " > " +
            Quote(m_dir.File("res.txt")));
        EXPECT_EQ(interop::ReadText(m_dir.File("res.txt")), "300\n150\ninches\n");
    }
}

} // namespace
