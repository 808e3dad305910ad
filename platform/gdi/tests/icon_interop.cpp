// Icons written by ImageMagick: the image that suits the size is chosen and drawn with its
// transparency.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/testing/temp_zv_root.h"

namespace zv::gdi::test {
namespace {

constexpr COLORREF kBackground = RGB(10, 100, 200);
constexpr COLORREF kRed = RGB(230, 20, 20);

std::vector<BYTE> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Word(const std::vector<BYTE>& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8); }

// The bit depth of the file's image of this size (from the image's own header), 0 when none.
int ImageDepth(const std::vector<BYTE>& file, int size)
{
    for (int i = 0; i < Word(file, 4); ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        if (file.at(entry) != size)
            continue;
        const std::size_t offset = static_cast<std::size_t>(Word(file, entry + 12)) | (static_cast<std::size_t>(Word(file, entry + 14)) << 16);
        return Word(file, offset + 14);
    }
    return 0;
}

struct ToolCase {
    const char* name;
    const char* options; // how convert writes the icon
    int size;            // asked of the file
    bool alpha;          // whether the image of that size has 32 bits (with alpha)
};

class IconInterop : public ::testing::TestWithParam<ToolCase> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(std::system("command -v convert >/dev/null 2>&1"), 0) << "convert is missing: scripts/install-deps.sh";
    }
    win32::testing::TempZvRoot root_;
};

TEST_P(IconInterop, DrawsTheSquareOverTheBackground)
{
    const ToolCase& c = GetParam();
    // A red square in the middle of a transparent 32 x 32 picture.
    const std::string png = root_.Path() + "/square.png";
    const std::string ico = root_.Path() + "/square.ico";
    ASSERT_EQ(std::system(("convert -size 32x32 xc:none -fill 'rgb(230,20,20)' -draw 'rectangle 8,8 23,23' '" + png +
                           "' && convert '" + png + "' " + c.options + " '" + ico + "'")
                              .c_str()),
              0);
    const std::vector<BYTE> file = ReadFile(ico);
    HICON icon = CreateIconFromFileImage(file.data(), file.size(), c.size, c.size, 0);
    ASSERT_NE(icon, nullptr);
    // The file holds what the case means to test: an image of the size at the expected depth.
    const int bits = ImageDepth(file, c.size);
    if (c.alpha) {
        EXPECT_EQ(bits, 32);
    } else {
        EXPECT_TRUE(bits >= 1 && bits <= 8) << bits;
    }

    const int scale = 32 / c.size;
    PixelCanvas canvas(32, 32, false, [](int, int) { return kBackground; });
    ASSERT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL));
    const std::vector<COLORREF> pixels = canvas.Pixels();
    // Well inside the square red, well outside it the background; the edges may blend.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool inside = x >= 8 + scale && x < 24 - scale && y >= 8 + scale && y < 24 - scale;
            const bool outside = x < 8 - scale || x >= 24 + scale || y < 8 - scale || y >= 24 + scale;
            const COLORREF have = pixels[static_cast<std::size_t>(y) * 32 + x];
            if (inside) {
                EXPECT_EQ(have, kRed) << x << "," << y;
            }
            if (outside) {
                EXPECT_EQ(have, kBackground) << x << "," << y;
            }
        }
    EXPECT_TRUE(DestroyIcon(icon));
}

INSTANTIATE_TEST_SUITE_P(
    Gdi, IconInterop,
    ::testing::Values(ToolCase{"AlphaLargeImage", "-define icon:auto-resize=16,32", 32, true},
                      ToolCase{"AlphaSmallImage", "-define icon:auto-resize=16,32", 16, true},
                      ToolCase{"PaletteWithMask", "-type PaletteAlpha", 32, false}),
    [](const ::testing::TestParamInfo<ToolCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zv::gdi::test
