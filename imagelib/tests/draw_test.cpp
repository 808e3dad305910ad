#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "imagelib/tests/picture_files.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_faults.h"
#include "platform/gdi/tests/pixel_canvas.h"

namespace {

using zv::gdi::test::PixelCanvas;

constexpr int kTargetWidth = 12;
constexpr int kTargetHeight = 10;

COLORREF Target(int x, int y) { return RGB(x * 9 + 3, y * 11 + 5, 60 + x + y); }

// Picture colours by column i and row j counted from the top.
PixColor Picture(LONG i, LONG j)
{
    return MakePixColor(static_cast<BYTE>(200 - i * 20), static_cast<BYTE>(40 + j * 30), static_cast<BYTE>(90 + i * 7 + j * 3));
}

COLORREF Ref(PixColor color) { return RGB(PixRed(color), PixGreen(color), PixBlue(color)); }

BYTE Mix(BYTE over, BYTE under, unsigned alpha) { return static_cast<BYTE>((over * alpha + under * (255 - alpha)) >> 8); }

COLORREF Blend(COLORREF over, COLORREF under, unsigned alpha)
{
    if (alpha == 0)
        return under;
    if (alpha == 255)
        return over;
    return RGB(Mix(GetRValue(over), GetRValue(under), alpha), Mix(GetGValue(over), GetGValue(under), alpha),
               Mix(GetBValue(over), GetBValue(under), alpha));
}

// A 24-bit image showing Picture, rows stored bottom-up as the image keeps them.
void MakePicture(CPixImage& image, LONG width, LONG height)
{
    ASSERT_NE(image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, 0), nullptr);
    for (LONG j = 0; j < height; ++j)
        for (LONG i = 0; i < width; ++i)
            image.SetColorAt(i, height - 1 - j, Picture(i, j), false);
}

// The palette-alpha flag belongs to the format classes that read it from files.
class TestImage : public CPixImage {
public:
    void SetPaletteHasAlpha(bool on) { m_info.paletteHasAlpha = on ? 1 : 0; }
};

// An 8-bit image of index (i + 2j) % 4 over four distinct entries.
constexpr COLORREF kEntries[4] = {RGB(250, 10, 10), RGB(10, 250, 10), RGB(10, 10, 250), RGB(240, 240, 0)};
BYTE IndexAt(LONG i, LONG j) { return static_cast<BYTE>((i + 2 * j) % 4); }

void MakePalettePicture(CPixImage& image, LONG width, LONG height, const BYTE* reserved = nullptr)
{
    ASSERT_NE(image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 8, 0), nullptr);
    for (BYTE k = 0; k < 4; ++k)
        image.SetPaletteEntry(k, GetRValue(kEntries[k]), GetGValue(kEntries[k]), GetBValue(kEntries[k]),
                              reserved ? reserved[k] : 0);
    for (LONG j = 0; j < height; ++j)
        for (LONG i = 0; i < width; ++i)
            image.SetIndexAt(i, height - 1 - j, IndexAt(i, j));
}

// The rectangle (x, y, w, h) of the target shows shown(i, j); everything else is untouched.
template <class Shown>
::testing::AssertionResult ShowsAt(const PixelCanvas& target, int x, int y, int w, int h, Shown shown)
{
    return target.Matches([&](int tx, int ty) {
        const bool inside = tx >= x && ty >= y && tx < x + w && ty < y + h;
        return inside ? shown(tx - x, ty - y) : Target(tx, ty);
    });
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Draw by alpha: the plane's value scaled by the alpha maximum, then blended over the target.
struct AlphaCase {
    const char* name;
    BYTE plane;
    BYTE alphaMax;
    unsigned alpha; // what reaches the blend
};

class DrawAlpha : public ::testing::TestWithParam<AlphaCase> {};

TEST_P(DrawAlpha, BlendsThePlaneScaledByTheMaximum)
{
    const AlphaCase& c = GetParam();
    CPixImage image;
    MakePicture(image, 4, 3);
    ASSERT_TRUE(image.AllocAlpha());
    image.FillAlpha(c.plane);
    image.SetAlphaMax(c.alphaMax);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);

    ASSERT_TRUE(image.Draw(target.Dc(), 2, 3));
    EXPECT_TRUE(ShowsAt(target, 2, 3, 4, 3,
                        [&](int i, int j) { return Blend(Ref(Picture(i, j)), Target(2 + i, 3 + j), c.alpha); }));
}

