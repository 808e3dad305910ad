#include "imagelib/PixImageICO.h"

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixLittleEndian.h"
#include "imagelib/PixStream.h"
#include "imagelib/PixStreamExact.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr DWORD kDirectoryBytes = 6;
constexpr DWORD kEntryBytes = 16;
constexpr DWORD kInfoHeaderBytes = 40;
constexpr WORD kIconResource = 1;
constexpr LONG kMaxIconSide = 255;
constexpr std::array<BYTE, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr const char* kTruncated = "Error reading icon";
constexpr const char* kWriteFailed = "Error writing icon";

// An icon's size byte holds 1-255; 0 stands for 256.
LONG IconSide(BYTE value)
{
    return value == 0 ? 256 : value;
}

std::size_t MaskStride(LONG width)
{
    return (static_cast<std::size_t>(width) + 31) / 32 * 4;
}

bool MaskBit(const std::vector<BYTE>& mask, std::size_t maskStride, LONG x, LONG y)
{
    return (mask[static_cast<std::size_t>(y) * maskStride + static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1;
}

} // namespace

bool CPixImageICO::Decode(CPixStream* stream)
{
    try {
        if (!stream)
            throw "Not an icon";
        const int32_t start = stream->Tell();
        BYTE directory[kDirectoryBytes];
        PixReadExactly(stream, directory, sizeof directory, "Not an icon");
        if (LoadLE16(directory) != 0 || LoadLE16(directory + 2) != kIconResource)
            throw "Not an icon";
        const WORD count = LoadLE16(directory + 4);
        m_info.frameCount = count;
        const LONG frame = m_info.frame;

        BYTE entry[kEntryBytes] = {};
        for (WORD i = 0; i < count; ++i) {
            BYTE raw[kEntryBytes];
            PixReadExactly(stream, raw, sizeof raw, kTruncated);
            if (i == frame)
                std::memcpy(entry, raw, sizeof entry);
        }
        if (frame < 0 || frame >= count)
            throw "Icon frame out of range";

        const std::int64_t position = static_cast<std::int64_t>(start) + LoadLE32(entry + 12);
        if (start < 0 || position > std::numeric_limits<int32_t>::max() ||
            !stream->Seek(static_cast<int32_t>(position), 0))
            throw kTruncated;

        BYTE raw[kInfoHeaderBytes];
        PixReadExactly(stream, raw, kPngSignature.size(), kTruncated);
        if (std::memcmp(raw, kPngSignature.data(), kPngSignature.size()) == 0) {
            if (!stream->Seek(static_cast<int32_t>(position), 0))
                throw kTruncated;
            return DecodePngEntry(stream);
        }
        PixReadExactly(stream, raw + kPngSignature.size(), kInfoHeaderBytes - kPngSignature.size(), kTruncated);
        const BITMAPINFOHEADER bih = LoadInfoHeader(raw);
        const WORD bits = bih.biBitCount;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
            throw "Unsupported icon bit depth";

        const LONG width = IconSide(entry[0]);
        const LONG height = IconSide(entry[1]);
        if (!Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bits, PIXIMAGE_ICO))
            throw "Can't allocate memory";

        // The header may list fewer colours than the depth allows; the rest stay black.
        const DWORD entries = bih.biClrUsed != 0 ? std::min(bih.biClrUsed, m_header.biClrUsed) : m_header.biClrUsed;
        PixReadExactly(stream, GetPalette(), 4 * static_cast<std::size_t>(entries), kTruncated);

        const std::size_t stride = m_info.stride;
        bool alphaDecides = false;
        if (bits == 32) {
            if (!AllocAlpha())
                throw "Can't allocate memory";
            std::vector<BYTE> row(static_cast<std::size_t>(width) * 4);
            bool anyAlpha = false;
            for (LONG y = 0; y < height; ++y) {
                PixReadExactly(stream, row.data(), row.size(), kTruncated);
                BYTE* pixels = m_pPixels + static_cast<std::size_t>(y) * stride;
                BYTE* alpha = m_pAlpha + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
                for (LONG x = 0; x < width; ++x) {
                    std::memcpy(pixels + 3 * x, row.data() + 4 * x, 3);
                    alpha[x] = row[4 * static_cast<std::size_t>(x) + 3];
                    anyAlpha = anyAlpha || alpha[x] != 0;
                }
            }
            // Writers that only have on-off transparency leave every alpha byte 0 and rely on
            // the mask, as the platform does: such bytes say nothing.
            alphaDecides = anyAlpha;
            if (!anyAlpha)
                FreeAlpha();
        } else {
            // Exactly the image's own rows: the header's size field may also count the mask.
            PixReadExactly(stream, m_pPixels, stride * static_cast<std::size_t>(height), kTruncated);
        }

        const std::size_t maskStride = MaskStride(width);
        std::vector<BYTE> mask(maskStride * static_cast<std::size_t>(height));
        PixReadExactly(stream, mask.data(), mask.size(), kTruncated);
        // Alpha bytes that say anything decide alone: writers also set the mask on every pixel
        // that is not fully opaque, for readers without alpha.
        if (!alphaDecides)
            ApplyAndMask(mask, maskStride, bits);
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
        return false;
    }
}

