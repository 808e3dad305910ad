// Metafiles made record by record: each drawn record kind checked by its pixels, the size rules,
// headers that are not placeable, every cut-short prefix and hostile counts.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageWMF.h"
#include "imagelib/PixMemStream.h"

#include "wmf_test_files.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_metafile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

namespace {

using namespace testfiles;
using namespace wmffiles;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A 100 x 100 picture whose window is 0..100 both ways.
Bytes SimpleWmf(const std::vector<Bytes>& drawing)
{
    std::vector<Bytes> records = {WmfRecord(0x020C, {100, 100}), WmfRecord(0x020B, {0, 0})};
    records.insert(records.end(), drawing.begin(), drawing.end());
    return Placeable(Wmf(records), 100, 100, 96);
}

bool Decode(const Bytes& file, CPixImage& image, LONG type = PIXIMAGE_WMF)
{
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), type);
}

COLORREF At(const CPixImage& image, LONG x, LONG yFromTop)
{
    const PixColor c = image.GetColorAt(x, image.GetHeight() - 1 - yFromTop);
    return RGB(PixRed(c), PixGreen(c), PixBlue(c));
}

struct DrawCase {
    const char* name;
    Bytes file;
    LONG x, y;       // a pixel, from the top
    COLORREF colour; // what it shows
};

