// Writes the seed corpus of one fuzz target: small pictures at every depth, with and without
// transparency, encoded by the library's own encoder for that type, plus files of layouts the
// library does not write itself (PNG colour types, an icon holding a PNG, animated GIFs, metafiles).
//
//     fuzz_seeds <type number> <folder>
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include "imagelib/tests/gif_test_files.h"
#include "imagelib/tests/png_test_files.h"
#include "imagelib/tests/wmf_test_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

std::vector<Bytes> EncodedPictures(LONG type)
{
    struct Picture {
        DWORD width, height, bpp;
        bool alpha;
        LONG transparentIndex;
    };
    const Picture pictures[] = {{1, 1, 24, false, -1}, {5, 3, 1, false, -1},  {7, 4, 4, false, 3},
                                {16, 16, 8, false, -1}, {9, 5, 24, true, -1}, {6, 6, 24, false, 0}};
    std::vector<Bytes> files;
    for (const Picture& p : pictures) {
        CPixImage image(p.width, p.height, p.bpp);
        for (DWORD i = 0; i < image.GetHeader().biClrUsed; ++i)
            image.SetPaletteEntry(static_cast<BYTE>(i), static_cast<BYTE>(i * 37), static_cast<BYTE>(255 - i),
                                  static_cast<BYTE>(i * 91));
        for (LONG y = 0; y < static_cast<LONG>(p.height); ++y)
            for (LONG x = 0; x < static_cast<LONG>(p.width); ++x) {
                image.SetIndexAt(x, y, static_cast<BYTE>(x + y));
                if (p.bpp == 24)
                    image.SetColorAt(x, y, MakePixColor(static_cast<BYTE>(x * 40), static_cast<BYTE>(y * 50), 99),
                                     false);
            }
        if (p.alpha && image.AllocAlpha())
            for (LONG y = 0; y < static_cast<LONG>(p.height); ++y)
                for (LONG x = 0; x < static_cast<LONG>(p.width); ++x)
                    image.SetAlphaAt(x, y, static_cast<BYTE>(x * 30 + y));
        image.SetTransparentIndex(p.transparentIndex);
        BYTE* block = nullptr;
        LONG length = 0;
        if (image.EncodeToMemory(block, length, type)) {
            files.emplace_back(block, block + length);
            std::free(block);
        }
    }
    return files;
}

std::vector<Bytes> PngLayouts()
{
    using pngfiles::PngSpec;
    auto sample = [](png_uint_32 x, png_uint_32 y, int c) { return x * 13u + y * 7u + c * 5u; };
    auto spec = [&](int colorType, int depth, bool interlaced) {
        PngSpec s;
        s.width = 9;
        s.height = 7;
        s.colorType = colorType;
        s.bitDepth = depth;
        s.interlaced = interlaced;
        const unsigned top = (1u << depth) - 1;
        s.sample = [=](png_uint_32 x, png_uint_32 y, int c) { return sample(x, y, c) % (top + 1); };
        return s;
    };
    std::vector<PngSpec> specs = {spec(PNG_COLOR_TYPE_RGB, 8, true), spec(PNG_COLOR_TYPE_RGB_ALPHA, 16, false),
                                  spec(PNG_COLOR_TYPE_GRAY_ALPHA, 16, true), spec(PNG_COLOR_TYPE_GRAY_ALPHA, 8, false),
                                  spec(PNG_COLOR_TYPE_GRAY, 2, true), spec(PNG_COLOR_TYPE_PALETTE, 2, true)};
    specs[3].background = png_color_16{0, 0, 0, 0, 40};
    specs[4].transColor = png_color_16{0, 0, 0, 0, 1};
    specs[5].palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    specs[5].transAlpha = {0, 128};
    specs[5].physX = specs[5].physY = 2835;
    std::vector<Bytes> files;
    for (const PngSpec& s : specs)
        files.push_back(pngfiles::WritePng(s));
    return files;
}

// Frames left in place with local tables, transparency and interlaced rows.
std::vector<Bytes> GifLayouts()
{
    CPixImage first(9, 7, 4);
    CPixImage second(4, 5, 8);
    for (DWORD i = 0; i < 256; ++i) {
        first.SetPaletteEntry(static_cast<BYTE>(i), static_cast<BYTE>(i * 16), 40, static_cast<BYTE>(255 - i));
        second.SetPaletteEntry(static_cast<BYTE>(i), 90, static_cast<BYTE>(i), static_cast<BYTE>(i * 3));
    }
    for (LONG y = 0; y < 7; ++y)
        for (LONG x = 0; x < 9; ++x) {
            first.SetIndexAt(x, y, static_cast<BYTE>(x * y));
            second.SetIndexAt(x, y, static_cast<BYTE>(x + 40 * y));
        }
    using giffiles::Frame;
    return {giffiles::BuildGif(9, 7, &first, {Frame(&first), Frame(&second, 3, 1, true, true, 1, 2), Frame(&first, 0, 0, false, true, 1)}),
            giffiles::BuildGif(20, 20, nullptr, {Frame(&second, 1, 1, true), Frame(&first, 10, 10, true)})};
}

