// TIFF files against libtiff's tools, ImageMagick and Netpbm: their files read correctly, ours
// are accepted by tiffinfo and read back by tiff2rgba.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include "image_test_files.h"
#include "interop_tools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using interop::NetpbmImage;

// Largest difference of any sample.
int MaxDifference(const NetpbmImage& a, const NetpbmImage& b)
{
    if (a.width != b.width || a.height != b.height || a.samples.size() != b.samples.size() || a.depth != b.depth)
        return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.samples.size(); ++i)
        worst = std::max(worst, std::abs(int {a.samples[i]} - int {b.samples[i]}));
    return worst;
}

class TiffInteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        interop::ExpectTools({"tiffcp", "tiffinfo", "tiff2rgba", "convert", "pnmtotiff", "tifftopnm"});
        ASSERT_FALSE(HasFailure());
    }

    void Run(const std::string& command) { interop::RunIn(m_dir.Path().string(), command); }

    testfiles::TempDir m_dir;
};

TEST_F(TiffInteropTest, ReadsFilesOfLibtiffToolsAndImageMagick)
{
    struct Case {
        const char* command; // from in.ppm to out.tif
        bool grey;
        int tolerance;
    };
    const Case cases[] = {
        {"pnmtotiff in.ppm > base.tif && tiffcp -c none base.tif out.tif", false, 0},
        {"pnmtotiff in.ppm > base.tif && tiffcp -c lzw:2 base.tif out.tif", false, 0},
        {"pnmtotiff in.ppm > base.tif && tiffcp -c zip base.tif out.tif", false, 0},
        {"pnmtotiff in.ppm > base.tif && tiffcp -c packbits -r 3 base.tif out.tif", false, 0},
        {"pnmtotiff in.ppm > base.tif && tiffcp -t -w 16 -l 16 base.tif out.tif", false, 0},
        {"pnmtotiff -truecolor in.ppm > base.tif && tiffcp -p separate base.tif out.tif", false, 0},
        {"pnmtotiff -truecolor in.ppm > base.tif && tiffcp -c jpeg:r:95 base.tif out.tif", false, 12},
        {"pnmtotiff -truecolor in.ppm > base.tif && tiffcp -c jpeg:95 base.tif out.tif", false,
            40}, // YCbCr, subsampled
        {"convert in.ppm -depth 16 -compress lzw out.tif", false, 0},
        {"convert in.ppm -colorspace CMYK out.tif", false, 2},
        {"convert in.ppm -alpha set -channel A -evaluate set 100% +channel -compress zip out.tif", false, 0},
        {"ppmtopgm in.ppm | pnmtotiff > base.tif && tiffcp -c lzw:2 base.tif out.tif", true, 0},
        {"ppmtopgm in.ppm | pnmtotiff > base.tif && tiffcp -t -w 32 -l 16 base.tif out.tif", true, 0},
        {"convert in.ppm -colorspace gray -depth 16 out.tif", true, 0},
        {"convert in.ppm -colorspace gray -depth 4 -compress lzw out.tif", true, 0},
        {"convert in.ppm -type Palette -compress lzw out.tif", false, 1}, // 16-bit map entries truncated
        {"convert in.ppm -colorspace gray -threshold 50% -type bilevel -compress group4 out.tif", true, 0},
        {"convert in.ppm -colorspace gray -threshold 50% -type bilevel -define quantum:polarity=min-is-black out.tif",
            true, 0},
    };
    for (const Case& c : cases)
        for (int width : {1, 45}) {
            SCOPED_TRACE(std::string(c.command) + ", width " + std::to_string(width));
            interop::WriteNetpbm(
                m_dir.File("in.ppm"), interop::NoisyGradient(width, 21, c.grey, static_cast<unsigned>(width)));
            Run(c.command);
            // What the tools themselves read back is the reference.
            Run("tiff2rgba out.tif rgba.tif && convert rgba.tif -alpha off -depth 8 ppm:theirs.ppm");
            NetpbmImage theirs;
            ASSERT_TRUE(interop::ReadNetpbm(m_dir.File("theirs.ppm"), theirs));
            CPixImage image;
            ASSERT_TRUE(image.Load(m_dir.File("out.tif").c_str(), PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
            EXPECT_EQ(image.GetType(), PIXIMAGE_TIF);
            EXPECT_LE(MaxDifference(theirs, interop::FromImage(image, false)), c.tolerance);
        }
}

TEST_F(TiffInteropTest, OrientationMatchesImageMagick)
{
    for (const char* orientation :
        {"TopLeft", "TopRight", "BottomRight", "BottomLeft", "LeftTop", "RightTop", "RightBottom", "LeftBottom"}) {
        SCOPED_TRACE(orientation);
        interop::WriteNetpbm(m_dir.File("in.ppm"), interop::NoisyGradient(5, 3, true, 7));
        Run(std::string("convert in.ppm -colorspace gray -orient ") + orientation + " out.tif");
        Run("convert out.tif -auto-orient -depth 8 ppm:theirs.ppm");
        NetpbmImage theirs;
        ASSERT_TRUE(interop::ReadNetpbm(m_dir.File("theirs.ppm"), theirs));
        CPixImage image;
        ASSERT_TRUE(image.Load(m_dir.File("out.tif").c_str(), PIXIMAGE_TIF)) << image.GetLastErrorText();
        EXPECT_TRUE(interop::SamePixels(theirs, interop::FromImage(image, false)));
    }
}

TEST_F(TiffInteropTest, TiffcpPagesAreSelectedByFrame)
{
    std::string pages;
    for (int page = 0; page < 3; ++page) {
        interop::WriteNetpbm(
            m_dir.File("in.ppm"), interop::NoisyGradient(3 + page, 4, false, static_cast<unsigned>(page)));
        Run("pnmtotiff in.ppm > p" + std::to_string(page) + ".tif");
        pages += " p" + std::to_string(page) + ".tif";
    }
    Run("tiffcp" + pages + " multi.tif");
    for (LONG frame = 0; frame < 3; ++frame) {
        CPixImage image;
        image.SetFrame(frame);
        ASSERT_TRUE(image.Load(m_dir.File("multi.tif").c_str(), PIXIMAGE_TIF)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetFrameCount(), 3);
        EXPECT_EQ(image.GetWidth(), 3 + frame);
    }
}

TEST_F(TiffInteropTest, ToolsReadOurFiles)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u})
        for (LONG codec : {0L, 1L, 5L, 8L, 32773L})
            for (bool alpha : {false, true}) {
                if (alpha && bpp != 8 && bpp != 24)
                    continue;
                SCOPED_TRACE(std::to_string(bpp) + " bpp, codec " + std::to_string(codec) + (alpha ? ", alpha" : ""));
                CPixImage image(29, 13, bpp);
                testfiles::FillRandom(image, bpp + static_cast<unsigned>(codec));
                if (bpp == 1) {
                    image.SetPaletteEntry(0, 0, 0, 0);
                    image.SetPaletteEntry(1, 255, 255, 255);
                }
                if (alpha) {
                    ASSERT_TRUE(image.AllocAlpha());
                    image.FillAlpha(255);
                }
                image.SetCodecOption(codec);
                image.SetJpegQuality(95);
                ASSERT_TRUE(image.Save(m_dir.File("ours.tif").c_str(), PIXIMAGE_TIF)) << image.GetLastErrorText();
                Run("tiffinfo -D ours.tif > info.txt");
                EXPECT_EQ(interop::ReadText(m_dir.File("log.txt")), "");
                Run("tiff2rgba ours.tif rgba.tif && convert rgba.tif -alpha off -depth 8 ppm:theirs.ppm");
                NetpbmImage theirs;
                ASSERT_TRUE(interop::ReadNetpbm(m_dir.File("theirs.ppm"), theirs));
                const bool jpeg = bpp == 24 && codec == 0;
                EXPECT_LE(MaxDifference(interop::FromImage(image, false), theirs), jpeg ? 40 : 0);
            }
}

} // namespace
