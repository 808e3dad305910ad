// Reading and writing TIFF files: layouts written with libtiff directly, our own files' tags, pages.
#include "imagelib/PixImageTIF.h"
#include "imagelib/PixMemStream.h"

#include "image_test_files.h"
#include "pix_test_patterns.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using testfiles::Bytes;

Bytes StreamBytes(CPixMemStream& stream)
{
    const BYTE* data = stream.GetBuffer();
    return Bytes(data, data + stream.Size());
}

// A one-page file made by libtiff: `tags` sets the fields, `row` gives each scanline from the top.
Bytes WriteTiff(std::uint32_t width, std::uint32_t height, const std::function<void(TIFF*)>& tags,
    const std::function<Bytes(std::uint32_t)>& row, bool tiled = false)
{
    CPixMemStream stream;
    TIFF* tif = CPixTiffOpen(&stream, "w");
    EXPECT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    tags(tif);
    if (tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        const tmsize_t scanline = TIFFScanlineSize(tif);
        Bytes tile(static_cast<std::size_t>(TIFFTileSize(tif)));
        for (std::uint32_t ty = 0; ty < height; ty += 16)
            for (std::uint32_t tx = 0; tx < width; tx += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                const tmsize_t rowBytes = TIFFTileRowSize(tif);
                const tmsize_t left = static_cast<tmsize_t>(tx) * scanline / width;
                for (std::uint32_t k = 0; k < 16 && ty + k < height; ++k) {
                    const Bytes line = row(ty + k);
                    const tmsize_t copy = std::min(rowBytes, scanline - left);
                    std::memcpy(tile.data() + k * rowBytes, line.data() + left, static_cast<std::size_t>(copy));
                }
                EXPECT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0), 0);
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
        for (std::uint32_t y = 0; y < height; ++y) {
            Bytes line = row(y);
            EXPECT_GE(TIFFWriteScanline(tif, line.data(), y, 0), 0);
        }
    }
    TIFFClose(tif);
    return StreamBytes(stream);
}

void GreyTags(TIFF* tif, int bits, int photometric = PHOTOMETRIC_MINISBLACK)
{
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
}

bool Decode(const Bytes& file, CPixImage& image)
{
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), PIXIMAGE_TIF);
}

Bytes Encode(CPixImage& image)
{
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_TRUE(image.EncodeToMemory(block, length, PIXIMAGE_TIF)) << image.GetLastErrorText();
    Bytes out(block, block + length);
    std::free(block);
    return out;
}

// The fields libtiff reads from the first page of a file.
struct Fields {
    std::uint16_t bits = 0, samples = 0, photometric = 0, compression = 0, predictor = 1, subfile = 0;
    std::uint32_t rowsPerStrip = 0;
    std::vector<std::uint16_t> extra;
};

Fields ReadFields(const Bytes& file)
{
    CPixMemStream stream(const_cast<BYTE*>(file.data()), static_cast<LONG>(file.size()));
    Fields f;
    TIFF* tif = CPixTiffOpen(&stream, "r");
    if (!tif)
        return f;
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &f.bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &f.samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &f.photometric);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &f.compression);
    TIFFGetField(tif, TIFFTAG_PREDICTOR, &f.predictor);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &f.rowsPerStrip);
    std::uint32_t subfile = 0;
    TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &subfile);
    f.subfile = static_cast<std::uint16_t>(subfile);
    std::uint16_t count = 0;
    std::uint16_t* values = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &values))
        f.extra.assign(values, values + count);
    TIFFClose(tif);
    return f;
}