INSTANTIATE_TEST_SUITE_P(Draw, DrawAlpha,
                         ::testing::Values(AlphaCase{"Transparent", 0, 255, 0}, AlphaCase{"Opaque", 255, 255, 255},
                                           AlphaCase{"Half", 128, 255, 128},
                                           AlphaCase{"OpaqueHalvedByMaximum127", 255, 127, 127},
                                           AlphaCase{"HalfHalvedByMaximum127", 200, 127, 100},
                                           AlphaCase{"MaximumZero", 255, 0, 0}),
                         [](const ::testing::TestParamInfo<AlphaCase>& info) { return info.param.name; });

TEST(Draw, BlendArithmeticDropsTheRemainder)
{
    CPixImage image;
    ASSERT_NE(image.Create(1, 1, 24, 0), nullptr);
    image.SetColorAt(0, 0, MakePixColor(200, 0, 255), false);
    ASSERT_TRUE(image.AllocAlpha());
    image.FillAlpha(128);
    PixelCanvas target(1, 1, false, [](int, int) { return RGB(100, 255, 0); });
    ASSERT_TRUE(image.Draw(target.Dc(), 0, 0));
    // (200 * 128 + 100 * 127) >> 8 = 149; (255 * 127) >> 8 = 126; (255 * 128) >> 8 = 127.
    EXPECT_EQ(target.At(0, 0), RGB(149, 126, 127));
}

TEST(Draw, PaletteAlphaScalesEachEntry)
{
    const BYTE reserved[4] = {0, 255, 128, 64};
    TestImage image;
    MakePalettePicture(image, 4, 2, reserved);
    image.SetPaletteHasAlpha(true);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), 1, 1));
    // 255 * (reserved + 1) >> 8: 0, 255, 128, 64.
    const unsigned alphas[4] = {0, 255, 128, 64};
    EXPECT_TRUE(ShowsAt(target, 1, 1, 4, 2, [&](int i, int j) {
        return Blend(kEntries[IndexAt(i, j)], Target(1 + i, 1 + j), alphas[IndexAt(i, j)]);
    }));
}

TEST(Draw, PaletteReservedBytesAreIgnoredWithoutTheFlag)
{
    const BYTE reserved[4] = {0, 255, 128, 64};
    CPixImage image;
    MakePalettePicture(image, 4, 2, reserved);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), 1, 1));
    EXPECT_TRUE(ShowsAt(target, 1, 1, 4, 2, [](int i, int j) { return kEntries[IndexAt(i, j)]; }));
}

TEST(Draw, TransparentIndexLeavesEveryPixelOfItsColour)
{
    CPixImage image;
    MakePalettePicture(image, 5, 3);
    // Entry 3 repeats entry 2's colour, so its pixels are transparent too.
    image.SetPaletteEntry(3, GetRValue(kEntries[2]), GetGValue(kEntries[2]), GetBValue(kEntries[2]), 0);
    image.SetTransparentIndex(2);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), 3, 2));
    EXPECT_TRUE(ShowsAt(target, 3, 2, 5, 3, [](int i, int j) {
        const BYTE index = IndexAt(i, j);
        return index >= 2 ? Target(3 + i, 2 + j) : kEntries[index];
    }));
}

