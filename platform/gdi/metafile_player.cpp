#include "platform/gdi/metafile_player.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_shapes.h"
#include "platform/gdi/gdi_text.h"
#include "platform/gdi/pixel_transfer.h"
#include "platform/gdi/polygon_spans.h"
#include "platform/win32/string_conversion.h"

namespace zv::gdi {
namespace {

// Bounds that keep a hostile metafile from running away with time or memory.
constexpr std::size_t kMaxRecords = 200000;
constexpr std::size_t kMaxObjects = 4096;
constexpr std::size_t kMaxSaved = 256;
constexpr std::size_t kMaxRegionRects = 16384;
constexpr std::size_t kMaxPathPoints = 1 << 16;
constexpr double kMaxCoordinate = 32767.0;
constexpr int kCurveSteps = 32;

constexpr double kPi = 3.14159265358979323846;

// A record's bytes, read little-endian; reads past its end give 0 and are never made.
class Record {
public:
    Record(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Size() const { return size_; }
    const BYTE* Data() const { return data_; }
    bool Has(std::size_t offset, std::size_t length) const { return offset <= size_ && length <= size_ - offset; }
    std::uint32_t U32(std::size_t at) const
    {
        if (!Has(at, 4))
            return 0;
        return data_[at] | data_[at + 1] << 8 | data_[at + 2] << 16 | static_cast<std::uint32_t>(data_[at + 3]) << 24;
    }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    std::uint16_t U16(std::size_t at) const
    {
        return Has(at, 2) ? static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8) : 0;
    }
    std::int16_t I16(std::size_t at) const { return static_cast<std::int16_t>(U16(at)); }

private:
    const BYTE* data_;
    std::size_t size_;
};

// Bytes of a packed DIB's header and colour table at `at`, at most what the record holds.
std::size_t DibInfoSize(const Record& r, std::size_t at)
{
    const std::size_t header = std::min<std::size_t>(r.U32(at), r.Size());
    const unsigned bits = r.U16(at + 14);
    std::size_t colours = bits > 8 ? 0 : r.U32(at + 32);
    if (bits <= 8 && colours == 0)
        colours = std::size_t(1) << bits;
    const std::size_t size = header + std::min<std::size_t>(colours, 256) * 4;
    return std::min(size, r.Size() - at);
}

// A DIB from a record, made contiguous (header, masks, colours, pixels) for the DIB calls.
struct PackedDib {
    std::vector<BYTE> bytes;
    std::size_t bitsAt = 0;
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(bytes.data()); }
    const BYTE* Bits() const { return bytes.data() + bitsAt; }
};

// The DIB whose header and colours lie at infoAt and pixels at bitsAt, when all of it lies inside
// the record and its depth and compression are ones the DIB calls read.
std::optional<PackedDib> ReadPackedDib(const Record& record, std::size_t infoAt, std::size_t infoSize,
                                       std::size_t bitsAt, std::size_t bitsSize)
{
    if (infoSize < sizeof(BITMAPINFOHEADER) || !record.Has(infoAt, infoSize) || !record.Has(bitsAt, bitsSize))
        return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, record.Data() + infoAt, sizeof header);
    const int bits = header.biBitCount;
    const DWORD compression = header.biCompression;
    const bool depthKnown = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool compressionKnown = compression == BI_RGB || (compression == BI_RLE8 && bits == 8) ||
                                  (compression == BI_RLE4 && bits == 4) ||
                                  (compression == BI_BITFIELDS && (bits == 16 || bits == 32));
    if (header.biSize < sizeof header || header.biSize > infoSize || !depthKnown || !compressionKnown ||
        header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
        return std::nullopt;
    // Masks follow a 40-byte header, or end a longer one: at byte 40 either way.
    const std::size_t masks = compression == BI_BITFIELDS ? 12 : 0;
    const std::size_t coloursAt = header.biSize + (header.biSize == sizeof header ? masks : 0);
    const std::size_t colours = bits > 8 ? 0 : (header.biClrUsed ? header.biClrUsed : 1u << bits);
    if (colours > 256u || infoSize < std::max(coloursAt + colours * 4, sizeof header + masks))
        return std::nullopt;
    std::size_t pixelBytes = bitsSize;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        pixelBytes = header.biSizeImage ? std::min<std::size_t>(header.biSizeImage, bitsSize) : bitsSize;
        header.biSizeImage = static_cast<DWORD>(pixelBytes);
    } else {
        const std::uint64_t stride = ((std::uint64_t(header.biWidth) * bits + 31) / 32) * 4;
        const std::uint64_t rows = header.biHeight < 0 ? -std::int64_t(header.biHeight) : header.biHeight;
        if (stride * rows > bitsSize)
            return std::nullopt;
        pixelBytes = std::size_t(stride * rows);
    }
    PackedDib dib;
    header.biSize = sizeof header;
    dib.bytes.resize(sizeof header + masks + colours * 4 + pixelBytes);
    BYTE* out = dib.bytes.data();
    std::memcpy(out, &header, sizeof header);
    std::memcpy(out + sizeof header, record.Data() + infoAt + sizeof header, masks);
    std::memcpy(out + sizeof header + masks, record.Data() + infoAt + coloursAt, colours * 4);
    dib.bitsAt = sizeof header + masks + colours * 4;
    std::memcpy(out + dib.bitsAt, record.Data() + bitsAt, pixelBytes);
    return dib;
}

struct DPoint {
    double x;
    double y;
};

// The world transform of enhanced metafiles: x' = x m11 + y m21 + dx, y' = x m12 + y m22 + dy.
struct Transform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    DPoint Apply(DPoint p) const { return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy}; }
    // This transform, then `after`.
    Transform Then(const Transform& after) const
    {
        return {m11 * after.m11 + m12 * after.m21, m11 * after.m12 + m12 * after.m22,
                m21 * after.m11 + m22 * after.m21, m21 * after.m12 + m22 * after.m22,
                dx * after.m11 + dy * after.m21 + after.dx, dx * after.m12 + dy * after.m22 + after.dy};
    }
    bool KeepsAxes() const { return m12 == 0 && m21 == 0; }
    // How lengths grow, on average over directions.
    double LengthScale() const { return std::sqrt(std::fabs(m11 * m22 - m12 * m21)); }
    bool IsFinite() const
    {
        return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) &&
               std::isfinite(dx) && std::isfinite(dy);
    }
};

