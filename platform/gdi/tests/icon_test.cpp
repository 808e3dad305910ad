#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/icon_images.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

constexpr COLORREF kBackground = RGB(10, 100, 200);
constexpr COLORREF kRed = RGB(230, 20, 20);
constexpr COLORREF kGreen = RGB(20, 200, 40);

const std::vector<RGBQUAD> kPalette = {Quad(kBlack), Quad(kRed), Quad(kGreen), Quad(kWhite)};

COLORREF Blend(COLORREF over, COLORREF under, int alpha)
{
    const auto mix = [alpha](int a, int b) { return static_cast<BYTE>((a * alpha + b * (255 - alpha) + 127) / 255); };
    return RGB(mix(GetRValue(over), GetRValue(under)), mix(GetGValue(over), GetGValue(under)),
               mix(GetBValue(over), GetBValue(under)));
}

// Column 0 is transparent (black under a set mask bit); the rest shows palette colours 1..3.
BYTE PatternIndex(int x, int y) { return x == 0 ? 0 : static_cast<BYTE>(1 + (x + y) % 3); }
COLORREF PatternColour(int x, int y)
{
    const RGBQUAD& q = kPalette[PatternIndex(x, y)];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}
bool FirstColumn(int x, int) { return x == 0; }

struct ImageCase {
    const char* name;
    IconSpec spec;
    PixelFill expected; // drawn at its own size over kBackground
};

IconSpec Spec(int bits)
{
    IconSpec s;
    s.bitsPerPixel = bits;
    if (bits <= 8) {
        s.palette = kPalette;
        s.index = PatternIndex;
    } else {
        s.colour = PatternColour;
    }
    s.transparent = FirstColumn;
    return s;
}

PixelFill MaskedPattern()
{
    return [](int x, int y) { return x == 0 ? kBackground : PatternColour(x, y); };
}

class IconImages : public ::testing::TestWithParam<ImageCase> {};

TEST_P(IconImages, DrawWithTransparency)
{
    const ImageCase& c = GetParam();
    const std::vector<BYTE> image = IconImage(c.spec);
    HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, kIconResourceVersion,
                                          0, 0, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr) << GetLastError();
    PixelCanvas canvas(4, 4, false, [](int, int) { return kBackground; });
    EXPECT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_TRUE(canvas.Matches(c.expected));
    EXPECT_TRUE(DestroyIcon(icon));
}

IconSpec MonochromeSpec()
{
    IconSpec s;
    s.bitsPerPixel = 1;
    s.palette = {Quad(kBlack), Quad(kWhite)};
    // Black opaque, white opaque, and under the mask: black (shows the screen), white (inverts it).
    s.index = [](int x, int) { return static_cast<BYTE>(x % 2); };
    s.transparent = [](int x, int) { return x >= 2; };
    return s;
}

IconSpec AlphaSpec()
{
    IconSpec s = Spec(32);
    s.transparent = nullptr; // the mask says opaque everywhere; the alpha wins
    s.alpha = [](int x, int) { return static_cast<BYTE>(x == 0 ? 0 : x == 1 ? 128 : 255); };
    return s;
}

IconSpec AlphaWithoutMaskSpec()
{
    IconSpec s = AlphaSpec();
    s.withMask = false;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Gdi, IconImages,
    ::testing::Values(ImageCase{"FourBits", Spec(4), MaskedPattern()}, ImageCase{"EightBits", Spec(8), MaskedPattern()},
                      ImageCase{"TwentyFourBits", Spec(24), MaskedPattern()},
                      ImageCase{"ThirtyTwoBitsWithoutAlphaUseTheMask", Spec(32), MaskedPattern()},
                      ImageCase{"ThirtyTwoBitsWithAlpha", AlphaSpec(),
                                [](int x, int y) {
                                    return x == 0 ? kBackground : x == 1 ? Blend(PatternColour(x, y), kBackground, 128)
                                                                         : PatternColour(x, y);
                                }},
                      ImageCase{"AlphaNeedsNoMask", AlphaWithoutMaskSpec(),
                                [](int x, int y) {
                                    return x == 0 ? kBackground : x == 1 ? Blend(PatternColour(x, y), kBackground, 128)
                                                                         : PatternColour(x, y);
                                }},
                      ImageCase{"Monochrome", MonochromeSpec(),
                                [](int x, int) {
                                    const COLORREF shown[] = {kBlack, kWhite, kBackground, RGB(245, 155, 55)};
                                    return shown[x];
                                }}),
    [](const ::testing::TestParamInfo<ImageCase>& info) { return std::string(info.param.name); });

struct Mutation {
    const char* name;
    std::function<void(std::vector<BYTE>&)> apply;
    DWORD error;
};