TEST(Draw, TransparentColourOfATrueColourImage)
{
    CPixImage image;
    MakePicture(image, 4, 4);
    const PixColor key = MakePixColor(1, 2, 3);
    for (LONG k = 0; k < 4; ++k)
        image.SetColorAt(k, 3 - k, key, false); // the diagonal from the top-left
    image.SetTransparentIndex(0);
    image.SetTransparentColor(key);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), 0, 0));
    EXPECT_TRUE(ShowsAt(target, 0, 0, 4, 4, [](int i, int j) { return i == j ? Target(i, j) : Ref(Picture(i, j)); }));
}

// Twice the size: each image pixel covers two columns and two rows, on every drawing road.
struct ScaleCase {
    const char* name;
    bool alphaPlane;
    bool palette;
};

class DrawDoubleSize : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DrawDoubleSize, RepeatsEveryPixelTwice)
{
    const ScaleCase& c = GetParam();
    CPixImage image;
    if (c.palette)
        MakePalettePicture(image, 5, 4);
    else
        MakePicture(image, 5, 4);
    if (c.alphaPlane) {
        ASSERT_TRUE(image.AllocAlpha());
        image.FillAlpha(255);
    }
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), 1, 1, 10, 8));
    pix_test::KeepForViewing(target.Dc(), std::string("draw_double_") + c.name);
    EXPECT_TRUE(ShowsAt(target, 1, 1, 10, 8, [&](int i, int j) {
        return c.palette ? kEntries[IndexAt(i / 2, j / 2)] : Ref(Picture(i / 2, j / 2));
    }));
}

INSTANTIATE_TEST_SUITE_P(Draw, DrawDoubleSize,
                         ::testing::Values(ScaleCase{"TrueColour", false, false}, ScaleCase{"WithAlpha", true, false},
                                           ScaleCase{"Palette", false, true}),
                         [](const ::testing::TestParamInfo<ScaleCase>& info) { return info.param.name; });

TEST(Draw, HalfSizeTakesTheLowerEdgeOfEachRowPair)
{
    CPixImage image;
    MakePicture(image, 4, 4);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), 0, 0, 2, 2));
    // Columns 0 and 2; a target row shows the image row at its lower edge: picture rows 1 and 3.
    EXPECT_TRUE(ShowsAt(target, 0, 0, 2, 2, [](int i, int j) { return Ref(Picture(2 * i, 1 + 2 * j)); }));
}

TEST(Draw, PartlyOffTheTarget)
{
    CPixImage image;
    MakePicture(image, 5, 4);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), -2, 8));
    EXPECT_TRUE(ShowsAt(target, 0, 8, 3, 2, [](int i, int j) { return Ref(Picture(i + 2, j)); }));
}

// A clip rectangle limits drawing and is taken off again afterwards.
struct ClipCase {
    const char* name;
    RECT clip;
    RECT drawn; // what of the destination (4, 3, 10, 8) shows the image
    bool alpha;
};

class DrawClip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(DrawClip, DrawsOnlyInsideAndRestoresTheClipBox)
{
    const ClipCase& c = GetParam();
    CPixImage image;
    MakePicture(image, 6, 5);
    if (c.alpha) {
        ASSERT_TRUE(image.AllocAlpha());
        image.FillAlpha(255);
    }
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw(target.Dc(), 4, 3, -1, -1, &c.clip));
    EXPECT_TRUE(target.Matches([&](int x, int y) {
        const bool drawn = x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
        return drawn ? Ref(Picture(x - 4, y - 3)) : Target(x, y);
    }));
    RECT box{};
    EXPECT_EQ(GetClipBox(target.Dc(), &box), SIMPLEREGION);
    EXPECT_TRUE(SameRect(box, RECT{0, 0, kTargetWidth, kTargetHeight}));
}