struct PlayState {
    LONG mapMode = MM_TEXT;
    DPoint windowOrigin{0, 0};
    DPoint windowExtent{1, 1};
    DPoint viewportOrigin{0, 0};
    DPoint viewportExtent{1, 1};
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 255);
    int backMode = OPAQUE;
    UINT textAlign = 0;
    int polyFillMode = ALTERNATE;
    std::shared_ptr<const Region> clip; // target pixels; null: the whole target
    Transform world;
    DPoint position{0, 0};
};

class Player {
public:
    Player(HDC hdc, const MetafileData& data, const RECT& target) : hdc_(hdc), data_(data), target_(target)
    {
        state_.pen = GetStockObject(BLACK_PEN);
        state_.brush = GetStockObject(WHITE_BRUSH);
        state_.font = GetStockObject(SYSTEM_FONT);
        if (data.enhanced)
            FitFrame();
        else {
            // A Windows metafile's window is mapped onto the whole target.
            state_.mapMode = MM_ANISOTROPIC;
            const DPoint size{double(target.right - target.left), double(target.bottom - target.top)};
            state_.windowExtent = state_.viewportExtent = size;
            outerX_ = target.left;
            outerY_ = target.top;
        }
        previous_.pen = SelectObject(hdc, state_.pen);
        previous_.brush = SelectObject(hdc, state_.brush);
        previous_.font = SelectObject(hdc, state_.font);
    }

    ~Player()
    {
        SelectObject(hdc_, previous_.pen);
        SelectObject(hdc_, previous_.brush);
        SelectObject(hdc_, previous_.font);
        ExtSelectClipRgn(hdc_, nullptr, RGN_COPY);
        for (HGDIOBJ object : owned_)
            DeleteObject(object);
    }

    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void Play()
    {
        if (data_.enhanced)
            PlayEnhanced();
        else
            PlayWindows();
    }

private:
    // Reference-device pixels to target pixels: the header's frame fills the target.
    void FitFrame()
    {
        const ENHMETAHEADER& h = data_.header;
        double left = h.rclBounds.left, top = h.rclBounds.top;
        double width = double(h.rclBounds.right) - h.rclBounds.left + 1;
        double height = double(h.rclBounds.bottom) - h.rclBounds.top + 1;
        if (h.szlMillimeters.cx > 0 && h.szlMillimeters.cy > 0 && h.szlDevice.cx > 0 && h.szlDevice.cy > 0 &&
            h.rclFrame.right > h.rclFrame.left && h.rclFrame.bottom > h.rclFrame.top) {
            const double perX = double(h.szlDevice.cx) / (h.szlMillimeters.cx * 100.0);
            const double perY = double(h.szlDevice.cy) / (h.szlMillimeters.cy * 100.0);
            left = h.rclFrame.left * perX;
            top = h.rclFrame.top * perY;
            width = (double(h.rclFrame.right) - h.rclFrame.left) * perX;
            height = (double(h.rclFrame.bottom) - h.rclFrame.top) * perY;
            dpiX_ = perX * 2540.0;
            dpiY_ = perY * 2540.0;
        }
        if (width <= 0 || height <= 0)
            width = height = 1;
        scaleX_ = (target_.right - target_.left) / width;
        scaleY_ = (target_.bottom - target_.top) / height;
        outerX_ = target_.left - left * scaleX_;
        outerY_ = target_.top - top * scaleY_;
    }

    DPoint Scale() const
    {
        double sx = state_.viewportExtent.x / state_.windowExtent.x;
        double sy = state_.viewportExtent.y / state_.windowExtent.y;
        if (state_.mapMode == MM_ISOTROPIC) {
            const double least = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(least, sx);
            sy = std::copysign(least, sy);
        }
        return {sx * scaleX_, sy * scaleY_};
    }

    static LONG Clamp(double value)
    {
        if (!(value == value))
            return 0;
        return static_cast<LONG>(std::lround(std::clamp(value, -kMaxCoordinate, kMaxCoordinate)));
    }

    POINT ToDevice(DPoint logical) const
    {
        logical = state_.world.Apply(logical);
        const DPoint scale = Scale();
        const double x = outerX_ + ((logical.x - state_.windowOrigin.x) * scale.x + state_.viewportOrigin.x * scaleX_);
        const double y = outerY_ + ((logical.y - state_.windowOrigin.y) * scale.y + state_.viewportOrigin.y * scaleY_);
        return {Clamp(x), Clamp(y)};
    }

    LONG ToDeviceLength(double length, bool vertical) const
    {
        const DPoint scale = Scale();
        return Clamp(std::fabs(length * state_.world.LengthScale() * (vertical ? scale.y : scale.x)));
    }

    // A point of the recording device (regions of enhanced metafiles) on the target.
    POINT ReferenceToTarget(double x, double y) const { return {Clamp(outerX_ + x * scaleX_), Clamp(outerY_ + y * scaleY_)}; }

    RECT ToDevice(double left, double top, double right, double bottom) const
    {
        const POINT a = ToDevice({left, top});
        const POINT b = ToDevice({right, bottom});
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    }

    void SetMapMode(LONG mode)
    {
        // Fixed modes: units per inch onto the reference device's dots per inch, y upwards.
        double perInch = 0;
        switch (mode) {
        case MM_TEXT: state_.windowExtent = state_.viewportExtent = {1, 1}; break;
        case MM_LOMETRIC: perInch = 254; break;
        case MM_HIMETRIC: perInch = 2540; break;
        case MM_LOENGLISH: perInch = 100; break;
        case MM_HIENGLISH: perInch = 1000; break;
        case MM_TWIPS: perInch = 1440; break;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC: break;
        default: return;
        }
        if (perInch > 0) {
            state_.windowExtent = {perInch, perInch};
            state_.viewportExtent = {dpiX_, -dpiY_};
        }
        state_.mapMode = mode;
    }

    // Extent x = x * xNum / xDenom, y alike; zero denominators are refused.
    void ScaleExtent(DPoint& extent, double xNum, double xDenom, double yNum, double yDenom)
    {
        if (ExtentsFree() && xDenom != 0 && yDenom != 0)
            SetExtent(extent, extent.x * xNum / xDenom, extent.y * yNum / yDenom);
    }

    static Transform ReadTransform(const Record& r, std::size_t at)
    {
        const auto real = [&r](std::size_t offset) {
            const std::uint32_t bits = r.U32(offset);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return double(value);
        };
        return {real(at), real(at + 4), real(at + 8), real(at + 12), real(at + 16), real(at + 20)};
    }

    // How the world transform changes: 1 identity, 2 the new one first, 3 the new one after, 4 set.
    void SetWorld(const Transform& change, DWORD mode)
    {
        Transform next;
        switch (mode) {
        case 1: break;
        case 2: next = change.Then(state_.world); break;
        case 3: next = state_.world.Then(change); break;
        case 4: next = change; break;
        default: return;
        }
        if (next.IsFinite())
            state_.world = next;
    }

