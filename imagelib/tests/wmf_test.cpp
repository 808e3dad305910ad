// Metafiles made record by record: each drawn record kind checked by its pixels, the size rules,
// headers that are not placeable, every cut-short prefix and hostile counts.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageWMF.h"
#include "imagelib/PixMemStream.h"

#include "wmf_test_files.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_metafile.h"

#include <gtest/gtest.h>

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

TEST(WmfDecode, EachRecordKindDrawsWhereItShould)
{
    for (const DrawCase& c : DrawCases()) {
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
