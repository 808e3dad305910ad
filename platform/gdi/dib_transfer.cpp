// Moving pixels between caller-held DIBs and device contexts or bitmaps: StretchDIBits,
// SetDIBitsToDevice and GetDIBits.
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/gdi/context_state.h"
#include "platform/gdi/dib_layout.h"
#include "platform/gdi/dib_rle.h"
#include "platform/gdi/gdi_faults.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/pixel_transfer.h"
#include "platform/gdi/standard_palettes.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

// The source rectangle's top row counted from the top of the picture. DIB coordinates start at
// the bottom-left corner for a bottom-up DIB, at the top-left for a top-down one.
std::int64_t SourceTop(const DibLayout& layout, std::int64_t ySource, std::int64_t height)
{
    return layout.Order() == RowOrder::BottomUp ? layout.Height() - ySource - height : ySource;
}

// Paints a DIB's pixels into a context. Returns false (last error set) when nothing could be drawn.
bool PaintDib(HDC hdc, PixelRect to, const PixelRect& from, const DibReader& dib, RasterOp op)
{
    ContextState state;
    if (!ReadPaintState(hdc, state))
        return false;
    to.x += state.origin.x;
    to.y += state.origin.y;
    const bool monochrome = state.target->IsMonochrome();
    StretchPixels(*state.target, state.Visible(), to, from, op, [&](int x, int y, COLORREF& colour) {
        if (!dib.Read(x, y, colour))
            return false;
        // A monochrome surface takes whichever of black and white is nearer.
        if (monochrome)
            colour = Surface::IsLightColour(colour) ? RGB(255, 255, 255) : RGB(0, 0, 0);
        return true;
    });
    return true;
}

// A compressed source DIB in the uncompressed form: its biSizeImage bytes expanded. The caller's
// info and bits stay in place for every other DIB.
struct SourceDib {
    const BITMAPINFO* info;
    const void* bits;
    std::optional<ExpandedDib> expanded;

    SourceDib(const BITMAPINFO* info_, const void* bits_) : info(info_), bits(bits_)
    {
        if (!info || !bits)
            return;
        const DWORD compression = info->bmiHeader.biCompression;
        if (compression != BI_RLE8 && compression != BI_RLE4)
            return;
        expanded = ExpandRleDib(info, static_cast<const BYTE*>(bits), info->bmiHeader.biSizeImage);
        info = expanded ? expanded->Info() : nullptr;
        this->bits = expanded ? expanded->bits.data() : nullptr;
    }
};

std::int64_t RowsInside(std::int64_t top, std::int64_t height, std::int64_t pictureHeight)
{
    return std::max<std::int64_t>(0, std::min(top + height, pictureHeight) - std::max<std::int64_t>(top, 0));
}

} // namespace

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSource, int ySource,
                  int sourceWidth, int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    const RasterOp op = FindRasterOp(rop);
    const SourceDib source(info, bits);
    info = source.info;
    bits = source.bits;
    const std::optional<DibLayout> layout = DibLayout::DescribeSource(info, usage);
    if (op == nullptr || destWidth < 0 || destHeight < 0 || sourceWidth < 0 || sourceHeight < 0) {
        SetLastError(ERROR_NOT_SUPPORTED); // other raster codes and mirroring are not needed
        return 0;
    }
    if (!layout || bits == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (destWidth == 0 || destHeight == 0 || sourceWidth == 0 || sourceHeight == 0)
        return 0;
    const std::int64_t top = SourceTop(*layout, ySource, sourceHeight);
    const DibReader dib(*layout, info, bits, 0, static_cast<std::size_t>(layout->Height()));
    if (!PaintDib(hdc, PixelRect{xDest, yDest, destWidth, destHeight},
                  PixelRect{xSource, top, sourceWidth, sourceHeight}, dib, op))
        return 0;
    return static_cast<int>(RowsInside(top, sourceHeight, layout->Height()));
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSource, int ySource,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    const SourceDib source(info, bits);
    info = source.info;
    bits = source.bits;
    const std::optional<DibLayout> layout = DibLayout::DescribeSource(info, usage);
    if (!layout || bits == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto scans = static_cast<std::int64_t>(layout->Height());
    const std::int64_t available = std::clamp<std::int64_t>(scans - startScan, 0, lines);
    if (width == 0 || height == 0 || available == 0)
        return 0;
    const std::int64_t top = SourceTop(*layout, ySource, height);
    const DibReader dib(*layout, info, bits, startScan, static_cast<std::size_t>(available));
    const PixelRect area{xDest, yDest, width, height};
    if (!PaintDib(hdc, area, PixelRect{xSource, top, width, height}, dib, FindRasterOp(SRCCOPY)))
        return 0;
    return static_cast<int>(available);
}

int GetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
    std::shared_ptr<Surface> pixels;
    {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        const std::shared_ptr<Bitmap> bitmap = table.FindAs<Bitmap>(HandleId(handle));
        if (!table.FindAs<DeviceContext>(HandleId(hdc)) || !bitmap) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        pixels = bitmap->Pixels();
    }
    const std::optional<DibLayout> layout = DibLayout::Describe(info, usage);
    if (bits == nullptr || !layout) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (TakeGetDIBitsFailure()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const int depth = layout->BitsPerPixel();
    std::vector<RGBQUAD> palette;
    if (depth <= 8) {
        const std::vector<RGBQUAD>& standard = StandardPalette(depth);
        palette.assign(standard.begin(), standard.begin() + std::min<std::ptrdiff_t>(layout->PaletteSize(),
                                                                                     std::ssize(standard)));
        std::copy(palette.begin(), palette.end(), PaletteOf(info));
    }

    const bool bottomUp = layout->Order() == RowOrder::BottomUp;
    const int columns = std::min(layout->Width(), pixels->Width());
    // Scan lines run in the DIB's order: from the bottom for a bottom-up DIB, whose bottom line is
    // the bitmap's bottom line. The buffer starts with scan line start.
    const std::int64_t scanLines = std::min(layout->Height(), pixels->Height());
    const std::int64_t end = std::min<std::int64_t>(std::int64_t{start} + lines, scanLines);
    auto* out = static_cast<BYTE*>(bits);
    int copied = 0;
    COLORREF lastColour = CLR_INVALID;
    BYTE lastIndex = 0;
    for (std::int64_t line = start; line < end; ++line) {
        const int sourceRow = static_cast<int>(bottomUp ? pixels->Height() - 1 - line : line);
        BYTE* row = out + static_cast<std::size_t>(line - start) * layout->Stride();
        for (int x = 0; x < columns; ++x) {
            const COLORREF colour = pixels->GetPixel(x, sourceRow);
            if (depth == 24) {
                row[x * 3] = GetBValue(colour);
                row[x * 3 + 1] = GetGValue(colour);
                row[x * 3 + 2] = GetRValue(colour);
                continue;
            }
            if (colour != lastColour) {
                lastColour = colour;
                lastIndex = NearestEntry(palette, colour);
            }
            StoreIndex(row, depth, x, lastIndex);
        }
        ++copied;
    }
    return copied;
}