std::vector<DrawCase> DrawCases()
{
    const Bytes redBrush = WmfRecord(0x02FC, {0, 0x00FF, 0, 0}); // style, colour (2 words), hatch
    const Bytes bluePen = WmfRecord(0x02FA, {0, 5, 0, 0xFF0000 & 0xFFFF, 0xFF});
    const Bytes select0 = WmfRecord(0x012D, {0});
    const Bytes select1 = WmfRecord(0x012D, {1});
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const Bytes dib = Dib2x1();
    return {
        {"wmf rectangle", SimpleWmf({redBrush, select0, WmfRecord(0x041B, {100, 50, 0, 0})}), 25, 50, kRed},
        {"wmf rectangle leaves the rest", SimpleWmf({redBrush, select0, WmfRecord(0x041B, {100, 50, 0, 0})}), 75, 50, window},
        {"wmf ellipse centre", SimpleWmf({redBrush, select0, WmfRecord(0x0418, {90, 90, 10, 10})}), 50, 50, kRed},
        {"wmf ellipse corner", SimpleWmf({redBrush, select0, WmfRecord(0x0418, {90, 90, 10, 10})}), 13, 13, window},
        {"wmf polygon", SimpleWmf({redBrush, select0, WmfRecord(0x0324, {3, 0, 0, 100, 0, 0, 100})}), 20, 20, kRed},
        {"wmf polygon other side", SimpleWmf({redBrush, select0, WmfRecord(0x0324, {3, 0, 0, 100, 0, 0, 100})}), 80, 80, window},
        {"wmf round rectangle", SimpleWmf({redBrush, select0, WmfRecord(0x061C, {40, 40, 100, 100, 0, 0})}), 50, 50, kRed},
        {"wmf round rectangle corner", SimpleWmf({redBrush, select0, WmfRecord(0x061C, {40, 40, 100, 100, 0, 0})}), 1, 1, window},
        {"wmf pie", SimpleWmf({redBrush, select0, WmfRecord(0x081A, {0, 50, 50, 100, 100, 100, 0, 0})}), 75, 30, kRed},
        {"wmf pie, other quarter", SimpleWmf({redBrush, select0, WmfRecord(0x081A, {0, 50, 50, 100, 100, 100, 0, 0})}), 25, 70, window},
        {"wmf lines with a wide pen", SimpleWmf({bluePen, select0, WmfRecord(0x0214, {50, 0}), WmfRecord(0x0213, {50, 100})}), 50, 50, kBlue},
        {"wmf polyline", SimpleWmf({bluePen, select0, WmfRecord(0x0325, {2, 0, 20, 100, 20})}), 60, 20, kBlue},
        {"wmf window scaling", Placeable(Wmf({WmfRecord(0x020C, {10, 10}), redBrush, select0, WmfRecord(0x041B, {10, 5, 0, 0})}), 100, 100, 96), 40, 50, kRed},
        {"wmf clip", SimpleWmf({redBrush, select0, WmfRecord(0x0416, {100, 50, 0, 0}), WmfRecord(0x041B, {100, 100, 0, 0})}), 75, 50, window},
        {"wmf clip keeps inside", SimpleWmf({redBrush, select0, WmfRecord(0x0416, {100, 50, 0, 0}), WmfRecord(0x041B, {100, 100, 0, 0})}), 25, 50, kRed},
        {"wmf restore", SimpleWmf({redBrush, WmfRecord(0x02FC, {0, 0, 0xFF, 0}), select0, WmfRecord(0x001E, {}), select1, WmfRecord(0x0127, {-1}), WmfRecord(0x041B, {100, 100, 0, 0})}), 50, 50, kRed},
        {"wmf deleted slot reused", SimpleWmf({WmfRecord(0x02FC, {0, 0, 0xFF, 0}), WmfRecord(0x01F0, {0}), redBrush, select0, WmfRecord(0x041B, {100, 100, 0, 0})}), 50, 50, kRed},
        {"wmf stretched DIB, left", SimpleWmf({WmfRecord(0x0F43, {0x0020, 0x00CC, 0, 1, 2, 0, 0, 100, 100, 0, 0}, dib)}), 20, 50, kRed},
        {"wmf stretched DIB, right", SimpleWmf({WmfRecord(0x0F43, {0x0020, 0x00CC, 0, 1, 2, 0, 0, 100, 100, 0, 0}, dib)}), 80, 50, kBlue},
        {"emf rectangle", Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(43, {0, 0, 50, 100})}), 25, 50, kRed},
        {"emf rectangle leaves the rest", Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(43, {0, 0, 50, 100})}), 75, 50, window},
        {"emf ellipse", Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(42, {10, 10, 90, 90})}), 50, 50, kRed},
        {"emf polygon16", Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(86, {0, 0, 0, 0, 3, 0, 100, 100u << 16})}), 20, 20, kRed},
        {"emf stock brush", Emf({EmfRecord(37, {0x80000004}), EmfRecord(43, {0, 0, 100, 100})}), 50, 50, RGB(0, 0, 0)},
        {"emf lines", Emf({EmfRecord(38, {1, 0, 5, 0, kBlue}), EmfRecord(37, {1}), EmfRecord(27, {50, 0}), EmfRecord(54, {50, 100})}), 50, 50, kBlue},
        {"emf anisotropic", Emf({EmfRecord(17, {8}), EmfRecord(9, {10, 10}), EmfRecord(11, {100, 100}), EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(43, {0, 0, 5, 10})}), 40, 50, kRed},
        {"emf anisotropic, beyond", Emf({EmfRecord(17, {8}), EmfRecord(9, {10, 10}), EmfRecord(11, {100, 100}), EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(43, {0, 0, 5, 10})}), 60, 50, window},
        {"emf clip", Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(30, {0, 0, 50, 100}), EmfRecord(43, {0, 0, 100, 100})}), 75, 50, window},
        {"emf restore drops the clip", Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(33, {}), EmfRecord(30, {0, 0, 50, 100}), EmfRecord(34, {std::uint32_t(-1)}), EmfRecord(43, {0, 0, 100, 100})}), 75, 50, kRed},
        {"emf stretched DIB", Emf({EmfRecord(81, {0, 0, 100, 100, 0, 0, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0x00CC0020, 100, 100}, dib)}), 80, 50, kBlue},
    };
}

