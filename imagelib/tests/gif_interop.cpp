// GIF files against Netpbm, giflib's tools and ImageMagick: theirs read correctly (animated,
// interlaced, local tables, transparency, disposal), ours read by them with the same pixels.
#include "imagelib/PixImage.h"

#include "image_test_files.h"
#include "interop_tools.h"
#include "pix_test_patterns.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using interop::NetpbmImage;
using interop::Quote;
using testfiles::TempDir;

// Random pixels drawn from `colors` random colours (at most 256, as a GIF table holds).
NetpbmImage FewColorPicture(int width, int height, int colors, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<BYTE> palette(3 * static_cast<std::size_t>(colors));
    for (BYTE& sample : palette)
        sample = static_cast<BYTE>(generator());
    NetpbmImage image;
    image.width = width;
    image.height = height;
    image.depth = 3;
    for (int i = 0; i < width * height; ++i) {
        const std::size_t entry = 3 * (generator() % static_cast<unsigned>(colors));
        image.samples.insert(image.samples.end(), palette.begin() + static_cast<long>(entry),
                             palette.begin() + static_cast<long>(entry + 3));
    }
    return image;
}

class GifInteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"pamtogif", "giftopnm", "gif2rgb", "giftext", "convert"})
            ASSERT_TRUE(interop::HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it";
    }

    bool Tool(const std::string& command)
    {
        const std::string log = m_dir.File("log.txt");
        const bool ok = interop::Run(command, log);
        EXPECT_TRUE(ok) << command << "\n" << interop::ReadText(log);
        return ok;
    }

    NetpbmImage ReadBack(const std::string& name)
    {
        NetpbmImage image;
        EXPECT_TRUE(interop::ReadNetpbm(name, image)) << name;
        return image;
    }

    TempDir m_dir;
};

TEST_F(GifInteropTest, NetpbmAndGiflibReadOurFiles)
{
    const std::pair<LONG, LONG> sizes[] = {{1, 1}, {37, 23}, {300, 120}};
    for (DWORD bpp : {1u, 4u, 8u})
        for (LONG codec : {0, 1, 2})
            for (const auto& [width, height] : sizes) {
                SCOPED_TRACE(std::to_string(bpp) + " bpp, coder " + std::to_string(codec) + ", " +
                             std::to_string(width) + "x" + std::to_string(height));
                CPixImage image(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp);
                testfiles::FillRandom(image, static_cast<unsigned>(width * bpp + codec));
                image.SetCodecOption(codec);
                const std::string gif = m_dir.File("ours.gif");
                ASSERT_TRUE(image.Save(gif.c_str(), PIXIMAGE_GIF)) << image.GetLastErrorText();
                const NetpbmImage expected = interop::FromImage(image, false);

                const std::string ppm = m_dir.File("ours.ppm");
                ASSERT_TRUE(Tool("giftopnm " + Quote(gif) + " | ppmtoppm > " + Quote(ppm)));
                EXPECT_TRUE(interop::SamePixels(expected, ReadBack(ppm)));

                const std::string rgb = m_dir.File("ours.rgb");
                ASSERT_TRUE(Tool("gif2rgb -1 -o " + Quote(rgb) + " " + Quote(gif)));
                NetpbmImage fromGiflib;
                fromGiflib.width = static_cast<int>(width);
                fromGiflib.height = static_cast<int>(height);
                fromGiflib.depth = 3;
                fromGiflib.samples = testfiles::ReadFileBytes(rgb);
                ASSERT_EQ(fromGiflib.samples.size(), expected.samples.size());
                EXPECT_TRUE(interop::SamePixels(expected, fromGiflib));
            }
}