    // A rectangle painted from the brush (and the pixels there) by a raster operation.
    void PaintPattern(const double* dest, DWORD rop)
    {
        if (inPath_)
            return;
        const RECT box = ToDevice(dest[0], dest[1], dest[0] + dest[2], dest[1] + dest[3]);
        Apply();
        PatBlt(hdc_, box.left, box.top, box.right - box.left, box.bottom - box.top, rop);
    }

    bool ExtentsFree() const { return state_.mapMode == MM_ISOTROPIC || state_.mapMode == MM_ANISOTROPIC; }

    void SetExtent(DPoint& extent, double x, double y)
    {
        if (ExtentsFree() && x != 0 && y != 0)
            extent = {x, y};
    }

    // Puts the state into the context before a drawing call.
    void Apply()
    {
        SelectObject(hdc_, state_.pen);
        SelectObject(hdc_, state_.brush);
        SelectObject(hdc_, state_.font);
        SetTextColor(hdc_, state_.textColour);
        SetBkColor(hdc_, state_.backColour);
        SetBkMode(hdc_, state_.backMode);
        SetTextAlign(hdc_, state_.textAlign & ~TA_UPDATECP);
        SetPolyFillMode(hdc_, state_.polyFillMode);
        const Region whole(target_);
        if (HRGN region = NewRegionHandle(state_.clip ? Region::Intersect(*state_.clip, whole) : whole)) {
            ExtSelectClipRgn(hdc_, region, RGN_COPY);
            DeleteObject(region);
        }
    }

    // Objects: a table of slots; a created object takes the lowest free one (Windows) or the
    // slot the record names (enhanced). Objects stay alive until the end, so deleting a selected
    // one leaves nothing dangling.
    struct Slot {
        HGDIOBJ object = nullptr;
        UINT kind = 0; // OBJ_PEN, OBJ_BRUSH, OBJ_FONT; 0 for kinds not drawn with, or a free slot
        bool used = false;
    };

    void Store(HGDIOBJ object, UINT kind, std::size_t slot)
    {
        if (object && !IsStock(object))
            owned_.push_back(object);
        if (slot >= kMaxObjects)
            return;
        if (slot >= objects_.size())
            objects_.resize(slot + 1);
        objects_[slot] = {object, object ? kind : 0, true};
    }

    void StoreInFreeSlot(HGDIOBJ object, UINT kind)
    {
        std::size_t slot = 0;
        while (slot < objects_.size() && objects_[slot].used)
            ++slot;
        if (slot < windowsObjectLimit_)
            Store(object, kind, slot);
        else if (object && !IsStock(object))
            owned_.push_back(object);
    }

    static bool IsStock(HGDIOBJ object) { return object == GetStockObject(NULL_BRUSH); }

    void Select(HGDIOBJ object, UINT kind)
    {
        switch (kind) {
        case OBJ_PEN: state_.pen = object; break;
        case OBJ_BRUSH: state_.brush = object; break;
        case OBJ_FONT: state_.font = object; break;
        default: break;
        }
    }

    void SelectSlot(std::size_t slot)
    {
        if (slot < objects_.size() && objects_[slot].object)
            Select(objects_[slot].object, objects_[slot].kind);
    }

    void SelectStock(int index)
    {
        if (index >= 0 && index <= 5)
            Select(GetStockObject(index), OBJ_BRUSH);
        else if (index >= 6 && index <= 8)
            Select(GetStockObject(index), OBJ_PEN);
        else if (index >= 10 && index <= 17 && index != 15)
            Select(GetStockObject(index), OBJ_FONT);
    }

    void Forget(std::size_t slot)
    {
        if (slot < objects_.size())
            objects_[slot] = {};
    }

    HGDIOBJ MakePen(int style, double width, COLORREF colour)
    {
        const LONG pixels = width <= 0 ? 1 : std::max<LONG>(1, ToDeviceLength(width, false));
        return CreatePen(style & 0x0F, static_cast<int>(std::min<LONG>(pixels, 1000)), colour & 0xFFFFFF);
    }

    static HGDIOBJ MakeBrush(UINT style, COLORREF colour, UINT hatch)
    {
        if (style == BS_NULL)
            return GetStockObject(NULL_BRUSH);
        if (style == BS_HATCHED && hatch <= HS_DIAGCROSS)
            return CreateHatchBrush(static_cast<int>(hatch), colour & 0xFFFFFF);
        // Patterns named by a handle cannot come with the record: drawn in the brush's colour.
        return CreateSolidBrush(colour & 0xFFFFFF);
    }

    // A brush repeating the packed DIB inside a record; black when the DIB cannot be read.
    static HGDIOBJ MakeDibBrush(const Record& r, std::size_t infoAt, std::size_t infoSize, std::size_t bitsAt,
                                std::size_t bitsSize)
    {
        const std::optional<PackedDib> dib = ReadPackedDib(r, infoAt, infoSize, bitsAt, bitsSize);
        HGDIOBJ brush = dib ? CreateDIBPatternBrushPt(dib->bytes.data(), DIB_RGB_COLORS) : nullptr;
        return brush ? brush : CreateSolidBrush(RGB(0, 0, 0));
    }

    HGDIOBJ MakeFont(LOGFONTA font)
    {
        font.lfHeight = (font.lfHeight < 0 ? -1 : 1) * ToDeviceLength(font.lfHeight, true);
        font.lfWidth = ToDeviceLength(font.lfWidth, false);
        font.lfFaceName[LF_FACESIZE - 1] = 0;
        return CreateFontIndirectA(&font);
    }

    void Save()
    {
        if (saved_.size() < kMaxSaved)
            saved_.push_back(state_);
    }

    void Restore(long which)
    {
        // Negative: that many back; positive: the n-th save from the start.
        std::size_t keep;
        if (which < 0) {
            if (static_cast<std::size_t>(-static_cast<long long>(which)) > saved_.size())
                return;
            keep = saved_.size() - static_cast<std::size_t>(-static_cast<long long>(which));
        } else {
            if (which == 0 || static_cast<std::size_t>(which) > saved_.size())
                return;
            keep = static_cast<std::size_t>(which) - 1;
        }
        state_ = saved_[keep];
        saved_.resize(keep);
    }

    // The clip region combined with `area` (RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF; RGN_COPY replaces).
    void CombineClip(const Region& area, int mode)
    {
        const Region current = state_.clip ? *state_.clip : Region(target_);
        state_.clip = std::make_shared<const Region>(mode == RGN_COPY ? area : CombineRegions(current, area, mode));
    }