void SetField(std::vector<BYTE>& image, std::size_t offset, DWORD value, int bytes) { PutLE(image, offset, value, bytes); }

TEST(Icons, HostileImagesAreRefused)
{
    const Mutation mutations[] = {
        {"header size 0", [](auto& b) { SetField(b, 0, 0, 4); }, ERROR_INVALID_PARAMETER},
        {"header larger than the image", [](auto& b) { SetField(b, 0, 0x7FFFFFFF, 4); }, ERROR_INVALID_PARAMETER},
        {"width 0", [](auto& b) { SetField(b, 4, 0, 4); }, ERROR_INVALID_PARAMETER},
        {"negative width", [](auto& b) { SetField(b, 4, 0xFFFFFFFC, 4); }, ERROR_INVALID_PARAMETER},
        {"huge width", [](auto& b) { SetField(b, 4, 0x40000000, 4); }, ERROR_INVALID_PARAMETER},
        {"odd height", [](auto& b) { SetField(b, 8, 7, 4); }, ERROR_INVALID_PARAMETER},
        {"negative height", [](auto& b) { SetField(b, 8, 0xFFFFFFF8, 4); }, ERROR_INVALID_PARAMETER},
        {"height past the data", [](auto& b) { SetField(b, 8, 64, 4); }, ERROR_INVALID_PARAMETER},
        {"two planes", [](auto& b) { SetField(b, 12, 2, 2); }, ERROR_INVALID_PARAMETER},
        {"16 bits", [](auto& b) { SetField(b, 14, 16, 2); }, ERROR_NOT_SUPPORTED},
        {"7 bits", [](auto& b) { SetField(b, 14, 7, 2); }, ERROR_NOT_SUPPORTED},
        {"run-length compressed", [](auto& b) { SetField(b, 16, 1, 4); }, ERROR_NOT_SUPPORTED},
        {"palette larger than the depth", [](auto& b) { SetField(b, 32, 257, 4); }, ERROR_INVALID_PARAMETER},
        {"palette past the data", [](auto& b) { SetField(b, 32, 200, 4); }, ERROR_INVALID_PARAMETER},
        {"PNG", [](auto& b) { std::memcpy(b.data(), "\x89PNG\r\n\x1A\n", 8); }, ERROR_NOT_SUPPORTED},
    };
    const std::vector<BYTE> valid = IconImage(Spec(8));
    for (const Mutation& m : mutations) {
        std::vector<BYTE> image = valid;
        m.apply(image);
        SetLastError(0);
        EXPECT_EQ(CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, kIconResourceVersion,
                                           0, 0, 0),
                  nullptr)
            << m.name;
        EXPECT_EQ(GetLastError(), m.error) << m.name;
    }
    // Every cut short of the whole image is refused, for icons and for cursors with their hotspot.
    std::vector<BYTE> cursor = {3, 0, 1, 0};
    cursor.insert(cursor.end(), valid.begin(), valid.end());
    for (std::size_t size = 0; size < valid.size(); ++size) {
        EXPECT_EQ(CreateIconFromResourceEx(valid.data(), static_cast<DWORD>(size), TRUE, kIconResourceVersion, 0, 0, 0),
                  nullptr)
            << size;
        EXPECT_EQ(CreateIconFromResourceEx(cursor.data(), static_cast<DWORD>(size + 4), FALSE, kIconResourceVersion,
                                           0, 0, 0),
                  nullptr)
            << size;
    }
    EXPECT_EQ(CreateIconFromResourceEx(valid.data(), static_cast<DWORD>(valid.size()), TRUE, 0x00020000, 0, 0, 0),
              nullptr);
}

