// The format rules on their own: GUID matching, checked products and format verification.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "driver/FormatRules.h"
#include "driver/StreamDescription.h"

namespace {

const GUID kA = {0x11111111, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}};
const GUID kB = {0x22222222, 2, 2, {2, 2, 2, 2, 2, 2, 2, 2}};

TEST(GuidMatches, OneSidedWildcardOrEqualNonNull)
{
    struct Case {
        GUID a, b;
        bool matches;
    };
    const Case cases[] = {
        {GUID_NULL, GUID_NULL, false}, {GUID_NULL, kA, true}, {kA, GUID_NULL, true},
        {kA, kA, true},                {kA, kB, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuidMatches(c.a, c.b), c.matches);
    }
}

TEST(RangeMatches, SizesCountOnlyWhenAsked)
{
    KSDATARANGE caller = kCaptureRange.DataRange;
    caller.FormatSize = 295;
    EXPECT_FALSE(RangeMatches(caller, kCaptureRange.DataRange, true));
    EXPECT_TRUE(RangeMatches(caller, kCaptureRange.DataRange, false));
    caller.SubFormat = kA;
    EXPECT_FALSE(RangeMatches(caller, kCaptureRange.DataRange, false));
}

TEST(MultiplyChecked, NoticesEveryWrap)
{
    struct Case {
        ULONG a, b;
        bool fits;
        ULONG product;
    };
    const Case cases[] = {
        {0, 0xFFFFFFFF, true, 0},       {0xFFFFFFFF, 1, true, 0xFFFFFFFF}, {65536, 65535, true, 0xFFFF0000},
        {65536, 65536, false, 0},       {0x80000000, 2, false, 0},         {320, 240, true, 76800},
        {0xFFFFFFFF, 0xFFFFFFFF, false, 0},
    };
    for (const Case& c : cases) {
        ULONG product = 12345;
        EXPECT_EQ(MultiplyChecked(c.a, c.b, &product), c.fits) << c.a << " x " << c.b;
        if (c.fits) {
            EXPECT_EQ(product, c.product);
        }
    }
}

KS_DATAFORMAT_VIDEOINFOHEADER Rgb24Format(LONG width, LONG height)
{
    KS_DATAFORMAT_VIDEOINFOHEADER format{};
    format.DataFormat = kCaptureRange.DataRange;
    format.DataFormat.FormatSize = sizeof format;
    format.VideoInfoHeader = kCaptureRange.VideoInfoHeader;
    format.VideoInfoHeader.bmiHeader.biWidth = width;
    format.VideoInfoHeader.bmiHeader.biHeight = height;
    LONGLONG rows = height < 0 ? -LONGLONG{height} : height;
    format.VideoInfoHeader.bmiHeader.biSizeImage = static_cast<DWORD>(static_cast<ULONGLONG>(width) * rows * 3);
    return format;
}

struct VerifyCase {
    const char* name;
    std::function<void(KS_DATAFORMAT_VIDEOINFOHEADER&)> change;
    bool accepted;
};

TEST(VerifyFormat, AcceptsOnlyWhatTheStreamCanDeliver)
{
    using F = KS_DATAFORMAT_VIDEOINFOHEADER;
    const VerifyCase cases[] = {
        {"320x240", [](F&) {}, true},
        {"top-down 320x240", [](F& f) { f = Rgb24Format(320, -240); }, true},
        {"larger image size", [](F& f) { f.VideoInfoHeader.bmiHeader.biSizeImage += 100; }, true},
        {"image size one byte short", [](F& f) { f.VideoInfoHeader.bmiHeader.biSizeImage -= 1; }, false},
        {"major format wildcard", [](F& f) { f.DataFormat.MajorFormat = GUID_NULL; }, true},
        {"other major format", [](F& f) { f.DataFormat.MajorFormat = kA; }, false},
        {"specifier wildcard", [](F& f) { f.DataFormat.Specifier = GUID_NULL; }, false},
        {"format size 151", [](F& f) { f.DataFormat.FormatSize = 151; }, false},
        {"biSize 0", [](F& f) { f.VideoInfoHeader.bmiHeader.biSize = 0; }, false},
        {"biSize 39", [](F& f) { f.VideoInfoHeader.bmiHeader.biSize = 39; }, false},
        {"biSize 41 in 152 bytes", [](F& f) { f.VideoInfoHeader.bmiHeader.biSize = 41; }, false},
        {"biSize wrapping the sum", [](F& f) { f.VideoInfoHeader.bmiHeader.biSize = 0xFFFFFFA0u; }, false},
        {"zero width", [](F& f) { f = Rgb24Format(0, 240); }, false},
        {"negative width", [](F& f) { f = Rgb24Format(-320, 0); }, false},
        {"product beyond 32 bits", [](F& f) { f = Rgb24Format(65536, 65536); }, false},
        {"most negative height", [](F& f) { f = Rgb24Format(1, INT_MIN); }, false},
        {"32-bit pixels", [](F& f) { f.VideoInfoHeader.bmiHeader.biBitCount = 32; }, false},
        {"compressed pixels", [](F& f) { f.VideoInfoHeader.bmiHeader.biCompression = 0x32595559; }, false},
    };
    for (const VerifyCase& c : cases) {
        KS_DATAFORMAT_VIDEOINFOHEADER format = Rgb24Format(320, 240);
        c.change(format);
        EXPECT_EQ(VerifyFormat(&format, 0), c.accepted) << c.name;
    }
    KS_DATAFORMAT_VIDEOINFOHEADER format = Rgb24Format(320, 240);
    EXPECT_FALSE(VerifyFormat(&format, 1));
}

}  // namespace