std::uint32_t Real(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A 2 x 1 DIB of the depth and compression: red then blue.
Bytes SmallDib(unsigned bits, std::uint32_t compression)
{
    Bytes d;
    if (bits == 16) {
        PutInfoHeader(d, InfoHeader{.width = 2, .height = 1, .bits = 16});
        for (BYTE b : {0x00, 0x7C, 0x1F, 0x00})
            d.push_back(b);
        return d;
    }
    // Run-length 8 bits: one pixel of index 0, one of index 1, end.
    const Bytes runs = {1, 0, 1, 1, 0, 1};
    PutInfoHeader(d, InfoHeader{.width = 2, .height = 1, .bits = 8, .compression = compression,
                                .sizeImage = static_cast<std::uint32_t>(runs.size()), .clrUsed = 2});
    for (BYTE b : {0, 0, 255, 0, 255, 0, 0, 0})
        d.push_back(b);
    Append(d, runs);
    return d;
}

// Record kinds of the clipping, path, transform, brush and raster-operation families.
std::vector<DrawCase> MoreDrawCases()
{
    const Bytes redBrush = WmfRecord(0x02FC, {0, 0x00FF, 0, 0});
    const Bytes select0 = WmfRecord(0x012D, {0});
    const Bytes fullRect = WmfRecord(0x041B, {100, 100, 0, 0});
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF white = RGB(255, 255, 255);
    const Bytes emfRed = EmfRecord(39, {1, 0, kRed, 0});
    const Bytes emfSelect = EmfRecord(37, {1});
    const Bytes emfFull = EmfRecord(43, {0, 0, 100, 100});
    const Bytes nested = [] {
        Bytes points;
        for (std::uint32_t v : {0u, 0u, 100u, 0u, 100u, 100u, 0u, 100u, 25u, 25u, 75u, 25u, 75u, 75u, 25u, 75u})
            Put32(points, v);
        return EmfRecord(8, {0, 0, 100, 100, 2, 8, 4, 4}, points);
    }();
    Bytes dibBrush = Dib2x1();
    return {
        {"wmf viewport extent", SimpleWmf({WmfRecord(0x020E, {50, 50}), redBrush, select0, fullRect}), 75, 75, window},
        {"wmf viewport extent, inside", SimpleWmf({WmfRecord(0x020E, {50, 50}), redBrush, select0, fullRect}), 25, 25, kRed},
        {"wmf viewport origin", SimpleWmf({WmfRecord(0x020D, {0, 50}), redBrush, select0, WmfRecord(0x041B, {100, 50, 0, 0})}), 75, 50, kRed},
        {"wmf viewport origin, left", SimpleWmf({WmfRecord(0x020D, {0, 50}), redBrush, select0, WmfRecord(0x041B, {100, 50, 0, 0})}), 25, 50, window},
        {"wmf window origin offset", SimpleWmf({WmfRecord(0x020F, {0, 50}), redBrush, select0, WmfRecord(0x041B, {100, 100, 0, 50})}), 25, 50, kRed},
        {"wmf window extent scaled", SimpleWmf({WmfRecord(0x0410, {1, 1, 1, 2}), redBrush, select0, fullRect}), 75, 75, window},
        {"wmf excluded clip", SimpleWmf({WmfRecord(0x0415, {100, 50, 0, 0}), redBrush, select0, fullRect}), 25, 50, window},
        {"wmf excluded clip, outside", SimpleWmf({WmfRecord(0x0415, {100, 50, 0, 0}), redBrush, select0, fullRect}), 75, 50, kRed},
        {"wmf pattern blit", SimpleWmf({redBrush, select0, WmfRecord(0x061D, {0x0021, 0x00F0, 100, 50, 0, 0})}), 25, 50, kRed},
        {"wmf pattern blit, beyond", SimpleWmf({redBrush, select0, WmfRecord(0x061D, {0x0021, 0x00F0, 100, 50, 0, 0})}), 75, 50, window},
        {"wmf hatched brush, line", SimpleWmf({WmfRecord(0x02FC, {2, 0x00FF, 0, HS_CROSS}), select0, fullRect}), 8, 3, kRed},
        {"wmf hatched brush, gap", SimpleWmf({WmfRecord(0x02FC, {2, 0x00FF, 0, HS_CROSS}), select0, fullRect}), 3, 3, white},
        {"wmf DIB pattern brush, even", SimpleWmf({WmfRecord(0x0142, {5, 0}, dibBrush), select0, fullRect}), 10, 10, kRed},
        {"wmf DIB pattern brush, odd", SimpleWmf({WmfRecord(0x0142, {5, 0}, dibBrush), select0, fullRect}), 11, 10, kBlue},
        {"wmf poly-polygon hole", SimpleWmf({redBrush, select0, WmfRecord(0x0538, {2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 25, 25, 75, 25, 75, 75, 25, 75})}), 50, 50, window},
        {"wmf poly-polygon ring", SimpleWmf({redBrush, select0, WmfRecord(0x0538, {2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 25, 25, 75, 25, 75, 75, 25, 75})}), 10, 50, kRed},
        {"wmf winding fill", SimpleWmf({WmfRecord(0x0106, {WINDING}), redBrush, select0, WmfRecord(0x0538, {2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 25, 25, 75, 25, 75, 75, 25, 75})}), 50, 50, kRed},
        {"emf world scale", Emf({EmfRecord(35, {Real(0.5f), 0, 0, Real(0.5f), 0, 0}), emfRed, emfSelect, emfFull}), 75, 75, window},
        {"emf world scale, inside", Emf({EmfRecord(35, {Real(0.5f), 0, 0, Real(0.5f), 0, 0}), emfRed, emfSelect, emfFull}), 25, 25, kRed},
        {"emf world translation after", Emf({EmfRecord(36, {Real(1), 0, 0, Real(1), Real(50), 0, 3}), emfRed, emfSelect, EmfRecord(43, {0, 0, 50, 100})}), 75, 50, kRed},
        {"emf world rotation", Emf({EmfRecord(35, {0, Real(1), Real(-1), 0, Real(100), 0}), emfRed, emfSelect, EmfRecord(43, {0, 0, 100, 30})}), 85, 50, kRed},
        {"emf world rotation, beside", Emf({EmfRecord(35, {0, Real(1), Real(-1), 0, Real(100), 0}), emfRed, emfSelect, EmfRecord(43, {0, 0, 100, 30})}), 50, 15, window},
        {"emf filled path", Emf({emfRed, emfSelect, EmfRecord(59, {}), EmfRecord(27, {0, 0}), EmfRecord(54, {100, 0}), EmfRecord(54, {0, 100}), EmfRecord(61, {}), EmfRecord(60, {}), EmfRecord(62, {0, 0, 100, 100})}), 20, 20, kRed},
        {"emf filled path, outside", Emf({emfRed, emfSelect, EmfRecord(59, {}), EmfRecord(27, {0, 0}), EmfRecord(54, {100, 0}), EmfRecord(54, {0, 100}), EmfRecord(61, {}), EmfRecord(60, {}), EmfRecord(62, {0, 0, 100, 100})}), 80, 80, window},
        {"emf path draws nothing until used", Emf({emfRed, emfSelect, EmfRecord(59, {}), emfFull, EmfRecord(60, {})}), 50, 50, window},
        {"emf clip path", Emf({EmfRecord(59, {}), EmfRecord(43, {0, 0, 50, 100}), EmfRecord(60, {}), EmfRecord(67, {RGN_COPY}), emfRed, emfSelect, emfFull}), 75, 50, window},
        {"emf clip path, inside", Emf({EmfRecord(59, {}), EmfRecord(43, {0, 0, 50, 100}), EmfRecord(60, {}), EmfRecord(67, {RGN_COPY}), emfRed, emfSelect, emfFull}), 25, 50, kRed},
        {"emf excluded clip", Emf({EmfRecord(29, {0, 0, 50, 100}), emfRed, emfSelect, emfFull}), 25, 50, window},
        {"emf region clip", Emf({EmfRecord(75, {48, RGN_COPY, 32, 1, 1, 16, 50, 0, 100, 100, 50, 0, 100, 100}), emfRed, emfSelect, emfFull}), 25, 50, window},
        {"emf region clip, inside", Emf({EmfRecord(75, {48, RGN_COPY, 32, 1, 1, 16, 50, 0, 100, 100, 50, 0, 100, 100}), emfRed, emfSelect, emfFull}), 75, 50, kRed},
        {"emf region clip removed", Emf({EmfRecord(75, {48, RGN_COPY, 32, 1, 1, 16, 50, 0, 100, 100, 50, 0, 100, 100}), EmfRecord(75, {0, RGN_COPY}), emfRed, emfSelect, emfFull}), 25, 50, kRed},
        {"emf poly-polygon alternate", Emf({emfRed, emfSelect, nested}), 50, 50, window},
        {"emf poly-polygon winding", Emf({EmfRecord(19, {WINDING}), emfRed, emfSelect, nested}), 50, 50, kRed},
        {"emf hatched brush, line", Emf({EmfRecord(39, {1, 2, kRed, HS_CROSS}), emfSelect, emfFull}), 8, 3, kRed},
        {"emf hatched brush, gap", Emf({EmfRecord(39, {1, 2, kRed, HS_CROSS}), emfSelect, emfFull}), 3, 3, white},
        {"emf DIB pattern brush", Emf({EmfRecord(94, {1, 0, 32, 40, 72, 8}, dibBrush), emfSelect, emfFull}), 11, 10, kBlue},
        {"emf DIB bits to device", Emf({EmfRecord(80, {0, 0, 100, 100, 60, 10, 0, 0, 2, 1, 76, 40, 116, 8, 0, 0, 1}, dibBrush)}), 61, 10, kBlue},
        {"emf 16-bit DIB", Emf({EmfRecord(81, {0, 0, 100, 100, 0, 0, 0, 0, 2, 1, 80, 40, 120, 4, 0, 0x00CC0020, 100, 100}, SmallDib(16, 0))}), 20, 50, kRed},
        {"emf run-length DIB", Emf({EmfRecord(81, {0, 0, 100, 100, 0, 0, 0, 0, 2, 1, 80, 48, 128, 6, 0, 0x00CC0020, 100, 100}, SmallDib(8, 1))}), 80, 50, kBlue},
        {"emf inverting blit", Emf({emfRed, emfSelect, emfFull, EmfRecord(76, {0, 0, 100, 100, 0, 0, 50, 100, 0x00550009})}), 25, 50, RGB(0, 255, 255)},
    };
}

TEST(WmfDecode, EachRecordKindDrawsWhereItShould)
{
    std::vector<DrawCase> cases = DrawCases();
    for (DrawCase& c : MoreDrawCases())
        cases.push_back(std::move(c));
    for (const DrawCase& c : cases) {
        CPixImage image;
        ASSERT_TRUE(Decode(c.file, image)) << c.name << ": " << image.GetLastErrorText();
        ASSERT_EQ(image.GetWidth(), 100) << c.name;
        ASSERT_EQ(image.GetHeight(), 100) << c.name;
        EXPECT_EQ(At(image, c.x, c.y), c.colour) << c.name;
    }
}

TEST(WmfDecode, TextIsDrawnInTheTextColour)
{
    Bytes text = {'H', 'H', 'H', 'H'};
    const Bytes wmf = SimpleWmf({WmfRecord(0x0209, {0xFF, 0}), WmfRecord(0x0102, {1}), WmfRecord(0x0521, {4}, [&] {
                                     Bytes t = text;
                                     Put16(t, 40);
                                     Put16(t, 10);
                                     return t;
                                 }())});
    Bytes utf16;
    for (char ch : std::string("HHHH"))
        Put16(utf16, static_cast<unsigned>(ch));
    const Bytes emf = Emf({EmfRecord(24, {kRed}), EmfRecord(18, {1}),
                           EmfRecord(84, {0, 0, 100, 100, 1, 0, 0, 10, 40, 4, 76, 0, 0, 0, 0, 0, 0}, utf16)});
    for (const Bytes* file : {&wmf, &emf}) {
        CPixImage image;
        ASSERT_TRUE(Decode(*file, image)) << image.GetLastErrorText();
        int red = 0;
        for (LONG y = 35; y < 75; ++y)
            for (LONG x = 10; x < 60; ++x)
                red += At(image, x, y) == kRed;
        EXPECT_GT(red, 10);
    }
}

TEST(WmfDecode, PaletteOfTheEndRecordIsReadAndThePictureKept)
{
    const Bytes file = Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(43, {0, 0, 100, 100})}, 100, 100,
                           {0x000000FF, 0x0000FF00, 0x00FF0000});
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(file.size()), file.data());
    ASSERT_NE(metafile, nullptr);
    EXPECT_EQ(GetEnhMetaFilePaletteEntries(metafile, 0, nullptr), 3u);
    PALETTEENTRY entries[3]{};
    EXPECT_EQ(GetEnhMetaFilePaletteEntries(metafile, 2, entries), 2u);
    EXPECT_EQ(entries[0].peRed, 0xFF);
    EXPECT_EQ(entries[1].peGreen, 0xFF);
    EXPECT_EQ(entries[2].peBlue, 0);
    DeleteEnhMetaFile(metafile);
    EXPECT_EQ(GetEnhMetaFilePaletteEntries(metafile, 0, nullptr), GDI_ERROR);

    CPixImage image;
    ASSERT_TRUE(Decode(file, image)) << image.GetLastErrorText();
    EXPECT_EQ(At(image, 50, 50), kRed);

    // An end record whose entries would lie outside it carries none.
    Bytes broken = file;
    broken[broken.size() - 32 + 12] = 0xF0; // the end record is 32 bytes; its offset field
    metafile = SetEnhMetaFileBits(static_cast<UINT>(broken.size()), broken.data());
    ASSERT_NE(metafile, nullptr);
    EXPECT_EQ(GetEnhMetaFilePaletteEntries(metafile, 0, nullptr), 0u);
    DeleteEnhMetaFile(metafile);
}

