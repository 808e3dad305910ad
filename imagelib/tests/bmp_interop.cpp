// BMP files against Netpbm and ImageMagick: their files read correctly, and ours read back by
// bmptopnm give the same pixels.
#include "imagelib/PixImage.h"

#include "image_test_files.h"
#include "interop_tools.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using interop::NetpbmImage;
using interop::Quote;
using testfiles::Bytes;
using testfiles::TempDir;

// A picture of at most `colors` distinct colours. With `coarse` set every channel is a multiple of
// 51: ImageMagick's palette reduction keeps such colours exactly, where it may nudge arbitrary ones.
NetpbmImage Picture(int width, int height, int colors, unsigned seed, bool coarse = false)
{
    std::mt19937 generator(seed);
    auto channel = [&] { return static_cast<BYTE>(coarse ? generator() % 6 * 51 : generator()); };
    std::vector<Bytes> palette;
    for (int i = 0; i < colors; ++i)
        palette.push_back({channel(), channel(), channel()});
    NetpbmImage image;
    image.width = width;
    image.height = height;
    image.depth = 3;
    for (int i = 0; i < width * height; ++i)
        testfiles::Append(image.samples, palette[generator() % palette.size()]);
    return image;
}

class BmpInteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"ppmtobmp", "bmptopnm", "ppmtoppm", "convert"})
            ASSERT_TRUE(interop::HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it";
    }

    // Runs a tool that turns in.ppm into out.bmp, then loads out.bmp and compares.
    void CheckToolFile(const NetpbmImage& picture, const std::string& command, int expectedBits,
                       unsigned expectedCompression)
    {
        const std::string input = m_dir.File("in.ppm");
        const std::string output = m_dir.File("out.bmp");
        interop::WriteNetpbm(input, picture);
        const std::string log = m_dir.File("log.txt");
        ASSERT_TRUE(interop::Run(command + " " + Quote(input) + " > " + Quote(output), log)) << interop::ReadText(log);
        const Bytes file = testfiles::ReadFileBytes(output);
        ASSERT_GE(file.size(), 54u);
        // The tool wrote what the case means to test.
        const bool core = testfiles::Get32(file, 14) == 12;
        EXPECT_EQ(static_cast<int>(testfiles::Get16(file, core ? 24 : 28)), expectedBits);
        if (!core) {
            EXPECT_EQ(testfiles::Get32(file, 30), expectedCompression);
        }

        CPixImage image;
        ASSERT_TRUE(image.Load(output.c_str(), PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetType(), PIXIMAGE_BMP);
        EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, false)));
    }

    TempDir m_dir;
};

TEST_F(BmpInteropTest, ReadsFilesWrittenByPpmtobmp)
{
    struct Case {
        int colors;
        const char* options;
        int bits;
    };
    const Case cases[] = {
        {2, "-bpp=1", 1},        {16, "-bpp=4", 4},        {200, "-bpp=8", 8},       {5000, "-bpp=24", 24},
        {2, "-os2 -bpp=1", 1},   {16, "-os2 -bpp=4", 4},   {256, "-os2 -bpp=8", 8},  {5000, "-os2 -bpp=24", 24},
    };
    for (const Case& c : cases) {
        for (int width : {1, 2, 3, 4, 5, 37}) {
            SCOPED_TRACE(std::string(c.options) + " width " + std::to_string(width));
            CheckToolFile(Picture(width, 19, c.colors, static_cast<unsigned>(width * 100 + c.bits)),
                          std::string("ppmtobmp -quiet ") + c.options, c.bits, 0);
        }
    }
}