TEST(TiffTest, WritesEachDepthWithItsTagsAndReadsItBack)
{
    struct Case {
        DWORD bpp;
        bool greyRamp;
        bool alpha;
        LONG codec;
        std::uint16_t bits, samples, photometric, compression, predictor;
    };
    const Case cases[] = {
        {1, false, false, 0, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 1},
        {4, true, false, 0, 4, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, 1},
        {4, false, false, 0, 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE, 1},
        {8, true, false, 0, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS, 1},
        {8, false, false, 0, 8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS, 1},
        {8, false, true, 0, 8, 2, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS, 1},
        {24, false, false, COMPRESSION_LZW, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW, PREDICTOR_HORIZONTAL},
        {24, false, false, COMPRESSION_ADOBE_DEFLATE, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_ADOBE_DEFLATE, 1},
        // LZW below 8 bits per sample carries no predictor, which libtiff would refuse.
        {1, false, false, COMPRESSION_LZW, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_LZW, 1},
        {4, false, false, COMPRESSION_LZW, 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW, 1},
        {8, false, true, COMPRESSION_LZW, 8, 2, PHOTOMETRIC_PALETTE, COMPRESSION_LZW, PREDICTOR_HORIZONTAL},
    };
    for (const Case& c : cases)
        for (LONG width : {1, 13, 40}) {
            SCOPED_TRACE(
                std::to_string(c.bpp) + " bpp, codec " + std::to_string(c.codec) + ", width " + std::to_string(width));
            CPixImage image;
            pix_test::FillPattern(image, width, 11, c.bpp, c.alpha);
            if (c.greyRamp)
                image.SetGrayRamp();
            if (c.bpp == 1) {
                image.SetPaletteEntry(0, 255, 255, 255);
                image.SetPaletteEntry(1, 0, 0, 0);
            }
            image.SetCodecOption(c.codec);
            const Bytes file = Encode(image);
            const Fields f = ReadFields(file);
            EXPECT_EQ(f.bits, c.bits);
            EXPECT_EQ(f.samples, c.samples);
            EXPECT_EQ(f.photometric, c.photometric);
            EXPECT_EQ(f.compression, c.compression);
            EXPECT_EQ(f.predictor, c.predictor);
            EXPECT_EQ(f.subfile, 0);
            EXPECT_EQ(
                f.extra, c.alpha ? std::vector<std::uint16_t> {EXTRASAMPLE_UNASSALPHA} : std::vector<std::uint16_t> {});
            CPixImage back;
            ASSERT_TRUE(Decode(file, back)) << back.GetLastErrorText();
            EXPECT_EQ(back.GetBpp(), c.bpp == 24 ? 24 : c.bpp);
            EXPECT_TRUE(testfiles::SameColors(image, back));
            if (!c.alpha)
                continue;
            for (LONG y = 0; y < 11; ++y)
                for (LONG x = 0; x < width; ++x)
                    ASSERT_EQ(back.GetAlphaAt(x, y), image.GetAlphaAt(x, y));
        }
}

TEST(TiffTest, ColourPicturesGoOutAsJpegAtTheImageQuality)
{
    CPixImage image;
    pix_test::FillSolid(image, 20, 30, MakePixColor(200, 100, 50));
    image.SetJpegQuality(90);
    const Bytes file = Encode(image);
    const Fields f = ReadFields(file);
    EXPECT_EQ(f.compression, COMPRESSION_JPEG);
    EXPECT_EQ(f.rowsPerStrip % 8, 0u);
    CPixImage back;
    ASSERT_TRUE(Decode(file, back)) << back.GetLastErrorText();
    const PixColor c = back.GetColorAt(10, 10);
    EXPECT_NEAR(PixRed(c), 200, 3);
    EXPECT_NEAR(PixGreen(c), 100, 3);
    EXPECT_NEAR(PixBlue(c), 50, 3);
}