TEST(WmfDecode, SizeFollowsThePictureAndIsLimited)
{
    struct Case {
        int right, bottom;
        unsigned unitsPerInch;
        LONG width, height;
        LONG expectWidth, expectHeight;
    } cases[] = {
        {8000, 2000, 96, 0, 0, 4000, 1000},
        {2000, 8000, 96, 0, 0, 1000, 4000},
        {1440, 720, 1440, 0, 0, 96, 48},
        {100, 100, 96, 30, 20, 30, 20},
        {100, 100, 96, 9000, 90, 4000, 40},
    };
    for (const Case& c : cases) {
        CPixImage image;
        CPixImageWMF format;
        const Bytes file = Placeable(Wmf({}), c.right, c.bottom, c.unitsPerInch);
        CPixMemStream stream(const_cast<BYTE*>(file.data()), static_cast<LONG>(file.size()));
        ASSERT_TRUE(format.Decode(&stream, c.width, c.height)) << format.GetLastErrorText();
        EXPECT_EQ(format.GetWidth(), c.expectWidth) << c.right << "x" << c.bottom;
        EXPECT_EQ(format.GetHeight(), c.expectHeight) << c.right << "x" << c.bottom;
        EXPECT_EQ(format.GetType(), PIXIMAGE_WMF);
    }
}