TEST(Icons, CursorsKeepTheirHotspotThroughStretching)
{
    std::vector<BYTE> cursor = {3, 0, 1, 0};
    const std::vector<BYTE> image = IconImage(Spec(24));
    cursor.insert(cursor.end(), image.begin(), image.end());
    HCURSOR made = CreateIconFromResourceEx(cursor.data(), static_cast<DWORD>(cursor.size()), FALSE,
                                            kIconResourceVersion, 8, 8, 0);
    ASSERT_NE(made, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(made, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 2u);
    BITMAP colour{};
    ASSERT_EQ(GetObjectA(info.hbmColor, sizeof colour, &colour), static_cast<int>(sizeof colour));
    EXPECT_EQ(colour.bmWidth, 8);
    EXPECT_EQ(colour.bmBitsPixel, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_TRUE(DestroyCursor(made));
}

// A classic icon from bitmaps: mask and XOR image.
struct DrawCase {
    const char* name;
    UINT flags;
    // Pixels of the 4 x 1 icon: (mask, colour) = (0, red), (1, black), (1, white), (0, green).
    COLORREF expected[4];
};

TEST(Icons, IndirectIconsDrawTheirMaskAndImageParts)
{
    const COLORREF inverted = RGB(255 - 10, 255 - 100, 255 - 200);
    const DrawCase cases[] = {
        {"normal", DI_NORMAL, {kRed, kBackground, inverted, kGreen}},
        {"mask", DI_MASK, {kBlack, kBackground, kBackground, kBlack}},
        {"image", DI_IMAGE, {kRed, kBlack, kWhite, kGreen}},
    };
    const COLORREF colours[] = {kRed, kBlack, kWhite, kGreen};
    PixelCanvas colour(4, 1, false, [&](int x, int) { return colours[x]; });
    PixelCanvas mask(4, 1, true, [](int x, int) { return x == 1 || x == 2 ? kWhite : kBlack; });
    const ICONINFO info{TRUE, 0, 0, mask.Bitmap(), colour.Bitmap()};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    for (const DrawCase& c : cases) {
        PixelCanvas canvas(4, 1, false, [](int, int) { return kBackground; });
        EXPECT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, icon, 0, 0, 0, nullptr, c.flags));
        EXPECT_TRUE(canvas.Matches([&](int x, int) { return c.expected[x]; })) << c.name;
    }
    // What GetIconInfo gives back makes the same icon again.
    ICONINFO copy{};
    ASSERT_TRUE(GetIconInfo(icon, &copy));
    EXPECT_EQ(copy.xHotspot, 2u);
    HICON again = CreateIconIndirect(&copy);
    PixelCanvas canvas(4, 1, false, [](int, int) { return kBackground; });
    EXPECT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, again, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_TRUE(canvas.Matches([&](int x, int) { return cases[0].expected[x]; }));
    DeleteObject(copy.hbmColor);
    DeleteObject(copy.hbmMask);
    EXPECT_TRUE(DestroyIcon(again));
    EXPECT_TRUE(DestroyIcon(icon));
}

TEST(Icons, MonochromeIconsRoundTripAsADoubleHeightMask)
{
    // Top half AND mask, bottom half XOR image; 2 x 1 pixels: opaque white, and transparent.
    PixelCanvas mask(2, 2, true, [](int x, int y) { return (y == 0 && x == 1) || (y == 1 && x == 0) ? kWhite : kBlack; });
    const ICONINFO info{FALSE, 1, 0, mask.Bitmap(), nullptr};
    HCURSOR cursor = CreateIconIndirect(&info);
    ASSERT_NE(cursor, nullptr);
    ICONINFO copy{};
    ASSERT_TRUE(GetIconInfo(cursor, &copy));
    EXPECT_EQ(copy.hbmColor, nullptr);
    EXPECT_EQ(copy.xHotspot, 1u);
    BITMAP record{};
    ASSERT_EQ(GetObjectA(copy.hbmMask, sizeof record, &record), static_cast<int>(sizeof record));
    EXPECT_EQ(record.bmHeight, 2);
    EXPECT_EQ(record.bmBitsPixel, 1);
    PixelCanvas canvas(2, 1, false, [](int, int) { return kBackground; });
    EXPECT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, cursor, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_TRUE(canvas.Matches([](int x, int) { return x == 0 ? kWhite : kBackground; }));
    DeleteObject(copy.hbmMask);
    EXPECT_TRUE(DestroyCursor(cursor));
}

TEST(Icons, DrawIconUsesTheDefaultSizeAndBrushesFillFirst)
{
    const std::vector<BYTE> image = IconImage(Spec(8));
    HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, kIconResourceVersion,
                                          0, 0, 0);
    ASSERT_NE(icon, nullptr);
    PixelCanvas canvas(40, 40, false, [](int, int) { return kBackground; });
    EXPECT_TRUE(DrawIcon(canvas.Dc(), 2, 3, icon));
    // 4 x 4 stretched to 32 x 32: every icon pixel covers 8 x 8.
    EXPECT_TRUE(canvas.Matches([](int x, int y) {
        if (x < 2 || y < 3 || x >= 34 || y >= 35)
            return kBackground;
        return MaskedPattern()((x - 2) / 8, (y - 3) / 8);
    }));
    PixelCanvas small(6, 6, false, [](int, int) { return kBackground; });
    EXPECT_TRUE(DrawIconEx(small.Dc(), 1, 1, icon, 0, 0, 0, GetSysColorBrush(COLOR_WINDOW), DI_NORMAL));
    EXPECT_TRUE(small.Matches([](int x, int y) {
        if (x < 1 || y < 1 || x >= 5 || y >= 5)
            return kBackground;
        return x == 1 ? GetSysColor(COLOR_WINDOW) : PatternColour(x - 1, y - 1);
    }));
    // Icons are not drawing objects, and a destroyed icon is gone.
    EXPECT_FALSE(DeleteObject(icon));
    EXPECT_EQ(SelectObject(small.Dc(), icon), nullptr);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    EXPECT_FALSE(DrawIcon(small.Dc(), 0, 0, icon));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// A group directory as resources hold it: 14-byte entries ending in the image's id.