TEST_F(BmpInteropTest, ReadsFilesWrittenByImageMagick)
{
    struct Case {
        int colors;
        const char* options;
        bool runLength;
    };
    const Case cases[] = {
        {5000, "-type TrueColor", false},
        {200, "-type Palette -compress None", false},
        {200, "-type Palette -compress RLE", true},
    };
    for (const Case& c : cases) {
        // Narrow pictures have few colours, so ImageMagick writes them at 4 bits (RLE4 when asked).
        for (int width : {1, 3, 4, 5, 37, 300}) {
            SCOPED_TRACE(std::string(c.options) + " width " + std::to_string(width));
            const NetpbmImage picture = Picture(width, 7, c.colors, static_cast<unsigned>(width), true);
            const std::string input = m_dir.File("in.ppm");
            const std::string output = m_dir.File("out.bmp");
            interop::WriteNetpbm(input, picture);
            const std::string log = m_dir.File("log.txt");
            ASSERT_TRUE(interop::Run("convert " + Quote(input) + " " + c.options + " " + Quote("bmp3:" + output), log))
                << interop::ReadText(log);
            const Bytes file = testfiles::ReadFileBytes(output);
            ASSERT_GE(file.size(), 54u);
            const unsigned bits = testfiles::Get16(file, 28);
            if (c.colors > 256) {
                EXPECT_EQ(bits, 24u);
            } else {
                EXPECT_TRUE(bits == 4 || bits == 8) << bits;
            }
            const unsigned runLength = bits == 8 ? 1 : 2;
            EXPECT_EQ(testfiles::Get32(file, 30), c.runLength ? runLength : 0u);
            CPixImage image;
            ASSERT_TRUE(image.Load(output.c_str(), PIXIMAGE_BMP)) << image.GetLastErrorText();
            EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, false)));
        }
    }
}

TEST_F(BmpInteropTest, BmptopnmReadsOurFiles)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        for (DWORD width : {1u, 2u, 3u, 4u, 5u, 37u}) {
            SCOPED_TRACE(std::to_string(width) + "@" + std::to_string(bpp));
            CPixImage image(width, 11, bpp);
            testfiles::FillRandom(image, width * 7 + bpp);
            const std::string bmp = m_dir.File("ours.bmp");
            ASSERT_TRUE(image.Save(bmp.c_str(), PIXIMAGE_BMP)) << image.GetLastErrorText();
            const std::string pnm = m_dir.File("ours.pnm");
            const std::string ppm = m_dir.File("ours.ppm");
            const std::string log = m_dir.File("log.txt");
            ASSERT_TRUE(interop::Run("bmptopnm " + Quote(bmp) + " > " + Quote(pnm), log)) << interop::ReadText(log);
            ASSERT_TRUE(interop::Run("ppmtoppm < " + Quote(pnm) + " > " + Quote(ppm), log)) << interop::ReadText(log);
            NetpbmImage theirs;
            ASSERT_TRUE(interop::ReadNetpbm(ppm, theirs));
            EXPECT_TRUE(interop::SamePixels(interop::FromImage(image, false), theirs));
        }
    }
}

} // namespace

// A run-length file whose height is changed to millions of rows cannot reach them with its data:
// it is refused before a picture of that size is allocated.
TEST_F(BmpInteropTest, RunLengthDataMustReachTheClaimedHeight)
{
    for (int width : {5, 64}) {
        const NetpbmImage picture = Picture(width, 61, 200, static_cast<unsigned>(width), true);
        const std::string input = m_dir.File("in.ppm");
        const std::string output = m_dir.File("rle.bmp");
        interop::WriteNetpbm(input, picture);
        const std::string log = m_dir.File("log.txt");
        ASSERT_TRUE(interop::Run("convert " + Quote(input) + " -type Palette -compress RLE " + Quote("bmp3:" + output),
                                 log))
            << interop::ReadText(log);
        const Bytes made = testfiles::ReadFileBytes(output);
        ASSERT_GE(made.size(), 54u);
        ASSERT_NE(testfiles::Get32(made, 30), 0u); // run-length data

        for (std::int32_t height : {61, -16777155, 16777155}) {
            SCOPED_TRACE(std::to_string(width) + " wide, height " + std::to_string(height));
            Bytes file = made;
            for (int i = 0; i < 4; ++i)
                file[22 + i] = static_cast<BYTE>(static_cast<std::uint32_t>(height) >> (8 * i));
            const std::string changed = m_dir.File("changed.bmp");
            testfiles::WriteFileBytes(changed, file);
            CPixImage image;
            const bool loaded = image.Load(changed.c_str(), PIXIMAGE_BMP);
            if (height == 61) {
                ASSERT_TRUE(loaded) << image.GetLastErrorText();
                EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, false)));
            } else {
                EXPECT_FALSE(loaded);
                EXPECT_STREQ(image.GetLastErrorText(), "Error reading BMP data");
            }
        }
    }
}
