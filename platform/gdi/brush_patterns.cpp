// Hatched and patterned brushes, and brushes from a LOGBRUSH.
#include <algorithm>
#include <mutex>

#include "platform/gdi/dib_layout.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/paint_objects.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

// Larger pattern pictures are cut to this; a brush keeps its cells in memory.
constexpr int kMaxPatternSide = 256;
constexpr int kHatchSide = 8;

HBRUSH AddBrush(std::shared_ptr<Brush> brush)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return MakeHandle<HBRUSH>(table.Add(std::move(brush)));
}

bool OnHatchLine(int style, int x, int y)
{
    switch (style) {
    case HS_HORIZONTAL: return y == 0;
    case HS_VERTICAL: return x == 0;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == kHatchSide - 1;
    case HS_CROSS: return x == 0 || y == 0;
    default: return x == y || x + y == kHatchSide - 1; // HS_DIAGCROSS
    }
}

// A pattern of fixed colours read by colourAt(x, y) (y from the top).
template <class ColourAt> BrushPattern FixedPattern(int width, int height, ColourAt colourAt)
{
    BrushPattern pattern;
    pattern.width = std::min(width, kMaxPatternSide);
    pattern.height = std::min(height, kMaxPatternSide);
    const std::size_t cells = static_cast<std::size_t>(pattern.width) * pattern.height;
    pattern.cells.assign(cells, BrushPattern::Cell::Fixed);
    pattern.colours.resize(cells);
    for (int y = 0; y < pattern.height; ++y)
        for (int x = 0; x < pattern.width; ++x)
            pattern.colours[static_cast<std::size_t>(y) * pattern.width + x] = colourAt(x, y);
    return pattern;
}

} // namespace

HBRUSH CreateHatchBrush(int style, COLORREF colour)
{
    if (style < HS_HORIZONTAL || style > HS_DIAGCROSS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    colour &= 0x00FFFFFF;
    BrushPattern pattern;
    pattern.width = pattern.height = kHatchSide;
    for (int y = 0; y < kHatchSide; ++y)
        for (int x = 0; x < kHatchSide; ++x) {
            const bool line = OnHatchLine(style, x, y);
            pattern.cells.push_back(line ? BrushPattern::Cell::Fixed : BrushPattern::Cell::Gap);
            pattern.colours.push_back(colour);
        }
    return AddBrush(std::make_shared<Brush>(Brush::Kind::Hatched, colour, static_cast<UINT>(style), std::move(pattern)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap)
{
    std::shared_ptr<Surface> pixels;
    {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        if (const std::shared_ptr<Bitmap> found = table.FindAs<Bitmap>(HandleId(bitmap)))
            pixels = found->Pixels();
    }
    if (!pixels || pixels->Width() <= 0 || pixels->Height() <= 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    BrushPattern pattern = FixedPattern(pixels->Width(), pixels->Height(),
                                        [&](int x, int y) { return pixels->GetPixel(x, y); });
    if (pixels->IsMonochrome())
        for (std::size_t i = 0; i < pattern.cells.size(); ++i)
            pattern.cells[i] = pattern.colours[i] == RGB(0, 0, 0) ? BrushPattern::Cell::Text : BrushPattern::Cell::Background;
    return AddBrush(std::make_shared<Brush>(Brush::Kind::Pattern, RGB(0, 0, 0), 0, std::move(pattern)));
}

HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage)
{
    const auto* info = static_cast<const BITMAPINFO*>(packedDib);
    const std::optional<DibLayout> layout = DibLayout::DescribeSource(info, usage);
    if (!layout) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::size_t bitsAt = info->bmiHeader.biSize + static_cast<std::size_t>(layout->PaletteSize()) * sizeof(RGBQUAD);
    if (info->bmiHeader.biCompression == BI_BITFIELDS && info->bmiHeader.biSize == sizeof(BITMAPINFOHEADER))
        bitsAt += 3 * sizeof(DWORD);
    const DibReader reader(*layout, info, static_cast<const BYTE*>(packedDib) + bitsAt, 0,
                           static_cast<std::size_t>(layout->Height()));
    BrushPattern pattern = FixedPattern(layout->Width(), layout->Height(), [&](int x, int y) {
        COLORREF colour = 0;
        reader.Read(x, y, colour);
        return colour;
    });
    return AddBrush(std::make_shared<Brush>(Brush::Kind::Pattern, RGB(0, 0, 0), 0, std::move(pattern)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush)
{
    if (!brush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_NULL: return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    case BS_DIBPATTERNPT:
        return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(brush->lbHatch), static_cast<UINT>(brush->lbColor));
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}
