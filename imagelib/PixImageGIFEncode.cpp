// Writing GIF files: one frame with a global table, or a 24-bit picture as a mosaic of palette
// tiles, each tile a frame with its own table. The image data coders are in PixImageGIFCoders.cpp.
#include "imagelib/PixImageGIF.h"

#include "imagelib/PixLittleEndian.h"
#include "imagelib/PixStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr BYTE kTrailer = 0x3B;
constexpr LONG kMaxSide = 0xFFFF;
constexpr LONG kTileWidth = 17;
constexpr LONG kTileHeight = 15;
constexpr const char* kWriteError = "Write Error in GIF file";

// A colour table as the file holds it: red, green, blue for every palette entry.
std::vector<BYTE> TableBytes(const CPixImage& image)
{
    std::vector<BYTE> table;
    for (DWORD i = 0; i < image.GetHeader().biClrUsed; ++i) {
        const PixColor color = image.GetPaletteEntry(static_cast<BYTE>(i));
        table.insert(table.end(), {PixRed(color), PixGreen(color), PixBlue(color)});
    }
    return table;
}

} // namespace

void CPixImageGIF::WriteBytes(CPixStream* stream, const BYTE* bytes, std::size_t count)
{
    if (!m_writeFailed && count != 0 && stream->Write(bytes, 1, count) != count)
        m_writeFailed = true;
}

bool CPixImageGIF::FinishEncode(CPixStream* stream)
{
    if (!m_writeFailed && (!stream->Flush() || stream->Error() != 0))
        m_writeFailed = true;
    if (m_writeFailed) {
        SetLastErrorText(kWriteError);
        return false;
    }
    return true;
}

bool CPixImageGIF::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    if (GetWidth() > kMaxSide || GetHeight() > kMaxSide) {
        SetLastErrorText("Image too large for a GIF file");
        return false;
    }
    m_writeFailed = false;
    if (GetBpp() > 8)
        return EncodeTiled(stream);
    WriteHeader(stream, *this);
    WriteControl(stream, m_info.transparentIndex, m_info.frameDelay);
    WriteComment(stream);
    WriteFrame(stream, *this, m_info.xOffset, m_info.yOffset, false);
    WriteBytes(stream, &kTrailer, 1);
    return FinishEncode(stream);
}

void CPixImageGIF::WriteHeader(CPixStream* stream, const CPixImage& image)
{
    BYTE screen[13] = {'G', 'I', 'F', '8', '9', 'a'};
    StoreLE16(screen + 6, static_cast<WORD>(image.GetWidth()));
    StoreLE16(screen + 8, static_cast<WORD>(image.GetHeight()));
    switch (image.GetBpp()) {
    case 1: screen[10] = 0x80; break;
    case 4: screen[10] = 0xE3; break;
    case 8: screen[10] = 0xE7; break;
    default: screen[10] = 0x11; break;
    }
    WriteBytes(stream, screen, sizeof screen);
    if (image.GetBpp() <= 8) {
        const std::vector<BYTE> table = TableBytes(image);
        WriteBytes(stream, table.data(), table.size());
    }
}

void CPixImageGIF::WriteControl(CPixStream* stream, LONG transparentIndex, LONG delay)
{
    BYTE block[8] = {0x21, 0xF9, 0x04};
    block[3] = static_cast<BYTE>(((m_disposal & 7) << 2) | (transparentIndex >= 0 ? 1 : 0));
    StoreLE16(block + 4, static_cast<WORD>(delay));
    block[6] = static_cast<BYTE>(transparentIndex);
    WriteBytes(stream, block, sizeof block);
}

void CPixImageGIF::WriteComment(CPixStream* stream)
{
    const std::size_t length = std::min<std::size_t>(std::strlen(m_comment.data()), 255);
    if (length == 0)
        return;
    const BYTE head[3] = {0x21, 0xFE, static_cast<BYTE>(length)};
    WriteBytes(stream, head, sizeof head);
    WriteBytes(stream, reinterpret_cast<const BYTE*>(m_comment.data()), length);
    const BYTE end = 0;
    WriteBytes(stream, &end, 1);
}