TEST_F(GifInteropTest, ImageMagickReadsOurTiledTrueColourFiles)
{
    for (const auto& [width, height] : {std::pair{40, 20}, std::pair{17, 15}, std::pair{101, 47}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        CPixImage image;
        pix_test::FillPattern(image, width, height, 24);
        const std::string gif = m_dir.File("tiles.gif");
        ASSERT_TRUE(image.Save(gif.c_str(), PIXIMAGE_GIF)) << image.GetLastErrorText();
        const std::string ppm = m_dir.File("tiles.ppm");
        ASSERT_TRUE(Tool("convert " + Quote(gif) + " -layers flatten " + Quote(ppm)));
        EXPECT_TRUE(interop::SamePixels(interop::FromImage(image, false), ReadBack(ppm)));
        // One frame per 17 x 15 tile, each with its own table.
        const std::string text = m_dir.File("tiles.txt");
        ASSERT_TRUE(Tool("giftext " + Quote(gif) + " > " + Quote(text)));
        const std::string listing = interop::ReadText(text);
        std::size_t frames = 0;
        for (std::size_t at = listing.find("Image #"); at != std::string::npos; at = listing.find("Image #", at + 1))
            ++frames;
        EXPECT_EQ(frames, static_cast<std::size_t>(((width + 16) / 17) * ((height + 14) / 15)));
        EXPECT_EQ(listing.find("No Image Color Map"), std::string::npos);
    }
}

TEST_F(GifInteropTest, ReadsPamtogifFilesInterlacedOrNot)
{
    for (const char* options : {"", "-interlace"})
        for (int colors : {2, 5, 16, 200})
            for (const auto& [width, height] : {std::pair{1, 1}, std::pair{9, 5}, std::pair{250, 130}}) {
                SCOPED_TRACE(std::string(options) + " " + std::to_string(colors) + " colours " +
                             std::to_string(width) + "x" + std::to_string(height));
                const NetpbmImage picture = FewColorPicture(width, height, colors, static_cast<unsigned>(width + colors));
                const std::string ppm = m_dir.File("in.ppm");
                interop::WriteNetpbm(ppm, picture);
                const std::string gif = m_dir.File("theirs.gif");
                ASSERT_TRUE(Tool("pamtogif " + std::string(options) + " " + Quote(ppm) + " > " + Quote(gif)));
                CPixImage image;
                ASSERT_TRUE(image.Load(gif.c_str(), PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
                EXPECT_EQ(image.GetType(), PIXIMAGE_GIF);
                EXPECT_TRUE(interop::SamePixels(picture, interop::FromImage(image, false)));
            }
}

TEST_F(GifInteropTest, ReadsImageMagickAnimationsFrameByFrame)
{
    // Three full frames left in place; the second has transparent holes, the later ones use
    // other colour sets, so ImageMagick gives them local tables.
    const int width = 23;
    const int height = 14;
    const NetpbmImage base = FewColorPicture(width, height, 60, 1);
    std::vector<std::string> inputs;
    for (int k = 0; k < 3; ++k) {
        NetpbmImage frame = base;
        frame.depth = 4;
        frame.samples.clear();
        std::mt19937 generator(static_cast<unsigned>(k + 10));
        for (int i = 0; i < width * height; ++i) {
            // Each frame picks its pixels from the first frame's colours.
            const BYTE* source = base.samples.data() + 3 * static_cast<std::size_t>(k == 0 ? i : generator() % (width * height / 3));
            const bool hole = k == 1 && generator() % 3 == 0;
            frame.samples.insert(frame.samples.end(), {source[0], source[1], source[2], static_cast<BYTE>(hole ? 0 : 255)});
        }
        inputs.push_back(m_dir.File("frame" + std::to_string(k) + ".pam"));
        interop::WriteNetpbm(inputs.back(), frame);
    }
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "progressive");
        const std::string gif = m_dir.File("anim.gif");
        ASSERT_TRUE(Tool("convert -dispose none -delay 10 " + Quote(inputs[0]) + " " + Quote(inputs[1]) + " " +
                         Quote(inputs[2]) + (interlaced ? " -interlace GIF " : " ") + Quote(gif)));
        const std::string coalesced = m_dir.File("coalesced-%d.ppm");
        ASSERT_TRUE(Tool("convert " + Quote(gif) + " -coalesce -background black -alpha remove " + Quote(coalesced)));
        for (LONG frame = 0; frame < 3; ++frame) {
            SCOPED_TRACE(frame);
            CPixImage image;
            image.SetFrame(frame);
            ASSERT_TRUE(image.Load(gif.c_str(), PIXIMAGE_GIF)) << image.GetLastErrorText();
            EXPECT_EQ(image.GetFrameCount(), 3);
            EXPECT_TRUE(interop::SamePixels(ReadBack(m_dir.File("coalesced-" + std::to_string(frame) + ".ppm")),
                                            interop::FromImage(image, false)));
        }

        // Cut anywhere, the file reads or fails cleanly.
        const testfiles::Bytes bytes = testfiles::ReadFileBytes(gif);
        for (std::size_t length = 0; length < bytes.size(); length += 3) {
            CPixImage image;
            image.SetFrame(2);
            image.DecodeFromMemory(bytes.data(), static_cast<LONG>(length), PIXIMAGE_GIF);
        }
    }
}

TEST_F(GifInteropTest, ImageMagickReadsOurTransparency)
{
    CPixImage image(12, 7, 4);
    testfiles::FillRandom(image, 5);
    image.SetTransparentIndex(image.GetIndexAt(0, 0));
    const std::string gif = m_dir.File("transparent.gif");
    ASSERT_TRUE(image.Save(gif.c_str(), PIXIMAGE_GIF));
    const std::string pam = m_dir.File("transparent.pam");
    ASSERT_TRUE(Tool("convert " + Quote(gif) + " " + Quote(pam)));
    const NetpbmImage theirs = ReadBack(pam);
    ASSERT_EQ(theirs.depth, 4);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool clear = image.GetIndexAt(x, 6 - y) == image.GetTransparentIndex();
            EXPECT_EQ(theirs.At(x, y)[3], clear ? 0 : 255) << x << "," << y;
        }
}

} // namespace