bool CPixImageICO::DecodePngEntry(CPixStream* stream)
{
    const std::optional<PixFormat> png = FindPixFormat(PIXIMAGE_PNG);
    std::unique_ptr<CPixImage> decoder = png && png->decode ? png->create() : nullptr;
    if (!decoder) {
        SetLastErrorText("PNG icon image: PNG format not available");
        return false;
    }
    decoder->CopyInfo(*this);
    decoder->SetFrame(0);
    if (!png->decode(*decoder, stream, PIXIMAGE_PNG)) {
        SetLastErrorText(decoder->GetLastErrorText());
        return false;
    }
    const LONG frame = m_info.frame;
    const LONG frameCount = m_info.frameCount;
    Transfer(*decoder);
    m_info.type = PIXIMAGE_ICO;
    m_info.frame = frame;
    m_info.frameCount = frameCount;
    return true;
}

void CPixImageICO::ApplyAndMask(const std::vector<BYTE>& mask, std::size_t maskStride, WORD fileBits)
{
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    const bool hadAlpha = HasAlpha();
    if (!hadAlpha) {
        if (!AllocAlpha())
            throw "Can't allocate memory";
        FillAlpha(255);
    }
    bool anyMasked = false;
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            if (MaskBit(mask, maskStride, x, y)) {
                SetAlphaAt(x, y, 0);
                anyMasked = true;
            }
        }
    }
    if (!anyMasked) {
        if (!hadAlpha)
            FreeAlpha();
        return;
    }

    if (fileBits == 24) {
        // One colour under every masked pixel and nowhere else: keep it as a transparent colour
        // instead of a plane. Shown elsewhere too, it would hide those pixels: the plane stays.
        bool first = true;
        BYTE color[3] = {};
        for (LONG y = 0; y < height; ++y) {
            const BYTE* row = GetRowPointer(static_cast<DWORD>(y));
            for (LONG x = 0; x < width; ++x) {
                if (!MaskBit(mask, maskStride, x, y))
                    continue;
                if (first) {
                    std::memcpy(color, row + 3 * x, 3);
                    first = false;
                } else if (std::memcmp(color, row + 3 * x, 3) != 0) {
                    return;
                }
            }
        }
        for (LONG y = 0; y < height; ++y) {
            const BYTE* row = GetRowPointer(static_cast<DWORD>(y));
            for (LONG x = 0; x < width; ++x)
                if (!MaskBit(mask, maskStride, x, y) && std::memcmp(color, row + 3 * x, 3) == 0)
                    return;
        }
        SetTransparentColor(MakePixColor(color[2], color[1], color[0]));
        m_info.transparentIndex = 0;
        FreeAlpha();
    } else if (fileBits <= 8) {
        // A palette index no pixel uses can stand for the masked pixels.
        std::vector<bool> used(m_header.biClrUsed, false);
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x)
                used[GetIndexAt(x, y)] = true;
        DWORD spare = 0;
        while (spare < used.size() && used[spare])
            ++spare;
        if (spare == used.size())
            return;
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x)
                if (MaskBit(mask, maskStride, x, y))
                    SetIndexAt(x, y, static_cast<BYTE>(spare));
        m_info.transparentIndex = static_cast<LONG>(spare);
        FreeAlpha();
    }
}

