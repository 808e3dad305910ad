#include "imagelib/PixImageWMF.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixGdiContexts.h"
#include "imagelib/PixLittleEndian.h"
#include "imagelib/PixStream.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_metafile.h"
#include "platform/gdi/gdi_text.h"

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableBytes = 22;
constexpr std::size_t kMetaHeaderBytes = 18;
constexpr LONG kLargestSide = 4000;

// The metafile handle for the length of one decode.
class MetafileHandle {
public:
    explicit MetafileHandle(HENHMETAFILE handle) : handle_(handle) {}
    ~MetafileHandle()
    {
        if (handle_)
            DeleteEnhMetaFile(handle_);
    }
    MetafileHandle(const MetafileHandle&) = delete;
    MetafileHandle& operator=(const MetafileHandle&) = delete;
    HENHMETAFILE Get() const { return handle_; }

private:
    HENHMETAFILE handle_;
};

struct Placeable {
    LONG left, top, right, bottom, unitsPerInch;
};

// The placeable header, when the bytes are one: key, units per inch within range, checksum.
bool ReadPlaceable(const BYTE* bytes, Placeable& out)
{
    if (LoadLE32(bytes) != kPlaceableKey)
        return false;
    WORD sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= LoadLE16(bytes + 2 * i);
    out = {static_cast<std::int16_t>(LoadLE16(bytes + 6)), static_cast<std::int16_t>(LoadLE16(bytes + 8)),
           static_cast<std::int16_t>(LoadLE16(bytes + 10)), static_cast<std::int16_t>(LoadLE16(bytes + 12)),
           LoadLE16(bytes + 14)};
    return out.unitsPerInch >= 1 && out.unitsPerInch <= 2540 && sum == LoadLE16(bytes + 20);
}

} // namespace