INSTANTIATE_TEST_SUITE_P(
    Draw, DrawClip,
    ::testing::Values(ClipCase{"PartlyOutsideTheTarget", {-5, -5, 6, 5}, {4, 3, 6, 5}, false},
                      ClipCase{"PartlyOutsideWithAlpha", {-5, -5, 6, 5}, {4, 3, 6, 5}, true},
                      ClipCase{"InsideTheImage", {5, 4, 7, 6}, {5, 4, 7, 6}, false},
                      ClipCase{"WhollyOutsideTheTarget", {20, 20, 30, 30}, {0, 0, 0, 0}, false},
                      ClipCase{"WhollyOutsideWithAlpha", {-9, -9, -1, -1}, {0, 0, 0, 0}, true},
                      ClipCase{"BesideTheImage", {0, 0, 3, 3}, {0, 0, 0, 0}, true}),
    [](const ::testing::TestParamInfo<ClipCase>& info) { return info.param.name; });

// Draw and Draw2 refuse the same things and then paint nothing.
struct RefusalCase {
    const char* name;
    bool empty;
    bool disabled;
    bool noContext;
    LONG cx;
    LONG cy;
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, ReturnFalseAndPaintNothing)
{
    const RefusalCase& c = GetParam();
    CPixImage image;
    if (!c.empty)
        MakePicture(image, 3, 3);
    image.SetEnabled(!c.disabled);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    HDC dc = c.noContext ? nullptr : target.Dc();
    EXPECT_FALSE(image.Draw(dc, 1, 1, c.cx, c.cy));
    EXPECT_FALSE(image.Draw2(dc, 1, 1, c.cx, c.cy));
    image.SetTransparentIndex(0);
    EXPECT_FALSE(image.Draw2(dc, 1, 1, c.cx, c.cy));
    EXPECT_TRUE(target.Matches(Target));
}

INSTANTIATE_TEST_SUITE_P(Drawing, Refusals,
                         ::testing::Values(RefusalCase{"ZeroWidth", false, false, false, 0, 3},
                                           RefusalCase{"ZeroHeight", false, false, false, -1, 0},
                                           RefusalCase{"Disabled", false, true, false, -1, -1},
                                           RefusalCase{"Empty", true, false, false, -1, -1},
                                           RefusalCase{"NoContext", false, false, true, -1, -1}),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST(Draw2, NegativeSizeDrawsAtTheImagesOwnSize)
{
    CPixImage image;
    MakePicture(image, 5, 3);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw2(target.Dc(), 2, 4, -1, -1));
    EXPECT_TRUE(ShowsAt(target, 2, 4, 5, 3, [](int i, int j) { return Ref(Picture(i, j)); }));
}

TEST(Draw2, StretchesAPaletteImage)
{
    CPixImage image;
    MakePalettePicture(image, 3, 2);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    ASSERT_TRUE(image.Draw2(target.Dc(), 0, 1, 9, 4));
    EXPECT_TRUE(ShowsAt(target, 0, 1, 9, 4, [](int i, int j) { return kEntries[IndexAt(i / 3, j / 2)]; }));
}

// The transparent key over a patterned target whose own colours are anything but white
// background and black text; the target keeps those colours afterwards.
struct KeyCase {
    const char* name;
    bool palette;
    LONG cx; // -1 or twice the width
};

class Draw2Key : public ::testing::TestWithParam<KeyCase> {};