TEST(TiffTest, OneBitPictureWithBlackFirstIsInvertedToMinIsWhite)
{
    CPixImage image;
    pix_test::FillPattern(image, 21, 5, 1);
    image.SetPaletteEntry(0, 0, 0, 0);
    image.SetPaletteEntry(1, 255, 255, 255);
    CPixImage before(image, true, false, false);
    const BYTE firstByte = image.GetRowPointer(0)[0];
    const Bytes file = Encode(image);
    EXPECT_EQ(ReadFields(file).photometric, PHOTOMETRIC_MINISWHITE);
    EXPECT_EQ(image.GetPaletteEntry(0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.GetRowPointer(0)[0], static_cast<BYTE>(~firstByte));
    EXPECT_TRUE(testfiles::SameColors(before, image));
    CPixImage back;
    ASSERT_TRUE(Decode(file, back));
    EXPECT_EQ(back.GetPaletteEntry(0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_TRUE(testfiles::SameColors(before, back));
}

TEST(TiffTest, ReadsLayoutsWrittenByLibtiff)
{
    struct Case {
        const char* name;
        std::function<void(TIFF*)> tags;
        std::function<Bytes(std::uint32_t)> row;
        bool tiled;
        WORD bpp;
        std::function<PixColor(LONG x, LONG rowFromTop)> expected;
    };
    constexpr std::uint32_t kWidth = 37;
    const Case cases[] = {
        // One strip of 16-bit samples is twice the size of the 8-bit picture.
        {"16-bit grey", [](TIFF* t) { GreyTags(t, 16); },
            [](std::uint32_t y) {
                Bytes b;
                for (std::uint32_t x = 0; x < kWidth; ++x) {
                    const std::uint16_t v = static_cast<std::uint16_t>(((x * 7 + y) & 0xFF) * 257);
                    b.insert(b.end(), reinterpret_cast<const BYTE*>(&v), reinterpret_cast<const BYTE*>(&v) + 2);
                }
                return b;
            },
            false, 8,
            [](LONG x, LONG y) {
                const BYTE v = static_cast<BYTE>(x * 7 + y);
                return MakePixColor(v, v, v);
            }},
        {"8-bit grey in tiles", [](TIFF* t) { GreyTags(t, 8); },
            [](std::uint32_t y) {
                Bytes b;
                for (std::uint32_t x = 0; x < kWidth; ++x)
                    b.push_back(static_cast<BYTE>(x * 5 + y));
                return b;
            },
            true, 8,
            [](LONG x, LONG y) {
                const BYTE v = static_cast<BYTE>(x * 5 + y);
                return MakePixColor(v, v, v);
            }},
        {"2-bit min-is-white", [](TIFF* t) { GreyTags(t, 2, PHOTOMETRIC_MINISWHITE); },
            [](std::uint32_t y) {
                Bytes b((kWidth * 2 + 7) / 8);
                for (std::uint32_t x = 0; x < kWidth; ++x)
                    b[x / 4] |= static_cast<BYTE>(((x + y) % 4) << (6 - 2 * (x % 4)));
                return b;
            },
            false, 8,
            [](LONG x, LONG y) {
                const BYTE v = static_cast<BYTE>(255 - (x + y) % 4 * 85);
                return MakePixColor(v, v, v);
            }},
        {"1-bit palette",
            [](TIFF* t) {
                GreyTags(t, 1, PHOTOMETRIC_PALETTE);
                static std::uint16_t red[2] = {0x1000, 0xFFFF}, green[2] = {0x2000, 0}, blue[2] = {0x3000, 0x8080};
                TIFFSetField(t, TIFFTAG_COLORMAP, red, green, blue);
            },
            [](std::uint32_t y) {
                Bytes b((kWidth + 7) / 8);
                for (std::uint32_t x = 0; x < kWidth; ++x)
                    b[x / 8] |= static_cast<BYTE>(((x ^ y) & 1) << (7 - x % 8));
                return b;
            },
            false, 8,
            [](LONG x, LONG y) {
                return ((x ^ y) & 1) ? MakePixColor(255, 0, 0x8080 * 255 / 65535)
                                     : MakePixColor(0x1000 * 255 / 65535, 0x2000 * 255 / 65535, 0x3000 * 255 / 65535);
            }},
        {"4-bit palette of 8-bit values",
            [](TIFF* t) {
                GreyTags(t, 4, PHOTOMETRIC_PALETTE);
                static std::uint16_t red[16], green[16], blue[16];
                for (int i = 0; i < 16; ++i) {
                    red[i] = static_cast<std::uint16_t>(i * 10);
                    green[i] = static_cast<std::uint16_t>(255 - i);
                    blue[i] = 7;
                }
                TIFFSetField(t, TIFFTAG_COLORMAP, red, green, blue);
            },
            [](std::uint32_t y) {
                Bytes b((kWidth + 1) / 2);
                for (std::uint32_t x = 0; x < kWidth; ++x)
                    b[x / 2] |= static_cast<BYTE>(((x + y) % 16) << (x % 2 ? 0 : 4));
                return b;
            },
            false, 4,
            [](LONG x, LONG y) {
                const int i = (x + y) % 16;
                return MakePixColor(static_cast<BYTE>(i * 10), static_cast<BYTE>(255 - i), 7);
            }},
        {"CIE L*a*b*",
            [](TIFF* t) {
                TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
                TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
                TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CIELAB);
            },
            [](std::uint32_t) {
                Bytes b;
                for (std::uint32_t x = 0; x < kWidth; ++x)
                    b.insert(b.end(), {static_cast<BYTE>(x % 2 ? 255 : 0), 0, 0});
                return b;
            },
            false, 24,
            [](LONG x, LONG) {
                return x % 2 ? MakePixColor(255, 254, 254) : MakePixColor(8, 8, 8);
            }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = WriteTiff(kWidth, 19, c.tags, c.row, c.tiled);
        CPixImage image;
        ASSERT_TRUE(Decode(file, image)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetBpp(), c.bpp);
        for (LONG y = 0; y < 19; ++y)
            for (LONG x = 0; x < static_cast<LONG>(kWidth); ++x)
                ASSERT_EQ(image.GetColorAt(x, 18 - y) & 0xFFFFFF, c.expected(x, y)) << x << ", " << y;
    }
}

TEST(TiffTest, ResolutionIsTakenAsDotsPerInchWhateverTheUnit)
{
    const Bytes file = WriteTiff(
        3, 2,
        [](TIFF* t) {
            GreyTags(t, 8);
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
            TIFFSetField(t, TIFFTAG_XRESOLUTION, 300.7f);
            TIFFSetField(t, TIFFTAG_YRESOLUTION, 150.0f);
        },
        [](std::uint32_t) { return Bytes(3, 9); });
    CPixImage image;
    ASSERT_TRUE(Decode(file, image));
    EXPECT_EQ(image.GetDpiX(), 300);
    EXPECT_EQ(image.GetDpiY(), 150);
}

TEST(TiffTest, PagesAppendedOneByOneAreSelectedByFrame)
{
    CPixMemStream stream;
    CPixImageTIF writer;
    for (int page = 0; page < 3; ++page) {
        CPixImage picture;
        pix_test::FillSolid(picture, 4 + page, 3, MakePixColor(static_cast<BYTE>(page * 60), 10, 20));
        writer.ShareFrom(picture);
        writer.SetCodecOption(COMPRESSION_NONE);
        ASSERT_TRUE(writer.Encode(&stream, page < 2)) << writer.GetLastErrorText();
    }
    const Bytes file = StreamBytes(stream);
    EXPECT_EQ(ReadFields(file).subfile, FILETYPE_PAGE);

    CPixImage image;
    image.SetFrame(1);
    ASSERT_TRUE(Decode(file, image)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetFrameCount(), 3);
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(PixRed(image.GetColorAt(0, 0)), 60);

    CPixImage missing;
    missing.SetFrame(3);
    EXPECT_FALSE(Decode(file, missing));
    EXPECT_STREQ(missing.GetLastErrorText(), "Error: page not present in TIFF file");
    EXPECT_EQ(missing.GetFrameCount(), 3);
}

TEST(TiffTest, EveryTruncatedFileFailsOrDecodesCleanly)
{
    std::vector<Bytes> files;
    for (DWORD bpp : {1u, 8u, 24u}) {
        CPixImage image;
        pix_test::FillPattern(image, 9, 7, bpp, bpp == 8);
        image.SetCodecOption(bpp == 24 ? COMPRESSION_LZW : 0);
        files.push_back(Encode(image));
    }
    files.push_back(WriteTiff(
        20, 20, [](TIFF* t) { GreyTags(t, 16); }, [](std::uint32_t) { return Bytes(40, 0x55); }, true));
    for (const Bytes& file : files)
        for (std::size_t length = 0; length < file.size(); ++length) {
            CPixImage image;
            if (image.DecodeFromMemory(file.data(), static_cast<LONG>(length), PIXIMAGE_TIF)) {
                EXPECT_GT(image.GetWidth(), 0);
            } else {
                EXPECT_STRNE(image.GetLastErrorText(), "");
            }
        }
}

TEST(TiffTest, EncodeRefusesMissingStreamOrImage)
{
    CPixImageTIF tif;
    EXPECT_FALSE(tif.Encode(nullptr, false));
    EXPECT_STREQ(tif.GetLastErrorText(), "null file handler");
    CPixMemStream stream;
    EXPECT_FALSE(tif.Encode(&stream, false));
    EXPECT_STREQ(tif.GetLastErrorText(), "null image!!!");
}

// A tile side far beyond the picture's (here a 20 x 20 picture in tiles of 16 rows made taller) is a
// broken header: it is refused before the library allocates such a tile.
TEST(TiffTest, TilesFarLargerThanThePictureAreRefused)
{
    const Bytes file = WriteTiff(
        20, 20, [](TIFF* t) { GreyTags(t, 8); }, [](std::uint32_t) { return Bytes(20, 0x55); }, true);
    const auto tileLengthAt = [&] {
        const std::size_t ifd = file[4] | file[5] << 8 | file[6] << 16 | static_cast<std::size_t>(file[7]) << 24;
        const std::size_t entries = file[ifd] | file[ifd + 1] << 8;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t entry = ifd + 2 + 12 * i;
            if ((file[entry] | file[entry + 1] << 8) == TIFFTAG_TILELENGTH)
                return entry;
        }
        return std::size_t {0};
    };
    const std::size_t entry = tileLengthAt();
    ASSERT_NE(entry, 0u);
    struct Case {
        std::uint32_t tileLength;
        bool decodes;
    };
    for (const Case& c : {Case {16, true}, Case {0x1C000010, false}}) {
        Bytes tiled = file;
        tiled[entry + 2] = TIFF_LONG;
        tiled[entry + 3] = 0;
        for (int b = 0; b < 4; ++b)
            tiled[entry + 8 + static_cast<std::size_t>(b)] = static_cast<BYTE>(c.tileLength >> (8 * b));
        CPixImage image;
        EXPECT_EQ(Decode(tiled, image), c.decodes) << c.tileLength << ": " << image.GetLastErrorText();
        if (!c.decodes) {
            EXPECT_STREQ(image.GetLastErrorText(), "Corrupted tiled TIFF file!");
        }
    }
}

} // namespace