bool CPixImageWMF::Decode(CPixStream* stream, LONG width, LONG height)
{
    return PixRunCodec(*this, [&]() -> bool {
        if (!stream)
            throw "corrupted WMF";
        const ScreenContext screen;
        const int dpiX = GetDeviceCaps(screen.Dc(), LOGPIXELSX);
        const int dpiY = GetDeviceCaps(screen.Dc(), LOGPIXELSY);
        const std::int32_t start = stream->Tell();
        const std::int32_t streamSize = stream->Size();

        HENHMETAFILE handle = nullptr;
        LONG pictureWidth = 0, pictureHeight = 0;
        BYTE head[kPlaceableBytes + kMetaHeaderBytes];
        Placeable placeable{};
        if (stream->Read(head, 1, sizeof head) == sizeof head && ReadPlaceable(head, placeable)) {
            const BYTE* meta = head + kPlaceableBytes;
            const std::uint64_t bytes = std::uint64_t(LoadLE32(meta + 6)) * 2;
            const WORD type = LoadLE16(meta);
            if ((type == 1 || type == 2) && bytes >= kMetaHeaderBytes && bytes <= std::uint64_t(streamSize) &&
                stream->Seek(start + std::int32_t(kPlaceableBytes), SEEK_SET)) {
                std::vector<BYTE> bits(bytes);
                if (stream->Read(bits.data(), 1, bits.size()) == bits.size()) {
                    const std::int64_t boxWidth = std::int64_t(placeable.right) - placeable.left;
                    const std::int64_t boxHeight = std::int64_t(placeable.bottom) - placeable.top;
                    METAFILEPICT picture{MM_ANISOTROPIC, LONG(boxWidth * dpiX / placeable.unitsPerInch),
                                         LONG(boxHeight * dpiY / placeable.unitsPerInch), nullptr};
                    // Small pictures are described in larger units, for precision.
                    while (picture.xExt > 0 && picture.yExt > 0 && picture.xExt < 6554 && picture.yExt < 6554) {
                        picture.xExt *= 10;
                        picture.yExt *= 10;
                        if (picture.xExt >= 6553)
                            break;
                    }
                    handle = SetWinMetaFileBits(UINT(bits.size()), bits.data(), screen.Dc(), &picture);
                    pictureWidth = LONG(boxWidth * dpiX / placeable.unitsPerInch);
                    pictureHeight = LONG(boxHeight * dpiY / placeable.unitsPerInch);
                }
            }
        }
        if (!handle) {
            // Not a placeable metafile: the whole stream as an enhanced one.
            if (streamSize <= start || !stream->Seek(start, SEEK_SET))
                throw "corrupted WMF";
            std::vector<BYTE> bits(std::size_t(streamSize - start));
            if (stream->Read(bits.data(), 1, bits.size()) != bits.size())
                throw "corrupted WMF";
            handle = SetEnhMetaFileBits(UINT(bits.size()), bits.data());
            if (!handle)
                throw "corrupted WMF";
            ENHMETAHEADER header{};
            GetEnhMetaFileHeader(handle, sizeof header, &header);
            pictureWidth = LONG(std::int64_t(header.rclBounds.right) - header.rclBounds.left);
            pictureHeight = LONG(std::int64_t(header.rclBounds.bottom) - header.rclBounds.top);
        }
        const MetafileHandle metafile(handle);
        if (m_info.escape)
            throw "Cancelled";
        if (pictureWidth <= 0 || pictureHeight <= 0)
            throw "empty WMF";
        if (width > 0 && height > 0) {
            pictureWidth = width;
            pictureHeight = height;
        }
        if (pictureWidth > kLargestSide) {
            pictureHeight = LONG(std::int64_t(pictureHeight) * kLargestSide / pictureWidth);
            pictureWidth = kLargestSide;
        }
        if (pictureHeight > kLargestSide) {
            pictureWidth = LONG(std::int64_t(pictureWidth) * kLargestSide / pictureHeight);
            pictureHeight = kLargestSide;
        }
        if (pictureWidth <= 0 || pictureHeight <= 0)
            throw "empty WMF";

        MemoryCanvas canvas(screen.Dc(), CreateCompatibleBitmap(screen.Dc(), pictureWidth, pictureHeight));
        if (!canvas.IsReady())
            throw "Can't allocate memory";
        const RECT whole{0, 0, pictureWidth, pictureHeight};
        FillRect(canvas.Dc(), &whole, GetSysColorBrush(COLOR_WINDOW));
        const UINT paletteEntries = GetEnhMetaFilePaletteEntries(metafile.Get(), 0, nullptr);
        HPALETTE palette = nullptr;
        if (paletteEntries != 0 && paletteEntries != GDI_ERROR) {
            std::vector<BYTE> record(sizeof(LOGPALETTE) + paletteEntries * sizeof(PALETTEENTRY));
            auto* logical = reinterpret_cast<LOGPALETTE*>(record.data());
            logical->palVersion = 0x300;
            logical->palNumEntries = static_cast<WORD>(std::min<UINT>(paletteEntries, 0xFFFF));
            GetEnhMetaFilePaletteEntries(metafile.Get(), paletteEntries, logical->palPalEntry);
            palette = CreatePalette(logical);
            if (!palette)
                throw "Cancelled";
            SelectPalette(canvas.Dc(), palette, FALSE);
            RealizePalette(canvas.Dc());
        }
        PlayEnhMetaFile(canvas.Dc(), metafile.Get(), &whole);
        if (palette) {
            // The canvas keeps no reference: the palette can go as soon as the picture is played.
            DeleteObject(palette);
        }
        if (m_info.escape)
            throw "Cancelled";
        if (!CreateFromHBITMAP(canvas.Bitmap()))
            return false;
        m_info.type = PIXIMAGE_WMF;
        return true;
    });
}

bool CPixImageWMF::Encode(CPixStream* stream)
{
    if (stream)
        SetLastErrorText("Save WMF not supported");
    return false;
}

PixFormat PixWmfFormat()
{
    return PixFormatOf<CPixImageWMF>();
}