    void IntersectClip(double left, double top, double right, double bottom)
    {
        CombineClip(Region(ToDevice(left, top, right, bottom)), RGN_AND);
    }

    void ExcludeClip(double left, double top, double right, double bottom)
    {
        CombineClip(Region(ToDevice(left, top, right, bottom)), RGN_DIFF);
    }

    void OffsetClip(double dx, double dy)
    {
        if (!state_.clip)
            return;
        const POINT from = ToDevice({0, 0});
        const POINT to = ToDevice({dx, dy});
        state_.clip = std::make_shared<const Region>(state_.clip->Offset(to.x - from.x, to.y - from.y));
    }

    // Region data of an enhanced metafile: a 32-byte header, then rectangles in the recording
    // device's pixels. No data with RGN_COPY removes the clip region.
    void SelectClipRegionData(const Record& r, std::size_t at, std::size_t size, int mode)
    {
        if (size == 0 || !r.Has(at, size)) {
            if (mode == RGN_COPY)
                state_.clip.reset();
            return;
        }
        if (size < 32)
            return;
        const std::size_t count = std::min({std::size_t(r.U32(at + 8)), (size - 32) / 16, kMaxRegionRects});
        std::vector<RECT> rects;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t rect = at + 32 + i * 16;
            const POINT a = ReferenceToTarget(r.I32(rect), r.I32(rect + 4));
            const POINT b = ReferenceToTarget(r.I32(rect + 8), r.I32(rect + 12));
            rects.push_back(RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
        }
        CombineClip(Region::FromRects(rects), mode);
    }

    // Paths: between the begin and end records drawing adds figures (in target pixels) instead
    // of painting; the path is then filled, stroked or made the clip region.
    void StartFigure(const std::vector<POINT>& points, bool closed)
    {
        if (points.empty() || pathPoints_ + points.size() > kMaxPathPoints)
            return;
        figures_.push_back(points);
        figureClosed_.push_back(closed);
        pathPoints_ += points.size();
        figureOpen_ = !closed;
    }

    void ExtendFigure(const std::vector<POINT>& points)
    {
        if (!figureOpen_ || figures_.empty()) {
            StartFigure(points, false);
            return;
        }
        if (pathPoints_ + points.size() > kMaxPathPoints)
            return;
        figures_.back().insert(figures_.back().end(), points.begin() + 1, points.end());
        pathPoints_ += points.size();
    }

    void CloseFigure()
    {
        if (!figureClosed_.empty())
            figureClosed_.back() = true;
        figureOpen_ = false;
    }

    void ClearPath()
    {
        figures_.clear();
        figureClosed_.clear();
        figureOpen_ = false;
        pathPoints_ = 0;
    }

    // Figures of two points and more, as polygons.
    Polygons PathPolygons() const
    {
        Polygons polygons;
        for (const std::vector<POINT>& figure : figures_)
            if (figure.size() >= 2)
                polygons.push_back(figure);
        return polygons;
    }

    void FillPath(bool stroke)
    {
        const Polygons polygons = PathPolygons();
        if (!polygons.empty()) {
            Apply();
            if (!stroke)
                SelectObject(hdc_, GetStockObject(NULL_PEN));
            std::vector<POINT> points;
            std::vector<INT> counts;
            for (const std::vector<POINT>& polygon : polygons) {
                points.insert(points.end(), polygon.begin(), polygon.end());
                counts.push_back(static_cast<INT>(polygon.size()));
            }
            PolyPolygon(hdc_, points.data(), counts.data(), static_cast<int>(counts.size()));
        }
        ClearPath();
    }

    void StrokePath()
    {
        Apply();
        for (std::size_t i = 0; i < figures_.size(); ++i) {
            std::vector<POINT> line = figures_[i];
            if (line.size() < 2)
                continue;
            if (figureClosed_[i])
                line.push_back(line.front());
            Polyline(hdc_, line.data(), static_cast<int>(line.size()));
        }
        ClearPath();
    }

    void SelectClipPath(int mode)
    {
        CombineClip(PolygonRegion(PathPolygons(), state_.polyFillMode, target_), mode);
        ClearPath();
    }

    std::vector<POINT> ToDevice(const std::vector<DPoint>& points) const
    {
        std::vector<POINT> device;
        device.reserve(points.size());
        for (const DPoint& point : points)
            device.push_back(ToDevice(point));
        return device;
    }

    // Drawing, in logical coordinates.
    void MoveTo(DPoint to)
    {
        state_.position = to;
        figureOpen_ = false;
    }

    void DrawLine(DPoint to)
    {
        if (inPath_) {
            ExtendFigure({ToDevice(state_.position), ToDevice(to)});
            state_.position = to;
            return;
        }
        Apply();
        const POINT from = ToDevice(state_.position);
        const POINT end = ToDevice(to);
        MoveToEx(hdc_, from.x, from.y, nullptr);
        LineTo(hdc_, end.x, end.y);
        state_.position = to;
    }

    // A polyline or polygon; `continues` for the kinds that go on from the current position
    // (their first point is that position).
    void DrawPoly(const std::vector<DPoint>& points, bool closed, bool continues = false)
    {
        if (points.empty())
            return;
        const std::vector<POINT> device = ToDevice(points);
        if (inPath_) {
            if (continues)
                ExtendFigure(device);
            else
                StartFigure(device, closed);
            return;
        }
        if (device.size() < 2)
            return;
        Apply();
        const int count = static_cast<int>(device.size());
        if (closed)
            Polygon(hdc_, device.data(), count);
        else
            Polyline(hdc_, device.data(), count);
    }

    // Polygons filled as one area (one inside another makes a hole).
    void DrawPolygons(const std::vector<std::vector<DPoint>>& polygons)
    {
        std::vector<POINT> points;
        std::vector<INT> counts;
        for (const std::vector<DPoint>& polygon : polygons) {
            if (polygon.size() < 2)
                continue;
            const std::vector<POINT> device = ToDevice(polygon);
            if (inPath_)
                StartFigure(device, true);
            points.insert(points.end(), device.begin(), device.end());
            counts.push_back(static_cast<INT>(device.size()));
        }
        if (inPath_ || counts.empty())
            return;
        Apply();
        PolyPolygon(hdc_, points.data(), counts.data(), static_cast<int>(counts.size()));
    }

    // Rectangles and ellipses turn into polygons in a path or under a rotating world transform.
    bool ShapesAsPolygons() const { return inPath_ || !state_.world.KeepsAxes(); }