void CPixImageGIF::WriteFrame(CPixStream* stream, const CPixImage& frame, LONG left, LONG top, bool localTable)
{
    m_pPixelSource = &frame;
    m_cursorX = 0;
    m_cursorRow = frame.GetHeight() - 1;
    m_pixelsLeft = static_cast<std::int64_t>(frame.GetWidth()) * frame.GetHeight();

    const WORD bpp = frame.GetBpp();
    BYTE descriptor[10] = {0x2C};
    StoreLE16(descriptor + 1, static_cast<WORD>(left));
    StoreLE16(descriptor + 3, static_cast<WORD>(top));
    StoreLE16(descriptor + 5, static_cast<WORD>(frame.GetWidth()));
    StoreLE16(descriptor + 7, static_cast<WORD>(frame.GetHeight()));
    descriptor[9] = localTable ? static_cast<BYTE>(0x80 | (bpp - 1)) : 0;
    WriteBytes(stream, descriptor, sizeof descriptor);
    if (localTable) {
        const std::vector<BYTE> table = TableBytes(frame);
        WriteBytes(stream, table.data(), table.size());
    }
    const BYTE codeSize = static_cast<BYTE>(std::max<WORD>(bpp, 2));
    WriteBytes(stream, &codeSize, 1);
    switch (m_info.codecOption) {
    case kUncompressedCodes: EncodeUncompressed(codeSize + 1, stream); break;
    case kLzwCodes: EncodeLzw(codeSize + 1, stream); break;
    default: EncodeRunLength(codeSize + 1, stream); break;
    }
    const BYTE end = 0;
    WriteBytes(stream, &end, 1);
    m_pPixelSource = nullptr;
}

int CPixImageGIF::NextPixel()
{
    if (m_pixelsLeft <= 0 || !m_pPixelSource)
        return -1;
    const BYTE index = m_pPixelSource->GetIndexAt(m_cursorX, m_cursorRow);
    if (++m_cursorX == m_pPixelSource->GetWidth()) {
        m_cursorX = 0;
        --m_cursorRow;
    }
    --m_pixelsLeft;
    return index;
}

bool CPixImageGIF::EncodeTiled(CPixStream* stream)
{
    WriteHeader(stream, *this);
    WriteComment(stream);
    const bool transparent = m_info.transparentIndex >= 0;
    const PixColor transparentColor = GetTransparentColor() & 0xFFFFFF;
    const LONG width = GetWidth();
    const LONG height = GetHeight();
    for (LONG top = 0; top < height && !m_writeFailed; top += kTileHeight) {
        for (LONG left = 0; left < width && !m_writeFailed; left += kTileWidth) {
            const LONG tileWidth = std::min(kTileWidth, width - left);
            const LONG tileHeight = std::min(kTileHeight, height - top);
            CPixImage tile(static_cast<DWORD>(tileWidth), static_cast<DWORD>(tileHeight), 8, PIXIMAGE_GIF);
            if (!tile.IsValid()) {
                SetLastErrorText(tile.GetLastErrorText());
                return false;
            }
            if (transparent)
                tile.SetPaletteEntry(0, transparentColor);
            // Pixel k of the tile (rows from the top) puts its colour in entry k; the first entry
            // of a colour then serves every pixel of it.
            for (LONG y = 0; y < tileHeight; ++y)
                for (LONG x = 0; x < tileWidth; ++x)
                    tile.SetPaletteEntry(static_cast<BYTE>(y * kTileWidth + x + 1),
                                         GetColorAt(left + x, height - 1 - (top + y)) & 0xFFFFFF);
            for (LONG y = 0; y < tileHeight; ++y)
                for (LONG x = 0; x < tileWidth; ++x)
                    tile.SetIndexAt(x, tileHeight - 1 - y,
                                    tile.FindNearestIndex(GetColorAt(left + x, height - 1 - (top + y)) & 0xFFFFFF));
            WriteControl(stream, transparent ? 0 : -1, m_info.frameDelay);
            WriteFrame(stream, tile, left, top, true);
        }
    }
    WriteBytes(stream, &kTrailer, 1);
    return FinishEncode(stream);
}
