// Icon files against Netpbm: icons from pamtowinicon read correctly, and ours read back by
// winicontopam give the same pixels and transparency.
#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"

#include "image_test_files.h"
#include "interop_tools.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

namespace {

using interop::NetpbmImage;
using interop::Quote;
using testfiles::TempDir;

// Random colours; alpha fully opaque or fully transparent, as an AND mask can say it.
NetpbmImage IconPicture(int width, int height, unsigned seed)
{
    std::mt19937 generator(seed);
    NetpbmImage image;
    image.width = width;
    image.height = height;
    image.depth = 4;
    for (int i = 0; i < width * height; ++i) {
        const bool clear = generator() % 4 == 0;
        testfiles::Append(image.samples, {static_cast<BYTE>(generator()), static_cast<BYTE>(generator()),
                                          static_cast<BYTE>(generator()), static_cast<BYTE>(clear ? 0 : 255)});
    }
    return image;
}

// Colours where the pixel can be seen (a transparent pixel's colour is the writer's business),
// alpha everywhere.
::testing::AssertionResult SameVisiblePixels(const NetpbmImage& expected, const CPixImage& image)
{
    const NetpbmImage actual = interop::FromImage(image, true);
    if (expected.width != actual.width || expected.height != actual.height)
        return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const BYTE* e = expected.At(x, y);
            const BYTE* a = actual.At(x, y);
            const bool visible = e[3] != 0;
            if (a[3] != e[3] || (visible && (a[0] != e[0] || a[1] != e[1] || a[2] != e[2])))
                return ::testing::AssertionFailure()
                    << "pixel (" << x << ", row " << y << " from the top): expected RGBA " << int{e[0]} << " "
                    << int{e[1]} << " " << int{e[2]} << " " << int{e[3]} << ", read " << int{a[0]} << " " << int{a[1]}
                    << " " << int{a[2]} << " " << int{a[3]};
        }
    return ::testing::AssertionSuccess();
}

class IcoInteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"pamtowinicon", "winicontopam"})
            ASSERT_TRUE(interop::HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it";
    }

    // pamtowinicon over the concatenated pictures; returns the icon's name.
    std::string MakeIcon(const std::vector<NetpbmImage>& pictures, const std::string& options = "")
    {
        const std::string input = m_dir.File("in.pam");
        {
            std::ofstream clear(input, std::ios::trunc);
        }
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const std::string one = m_dir.File("one.pam");
            interop::WriteNetpbm(one, pictures[i]);
            const testfiles::Bytes bytes = testfiles::ReadFileBytes(one);
            std::ofstream out(input, std::ios::binary | std::ios::app);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        const std::string icon = m_dir.File("theirs.ico");
        const std::string log = m_dir.File("log.txt");
        EXPECT_TRUE(interop::Run("pamtowinicon " + options + " " + Quote(input) + " > " + Quote(icon), log))
            << interop::ReadText(log);
        return icon;
    }

    // winicontopam's reading of an icon's first image, with alpha.
    NetpbmImage WinicontopamReading(const std::string& icon)
    {
        const std::string pam = m_dir.File("theirs.pam");
        const std::string log = m_dir.File("log.txt");
        NetpbmImage theirs;
        EXPECT_TRUE(interop::Run("winicontopam " + Quote(icon) + " > " + Quote(pam), log)) << interop::ReadText(log);
        EXPECT_TRUE(interop::ReadNetpbm(pam, theirs));
        EXPECT_EQ(theirs.depth, 4);
        return theirs;
    }

    void Convert(const std::string& arguments)
    {
        const std::string log = m_dir.File("log.txt");
        ASSERT_TRUE(interop::HaveTool("convert"));
        ASSERT_TRUE(interop::Run("convert " + arguments, log)) << arguments << "\n" << interop::ReadText(log);
    }

    TempDir m_dir;
};

