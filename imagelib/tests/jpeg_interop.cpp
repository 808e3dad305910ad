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
