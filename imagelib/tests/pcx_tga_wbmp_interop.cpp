// PCX, TGA and WBMP files against Netpbm: the tools' files read as the tools read them back, and
// ours read by the tools give our pixels.
#include "imagelib/PixImage.h"

#include "image_test_files.h"
#include "interop_tools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace {

using interop::NetpbmImage;
using interop::Quote;

// Random colours from a palette of `colors`, with alpha when `alpha` is set.
NetpbmImage Picture(int width, int height, int colors, unsigned seed, bool alpha = false)
{
    std::mt19937 generator(seed);
    std::vector<testfiles::Bytes> palette;
    for (int i = 0; i < colors; ++i)
        palette.push_back({static_cast<BYTE>(generator()), static_cast<BYTE>(generator()), static_cast<BYTE>(generator())});
    NetpbmImage image;
    image.width = width;
    image.height = height;
    image.depth = alpha ? 4 : 3;
    for (int i = 0; i < width * height; ++i) {
        testfiles::Append(image.samples, palette[generator() % palette.size()]);
        if (alpha)
            image.samples.push_back(static_cast<BYTE>(generator()));
    }
    return image;
}

// 16-bit colour-map entries keep five bits a channel, each read back as 8 times its value: within
// a step of that scale of the picture's own.
::testing::AssertionResult WithinFiveBits(const NetpbmImage& expected, const NetpbmImage& actual)
{
    if (expected.samples.size() != actual.samples.size())
        return ::testing::AssertionFailure() << "size differs";
    for (std::size_t i = 0; i < expected.samples.size(); ++i)
        if (std::abs(int{expected.samples[i]} - int{actual.samples[i]}) > 10)
            return ::testing::AssertionFailure() << "sample " << i << ": " << int{expected.samples[i]} << " vs "
                                                 << int{actual.samples[i]};
    return ::testing::AssertionSuccess();
}

class NetpbmFormatsInterop : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"ppmtopcx", "pcxtoppm", "pamtotga", "tgatoppm", "pbmtowbmp", "wbmptopbm", "ppmtoppm"})
            ASSERT_TRUE(interop::HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it";
    }

    void Run(const std::string& command)
    {
        const std::string log = m_dir.File("log.txt");
        ASSERT_TRUE(interop::Run(command, log)) << command << "\n" << interop::ReadText(log);
    }

    // A tool's file made from `picture`: `command` reads it on its standard input.
    std::string ToolFile(const NetpbmImage& picture, const std::string& command, const std::string& name)
    {
        const std::string input = m_dir.File(picture.depth == 4 ? "in.pam" : "in.ppm");
        interop::WriteNetpbm(input, picture);
        const std::string output = m_dir.File(name);
        Run("(" + command + ") < " + Quote(input) + " > " + Quote(output));
        return output;
    }

    // A tool's reading of one of our files, as RGB rows.
    NetpbmImage ToolReading(const std::string& command, const std::string& file)
    {
        NetpbmImage reading;
        const std::string output = m_dir.File("reading.ppm");
        Run(command + " " + Quote(file) + " | ppmtoppm > " + Quote(output));
        EXPECT_TRUE(interop::ReadNetpbm(output, reading));
        return reading;
    }

    // Saves `image` as `type` and has the tool read it back.
    void CheckToolReads(CPixImage& image, LONG type, const std::string& command)
    {
        const std::string file = m_dir.File("ours");
        ASSERT_TRUE(image.Save(file.c_str(), type)) << image.GetLastErrorText();
        EXPECT_TRUE(interop::SamePixels(ToolReading(command, file), interop::FromImage(image, false)));
    }

    testfiles::TempDir m_dir;
};

TEST_F(NetpbmFormatsInterop, ReadsPcxFromPpmtopcx)
{
    struct Case {
        int colors;
        const char* options;
    };
    // Packed 1, 2, 4 and 8 bits; planes of one bit (two of them for four colours); 24 bits; a
    // window that does not start at 0.
    const Case cases[] = {{2, "-packed"}, {4, "-packed"}, {16, "-packed"}, {2, ""},          {4, "-planes=2"},
                          {16, ""},       {200, ""},      {200, "-24bit"}, {16, "-8bit"}, {7, "-xpos=10 -ypos=3"}};
    for (const Case& c : cases) {
        for (int width : {1, 3, 8, 37}) {
            SCOPED_TRACE(std::string(c.options) + " width " + std::to_string(width));
            const NetpbmImage picture = Picture(width, 5, c.colors, static_cast<unsigned>(width + c.colors));
            const std::string file = ToolFile(picture, std::string("ppmtopcx -quiet ") + c.options, "theirs.pcx");
            CPixImage image;
            ASSERT_TRUE(image.Load(file.c_str(), PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
            EXPECT_EQ(image.GetType(), PIXIMAGE_PCX);
            EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, false)));
        }
    }
}