    void DrawRectangle(double l, double t, double r, double b)
    {
        if (ShapesAsPolygons()) {
            DrawPoly({{l, t}, {r, t}, {r, b}, {l, b}}, true);
            return;
        }
        const RECT box = ToDevice(l, t, r, b);
        Apply();
        Rectangle(hdc_, box.left, box.top, box.right, box.bottom);
    }

    void DrawEllipse(double l, double t, double r, double b)
    {
        if (ShapesAsPolygons()) {
            const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::fabs(r - l) / 2, ry = std::fabs(b - t) / 2;
            std::vector<DPoint> points;
            for (int step = 0; step < 2 * kCurveSteps; ++step) {
                const double angle = step * kPi / kCurveSteps;
                points.push_back({cx + rx * std::cos(angle), cy - ry * std::sin(angle)});
            }
            DrawPoly(points, true);
            return;
        }
        const RECT box = ToDevice(l, t, r, b);
        Apply();
        Ellipse(hdc_, box.left, box.top, box.right, box.bottom);
    }

    void DrawRoundRect(double l, double t, double r, double b, double w, double h)
    {
        if (l > r)
            std::swap(l, r);
        if (t > b)
            std::swap(t, b);
        const double rx = std::min(std::fabs(w) / 2, (r - l) / 2);
        const double ry = std::min(std::fabs(h) / 2, (b - t) / 2);
        std::vector<DPoint> points;
        const DPoint centres[4] = {{r - rx, t + ry}, {l + rx, t + ry}, {l + rx, b - ry}, {r - rx, b - ry}};
        for (int corner = 0; corner < 4; ++corner)
            for (int step = 0; step <= kCurveSteps / 4; ++step) {
                const double angle = (corner + double(step) / (kCurveSteps / 4)) * kPi / 2;
                points.push_back({centres[corner].x + rx * std::cos(angle), centres[corner].y - ry * std::sin(angle)});
            }
        DrawPoly(points, true);
    }

    // Arc, chord (kind 1) and pie (kind 2): counter-clockwise from the start radial to the end one.
    void DrawArc(const double* box, const double* ends, int kind)
    {
        const double cx = (box[0] + box[2]) / 2, cy = (box[1] + box[3]) / 2;
        const double rx = std::fabs(box[2] - box[0]) / 2, ry = std::fabs(box[3] - box[1]) / 2;
        if (rx == 0 || ry == 0)
            return;
        const double start = std::atan2(-(ends[1] - cy) / ry, (ends[0] - cx) / rx);
        double end = std::atan2(-(ends[3] - cy) / ry, (ends[2] - cx) / rx);
        if (end <= start)
            end += 2 * kPi;
        std::vector<DPoint> points;
        for (int step = 0; step <= kCurveSteps; ++step) {
            const double angle = start + (end - start) * step / kCurveSteps;
            points.push_back({cx + rx * std::cos(angle), cy - ry * std::sin(angle)});
        }
        if (kind == 2)
            points.push_back({cx, cy});
        DrawPoly(points, kind != 0);
    }

    void DrawText(DPoint at, const std::string& text, UINT options, const RECT* logicalRect)
    {
        if (inPath_)
            return; // text outlines are not made into figures
        Apply();
        const POINT where = ToDevice(at);
        RECT rect{};
        if (logicalRect)
            rect = ToDevice(logicalRect->left, logicalRect->top, logicalRect->right, logicalRect->bottom);
        ExtTextOutA(hdc_, where.x, where.y, options & ETO_OPAQUE, logicalRect ? &rect : nullptr, text.data(),
                    static_cast<UINT>(text.size()), nullptr);
    }

    // A packed DIB inside a record drawn into the logical rectangle dest (x, y, width, height)
    // from the source rectangle (x, y, width, height) with the raster operation; operations the
    // layer lacks copy.
    void DrawDib(const Record& record, std::size_t infoAt, std::size_t infoSize, std::size_t bitsAt,
                 std::size_t bitsSize, const double* dest, const LONG* source, DWORD rop = SRCCOPY)
    {
        const std::optional<PackedDib> dib = ReadPackedDib(record, infoAt, infoSize, bitsAt, bitsSize);
        if (!dib || inPath_)
            return;
        const RECT box = ToDevice(dest[0], dest[1], dest[0] + dest[2], dest[1] + dest[3]);
        Apply();
        StretchDIBits(hdc_, box.left, box.top, box.right - box.left, box.bottom - box.top, source[0], source[1],
                      source[2], source[3], dib->Bits(), dib->Info(), DIB_RGB_COLORS,
                      FindRasterOp(rop) ? rop : SRCCOPY);
    }

    void PlayEnhanced();
    void PlayWindows();
    void PlayEnhancedRecord(DWORD type, const Record& r);
    void PlayWindowsRecord(WORD function, const Record& r);

    HDC hdc_;
    const MetafileData& data_;
    RECT target_;
    PlayState state_;
    PlayState previous_;
    std::vector<PlayState> saved_;
    std::vector<Slot> objects_;
    std::vector<HGDIOBJ> owned_;
    std::size_t windowsObjectLimit_ = 0;
    bool inPath_ = false;
    Polygons figures_;
    std::vector<bool> figureClosed_;
    bool figureOpen_ = false; // the last figure takes the next line's points
    std::size_t pathPoints_ = 0;
    double outerX_ = 0, outerY_ = 0, scaleX_ = 1, scaleY_ = 1;
    double dpiX_ = 96, dpiY_ = 96;
};

std::string Utf16ToUtf8(const BYTE* data, std::size_t count)
{
    if (count == 0)
        return {};
    std::vector<WCHAR> wide(count);
    for (std::size_t i = 0; i < count; ++i)
        wide[i] = static_cast<WCHAR>(data[2 * i] | data[2 * i + 1] << 8);
    const int length = static_cast<int>(count);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), bytes, nullptr, nullptr);
    return text;
}

// Windows metafile text is in the system's single-byte code page: Latin-1 here.
std::string Latin1ToUtf8(const BYTE* data, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count && data[i]; ++i) {
        if (data[i] < 0x80)
            text += char(data[i]);
        else {
            text += char(0xC0 | data[i] >> 6);
            text += char(0x80 | (data[i] & 0x3F));
        }
    }
    return text;
}

} // namespace

namespace {

std::vector<DPoint> ReadPoints(const Record& r, std::size_t at, std::size_t count, bool small)
{
    std::vector<DPoint> points;
    const std::size_t each = small ? 4 : 8;
    if (count == 0 || !r.Has(at, count * each) || count > r.Size() / each)
        return points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i, at += each)
        points.push_back(small ? DPoint{double(r.I16(at)), double(r.I16(at + 2))} : DPoint{double(r.I32(at)), double(r.I32(at + 4))});
    return points;
}

