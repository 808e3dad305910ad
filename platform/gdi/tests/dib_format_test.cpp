// The DIB kinds the transfers read besides the plain ones: 16 and 32 bits (with and without
// masks) and run-length compressed pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/pixel_canvas.h"

namespace zv::gdi::test {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(9, 9, 9);

struct DibCase {
    const char* name;
    int width;
    int height; // bottom-up
    int bits;
    DWORD compression;
    std::vector<DWORD> masks;    // written after the header for BI_BITFIELDS
    std::vector<BYTE> pixels;    // as stored (compressed for RLE)
    std::vector<COLORREF> shown; // row by row from the top
};

// Index colours for the palette depths: black, red, green, blue.
std::vector<BYTE> PackedDib(const DibCase& c)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = c.width;
    header.biHeight = c.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(c.bits);
    header.biCompression = c.compression;
    header.biSizeImage = static_cast<DWORD>(c.pixels.size());
    const std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    if (c.bits <= 8)
        header.biClrUsed = 4;
    std::vector<BYTE> bytes(sizeof header);
    std::memcpy(bytes.data(), &header, sizeof header);
    for (DWORD mask : c.masks)
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<BYTE>(mask >> (8 * i)));
    if (c.bits <= 8)
        for (const RGBQUAD& entry : palette)
            bytes.insert(bytes.end(), {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0});
    bytes.insert(bytes.end(), c.pixels.begin(), c.pixels.end());
    return bytes;
}

std::size_t BitsOffset(const DibCase& c) { return sizeof(BITMAPINFOHEADER) + c.masks.size() * 4 + (c.bits <= 8 ? 16 : 0); }

class DibFormats : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibFormats, StretchDIBitsShowsThePixels)
{
    const DibCase& c = GetParam();
    const std::vector<BYTE> dib = PackedDib(c);
    PixelCanvas target(c.width, c.height, false, [](int, int) { return kGrey; });
    EXPECT_EQ(StretchDIBits(target.Dc(), 0, 0, c.width, c.height, 0, 0, c.width, c.height, dib.data() + BitsOffset(c),
                            reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY),
              c.height);
    EXPECT_EQ(target.Pixels(), c.shown);
}

TEST_P(DibFormats, SetDIBitsToDeviceShowsThePixels)
{
    const DibCase& c = GetParam();
    const std::vector<BYTE> dib = PackedDib(c);
    PixelCanvas target(c.width, c.height, false, [](int, int) { return kGrey; });
    EXPECT_EQ(SetDIBitsToDevice(target.Dc(), 0, 0, c.width, c.height, 0, 0, 0, c.height, dib.data() + BitsOffset(c),
                                reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS),
              c.height);
    EXPECT_EQ(target.Pixels(), c.shown);
}

const COLORREF kWhiteish = RGB(255, 255, 255);

INSTANTIATE_TEST_SUITE_P(
    Kinds, DibFormats,
    ::testing::Values(
        // Rows are stored from the bottom.
        DibCase{"Rgb555", 2, 2, 16, BI_RGB, {}, {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03},
                {kRed, kGreen, kBlue, kWhiteish}},
        DibCase{"Bitfields565", 2, 2, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F},
                {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF}, {kBlue, kWhiteish, kRed, kGreen}},
        DibCase{"Rgb888x", 2, 1, 32, BI_RGB, {}, {0, 0, 255, 0xAA, 255, 0, 0, 0xAA}, {kRed, kBlue}},
        DibCase{"BitfieldsRedLow", 2, 1, 32, BI_BITFIELDS, {0x0000FF, 0x00FF00, 0xFF0000},
                {255, 0, 0, 0, 0, 255, 0, 0}, {kRed, kGreen}},
        DibCase{"Rle8RunsAndLiterals", 4, 2, 8, BI_RLE8, {},
                {2, 1, 2, 2, 0, 0, 0, 4, 3, 1, 2, 3, 0, 1},
                {kBlue, kRed, kGreen, kBlue, kRed, kRed, kGreen, kGreen}},
        DibCase{"Rle8MoveLeavesIndexZero", 4, 2, 8, BI_RLE8, {}, {1, 3, 0, 2, 2, 1, 1, 2, 0, 1},
                {kBlack, kBlack, kBlack, kGreen, kBlue, kBlack, kBlack, kBlack}},
        DibCase{"Rle8RunCutAtRowEnd", 2, 1, 8, BI_RLE8, {}, {9, 1, 0, 1}, {kRed, kRed}},
        DibCase{"Rle8WithoutEnd", 2, 2, 8, BI_RLE8, {}, {2, 2}, {kBlack, kBlack, kGreen, kGreen}},
        DibCase{"Rle4RunsAndLiterals", 4, 2, 4, BI_RLE4, {}, {4, 0x12, 0, 0, 0, 4, 0x31, 0x23, 0, 1},
                {kBlue, kRed, kGreen, kBlue, kRed, kGreen, kRed, kGreen}}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace zv::gdi::test