TEST_F(NetpbmFormatsInterop, PcxtoppmReadsOurPcx)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (DWORD width : {1u, 3u, 8u, 37u}) {
            SCOPED_TRACE(std::to_string(bpp) + " bpp, width " + std::to_string(width));
            CPixImage image(width, 6, bpp);
            testfiles::FillRandom(image, width * bpp);
            if (bpp == 1) {
                // A 1-bit file is black and white.
                image.SetPaletteEntry(0, 0, 0, 0);
                image.SetPaletteEntry(1, 255, 255, 255);
            }
            CheckToolReads(image, PIXIMAGE_PCX, "pcxtoppm -quiet");
        }
    }
    // A 1-bit picture whose first colour is the light one is written with its bits turned over.
    CPixImage inverted(9, 2, 1);
    testfiles::FillRandom(inverted, 9);
    inverted.SetPaletteEntry(0, 255, 255, 255);
    inverted.SetPaletteEntry(1, 0, 0, 0);
    CheckToolReads(inverted, PIXIMAGE_PCX, "pcxtoppm -quiet");
}

TEST_F(NetpbmFormatsInterop, ReadsTgaFromPamtotga)
{
    struct Case {
        int colors;
        bool alpha;
        const char* options;
    };
    // Colour maps of 24- and 16-bit entries, true colour with and without alpha, grey; each plain
    // and run-length coded.
    const Case cases[] = {{40, false, "-cmap"},  {40, false, "-cmap16"}, {3000, false, "-rgb"},
                          {3000, true, ""},      {256, false, "-mono"}};
    for (const Case& c : cases) {
        for (const char* coding : {"", " -norle"}) {
            for (int width : {1, 3, 37}) {
                SCOPED_TRACE(std::string(c.options) + coding + " width " + std::to_string(width));
                NetpbmImage picture = Picture(width, 9, c.colors, static_cast<unsigned>(width + c.colors), c.alpha);
                if (std::string(c.options) == "-mono")
                    for (std::size_t i = 0; i < picture.samples.size(); i += 3)
                        picture.samples[i + 1] = picture.samples[i + 2] = picture.samples[i];
                const std::string file =
                    ToolFile(picture, std::string("pamtotga -quiet ") + c.options + coding, "theirs.tga");
                CPixImage image;
                ASSERT_TRUE(image.Load(file.c_str(), PIXIMAGE_TGA)) << image.GetLastErrorText();
                if (std::string(c.options) == "-cmap16")
                    EXPECT_TRUE(WithinFiveBits(picture, interop::FromImage(image, false)));
                else
                    EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, c.alpha)));
            }
        }
    }
}

TEST_F(NetpbmFormatsInterop, TgatoppmReadsOurTga)
{
    for (DWORD bpp : {8u, 24u}) {
        for (DWORD width : {1u, 3u, 37u}) {
            SCOPED_TRACE(std::to_string(bpp) + " bpp, width " + std::to_string(width));
            CPixImage image(width, 6, bpp);
            testfiles::FillRandom(image, width * bpp);
            CheckToolReads(image, PIXIMAGE_TGA, "tgatoppm -quiet");
        }
    }
}

TEST_F(NetpbmFormatsInterop, WbmpBothWays)
{
    // 200 pixels need two bytes of the format's integers.
    for (int width : {1, 7, 8, 9, 127, 128, 200}) {
        SCOPED_TRACE(width);
        NetpbmImage picture = Picture(width, 3, 2, static_cast<unsigned>(width));
        for (std::size_t i = 0; i < picture.samples.size(); i += 3) {
            const BYTE level = picture.samples[i] < 128 ? 0 : 255;
            picture.samples[i] = picture.samples[i + 1] = picture.samples[i + 2] = level;
        }
        const std::string file = ToolFile(picture, "ppmtopgm | pgmtopbm -threshold | pbmtowbmp", "theirs.wbmp");
        CPixImage image;
        ASSERT_TRUE(image.Load(file.c_str(), PIXIMAGE_WBMP)) << image.GetLastErrorText();
        EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, false)));
        CheckToolReads(image, PIXIMAGE_WBMP, "wbmptopbm");
    }
}

} // namespace