std::vector<BYTE> GroupDirectory(const std::vector<std::array<int, 4>>& entries, bool cursor = false)
{
    std::vector<BYTE> out(6 + 14 * entries.size());
    PutLE(out, 2, cursor ? 2 : 1, 2);
    PutLE(out, 4, static_cast<DWORD>(entries.size()), 2);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [width, height, bits, id] = entries[i];
        const std::size_t at = 6 + 14 * i;
        if (cursor) {
            PutLE(out, at, width, 2);
            PutLE(out, at + 2, height * 2, 2);
        } else {
            out[at] = static_cast<BYTE>(width);
            out[at + 1] = static_cast<BYTE>(height);
        }
        PutLE(out, at + 6, bits, 2);
        PutLE(out, at + 12, id, 2);
    }
    return out;
}

TEST(Icons, LookupChoosesTheNearestSizeThenTheMostColours)
{
    const std::vector<BYTE> directory =
        GroupDirectory({{16, 16, 4, 101}, {32, 32, 8, 102}, {32, 32, 32, 103}, {48, 48, 32, 104}, {0, 0, 32, 105}});
    struct Case {
        int cx;
        int cy;
        UINT flags;
        int id;
    };
    for (const Case c : {Case{32, 32, 0, 103}, Case{20, 20, 0, 101}, Case{40, 40, 0, 104}, Case{0, 0, LR_DEFAULTSIZE, 103},
                         Case{16, 16, 0, 101}, Case{256, 256, 0, 105}, Case{200, 200, 0, 105}}) {
        EXPECT_EQ(LookupIconIdFromDirectoryEx(directory.data(), TRUE, c.cx, c.cy, c.flags), c.id) << c.cx;
    }
    // Cursor directories give doubled heights; a cursor directory is no icon directory.
    const std::vector<BYTE> cursors = GroupDirectory({{32, 32, 1, 7}, {48, 48, 1, 8}}, true);
    EXPECT_EQ(LookupIconIdFromDirectoryEx(cursors.data(), FALSE, 48, 48, 0), 8);
    EXPECT_EQ(LookupIconIdFromDirectoryEx(cursors.data(), TRUE, 48, 48, 0), 0);
    // A directory that claims more entries than it holds.
    EXPECT_EQ(LookupIconIdFromDirectory(directory.data(), directory.size() - 1, true, 32, 32, 0), 0);
}

TEST(Icons, FilesGiveTheImageThatSuitsTheSize)
{
    IconSpec big = Spec(24);
    big.width = 8;
    big.height = 8;
    const std::vector<BYTE> file =
        IconFile({{4, 4, 8, IconImage(Spec(8))}, {8, 8, 24, IconImage(big)}, {16, 16, 32, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}}});
    for (const int size : {4, 8, 16}) {
        HICON icon = CreateIconFromFileImage(file.data(), file.size(), size, size, 0);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP record{};
        GetObjectA(info.hbmColor, sizeof record, &record);
        EXPECT_EQ(record.bmWidth, size); // 16 is stretched from the 8 x 8 image, not the PNG one
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    // Damaged directories: an entry pointing past the end, a wrong kind, a cut-off directory.
    std::vector<BYTE> pastEnd = file;
    PutLE(pastEnd, 6 + 12, static_cast<DWORD>(file.size()), 4);
    PutLE(pastEnd, 6 + 16 + 12, 0xFFFFFFF0, 4);
    PutLE(pastEnd, 4, 2, 2);
    EXPECT_EQ(CreateIconFromFileImage(pastEnd.data(), pastEnd.size(), 32, 32, 0), nullptr);
    std::vector<BYTE> wrongKind = file;
    PutLE(wrongKind, 2, 3, 2);
    EXPECT_EQ(CreateIconFromFileImage(wrongKind.data(), wrongKind.size(), 32, 32, 0), nullptr);
    for (std::size_t size = 0; size < 6 + 16 * 3; ++size)
        EXPECT_EQ(CreateIconFromFileImage(file.data(), size, 32, 32, 0), nullptr) << size;
}

} // namespace
} // namespace zv::gdi::test