// Metafiles have no encoder: a placeable Windows metafile and an enhanced one drawing a little of
// each record kind the player knows.
std::vector<Bytes> Metafiles()
{
    using namespace wmffiles;
    const Bytes dib = Dib2x1();
    return {Placeable(Wmf({WmfRecord(0x020C, {100, 100}), WmfRecord(0x02FC, {0, 0x00FF, 0, 0}),
                           WmfRecord(0x02FA, {0, 3, 0, 0xFF, 0}), WmfRecord(0x012D, {0}), WmfRecord(0x012D, {1}),
                           WmfRecord(0x001E, {}), WmfRecord(0x0416, {90, 90, 10, 10}),
                           WmfRecord(0x041B, {100, 50, 0, 0}), WmfRecord(0x0418, {90, 90, 10, 10}),
                           WmfRecord(0x0324, {3, 0, 0, 100, 0, 0, 100}), WmfRecord(0x061C, {40, 40, 100, 100, 0, 0}),
                           WmfRecord(0x081A, {0, 50, 50, 100, 100, 100, 0, 0}), WmfRecord(0x0127, {-1}),
                           WmfRecord(0x0521, {2, 0x4948, 40, 10}),
                           WmfRecord(0x0F43, {0x0020, 0x00CC, 0, 1, 2, 0, 0, 100, 100, 0, 0}, dib)}),
                      100, 100, 96),
            Emf({EmfRecord(17, {8}), EmfRecord(9, {10, 10}), EmfRecord(11, {100, 100}), EmfRecord(39, {1, 0, 255, 0}),
                 EmfRecord(37, {1}), EmfRecord(33, {}), EmfRecord(30, {0, 0, 5, 10}), EmfRecord(43, {0, 0, 5, 10}),
                 EmfRecord(34, {0xFFFFFFFF}), EmfRecord(86, {0, 0, 0, 0, 3, 0, 100, 100u << 16}),
                 EmfRecord(81, {0, 0, 100, 100, 0, 0, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0x00CC0020, 10, 10}, dib)}),
            // Paths, world transforms, region clips, hatched and DIB brushes, a palette.
            Emf({EmfRecord(36, {0x3F000000, 0, 0, 0x3F000000, 0x41200000, 0, 4}), EmfRecord(39, {1, 2, 255, 4}),
                 EmfRecord(37, {1}), EmfRecord(59, {}), EmfRecord(27, {0, 0}), EmfRecord(54, {100, 0}),
                 EmfRecord(54, {0, 100}), EmfRecord(61, {}), EmfRecord(60, {}), EmfRecord(63, {0, 0, 100, 100}),
                 EmfRecord(75, {48, 5, 32, 1, 1, 16, 50, 0, 100, 100, 50, 0, 100, 100}), EmfRecord(19, {2}),
                 EmfRecord(94, {2, 0, 32, 40, 72, 8}, dib), EmfRecord(37, {2}), EmfRecord(43, {0, 0, 100, 100}),
                 EmfRecord(76, {0, 0, 100, 100, 0, 0, 50, 100, 0x00550009})},
                100, 100, {0x000000FF, 0x0000FF00})};
}

// An icon whose one image is a PNG file.
Bytes IconHoldingPng()
{
    CPixImage image(4, 4, 24);
    image.Clear(0x80);
    BYTE* block = nullptr;
    LONG length = 0;
    if (!image.EncodeToMemory(block, length, PIXIMAGE_PNG))
        return {};
    Bytes icon = {0, 0, 1, 0, 1, 0, 4, 4, 0, 0, 1, 0, 32, 0};
    for (int shift = 0; shift < 32; shift += 8)
        icon.push_back(static_cast<BYTE>(static_cast<DWORD>(length) >> shift));
    icon.insert(icon.end(), {22, 0, 0, 0});
    icon.insert(icon.end(), block, block + length);
    std::free(block);
    return icon;
}

// A grey picture: the only kind every JPEG-2000 family encoder (PGX included) writes.
Bytes GreyPicture(LONG type)
{
    CPixImage image(11, 6, 8);
    image.SetGrayRamp();
    for (LONG y = 0; y < 6; ++y)
        for (LONG x = 0; x < 11; ++x)
            image.SetIndexAt(x, y, static_cast<BYTE>(x * 20 + y));
    BYTE* block = nullptr;
    LONG length = 0;
    if (!image.EncodeToMemory(block, length, type))
        return {};
    Bytes file(block, block + length);
    std::free(block);
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds <type number> <folder>\n");
        return 2;
    }
    const LONG type = std::atoi(argv[1]);
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);

    std::vector<Bytes> files = EncodedPictures(type);
    if (type == PIXIMAGE_PNG)
        for (Bytes& file : PngLayouts())
            files.push_back(std::move(file));
    if (type == PIXIMAGE_ICO)
        files.push_back(IconHoldingPng());
    if (type >= PIXIMAGE_JP2)
        files.push_back(GreyPicture(type));
    if (type == PIXIMAGE_WMF)
        files = Metafiles();
    if (type == PIXIMAGE_GIF)
        for (Bytes& file : GifLayouts())
            files.push_back(std::move(file));
    int written = 0;
    for (const Bytes& file : files) {
        if (file.empty())
            continue;
        std::ofstream out(folder / ("seed-" + std::to_string(written++)), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", folder.c_str());
            return 1;
        }
    }
    if (written == 0) {
        std::fprintf(stderr, "fuzz_seeds: type %ld has no encoder to make seeds with\n", static_cast<long>(type));
        return 1;
    }
    std::printf("fuzz_seeds: %d seeds in %s\n", written, folder.c_str());
    return 0;
}
