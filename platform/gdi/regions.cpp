// Rectangular regions and the clip region of a device context.
#include <algorithm>
#include <mutex>

#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/polygon_spans.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

HRGN zv::gdi::NewRegionHandle(Region area)
{
    auto region = std::make_shared<RegionObject>(std::move(area));
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return MakeHandle<HRGN>(table.Add(std::move(region)));
}

Region zv::gdi::CombineRegions(const Region& a, const Region& b, int mode)
{
    switch (mode) {
    case RGN_AND: return Region::Intersect(a, b);
    case RGN_OR: return Region::Union(a, b);
    case RGN_XOR: return Region::Union(Region::Subtract(a, b), Region::Subtract(b, a));
    case RGN_DIFF: return Region::Subtract(a, b);
    default: return a;
    }
}

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    if (rect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const RECT ordered{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                       std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
    return NewRegionHandle(Region(ordered));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    const RECT rect{left, top, right, bottom};
    return CreateRectRgnIndirect(&rect);
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode)
{
    if (points == nullptr || count < 3 || (fillMode != ALTERNATE && fillMode != WINDING)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    constexpr LONG kReach = 1 << 27; // the coordinate range shapes take
    return NewRegionHandle(PolygonRegion({std::vector<POINT>(points, points + count)}, fillMode,
                                         RECT{-kReach, -kReach, kReach, kReach}));
}

int CombineRgn(HRGN destination, HRGN a, HRGN b, int mode)
{
    if (mode < RGN_AND || mode > RGN_COPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const auto target = table.FindAs<RegionObject>(HandleId(destination));
    const auto first = table.FindAs<RegionObject>(HandleId(a));
    const auto second = mode == RGN_COPY ? first : table.FindAs<RegionObject>(HandleId(b));
    if (!target || !first || !second) {
        SetLastError(ERROR_INVALID_HANDLE);
        return ERROR;
    }
    Region result = CombineRegions(first->Area(), second->Area(), mode);
    const int kind = result.Kind();
    target->Replace(std::move(result));
    return kind;
}

int ExtSelectClipRgn(HDC hdc, HRGN region, int mode)
{
    if (mode < RGN_AND || mode > RGN_COPY) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return ERROR;
    }
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(HandleId(hdc));
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return ERROR;
    }
    const std::shared_ptr<Surface> target = dc->Target();
    if (region == nullptr && mode == RGN_COPY) {
        dc->clip.reset();
        return VisiblePart(target.get(), dc->systemClip.get(), nullptr).Kind();
    }
    const std::shared_ptr<RegionObject> object = table.FindAs<RegionObject>(HandleId(region));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return ERROR;
    }
    // Without a clip region the whole surface is the clip region. A window context's regions
    // count from its origin.
    const Region current = dc->clip ? *dc->clip : Region(target ? target->Bounds() : RECT{});
    const Region area = object->Area().Offset(dc->origin.x, dc->origin.y);
    Region combined = mode == RGN_COPY ? area : CombineRegions(current, area, mode);
    dc->clip = std::make_shared<const Region>(std::move(combined));
    return VisiblePart(target.get(), dc->systemClip.get(), dc->clip.get()).Kind();
}

int GetClipBox(HDC hdc, RECT* rect)
{
    ContextState state;
    if (rect == nullptr || !ReadContextState(hdc, state)) {
        SetLastError(rect == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return ERROR;
    }
    const Region visible = state.Visible().Offset(-state.origin.x, -state.origin.y);
    *rect = visible.Box();
    return visible.Kind();
}

BOOL RectVisible(HDC hdc, const RECT* rect)
{
    ContextState state;
    if (rect == nullptr || !ReadContextState(hdc, state)) {
        SetLastError(rect == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return state.Visible().Overlaps(state.ToSurface(*rect)) ? TRUE : FALSE;
}
