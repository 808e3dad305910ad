// Reading GIF files: the container (screen, colour tables, extensions, frames), frame selection and
// the overlay of frames left in place. The image data decoder is in PixImageGIFDecode.cpp.
#include "imagelib/PixImageGIF.h"

#include "imagelib/PixLittleEndian.h"
#include "imagelib/PixStream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int kExtensionIntroducer = 0x21;
constexpr int kImageIntroducer = 0x2C;
constexpr int kTrailer = 0x3B;
constexpr int kGraphicControlLabel = 0xF9;
constexpr int kCommentLabel = 0xFE;
constexpr int kApplicationLabel = 0xFF;
constexpr DWORD kScreenBytes = 13;
constexpr DWORD kDescriptorBytes = 9;
constexpr const char* kNoFrame = "No picture in GIF file";

bool ReadExactly(CPixStream* stream, void* buffer, std::size_t bytes)
{
    return bytes == 0 || stream->Read(buffer, 1, bytes) == bytes;
}

// 1 bpp for a table of at most 2 entries, 4 for up to 16, else 8.
DWORD DepthForEntries(DWORD entries)
{
    return entries <= 2 ? 1 : entries <= 16 ? 4 : 8;
}

} // namespace

void CPixImageGIF::SetComment(const char* text)
{
    m_comment.fill('\0');
    if (text)
        std::strncpy(m_comment.data(), text, m_comment.size() - 1);
}

bool CPixImageGIF::ReadColorTable(CPixStream* stream, BYTE flags, ColorTable& table)
{
    table.count = 0;
    if (!(flags & 0x80))
        return true;
    table.count = 2u << (flags & 7);
    return ReadExactly(stream, table.triples.data(), 3 * static_cast<std::size_t>(table.count));
}

bool CPixImageGIF::ReadDescriptor(CPixStream* stream, FrameDescriptor& frame)
{
    BYTE raw[kDescriptorBytes];
    if (!ReadExactly(stream, raw, sizeof raw))
        return false;
    frame.left = LoadLE16(raw);
    frame.top = LoadLE16(raw + 2);
    frame.width = LoadLE16(raw + 4);
    frame.height = LoadLE16(raw + 6);
    frame.flags = raw[8];
    return true;
}

bool CPixImageGIF::ReadExtension(CPixStream* stream)
{
    const int label = stream->GetC();
    if (label < 0)
        return false;
    BYTE data[256];
    // A zero size read as part of the block is its terminator: nothing is left to skip.
    bool terminated = false;
    if (label == kGraphicControlLabel) {
        if (stream->GetC() != 4 || !ReadExactly(stream, data, 4))
            return false;
        m_controlFlags = data[0];
        m_controlDelay = LoadLE16(data + 1);
        m_controlTransparent = data[3];
        // The block describes the one frame after it: without the flag that frame has no
        // transparent colour, whatever an earlier block said.
        m_info.transparentIndex = (m_controlFlags & 1) ? m_controlTransparent : -1;
        m_info.frameDelay = m_controlDelay;
        m_disposal = static_cast<BYTE>((m_controlFlags >> 2) & 7);
    } else if (label == kCommentLabel) {
        const int size = stream->GetC();
        if (size < 0 || !ReadExactly(stream, data, static_cast<std::size_t>(size)))
            return false;
        std::memcpy(m_comment.data(), data, static_cast<std::size_t>(size));
        m_comment[static_cast<std::size_t>(size)] = '\0';
        terminated = size == 0;
    } else if (label == kApplicationLabel) {
        if (stream->GetC() != 11 || !ReadExactly(stream, data, 11))
            return false;
        const int size = stream->GetC();
        if (size < 0 || !ReadExactly(stream, data, static_cast<std::size_t>(size)))
            return false;
        if (size > 2)
            m_loopCount = LoadLE16(data + 1);
        terminated = size == 0;
    }
    while (!terminated) {
        const int size = stream->GetC();
        if (size <= 0 || !ReadExactly(stream, data, static_cast<std::size_t>(size)))
            break;
    }
    return true;
}

