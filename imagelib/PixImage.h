// The one image type of the system: a device-independent bitmap in one heap block (header,
// palette, bottom-up rows padded to 4 bytes), optional alpha and selection planes of one byte per
// pixel, and an information block with everything else. Format classes derive from it and work on
// its storage directly.
//
// Operations report failure by a false or null result and leave a text in the image's last-error
// field; nothing is thrown across this interface.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/win32/types.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CPixStream;

// A colour as it crosses the library's interface: blue in the low byte, then green, red, and the
// reserved (alpha) byte on top.
using PixColor = DWORD;

constexpr PixColor MakePixColor(BYTE red, BYTE green, BYTE blue, BYTE alpha = 0)
{
    return static_cast<PixColor>(blue) | (static_cast<PixColor>(green) << 8) |
        (static_cast<PixColor>(red) << 16) | (static_cast<PixColor>(alpha) << 24);
}
constexpr BYTE PixBlue(PixColor c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE PixGreen(PixColor c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE PixRed(PixColor c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
constexpr BYTE PixAlpha(PixColor c) { return static_cast<BYTE>((c >> 24) & 0xFF); }

// Largest picture Create accepts, in bytes of pixel data (padded rows at the rounded depth): room
// for photographs of a few hundred megapixels, while one picture, its alpha plane and the copy a
// geometry operation builds stay within a few gigabytes whatever size a file claims.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing builds take less: there a picture of a gigabyte, which a few bytes of header can ask for,
// takes longer to fill and turn than a fuzzer waits for an input, and would read as a hang.
constexpr std::uint64_t PIXIMAGE_MAX_MEMORY = 64000000;
#else
constexpr std::uint64_t PIXIMAGE_MAX_MEMORY = 1024000000;
#endif

// Everything an image carries besides its buffers. Copied as a whole between images; it holds no
// pointer, so copying it never shares or leaks a buffer.
struct CPixImageInfo {
    DWORD stride;               // bytes per pixel row, padded to 4
    LONG type;                  // a CPixImageType number
    char lastError[256];        // NUL-terminated, at most 255 characters
    LONG progress;              // percent of a running long operation
    LONG escape;                // nonzero asks a running long operation to stop
    LONG transparentIndex;      // palette index shown as transparent; -1 = none
    RGBQUAD transparentColor;
    BYTE jpegQuality;           // 0-100
    LONG frame;                 // frame to decode in multi-image formats
    LONG frameCount;            // frames found
    LONG frameDelay;            // delay of an animated frame
    LONG dpiX;
    LONG dpiY;
    RECT selectionBox;
    BYTE alphaMax;              // scale applied to the alpha plane when drawing
    BYTE paletteHasAlpha;       // palette reserved bytes are alpha values
    BYTE enabled;               // a disabled image is not drawn
    LONG xOffset;               // position of a frame inside its animation
    LONG yOffset;
    LONG codecOption;           // per-format encoder choice
    PixColor nearestCacheColor; // last colour FindNearestIndex searched
    BYTE nearestCacheIndex;
    BYTE nearestCacheValid;
    LONG layerCount;
};

class CPixImage {
public:
    explicit CPixImage(LONG type = 0);
    CPixImage(DWORD width, DWORD height, DWORD bpp, LONG type = 0);
    CPixImage(const CPixImage& source, bool copyPixels, bool copySelection, bool copyAlpha);
    virtual ~CPixImage();

    // Buffers are owned: copies are explicit (Copy, Transfer, ShareFrom).
    CPixImage(const CPixImage&) = delete;
    CPixImage& operator=(const CPixImage&) = delete;

    // Storage and lifetime.
    void Destroy();
    BYTE* Create(DWORD width, DWORD height, DWORD bpp, LONG type);
    bool CreateFromArray(const BYTE* source, DWORD width, DWORD height, DWORD bpp, DWORD rowLength, bool flip);
    void CopyInfo(const CPixImage& source);
    bool Copy(const CPixImage& source, bool copyPixels, bool copySelection, bool copyAlpha);
    void Transfer(CPixImage& source);
    void ShareFrom(CPixImage& source);

    // Access.
    bool IsValid() const { return m_pDib != nullptr; }
    bool IsGhost() const { return m_pGhost != nullptr; }
    BYTE* GetDib() const { return m_pDib; }
    const BITMAPINFOHEADER& GetHeader() const { return m_header; }
    BYTE* GetRowPointer(DWORD row) const;
    DWORD GetSize() const;
    bool IsInside(LONG x, LONG y) const;
    void Clear(BYTE value);
    LONG GetWidth() const { return m_header.biWidth; }
    LONG GetHeight() const { return m_header.biHeight; }
    WORD GetBpp() const { return m_header.biBitCount; }
    DWORD GetStride() const { return m_info.stride; }
    LONG GetType() const { return m_info.type; }
    void SetType(LONG type) { m_info.type = type; }
    BYTE GetJpegQuality() const { return m_info.jpegQuality; }
    void SetJpegQuality(BYTE quality) { m_info.jpegQuality = quality > 100 ? 100 : quality; }
    LONG GetDpiX() const { return m_info.dpiX; }
    LONG GetDpiY() const { return m_info.dpiY; }
    void SetDpiX(LONG dpi);
    void SetDpiY(LONG dpi);
    const char* GetLastErrorText() const { return m_info.lastError; }
    void SetLastErrorText(const char* text);
    const CPixImageInfo& GetInfo() const { return m_info; }
    LONG GetFrame() const { return m_info.frame; }
    void SetFrame(LONG frame) { m_info.frame = frame; }
    LONG GetFrameCount() const { return m_info.frameCount; }
    void SetEscape(LONG escape) { m_info.escape = escape; }
    LONG GetTransparentIndex() const { return m_info.transparentIndex; }
    void SetTransparentIndex(LONG index) { m_info.transparentIndex = index; }
    void SetTransparentColor(PixColor color);
    BYTE GetAlphaMax() const { return m_info.alphaMax; }
    void SetAlphaMax(BYTE value) { m_info.alphaMax = value; }
    bool IsEnabled() const { return m_info.enabled != 0; }
    void SetEnabled(bool enabled) { m_info.enabled = enabled ? 1 : 0; }
    LONG GetCodecOption() const { return m_info.codecOption; }
    void SetCodecOption(LONG option) { m_info.codecOption = option; }
    const RECT& GetSelectionBox() const { return m_info.selectionBox; }

    // Palette.
    DWORD GetPaletteBytes() const { return 4 * m_header.biClrUsed; }
    RGBQUAD* GetPalette() const;
    PixColor GetPaletteEntry(BYTE index) const;
    bool GetPaletteRGB(BYTE index, BYTE* red, BYTE* green, BYTE* blue) const;
    void SetPaletteEntry(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alpha = 0);
    void SetPaletteEntry(BYTE index, PixColor color);
    void SetPaletteEntries(const PixColor* entries, DWORD count);
    void SetPaletteChannels(DWORD count, const BYTE* red, const BYTE* green = nullptr, const BYTE* blue = nullptr);
    void SetPaletteTriples(const BYTE* triples, DWORD count);
    void SetGrayRamp();
    bool IsGrayPalette() const;
    void SetStdPalette();
    void SetClrImportant(DWORD count);
    void SwapIndex(BYTE a, BYTE b);
    PixColor GetTransparentColor() const;

    // Pixels: x from the left, y in rows from the bottom.
    BYTE GetIndexAt(LONG x, LONG y) const;
    void SetIndexAt(LONG x, LONG y, BYTE index);
    PixColor GetColorAt(LONG x, LONG y) const;
    void SetColorAt(LONG x, LONG y, PixColor color, bool setAlpha);
    void SetColorRefAt(LONG x, LONG y, COLORREF color);
    BYTE FindNearestIndex(PixColor color);
    void SwapRedBlue(BYTE* buffer, DWORD length) const;
    int GetPixelKind() const;

    // Alpha plane (0 = transparent, 255 = opaque, row 0 at the bottom).
    bool HasAlpha() const { return m_pAlpha != nullptr; }
    BYTE* GetAlphaPlane() const { return m_pAlpha; }
    bool AllocAlpha();
    void FreeAlpha();
    void FillAlpha(BYTE value);
    void SetAlphaAt(LONG x, LONG y, BYTE value);
    BYTE GetAlphaAt(LONG x, LONG y) const;
    bool CopyAlpha(const CPixImage& source);
    bool HasPaletteAlpha() const;
    bool FlipAlpha();
    bool MirrorAlpha();

    // Selection plane and box.
    bool HasSelection() const { return m_pSelection != nullptr; }
    BYTE* GetSelectionPlane() const { return m_pSelection; }
    void FreeSelection();
    bool CopySelection(const CPixImage& source);

    // Loading and saving. `type` is a CPixImageType number; 0 makes Decode try every format.
    bool Decode(CPixStream* stream, LONG type);
    bool Encode(CPixStream* stream, LONG type);
    // True = refuse: no stream or no pixels. Every encoder asks first.
    bool CheckEncodeArgs(CPixStream* stream);
    // Over a FILE the caller opened and will close.
    bool DecodeFile(FILE* file, LONG type);
    bool EncodeFile(FILE* file, LONG type);
    bool Load(const char* fileName, LONG type);
    // Replaces the file only once the whole picture is written; a failure leaves it as it was.
    bool Save(const char* fileName, LONG type);
    // The block stays the caller's; it is only read.
    bool DecodeFromMemory(const BYTE* block, LONG length, LONG type);
    // `block` must be null on entry; on success it holds `length` bytes the caller frees with free().
    bool EncodeToMemory(BYTE*& block, LONG& length, LONG type);
    // Expands 16- or 32-bit pixels (rows of ((width + 1) / 2) * 4 or width * 4 bytes, bottom-up)
    // into the 24-bit pixel area. The source may be the pixel area itself at 16 bits.
    void UnpackBitfields(const BYTE* source, DWORD redMask, DWORD greenMask, DWORD blueMask, WORD depth);

    // Geometry. Each operation builds its result in a scratch image and moves it into place, so a
    // failure leaves this image and the destination as they were. A null destination means the
    // result replaces this image.
    // Resample modes: 1 nearest, 2 bicubic B-spline, anything else box (24 bpp, shrinking both
    // ways) or bilinear.
    bool Resample(LONG newWidth, LONG newHeight, LONG mode = 0, CPixImage* destination = nullptr);
    // Scales to fit inside width x height and centres the picture on a canvas of that size.
    bool Thumbnail(LONG width, LONG height, PixColor canvas, CPixImage* destination = nullptr);
    // Edges are clamped into the picture; top and bottom count from the top.
    bool Crop(LONG left, LONG top, LONG right, LONG bottom, CPixImage* destination = nullptr);
    // Adds margins of the canvas colour around the picture.
    bool Expand(LONG left, LONG top, LONG right, LONG bottom, PixColor canvas, CPixImage* destination = nullptr);
    // Centres the picture on a canvas of width x height, the odd pixel going right and bottom.
    bool Expand(LONG width, LONG height, PixColor canvas, CPixImage* destination = nullptr);
    bool Flip();
    bool Mirror();
    bool RotateLeft(CPixImage* destination = nullptr);
    bool RotateRight(CPixImage* destination = nullptr);
    bool IncreaseBpp(DWORD newBpp);
    // palette: 2, 16 or 256 entries for the new depth, or null for the default one.
    bool DecreaseBpp(DWORD newBpp, bool errorDiffusion, const RGBQUAD* palette = nullptr, DWORD importantColors = 0);
    LONG GetProgress() const { return m_info.progress; }

    // Drawing.
    // Reads a GDI bitmap into this image (type 0; 16 and 32 bits per pixel become 24) through the
    // screen context, on which the palette, when given, is realised first. Without a bitmap the
    // image is emptied and false returned; a failed read leaves "GetDIBits failed".
    bool CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette = nullptr);
    // Reads the bitmap selected into a memory context, so that what a context shows can be saved
    // through the format classes.
    bool CreateFromDC(HDC dc);
    // Paints the image stretched to (x, y, cx, cy); a negative size stands for the image's own.
    // With a transparent index, pixels of the transparent colour leave the target as it was.
    bool Draw2(HDC dc, LONG x, LONG y, LONG cx = -1, LONG cy = -1);
    // Paints the image at (x, y, cx, cy) inside the context's clip box and, when given, the clip
    // rectangle, blending the alpha plane (scaled by the alpha maximum) and palette alpha over what
    // the target shows and leaving transparent pixels out.
    // Both return false for a size of 0, without pixels, without context or for a disabled image.
    bool Draw(HDC dc, LONG x, LONG y, LONG cx = -1, LONG cy = -1, const RECT* clip = nullptr);

protected:
    void InitDefaults(LONG type);
    void ResetSelectionBox();
    void InvalidateNearestCache() { m_info.nearestCacheValid = 0; }
    std::size_t PlaneBytes() const;
    // Lets go of borrowed buffers without freeing them: a ghost becomes an empty image of its own.
    void DetachGhost();
    // Frees this image's own buffers, then points at the source's header, information and buffers.
    void TakeStorageOf(const CPixImage& source);

    BYTE* m_pDib = nullptr;       // owned DIB block: header, palette, rows
    BITMAPINFOHEADER m_header{};  // copy of the block's header
    CPixImageInfo m_info{};
    BYTE* m_pPixels = nullptr;    // row 0 inside the DIB block
    CPixImage* m_pGhost = nullptr; // owner of the borrowed buffers, or null
    BYTE* m_pSelection = nullptr;
    BYTE* m_pAlpha = nullptr;
    CPixImage** m_ppLayers = nullptr;
};

// Luminance of p minus luminance of q; colours as blue, green, red bytes.
int CompareLuminance(const BYTE* p, const BYTE* q);

// Floor and ceiling of a float as an int; values beyond int's range give its limit, NaN gives 0.
int FloorToInt(float value);
int CeilToInt(float value);