// Alpha as a reader of the library sees it: the alpha plane, or a transparent colour.
NetpbmImage ShownRgba(const CPixImage& image)
{
    NetpbmImage shown = interop::FromImage(image, true);
    if (image.GetTransparentIndex() < 0)
        return shown;
    const PixColor clear = image.GetTransparentColor() & 0xFFFFFF;
    for (int i = 0; i < shown.width * shown.height; ++i) {
        BYTE* pixel = shown.samples.data() + 4 * static_cast<std::size_t>(i);
        if (MakePixColor(pixel[0], pixel[1], pixel[2]) == clear)
            pixel[3] = 0;
    }
    return shown;
}

TEST_F(IcoInteropTest, ReadsIconsWrittenByPamtowinicon)
{
    for (int width : {1, 2, 3, 16, 37}) {
        for (int height : {1, 5, 32}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
            const NetpbmImage picture = IconPicture(width, height, static_cast<unsigned>(width * 1000 + height));
            const std::string icon = MakeIcon({picture});
            CPixImage image;
            ASSERT_TRUE(image.Load(icon.c_str(), PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
            EXPECT_EQ(image.GetType(), PIXIMAGE_ICO);
            EXPECT_TRUE(SameVisiblePixels(picture, image));
        }
    }
}

TEST_F(IcoInteropTest, ReadsEachImageOfAMultiImageIcon)
{
    const std::vector<NetpbmImage> pictures = {IconPicture(16, 16, 1), IconPicture(32, 32, 2), IconPicture(48, 20, 3)};
    const std::string icon = MakeIcon(pictures);
    for (LONG frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        CPixImage image;
        image.SetFrame(frame);
        ASSERT_TRUE(image.Load(icon.c_str(), PIXIMAGE_ICO)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetFrameCount(), 3);
        EXPECT_TRUE(SameVisiblePixels(pictures[static_cast<std::size_t>(frame)], image));
    }
}

TEST_F(IcoInteropTest, PngCompressedImagesNeedThePngFormat)
{
    const NetpbmImage picture = IconPicture(8, 8, 4);
    const std::string icon = MakeIcon({picture}, "-pngthreshold=1");
    ASSERT_EQ(testfiles::ReadFileBytes(icon).at(22), 0x89); // the tool did store a PNG
    CPixImage image;
    const bool loaded = image.Load(icon.c_str(), PIXIMAGE_ICO);
    if (FindPixFormat(PIXIMAGE_PNG)) {
        ASSERT_TRUE(loaded) << image.GetLastErrorText();
        EXPECT_TRUE(SameVisiblePixels(picture, image));
    } else {
        EXPECT_FALSE(loaded);
        EXPECT_STREQ(image.GetLastErrorText(), "PNG icon image: PNG format not available");
    }
}

// pamtowinicon sets the AND mask on every pixel that is not fully opaque; the alpha bytes decide.
TEST_F(IcoInteropTest, GradedAlphaSurvivesTheMask)
{
    const std::string pam = m_dir.File("a.pam");
    Convert("-size 48x48 xc:red \\( -size 48x48 radial-gradient:white-black \\) -alpha off -compose CopyOpacity "
            "-composite -depth 8 pam:" + Quote(pam));
    const std::string icon = m_dir.File("a.ico");
    const std::string log = m_dir.File("log.txt");
    ASSERT_TRUE(interop::Run("pamtowinicon " + Quote(pam) + " > " + Quote(icon), log)) << interop::ReadText(log);
    const NetpbmImage theirs = WinicontopamReading(icon);
    int graded = 0;
    for (int i = 0; i < theirs.width * theirs.height; ++i)
        graded += theirs.samples[4 * static_cast<std::size_t>(i) + 3] % 255 != 0;
    ASSERT_GT(graded, 1000); // the file does carry graded alpha

    CPixImage image;
    ASSERT_TRUE(image.Load(icon.c_str(), PIXIMAGE_ICO)) << image.GetLastErrorText();
    EXPECT_TRUE(interop::SamePixels(theirs, ShownRgba(image)));
}

// No common tool writes 24-bit icons (they go to 32 bits), so the picture is ImageMagick's and the
// icon around it is packed here: yellow, a band over the top rows under the mask, a line across
// row 10 in black.
TEST_F(IcoInteropTest, TwentyFourBitMaskAloneDecidesTransparency)
{
    for (const char* band : {"black", "magenta"}) {
        SCOPED_TRACE(band);
        const std::string ppm = m_dir.File("pic.ppm");
        Convert(std::string("-size 16x16 xc:yellow -fill ") + band +
                " -draw 'rectangle 0,0 15,3' -fill black -draw 'line 0,10 15,10' -depth 8 " + Quote(ppm));
        NetpbmImage picture;
        ASSERT_TRUE(interop::ReadNetpbm(ppm, picture));
        testfiles::Bytes pixels;
        testfiles::Bytes mask;
        for (int row = 15; row >= 0; --row) {
            for (int x = 0; x < 16; ++x)
                testfiles::Append(pixels, {picture.At(x, row)[2], picture.At(x, row)[1], picture.At(x, row)[0]});
            const BYTE bits = row < 4 ? 0xFF : 0x00;
            testfiles::Append(mask, {bits, bits, 0, 0});
        }
        const std::string icon = m_dir.File("band.ico");
        testfiles::WriteFileBytes(
            icon, testfiles::BuildIcon({{16, 16, 24, testfiles::IconBitmap(16, 16, 24, {}, pixels, mask)}}));
        const NetpbmImage theirs = WinicontopamReading(icon);

        CPixImage image;
        ASSERT_TRUE(image.Load(icon.c_str(), PIXIMAGE_ICO)) << image.GetLastErrorText();
        EXPECT_TRUE(interop::SamePixels(theirs, ShownRgba(image)));
    }
}

TEST_F(IcoInteropTest, WinicontopamReadsOurIcons)
{
    struct Case {
        DWORD bpp;
        bool alpha;
        bool transparentIndex;
    };
    const Case cases[] = {{1, false, false}, {4, false, false}, {8, false, false},
                          {24, false, false}, {24, true, false}, {8, false, true}};
    for (const Case& c : cases) {
        for (DWORD width : {1u, 3u, 5u, 16u, 40u}) {
            SCOPED_TRACE(std::to_string(width) + "@" + std::to_string(c.bpp) + (c.alpha ? " alpha" : "") +
                         (c.transparentIndex ? " transparent index" : ""));
            CPixImage image(width, 9, c.bpp);
            testfiles::FillRandom(image, width + c.bpp);
            NetpbmImage expected = interop::FromImage(image, true);
            if (c.alpha) {
                ASSERT_TRUE(image.AllocAlpha());
                std::mt19937 generator(width);
                for (LONG y = 0; y < 9; ++y)
                    for (LONG x = 0; x < static_cast<LONG>(width); ++x)
                        image.SetAlphaAt(x, y, static_cast<BYTE>(generator() % 3 == 0 ? 0 : generator()));
                expected = interop::FromImage(image, true);
            }
            if (c.transparentIndex) {
                // Entries of a random palette are distinct, so only pixels of index 0 get masked.
                image.SetTransparentIndex(0);
                for (int i = 0; i < expected.width * expected.height; ++i) {
                    const int x = i % expected.width;
                    const int rowFromTop = i / expected.width;
                    if (image.GetIndexAt(x, image.GetHeight() - 1 - rowFromTop) == 0)
                        expected.samples[static_cast<std::size_t>(i) * 4 + 3] = 0;
                }
            }
            const std::string icon = m_dir.File("ours.ico");
            ASSERT_TRUE(image.Save(icon.c_str(), PIXIMAGE_ICO)) << image.GetLastErrorText();
            const std::string pam = m_dir.File("ours.pam");
            const std::string log = m_dir.File("log.txt");
            ASSERT_TRUE(interop::Run("winicontopam " + Quote(icon) + " > " + Quote(pam), log))
                << interop::ReadText(log);
            NetpbmImage theirs;
            ASSERT_TRUE(interop::ReadNetpbm(pam, theirs));
            ASSERT_EQ(theirs.depth, 4);
            EXPECT_TRUE(interop::SamePixels(expected, theirs));
        }
    }
}

} // namespace