bool CPixImageGIF::NextFrame(CPixStream* stream, FrameDescriptor& frame, ColorTable& table)
{
    for (;;) {
        const int introducer = stream->GetC();
        if (introducer < 0 || introducer == kTrailer)
            return false;
        if (introducer == kExtensionIntroducer) {
            if (!ReadExtension(stream))
                return false;
            continue;
        }
        if (introducer == kImageIntroducer)
            return ReadDescriptor(stream, frame) && ReadColorTable(stream, frame.flags, table);
    }
}

bool CPixImageGIF::IsShown(const FrameDescriptor& frame, LONG screenWidth, LONG screenHeight)
{
    return frame.width > 0 && frame.height > 0 && frame.left + frame.width <= screenWidth &&
        frame.top + frame.height <= screenHeight;
}

LONG CPixImageGIF::CountFrames(CPixStream* stream, LONG screenWidth, LONG screenHeight)
{
    const int32_t start = stream->Tell();
    // The blocks met while counting are read again, in order, by the decode that follows.
    const LONG transparentIndex = m_info.transparentIndex;
    const LONG delay = m_info.frameDelay;
    const BYTE disposal = m_disposal;
    LONG count = 0;
    FrameDescriptor frame;
    ColorTable table;
    while (NextFrame(stream, frame, table)) {
        if (IsShown(frame, screenWidth, screenHeight))
            ++count;
        if (!SkipImageData(stream))
            break;
    }
    m_info.transparentIndex = transparentIndex;
    m_info.frameDelay = delay;
    m_disposal = disposal;
    if (start < 0 || !stream->Seek(start, 0))
        return 0;
    return count;
}

bool CPixImageGIF::Decode(CPixStream* stream)
{
    if (!stream)
        return false;
    BYTE screen[kScreenBytes];
    if (!ReadExactly(stream, screen, sizeof screen) || std::memcmp(screen, "GIF8", 4) != 0)
        return false;
    const LONG screenWidth = LoadLE16(screen + 6);
    const LONG screenHeight = LoadLE16(screen + 8);
    ColorTable global;
    if (!ReadColorTable(stream, screen[10], global)) {
        SetLastErrorText("Error reading GIF file");
        return false;
    }
    // Reasons to take the file for a mosaic of palette tiles: no global table, and a first frame
    // smaller than the screen both ways. Two of them make a 24-bit picture.
    int trueColorReasons = global.count == 0 ? 1 : 0;

    m_info.frameCount = CountFrames(stream, screenWidth, screenHeight);
    if (m_info.frame < 0 || m_info.frame >= m_info.frameCount)
        return false;
    LONG wanted = m_info.frame;

    CPixImage canvas;
    LONG firstTransparent = -1;
    LONG frameNumber = 0;
    LONG lastTile = 0;
    bool decodedAny = false;
    FrameDescriptor frame;
    ColorTable local;
    for (;;) {
        if (m_info.escape)
            return false;
        if (!NextFrame(stream, frame, local))
            break;
        if (!IsShown(frame, screenWidth, screenHeight)) {
            // Not shown and not counted; its data is passed over whole.
            if (!SkipImageData(stream))
                break;
            continue;
        }
        if (frameNumber == 0 && frame.width != screenWidth && frame.height != screenHeight)
            ++trueColorReasons;

        const bool overlay = frameNumber > 0 && m_disposal == 1 && trueColorReasons < 2 && IsValid();
        CPixImage previous;
        if (overlay && !previous.Copy(*this, true, false, false)) {
            SetLastErrorText(previous.GetLastErrorText());
            return false;
        }
        if (frameNumber == 0)
            firstTransparent = m_info.transparentIndex;

        // A local table belongs to its frame alone; later frames go back to the global one.
        if (!DecodeFrame(stream, frame, local.count ? local : global))
            return false;
        decodedAny = true;
        if (m_info.escape)
            return false;

        if (overlay) {
            OverlayOnto(previous, frame);
            Transfer(previous);
            m_info.transparentIndex = firstTransparent;
        }
        if (trueColorReasons >= 2) {
            wanted = -1; // every tile goes onto the canvas
            if (!canvas.IsValid()) {
                canvas.CopyInfo(*this);
                if (!canvas.Create(static_cast<DWORD>(screenWidth), static_cast<DWORD>(screenHeight), 24, PIXIMAGE_GIF)) {
                    SetLastErrorText(canvas.GetLastErrorText());
                    return false;
                }
            }
            PaintOnto(canvas, frame);
            lastTile = frameNumber;
        }
        if (frameNumber == wanted)
            break;
        ++frameNumber;
    }
    if (!decodedAny) {
        SetLastErrorText(kNoFrame);
        return false;
    }

    if (canvas.IsValid()) {
        const LONG lastTransparent = m_info.transparentIndex;
        const PixColor transparentColor =
            lastTransparent >= 0 ? (GetPaletteEntry(static_cast<BYTE>(lastTransparent)) & 0xFFFFFF) : 0;
        const CPixImageInfo info = m_info;
        Transfer(canvas);
        m_info.frameCount = info.frameCount;
        m_info.frame = lastTile;
        m_info.frameDelay = info.frameDelay;
        m_info.xOffset = 0;
        m_info.yOffset = 0;
        m_info.transparentIndex = lastTransparent >= 0 ? 0 : -1;
        if (lastTransparent >= 0)
            SetTransparentColor(transparentColor);
    }
    return true;
}