// Cubic Bézier pieces (start point, then three points each) as a polyline.
std::vector<DPoint> FlattenBeziers(const std::vector<DPoint>& points)
{
    std::vector<DPoint> line;
    if (points.empty())
        return line;
    line.push_back(points[0]);
    for (std::size_t i = 1; i + 2 < points.size(); i += 3) {
        const DPoint p0 = points[i - 1], p1 = points[i], p2 = points[i + 1], p3 = points[i + 2];
        for (int step = 1; step <= 16; ++step) {
            const double t = step / 16.0, u = 1 - t;
            line.push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                            u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
        }
    }
    return line;
}

} // namespace

void Player::PlayEnhanced()
{
    const std::vector<BYTE>& bytes = data_.bytes;
    std::size_t at = 0;
    for (std::size_t count = 0; count < kMaxRecords && bytes.size() - at >= 8; ++count) {
        const Record head(bytes.data() + at, 8);
        const DWORD type = head.U32(0);
        const DWORD size = head.U32(4);
        if (size < 8 || size % 4 != 0 || size > bytes.size() - at)
            return;
        if (type == 14) // end of file
            return;
        PlayEnhancedRecord(type, Record(bytes.data() + at, size));
        at += size;
    }
}

void Player::PlayEnhancedRecord(DWORD type, const Record& r)
{
    auto box = [&r](std::size_t at) {
        return std::array<double, 4>{double(r.I32(at)), double(r.I32(at + 4)), double(r.I32(at + 8)), double(r.I32(at + 12))};
    };
    switch (type) {
    case 2: case 5: case 85: case 88: { // poly Béziers, the "to" kinds from the current position
        const bool small = type >= 85;
        const bool from = type == 5 || type == 88;
        std::vector<DPoint> points = ReadPoints(r, 28, r.U32(24), small);
        if (points.empty())
            return;
        if (from)
            points.insert(points.begin(), state_.position);
        state_.position = points.back();
        DrawPoly(FlattenBeziers(points), false, from);
        return;
    }
    case 3: case 4: case 6: case 86: case 87: case 89: { // polygon, polyline, polyline-to
        const bool small = type >= 86;
        std::vector<DPoint> points = ReadPoints(r, 28, r.U32(24), small);
        if (points.empty())
            return;
        const bool from = type == 6 || type == 89;
        if (from) {
            points.insert(points.begin(), state_.position);
            state_.position = points.back();
        }
        DrawPoly(points, type == 3 || type == 86, from);
        return;
    }
    case 7: case 8: case 90: case 91: { // poly-polylines and poly-polygons
        const bool small = type >= 90;
        const std::size_t polys = r.U32(24);
        const std::size_t total = r.U32(28);
        if (polys == 0 || polys > r.Size() / 4 || !r.Has(32, polys * 4))
            return;
        const std::vector<DPoint> points = ReadPoints(r, 32 + polys * 4, total, small);
        std::vector<std::vector<DPoint>> parts;
        std::size_t next = 0;
        for (std::size_t i = 0; i < polys; ++i) {
            const std::size_t n = r.U32(32 + i * 4);
            if (n > points.size() - next)
                break;
            parts.emplace_back(points.begin() + long(next), points.begin() + long(next + n));
            next += n;
        }
        if (type == 8 || type == 91)
            DrawPolygons(parts);
        else
            for (const std::vector<DPoint>& part : parts)
                DrawPoly(part, false);
        return;
    }
    case 9: SetExtent(state_.windowExtent, r.I32(8), r.I32(12)); return;
    case 10: state_.windowOrigin = {double(r.I32(8)), double(r.I32(12))}; return;
    case 11: SetExtent(state_.viewportExtent, r.I32(8), r.I32(12)); return;
    case 12: state_.viewportOrigin = {double(r.I32(8)), double(r.I32(12))}; return;
    case 15: { // set pixel
        Apply();
        const POINT p = ToDevice({double(r.I32(8)), double(r.I32(12))});
        SetPixel(hdc_, p.x, p.y, r.U32(16) & 0xFFFFFF);
        return;
    }
    case 17: SetMapMode(r.I32(8)); return;
    case 19: state_.polyFillMode = r.I32(8) == WINDING ? WINDING : ALTERNATE; return;
    case 26: OffsetClip(r.I32(8), r.I32(12)); return;
    case 29: { const auto b = box(8); ExcludeClip(b[0], b[1], b[2], b[3]); return; }
    case 31: ScaleExtent(state_.viewportExtent, r.I32(8), r.I32(12), r.I32(16), r.I32(20)); return;
    case 32: ScaleExtent(state_.windowExtent, r.I32(8), r.I32(12), r.I32(16), r.I32(20)); return;
    case 35: SetWorld(ReadTransform(r, 8), 4); return;
    case 36: SetWorld(ReadTransform(r, 8), r.U32(32)); return;
    case 18: state_.backMode = r.I32(8) == TRANSPARENT ? TRANSPARENT : OPAQUE; return;
    case 22: state_.textAlign = r.U32(8); return;
    case 24: state_.textColour = r.U32(8) & 0xFFFFFF; return;
    case 25: state_.backColour = r.U32(8) & 0xFFFFFF; return;
    case 27: MoveTo({double(r.I32(8)), double(r.I32(12))}); return;
    case 30: { const auto b = box(8); IntersectClip(b[0], b[1], b[2], b[3]); return; }
    case 33: Save(); return;
    case 34: Restore(r.I32(8)); return;
    case 37: {
        const DWORD index = r.U32(8);
        if (index & 0x80000000u)
            SelectStock(static_cast<int>(index & 0x7FFFFFFFu));
        else
            SelectSlot(index);
        return;
    }
    case 38: Store(MakePen(r.I32(12), r.I32(16), r.U32(24)), OBJ_PEN, r.U32(8)); return;
    case 95: Store(MakePen(r.I32(28), r.I32(32), r.U32(40)), OBJ_PEN, r.U32(8)); return;
    case 39: Store(MakeBrush(r.U32(12), r.U32(16), r.U32(20)), OBJ_BRUSH, r.U32(8)); return;
    case 93: case 94: Store(MakeDibBrush(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28)), OBJ_BRUSH, r.U32(8)); return;
    case 40: Forget(r.U32(8)); return;
    case 42: { const auto b = box(8); DrawEllipse(b[0], b[1], b[2], b[3]); return; }
    case 43: { const auto b = box(8); DrawRectangle(b[0], b[1], b[2], b[3]); return; }
    case 44: { const auto b = box(8); DrawRoundRect(b[0], b[1], b[2], b[3], r.I32(24), r.I32(28)); return; }
    case 45: case 46: case 47: { // arc, chord, pie
        const auto b = box(8);
        const auto e = box(24);
        DrawArc(b.data(), e.data(), type - 45);
        return;
    }
    case 54: DrawLine({double(r.I32(8)), double(r.I32(12))}); return;
    case 59: ClearPath(); inPath_ = true; return;
    case 60: inPath_ = false; return;
    case 61: CloseFigure(); return;
    case 62: FillPath(false); return;
    case 63: FillPath(true); return;
    case 64: StrokePath(); return;
    case 67: SelectClipPath(r.I32(8)); return;
    case 68: ClearPath(); inPath_ = false; return;
    case 75: SelectClipRegionData(r, 16, r.U32(8), r.I32(12)); return;
    case 76: case 77: { // bit blit, stretch blit; without bits they fill with the brush
        const double dest[4] = {double(r.I32(24)), double(r.I32(28)), double(r.I32(32)), double(r.I32(36))};
        const bool stretch = type == 77;
        const LONG source[4] = {r.I32(44), r.I32(48), stretch ? r.I32(100) : LONG(dest[2]), stretch ? r.I32(104) : LONG(dest[3])};
        if (r.U32(88) == 0) {
            PaintPattern(dest, r.U32(40));
            return;
        }
        DrawDib(r, r.U32(84), r.U32(88), r.U32(92), r.U32(96), dest, source, r.U32(40));
        return;
    }
    case 80: { // DIB bits to the device, unscaled
        const double dest[4] = {double(r.I32(24)), double(r.I32(28)), double(r.I32(40)), double(r.I32(44))};
        const LONG source[4] = {r.I32(32), r.I32(36), r.I32(40), r.I32(44)};
        DrawDib(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), dest, source);
        return;
    }
    case 81: { // stretch DIB bits
        const double dest[4] = {double(r.I32(24)), double(r.I32(28)), double(r.I32(72)), double(r.I32(76))};
        const LONG source[4] = {r.I32(32), r.I32(36), r.I32(40), r.I32(44)};
        DrawDib(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), dest, source, r.U32(68));
        return;
    }
    case 82: { // font
        if (!r.Has(12, 92))
            return;
        LOGFONTA font{};
        font.lfHeight = r.I32(12);
        font.lfWidth = r.I32(16);
        font.lfEscapement = r.I32(20);
        font.lfOrientation = r.I32(24);
        font.lfWeight = r.I32(28);
        std::memcpy(&font.lfItalic, r.Data() + 32, 8);
        const std::string face = Utf16ToUtf8(r.Data() + 40, 32);
        std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        Store(MakeFont(font), OBJ_FONT, r.U32(8));
        return;
    }
    case 83: case 84: { // text, single-byte or UTF-16
        const std::size_t chars = r.U32(44);
        const std::size_t offset = r.U32(48);
        const std::size_t width = type == 84 ? 2 : 1;
        if (chars > r.Size() || !r.Has(offset, chars * width))
            return;
        const std::string text = type == 84 ? Utf16ToUtf8(r.Data() + offset, chars) : Latin1ToUtf8(r.Data() + offset, chars);
        const UINT options = r.U32(52);
        const RECT rect{r.I32(56), r.I32(60), r.I32(64), r.I32(68)};
        DrawText({double(r.I32(36)), double(r.I32(40))}, text, options, (options & ETO_OPAQUE) ? &rect : nullptr);
        return;
    }
    default: return; // not drawn: skipped
    }
}