TEST_P(Draw2Key, ShowsTheTargetThroughTheKeyColour)
{
    const KeyCase& c = GetParam();
    CPixImage image;
    constexpr LONG kWidth = 4;
    constexpr LONG kHeight = 3;
    if (c.palette) {
        MakePalettePicture(image, kWidth, kHeight);
        image.SetTransparentIndex(1);
    } else {
        MakePicture(image, kWidth, kHeight);
        const PixColor key = MakePixColor(0, 255, 0);
        image.SetColorAt(0, kHeight - 1, key, false); // top-left
        image.SetColorAt(2, 0, key, false);           // bottom row, third column
        image.SetTransparentIndex(0);
        image.SetTransparentColor(key);
    }
    const auto isKey = [&](int i, int j) {
        return c.palette ? IndexAt(i, j) == 1 : (i == 0 && j == 0) || (i == 2 && j == kHeight - 1);
    };
    const auto shown = [&](int i, int j) { return c.palette ? kEntries[IndexAt(i, j)] : Ref(Picture(i, j)); };

    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    SetBkColor(target.Dc(), RGB(12, 34, 56));
    SetTextColor(target.Dc(), RGB(200, 100, 50));
    const int scale = c.cx < 0 ? 1 : 2;
    ASSERT_TRUE(image.Draw2(target.Dc(), 3, 2, c.cx, c.cx < 0 ? -1 : kHeight * 2));
    pix_test::KeepForViewing(target.Dc(), std::string("draw2_key_") + c.name);
    EXPECT_TRUE(ShowsAt(target, 3, 2, kWidth * scale, kHeight * scale, [&](int i, int j) {
        return isKey(i / scale, j / scale) ? Target(3 + i, 2 + j) : shown(i / scale, j / scale);
    }));
    EXPECT_EQ(SetBkColor(target.Dc(), RGB(0, 0, 0)), RGB(12, 34, 56));
    EXPECT_EQ(SetTextColor(target.Dc(), RGB(0, 0, 0)), RGB(200, 100, 50));
}

INSTANTIATE_TEST_SUITE_P(Draw2, Draw2Key,
                         ::testing::Values(KeyCase{"TrueColour", false, -1}, KeyCase{"Palette", true, -1},
                                           KeyCase{"TrueColourDoubled", false, 8}, KeyCase{"PaletteDoubled", true, 8}),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

TEST(Draw2, KeyedImageOutsideTheVisibleRegionDrawsNothing)
{
    CPixImage image;
    MakePicture(image, 3, 3);
    image.SetTransparentIndex(0);
    PixelCanvas target(kTargetWidth, kTargetHeight, false, Target);
    EXPECT_TRUE(image.Draw2(target.Dc(), kTargetWidth, 0));
    EXPECT_TRUE(image.Draw2(target.Dc(), -3, -3));
    EXPECT_TRUE(target.Matches(Target));
}

TEST(CreateFromHBITMAP, ThirtyTwoBitBitmapGivesATwentyFourBitImage)
{
    PixelCanvas source(5, 4, false, [](int x, int y) { return Ref(Picture(x, y)); });
    CPixImage image(7);
    ASSERT_TRUE(image.CreateFromHBITMAP(source.Bitmap()));
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(image.GetType(), 0);
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(image.GetHeight(), 4);
    // The top-left pixel sits in the last row: rows run bottom-up.
    EXPECT_EQ(image.GetColorAt(0, 3) & 0xFFFFFF, Picture(0, 0));
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 5; ++x)
            EXPECT_EQ(image.GetColorAt(x, 3 - y) & 0xFFFFFF, Picture(x, y)) << x << "," << y;
}

TEST(CreateFromHBITMAP, MonochromeBitmapGivesAOneBitImage)
{
    const auto checker = [](int x, int y) { return (x * y) % 3 == 1 ? zv::gdi::test::kWhite : zv::gdi::test::kBlack; };
    PixelCanvas source(10, 3, true, checker);
    CPixImage image;
    ASSERT_TRUE(image.CreateFromHBITMAP(source.Bitmap()));
    ASSERT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(image.GetPaletteEntry(0) & 0xFFFFFF, MakePixColor(0, 0, 0));
    EXPECT_EQ(image.GetPaletteEntry(1) & 0xFFFFFF, MakePixColor(255, 255, 255));
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 10; ++x)
            EXPECT_EQ(image.GetIndexAt(x, 2 - y), checker(x, y) == zv::gdi::test::kWhite ? 1 : 0) << x << "," << y;
}

TEST(CreateFromHBITMAP, NullBitmapEmptiesTheWholeImage)
{
    CPixImage image;
    MakePicture(image, 4, 4);
    ASSERT_TRUE(image.AllocAlpha());
    EXPECT_FALSE(image.CreateFromHBITMAP(nullptr));
    EXPECT_FALSE(image.IsValid());
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaPlane(), nullptr);
    EXPECT_EQ(image.GetRowPointer(0), nullptr);
}

