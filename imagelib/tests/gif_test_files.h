// GIF files of layouts the library does not write itself (several frames, local tables, interlaced
// rows, graphic-control blocks, extra blocks), put together from the image data our own encoder
// writes for each frame's picture.
#pragma once

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace giffiles {

using Bytes = std::vector<BYTE>;

inline void Put16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

inline Bytes ColorTable(const CPixImage& picture)
{
    Bytes out;
    for (DWORD i = 0; i < picture.GetHeader().biClrUsed; ++i) {
        const PixColor c = picture.GetPaletteEntry(static_cast<BYTE>(i));
        out.insert(out.end(), {PixRed(c), PixGreen(c), PixBlue(c)});
    }
    return out;
}

// Rows from the top in the order an interlaced frame stores them.
inline std::vector<LONG> InterlacedRows(LONG height)
{
    std::vector<LONG> rows;
    const LONG start[] = {0, 4, 2, 1};
    const LONG step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (LONG row = start[pass]; row < height; row += step[pass])
            rows.push_back(row);
    return rows;
}

// The image data of a palette picture, from the code size to the terminating zero-length block.
inline Bytes ImageData(const CPixImage& picture, bool interlaced, LONG codec = 2)
{
    CPixImage copy(picture, true, false, false);
    if (interlaced) {
        const std::vector<LONG> order = InterlacedRows(picture.GetHeight());
        const LONG bottom = picture.GetHeight() - 1;
        for (LONG i = 0; i < picture.GetHeight(); ++i)
            for (LONG x = 0; x < picture.GetWidth(); ++x)
                copy.SetIndexAt(x, bottom - i, picture.GetIndexAt(x, bottom - order[static_cast<std::size_t>(i)]));
    }
    copy.SetCodecOption(codec);
    copy.SetTransparentIndex(-1);
    BYTE* block = nullptr;
    LONG length = 0;
    if (!copy.EncodeToMemory(block, length, PIXIMAGE_GIF))
        return {};
    // Screen (13), global table, graphic-control block (8), descriptor (10) ... trailer (1).
    const std::size_t start = 13 + 3 * picture.GetHeader().biClrUsed + 8 + 10;
    Bytes data(block + start, block + length - 1);
    std::free(block);
    return data;
}

struct Frame {
    explicit Frame(const CPixImage* framePicture, LONG frameLeft = 0, LONG frameTop = 0, bool local = false,
                   bool interlace = false, int disposalMethod = -1, int transparentIndex = -1)
        : picture(framePicture)
        , left(frameLeft)
        , top(frameTop)
        , localTable(local)
        , interlaced(interlace)
        , disposal(disposalMethod)
        , transparent(transparentIndex)
    {
    }

    const CPixImage* picture = nullptr;
    LONG left = 0;
    LONG top = 0;
    bool localTable = false;
    bool interlaced = false;
    // A graphic-control block goes before the frame when either is set.
    int disposal = -1;
    int transparent = -1;
    // Bytes put between the frame's data and its terminator (extra sub-blocks).
    Bytes beforeTerminator;
};

// A GIF89a file: screen, optional global table, each frame, trailer.
inline Bytes BuildGif(unsigned screenWidth, unsigned screenHeight, const CPixImage* globalTable,
                      const std::vector<Frame>& frames)
{
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(out, screenWidth);
    Put16(out, screenHeight);
    const auto tableFlags = [](const CPixImage& picture) {
        return static_cast<BYTE>(0x80 | (picture.GetBpp() - 1));
    };
    out.insert(out.end(), {globalTable ? tableFlags(*globalTable) : BYTE{0}, 0, 0});
    if (globalTable) {
        const Bytes table = ColorTable(*globalTable);
        out.insert(out.end(), table.begin(), table.end());
    }
    for (const Frame& frame : frames) {
        if (frame.disposal >= 0 || frame.transparent >= 0) {
            const int flags = (std::max(frame.disposal, 0) << 2) | (frame.transparent >= 0 ? 1 : 0);
            out.insert(out.end(), {0x21, 0xF9, 4, static_cast<BYTE>(flags), 0, 0,
                                   static_cast<BYTE>(std::max(frame.transparent, 0)), 0});
        }
        out.push_back(0x2C);
        Put16(out, static_cast<unsigned>(frame.left));
        Put16(out, static_cast<unsigned>(frame.top));
        Put16(out, static_cast<unsigned>(frame.picture->GetWidth()));
        Put16(out, static_cast<unsigned>(frame.picture->GetHeight()));
        out.push_back(static_cast<BYTE>((frame.localTable ? tableFlags(*frame.picture) : 0) | (frame.interlaced ? 0x40 : 0)));
        if (frame.localTable) {
            const Bytes table = ColorTable(*frame.picture);
            out.insert(out.end(), table.begin(), table.end());
        }
        Bytes data = ImageData(*frame.picture, frame.interlaced);
        data.insert(data.end() - 1, frame.beforeTerminator.begin(), frame.beforeTerminator.end());
        out.insert(out.end(), data.begin(), data.end());
    }
    out.push_back(0x3B);
    return out;
}

} // namespace giffiles