void Player::PlayWindows()
{
    const std::vector<BYTE>& bytes = data_.bytes;
    const Record header(bytes.data(), bytes.size());
    windowsObjectLimit_ = std::min<std::size_t>(header.U16(10), kMaxObjects);
    std::size_t at = std::size_t(header.U16(2)) * 2;
    for (std::size_t count = 0; count < kMaxRecords && at <= bytes.size() && bytes.size() - at >= 6; ++count) {
        const Record head(bytes.data() + at, 6);
        const std::uint64_t size = std::uint64_t(head.U32(0)) * 2;
        const WORD function = head.U16(4);
        if (function == 0 || size < 6 || size > bytes.size() - at)
            return;
        PlayWindowsRecord(function, Record(bytes.data() + at, std::size_t(size)));
        at += std::size_t(size);
    }
}

void Player::PlayWindowsRecord(WORD function, const Record& r)
{
    // Parameters are 16-bit words from offset 6, the last of the call's arguments first.
    auto w = [&r](std::size_t i) { return double(r.I16(6 + 2 * i)); };
    auto colour = [&r](std::size_t i) { return COLORREF(r.U32(6 + 2 * i) & 0xFFFFFF); };
    switch (function) {
    case 0x0103: SetMapMode(r.I16(6)); return;
    case 0x0102: state_.backMode = r.I16(6) == TRANSPARENT ? TRANSPARENT : OPAQUE; return;
    case 0x0201: state_.backColour = colour(0); return;
    case 0x0209: state_.textColour = colour(0); return;
    case 0x012E: state_.textAlign = r.U16(6); return;
    case 0x020B: state_.windowOrigin = {w(1), w(0)}; return;
    case 0x020C: SetExtent(state_.windowExtent, w(1), w(0)); return;
    case 0x020D: state_.viewportOrigin = {w(1), w(0)}; return;
    case 0x020E: SetExtent(state_.viewportExtent, w(1), w(0)); return;
    case 0x020F: state_.windowOrigin = {state_.windowOrigin.x + w(1), state_.windowOrigin.y + w(0)}; return;
    case 0x0211: state_.viewportOrigin = {state_.viewportOrigin.x + w(1), state_.viewportOrigin.y + w(0)}; return;
    case 0x0410: ScaleExtent(state_.windowExtent, w(3), w(2), w(1), w(0)); return;
    case 0x0412: ScaleExtent(state_.viewportExtent, w(3), w(2), w(1), w(0)); return;
    case 0x0415: ExcludeClip(w(3), w(2), w(1), w(0)); return;
    case 0x0220: OffsetClip(w(1), w(0)); return;
    case 0x0106: state_.polyFillMode = r.I16(6) == WINDING ? WINDING : ALTERNATE; return;
    case 0x061D: { // pattern blit: rop, height, width, y, x
        const double dest[4] = {w(5), w(4), w(3), w(2)};
        PaintPattern(dest, r.U32(6));
        return;
    }
    case 0x0214: MoveTo({w(1), w(0)}); return;
    case 0x0213: DrawLine({w(1), w(0)}); return;
    case 0x041F: {
        Apply();
        const POINT p = ToDevice({w(3), w(2)});
        SetPixel(hdc_, p.x, p.y, colour(0));
        return;
    }
    case 0x0324: case 0x0325: DrawPoly(ReadPoints(r, 8, r.U16(6), true), function == 0x0324); return;
    case 0x0538: { // poly-polygon
        const std::size_t polys = r.U16(6);
        std::size_t total = 0;
        for (std::size_t i = 0; i < polys; ++i)
            total += r.U16(8 + 2 * i);
        const std::vector<DPoint> points = ReadPoints(r, 8 + 2 * polys, total, true);
        std::vector<std::vector<DPoint>> parts;
        std::size_t next = 0;
        for (std::size_t i = 0; i < polys && !points.empty(); ++i) {
            const std::size_t n = r.U16(8 + 2 * i);
            parts.emplace_back(points.begin() + long(next), points.begin() + long(next + n));
            next += n;
        }
        DrawPolygons(parts);
        return;
    }
    case 0x041B: DrawRectangle(w(3), w(2), w(1), w(0)); return;
    case 0x0418: DrawEllipse(w(3), w(2), w(1), w(0)); return;
    case 0x061C: DrawRoundRect(w(5), w(4), w(3), w(2), w(1), w(0)); return;
    case 0x0817: case 0x0830: case 0x081A: { // arc, chord, pie
        const double b[4] = {w(7), w(6), w(5), w(4)};
        const double e[4] = {w(3), w(2), w(1), w(0)};
        DrawArc(b, e, function == 0x0817 ? 0 : function == 0x0830 ? 1 : 2);
        return;
    }
    case 0x02FA: StoreInFreeSlot(MakePen(r.U16(6), w(1), r.U32(12)), OBJ_PEN); return;
    case 0x02FC: StoreInFreeSlot(MakeBrush(r.U16(6), r.U32(8), r.U16(12)), OBJ_BRUSH); return;
    case 0x0142: { // brush from a DIB: style, usage, DIB
        if (r.U16(6) == BS_PATTERN || r.Size() <= 10) { // a device bitmap, not a DIB: not kept
            StoreInFreeSlot(CreateSolidBrush(RGB(0, 0, 0)), OBJ_BRUSH);
            return;
        }
        const std::size_t info = DibInfoSize(r, 10);
        StoreInFreeSlot(MakeDibBrush(r, 10, info, 10 + info, r.Size() - 10 - info), OBJ_BRUSH);
        return;
    }
    case 0x02FB: { // font
        if (!r.Has(6, 18))
            return;
        LOGFONTA font{};
        font.lfHeight = r.I16(6);
        font.lfWidth = r.I16(8);
        font.lfEscapement = r.I16(10);
        font.lfOrientation = r.I16(12);
        font.lfWeight = r.I16(14);
        std::memcpy(&font.lfItalic, r.Data() + 16, 8);
        const std::size_t faceBytes = std::min<std::size_t>(r.Size() - 24, LF_FACESIZE - 1);
        std::memcpy(font.lfFaceName, r.Data() + 24, faceBytes);
        StoreInFreeSlot(MakeFont(font), OBJ_FONT);
        return;
    }
    // Objects the player does not draw with still take their slot.
    case 0x00F7: case 0x06FF: case 0x01F9: StoreInFreeSlot(nullptr, 0); return;
    case 0x012D: SelectSlot(r.U16(6)); return;
    case 0x01F0: Forget(r.U16(6)); return;
    case 0x001E: Save(); return;
    case 0x0127: Restore(r.I16(6)); return;
    case 0x0416: IntersectClip(w(3), w(2), w(1), w(0)); return;
    case 0x0521: { // text: count, string padded to words, y, x
        const std::size_t count = r.U16(6);
        const std::size_t padded = (count + 1) & ~std::size_t(1);
        if (!r.Has(8, padded + 4))
            return;
        DrawText({double(r.I16(8 + padded + 2)), double(r.I16(8 + padded))}, Latin1ToUtf8(r.Data() + 8, count), 0, nullptr);
        return;
    }
    case 0x0A32: { // extended text: y, x, count, options, [rectangle], string
        const std::size_t count = r.U16(10);
        const UINT options = r.U16(12);
        const bool hasRect = options & (ETO_OPAQUE | ETO_CLIPPED);
        const std::size_t textAt = hasRect ? 22 : 14;
        if (!r.Has(textAt, count))
            return;
        const RECT rect{r.I16(14), r.I16(16), r.I16(18), r.I16(20)};
        DrawText({w(1), w(0)}, Latin1ToUtf8(r.Data() + textAt, count), options, hasRect && (options & ETO_OPAQUE) ? &rect : nullptr);
        return;
    }
    case 0x0F43: { // stretch DIB: rop, usage, source h, w, y, x, dest h, w, y, x, DIB
        const double dest[4] = {w(10), w(9), w(8), w(7)};
        const LONG source[4] = {r.I16(6 + 2 * 6), r.I16(6 + 2 * 5), r.I16(6 + 2 * 4), r.I16(6 + 2 * 3)};
        if (r.Size() > 28)
            DrawDib(r, 28, r.Size() - 28, 28 + DibInfoSize(r, 28), r.Size() - 28 - DibInfoSize(r, 28), dest, source);
        return;
    }
    case 0x0B41: { // DIB stretch blit: rop, source h, w, y, x, dest h, w, y, x, DIB
        const double dest[4] = {w(9), w(8), w(7), w(6)};
        const LONG source[4] = {r.I16(6 + 2 * 5), r.I16(6 + 2 * 4), r.I16(6 + 2 * 3), r.I16(6 + 2 * 2)};
        if (r.Size() > 26)
            DrawDib(r, 26, r.Size() - 26, 26 + DibInfoSize(r, 26), r.Size() - 26 - DibInfoSize(r, 26), dest, source);
        return;
    }
    case 0x0940: { // DIB bit blit: rop, source y, x, height, width, dest y, x, DIB
        const double dest[4] = {w(7), w(6), w(5), w(4)};
        const LONG source[4] = {r.I16(6 + 2 * 3), r.I16(6 + 2 * 2), LONG(w(5)), LONG(w(4))};
        if (r.Size() > 22)
            DrawDib(r, 22, r.Size() - 22, 22 + DibInfoSize(r, 22), r.Size() - 22 - DibInfoSize(r, 22), dest, source);
        return;
    }
    default: return; // not drawn: skipped
    }
}

void PlayMetafileRecords(HDC hdc, const MetafileData& data, const RECT& target)
{
    if (!hdc || target.right <= target.left || target.bottom <= target.top)
        return;
    Player player(hdc, data, target);
    player.Play();
}

} // namespace zv::gdi
