// PNG files against Netpbm and ImageMagick: their files read correctly, ours read back by pngtopam.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include "image_test_files.h"
#include "interop_tools.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using interop::NetpbmImage;
using interop::Quote;

// Random pixels whose samples take four levels, so that the tools may choose a palette or a 2-bit
// grey file; grey makes red, green and blue equal. Alpha, when asked for, takes any value.
NetpbmImage Picture(int width, int height, bool grey, bool alpha, unsigned seed)
{
    std::mt19937 generator(seed);
    NetpbmImage image{width, height, alpha ? 4 : 3, {}};
    for (int i = 0; i < width * height; ++i) {
        const BYTE level = static_cast<BYTE>(85 * (generator() % 4));
        for (int c = 0; c < 3; ++c)
            image.samples.push_back(grey ? level : static_cast<BYTE>(85 * (generator() % 4)));
        if (alpha)
            image.samples.push_back(static_cast<BYTE>(generator()));
    }
    return image;
}

class PngInteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"pnmtopng", "pamtopng", "pngtopam", "convert", "ppmtopgm"})
            ASSERT_TRUE(interop::HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it";
    }

    std::string Run(const std::string& command)
    {
        const std::string log = m_dir.File("log.txt");
        EXPECT_TRUE(interop::Run(command, log)) << command << "\n" << interop::ReadText(log);
        return log;
    }

    testfiles::TempDir m_dir;
};

TEST_F(PngInteropTest, ReadsFilesOfNetpbmAndImageMagick)
{
    struct Case {
        const char* command; // from in.pam (or in.ppm without alpha) to out.png
        bool grey;
        bool alpha;
    };
    const Case cases[] = {
        {"pnmtopng in.ppm", false, false},                         // 8-bit palette
        {"pnmtopng -interlace in.ppm", false, false},              // interlaced palette
        {"pnmtopng -force in.ppm", false, false},                  // RGB
        {"convert in.ppm -depth 16 png48:-", false, false},        // 16-bit RGB
        {"convert in.ppm -interlace PNG png24:-", false, false},   // interlaced RGB
        {"pnmtopng in.ppm", true, false},                          // 2-bit palette
        {"ppmtopgm in.ppm | pamdepth 3 | pnmtopng", true, false},  // 2-bit grey
        {"convert in.ppm -colorspace gray -define png:bit-depth=16 -define png:color-type=0 png:-", true,
         false}, // 16-bit grey
        {"pamtopng in.pam", false, true},                          // RGBA
        {"convert in.pam -interlace PNG png32:-", false, true},    // interlaced RGBA
    };
    for (const Case& c : cases)
        for (int width : {1, 6, 37}) {
            SCOPED_TRACE(std::string(c.command) + ", width " + std::to_string(width));
            const NetpbmImage picture = Picture(width, 9, c.grey, c.alpha, static_cast<unsigned>(width));
            interop::WriteNetpbm(m_dir.File(c.alpha ? "in.pam" : "in.ppm"), picture);
            Run("cd " + Quote(m_dir.Path().string()) + " && " + c.command + " > out.png");
            CPixImage image;
            ASSERT_TRUE(image.Load(m_dir.File("out.png").c_str(), PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
            EXPECT_EQ(image.GetType(), PIXIMAGE_PNG);
            EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, c.alpha)));
        }
}

TEST_F(PngInteropTest, PngtopamReadsOurFiles)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u})
        for (int variant = 0; variant < 2; ++variant) // palette: transparent index 1; 24 bits: alpha plane
            for (DWORD width : {1u, 6u, 37u}) {
                SCOPED_TRACE(std::to_string(bpp) + " bpp, width " + std::to_string(width) + ", variant " +
                             std::to_string(variant));
                CPixImage image(width, 9, bpp);
                testfiles::FillRandom(image, width + bpp);
                if (variant && bpp == 24) {
                    ASSERT_TRUE(image.AllocAlpha());
                    std::mt19937 generator(width);
                    for (LONG y = 0; y < 9; ++y)
                        for (LONG x = 0; x < static_cast<LONG>(width); ++x)
                            image.SetAlphaAt(x, y, static_cast<BYTE>(generator()));
                }
                NetpbmImage expected = interop::FromImage(image, true);
                if (variant && bpp < 24) {
                    image.SetTransparentIndex(1);
                    for (int i = 0; i < expected.width * expected.height; ++i)
                        if (image.GetIndexAt(i % expected.width, image.GetHeight() - 1 - i / expected.width) == 1)
                            expected.samples[static_cast<std::size_t>(i) * 4 + 3] = 0;
                }
                const std::string png = m_dir.File("ours.png");
                ASSERT_TRUE(image.Save(png.c_str(), PIXIMAGE_PNG)) << image.GetLastErrorText();
                Run("pngtopam -alphapam " + Quote(png) + " > " + Quote(m_dir.File("ours.pam")));
                NetpbmImage theirs;
                ASSERT_TRUE(interop::ReadNetpbm(m_dir.File("ours.pam"), theirs));
                ASSERT_EQ(theirs.depth, 4);
                EXPECT_TRUE(interop::SamePixels(expected, theirs));
            }
}

} // namespace