TEST(WmfDecode, BadPlaceableHeadersAreTriedAsEnhancedAndRefused)
{
    struct Case {
        const char* name;
        Bytes file;
        const char* error;
    } cases[] = {
        {"units per inch 0", Placeable(Wmf({}), 100, 100, 0), "corrupted WMF"},
        {"units per inch 2541", Placeable(Wmf({}), 100, 100, 2541), "corrupted WMF"},
        {"wrong checksum", Placeable(Wmf({}), 100, 100, 96, false), "corrupted WMF"},
        {"empty box", Placeable(Wmf({}), 0, 100, 96), "empty WMF"},
        {"empty enhanced", Emf({}, 0, 0), "empty WMF"},
        {"not a metafile", Bytes(200, 7), "corrupted WMF"},
    };
    for (const Case& c : cases) {
        CPixImage image;
        EXPECT_FALSE(Decode(c.file, image)) << c.name;
        EXPECT_STREQ(image.GetLastErrorText(), c.error) << c.name;
    }
}

TEST(WmfDecode, ProbingFindsMetafilesAndEncodingIsRefused)
{
    CPixImage image;
    ASSERT_TRUE(Decode(SimpleWmf({}), image, PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetType(), PIXIMAGE_WMF);
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_FALSE(image.EncodeToMemory(block, length, PIXIMAGE_WMF));
    EXPECT_STREQ(image.GetLastErrorText(), "Save WMF not supported");
}

TEST(WmfDecode, EveryPrefixIsHandled)
{
    const Bytes dib = Dib2x1();
    const Bytes files[] = {
        SimpleWmf({WmfRecord(0x02FC, {0, 0x00FF, 0, 0}), WmfRecord(0x012D, {0}), WmfRecord(0x041B, {100, 50, 0, 0}),
                   WmfRecord(0x0F43, {0x0020, 0x00CC, 0, 1, 2, 0, 0, 100, 100, 0, 0}, dib)}),
        Emf({EmfRecord(39, {1, 0, kRed, 0}), EmfRecord(37, {1}), EmfRecord(86, {0, 0, 0, 0, 3, 0, 100, 100u << 16}),
             EmfRecord(81, {0, 0, 100, 100, 0, 0, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0x00CC0020, 100, 100}, dib)}),
    };
    for (const Bytes& file : files)
        for (std::size_t length = 0; length < file.size(); ++length) {
            CPixImage image;
            const Bytes prefix(file.begin(), file.begin() + static_cast<long>(length));
            if (length < 22 + 18)
                EXPECT_FALSE(Decode(prefix, image)) << length;
            else
                Decode(prefix, image);
        }
}

TEST(WmfDecode, HostileCountsEndPlayingWithoutHarm)
{
    std::vector<Bytes> saves(2000, WmfRecord(0x001E, {}));
    std::vector<Bytes> brushes(6000, WmfRecord(0x02FC, {0, 0x00FF, 0, 0}));
    const Bytes files[] = {
        SimpleWmf({WmfRecord(0x0324, {30000, 0, 0})}),
        SimpleWmf({WmfRecord(0x0538, {60000, 1, 2})}),
        SimpleWmf({WmfRecord(0x012D, {65535}), WmfRecord(0x01F0, {40000}), WmfRecord(0x0127, {-32000})}),
        SimpleWmf(saves),
        Placeable(Wmf(brushes, 65535), 100, 100, 96),
        SimpleWmf({WmfRecord(0x0F43, {0x0020, 0x00CC, 0, 30000, 30000, 0, 0, 100, 100, 0, 0}, Dib2x1())}),
        Emf({EmfRecord(86, {0, 0, 0, 0, 0x40000000}), EmfRecord(91, {0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF}),
             EmfRecord(37, {0x7FFFFFFF}), EmfRecord(38, {0xFFFFFFFF, 0, 5, 0, 0}), EmfRecord(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFF0})}),
        Emf({EmfRecord(81, {0, 0, 100, 100, 0, 0, 0, 0, 2, 1, 0xFFFFFFF0, 40, 112, 0xFFFFFFFF, 0, 0x00CC0020, 100, 100})}),
        Emf({EmfRecord(75, {0xFFFFFFF0, RGN_COPY, 32, 1, 0xFFFFFFFF, 16}), EmfRecord(75, {48, 9, 32, 1, 1, 16, 0, 0, 9, 9})}),
        Emf({EmfRecord(36, {Real(1e38f), 0, 0, Real(1e38f), 0, 0, 2}), EmfRecord(36, {0, 0, 0, 0, 0, 0, 77}),
             EmfRecord(43, {0, 0, 100, 100})}),
        Emf([] {
            // A path of many figures, filled and made the clip region.
            std::vector<Bytes> records = {EmfRecord(59, {})};
            for (std::uint32_t i = 0; i < 30000; ++i)
                records.push_back(EmfRecord(54, {i % 100, (i * 7) % 100}));
            for (std::uint32_t kind : {60u, 62u, 59u})
                records.push_back(EmfRecord(kind, {}));
            for (std::uint32_t i = 0; i < 30000; ++i)
                records.push_back(EmfRecord(54, {(i * 3) % 100, i % 100}));
            records.push_back(EmfRecord(60, {}));
            records.push_back(EmfRecord(67, {RGN_COPY}));
            records.push_back(EmfRecord(43, {0, 0, 100, 100}));
            return records;
        }()),
    };
    for (const Bytes& file : files) {
        CPixImage image;
        EXPECT_TRUE(Decode(file, image)) << image.GetLastErrorText();
    }
    // A record claiming no size ends playing instead of looping.
    Bytes stuck = SimpleWmf({});
    stuck.insert(stuck.end() - 6, {0, 0, 0, 0, 0x1B, 0x04});
    CPixImage image;
    EXPECT_TRUE(Decode(stuck, image));
}

} // namespace