bool CPixImageICO::IsMasked(LONG x, LONG y, bool paletteAlpha) const
{
    if (m_pAlpha && GetAlphaAt(x, y) == 0)
        return true;
    if (paletteAlpha && GetPalette()[GetIndexAt(x, y)].rgbReserved == 0)
        return true;
    return m_info.transparentIndex >= 0 && (GetColorAt(x, y) & 0xFFFFFF) == (GetTransparentColor() & 0xFFFFFF);
}

bool CPixImageICO::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    try {
        const LONG width = m_header.biWidth;
        const LONG height = m_header.biHeight;
        if (width > kMaxIconSide || height > kMaxIconSide)
            throw "Can't save this image as icon";
        const WORD bits = m_header.biBitCount;
        if (bits <= 8 && !GetPalette())
            throw "Can't save this image as icon";

        // A 24-bit image with an alpha plane goes out as 32-bit pixels carrying it.
        const bool withAlpha = bits == 24 && m_pAlpha;
        const WORD fileBits = withAlpha ? 32 : bits;
        std::vector<BYTE> pixels32;
        const BYTE* pixels = m_pPixels;
        std::size_t pixelBytes = static_cast<std::size_t>(m_info.stride) * static_cast<std::size_t>(height);
        if (withAlpha) {
            pixels32.resize(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height));
            for (LONG y = 0; y < height; ++y) {
                const BYTE* src = GetRowPointer(static_cast<DWORD>(y));
                BYTE* dst = pixels32.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
                for (LONG x = 0; x < width; ++x) {
                    std::memcpy(dst + 4 * x, src + 3 * x, 3);
                    dst[4 * x + 3] = GetAlphaAt(x, y);
                }
            }
            pixels = pixels32.data();
            pixelBytes = pixels32.size();
        }

        const std::size_t maskStride = MaskStride(width);
        std::vector<BYTE> mask(maskStride * static_cast<std::size_t>(height), 0);
        const bool paletteAlpha = bits <= 8 && HasPaletteAlpha();
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x)
                if (IsMasked(x, y, paletteAlpha))
                    mask[static_cast<std::size_t>(y) * maskStride + static_cast<std::size_t>(x) / 8] |=
                        static_cast<BYTE>(0x80 >> (x % 8));

        const DWORD paletteBytes = GetPaletteBytes();
        BYTE head[kDirectoryBytes + kEntryBytes + kInfoHeaderBytes] = {};
        StoreLE16(head + 2, kIconResource);
        StoreLE16(head + 4, 1);
        BYTE* entry = head + kDirectoryBytes;
        entry[0] = static_cast<BYTE>(width);
        entry[1] = static_cast<BYTE>(height);
        entry[2] = static_cast<BYTE>(m_header.biClrUsed); // 256 colours are written as 0
        StoreLE16(entry + 6, fileBits);
        StoreLE32(entry + 8, static_cast<DWORD>(kInfoHeaderBytes + paletteBytes + pixelBytes + mask.size()));
        StoreLE32(entry + 12, kDirectoryBytes + kEntryBytes);
        BITMAPINFOHEADER bih{};
        bih.biSize = kInfoHeaderBytes;
        bih.biWidth = width;
        bih.biHeight = 2 * height; // colour rows and mask rows
        bih.biPlanes = 1;
        bih.biBitCount = fileBits;
        bih.biSizeImage = static_cast<DWORD>(pixelBytes);
        StoreInfoHeader(entry + kEntryBytes, bih);

        PixWriteExactly(stream, head, sizeof head, kWriteFailed);
        PixWriteExactly(stream, GetPalette(), paletteBytes, kWriteFailed);
        PixWriteExactly(stream, pixels, pixelBytes, kWriteFailed);
        PixWriteExactly(stream, mask.data(), mask.size(), kWriteFailed);
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
        return false;
    }
}

PixFormat PixIcoFormat()
{
    PixFormat format = PixFormatOf<CPixImageICO>();
    format.multiFrame = true;
    return format;
}