TEST(CreateFromHBITMAP, FailedReadIsAFailure)
{
    PixelCanvas source(3, 2, false, [](int x, int y) { return Ref(Picture(x, y)); });
    CPixImage image;
    zv::gdi::FailNextGetDIBits(1);
    EXPECT_FALSE(image.CreateFromHBITMAP(source.Bitmap()));
    zv::gdi::FailNextGetDIBits(0);
    EXPECT_STREQ(image.GetLastErrorText(), "GetDIBits failed");
    EXPECT_EQ(image.GetWidth(), 3); // the size stays, as documented
}

TEST(CreateFromHBITMAP, DeletedBitmapIsAFailure)
{
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    ASSERT_TRUE(DeleteObject(bitmap));
    CPixImage image;
    MakePicture(image, 2, 2);
    EXPECT_FALSE(image.CreateFromHBITMAP(bitmap));
    EXPECT_FALSE(image.IsValid());
    EXPECT_STREQ(image.GetLastErrorText(), "GetObject failed");
}

TEST(CreateFromDC, ReadsAMemoryContextButNotTheScreen)
{
    PixelCanvas canvas(6, 2, false, Target);
    CPixImage image;
    ASSERT_TRUE(image.CreateFromDC(canvas.Dc()));
    EXPECT_EQ(image.GetColorAt(5, 0) & 0xFFFFFF, MakePixColor(GetRValue(Target(5, 1)), GetGValue(Target(5, 1)), GetBValue(Target(5, 1))));

    HDC screen = GetDC(nullptr);
    EXPECT_FALSE(image.CreateFromDC(screen));
    EXPECT_FALSE(image.IsValid());
    EXPECT_STREQ(image.GetLastErrorText(), "GetCurrentObject failed");
    ReleaseDC(nullptr, screen);
}

TEST(SavingPictures, ABmpFileHoldsWhatTheContextShows)
{
    PixelCanvas canvas(3, 2, false, Target);
    CPixImage image;
    MakePicture(image, 2, 1);
    ASSERT_TRUE(image.Draw(canvas.Dc(), 1, 1));

    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("zv-draw-test-" + std::to_string(::getpid()) + ".bmp");
    ASSERT_TRUE(pix_test::SaveContextPicture(canvas.Dc(), path.string()));
    CPixImage saved;
    const bool loaded = saved.Load(path.string().c_str(), PIXIMAGE_BMP);
    std::filesystem::remove(path);
    ASSERT_TRUE(loaded) << saved.GetLastErrorText();

    ASSERT_EQ(saved.GetWidth(), 3);
    ASSERT_EQ(saved.GetHeight(), 2);
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 3; ++x) {
            const COLORREF want = x >= 1 && y >= 1 ? Ref(Picture(x - 1, y - 1)) : Target(x, y);
            EXPECT_EQ(Ref(saved.GetColorAt(x, 1 - y)), want) << x << "," << y;
        }
}

struct RoundingCase {
    float value;
    int floor;
    int ceil;
};

class Rounding : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(Rounding, FloorAndCeilingAsInt)
{
    EXPECT_EQ(FloorToInt(GetParam().value), GetParam().floor);
    EXPECT_EQ(CeilToInt(GetParam().value), GetParam().ceil);
}

INSTANTIATE_TEST_SUITE_P(Draw, Rounding,
                         ::testing::Values(RoundingCase{1.5f, 1, 2}, RoundingCase{-1.5f, -2, -1},
                                           RoundingCase{2.0f, 2, 2}, RoundingCase{-0.25f, -1, 0},
                                           RoundingCase{1e20f, INT_MAX, INT_MAX}, RoundingCase{-1e20f, INT_MIN, INT_MIN},
                                           RoundingCase{std::nanf(""), 0, 0}));

} // namespace