bool CPixImageGIF::DecodeFrame(CPixStream* stream, const FrameDescriptor& frame, const ColorTable& table)
{
    if (!Create(static_cast<DWORD>(frame.width), static_cast<DWORD>(frame.height), DepthForEntries(table.count),
                PIXIMAGE_GIF))
        return false;
    m_info.xOffset = frame.left;
    m_info.yOffset = frame.top;
    if (table.count != 0) {
        if (m_info.transparentIndex >= 0 && table.count < 256) {
            // Entries the table lacks are white.
            std::array<BYTE, 3 * 256> padded;
            padded.fill(255);
            std::copy_n(table.triples.begin(), 3 * table.count, padded.begin());
            SetPaletteTriples(padded.data(), 256);
        } else {
            SetPaletteTriples(table.triples.data(), table.count);
        }
    }

    m_interlaced = (frame.flags & 0x40) != 0;
    m_nextRow = 0;
    m_rowStep = 8;
    m_pass = 0;
    m_frameHeight = frame.height;
    BeginData();
    int badCodes = 0;
    // Whatever the decoder reports, the frame keeps the rows it received.
    LzwDecode(stream, frame.width, badCodes);
    SkipSubBlocks(stream);
    if (!EndData(stream)) {
        SetLastErrorText("Error reading GIF file");
        return false;
    }
    return true;
}

void CPixImageGIF::OverlayOnto(CPixImage& previous, const FrameDescriptor& frame) const
{
    // Indices carry over only between like tables; otherwise the colour is matched in the
    // previous picture's palette.
    const bool sameTable = previous.GetBpp() == GetBpp() && previous.GetPaletteBytes() == GetPaletteBytes() &&
        (GetPaletteBytes() == 0 || std::memcmp(previous.GetPalette(), GetPalette(), GetPaletteBytes()) == 0);
    const LONG height = GetHeight();
    for (LONG y = 0; y < height; ++y) {
        const LONG targetRow = previous.GetHeight() - 1 - (frame.top + y);
        for (LONG x = 0; x < GetWidth(); ++x) {
            const LONG targetX = frame.left + x;
            if (!previous.IsInside(targetX, targetRow))
                continue;
            const BYTE index = GetIndexAt(x, height - 1 - y);
            if (index == m_info.transparentIndex)
                continue;
            if (sameTable)
                previous.SetIndexAt(targetX, targetRow, index);
            else
                previous.SetColorAt(targetX, targetRow, GetPaletteEntry(index), false);
        }
    }
}

void CPixImageGIF::PaintOnto(CPixImage& canvas, const FrameDescriptor& frame) const
{
    const LONG height = GetHeight();
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < GetWidth(); ++x)
            canvas.SetColorAt(frame.left + x, canvas.GetHeight() - 1 - (frame.top + y),
                              GetPaletteEntry(GetIndexAt(x, height - 1 - y)), false);
}

PixFormat PixGifFormat()
{
    PixFormat format;
    format.create = []() -> std::unique_ptr<CPixImage> {
        return std::unique_ptr<CPixImage>(new (std::nothrow) CPixImageGIF);
    };
    format.decode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<CPixImageGIF&>(image).Decode(stream);
    };
    format.encode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<CPixImageGIF&>(image).Encode(stream);
    };
    format.multiFrame = true;
    return format;
}
