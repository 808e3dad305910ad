// Rectangular regions and the clip region of a device context.
#include <algorithm>
#include <mutex>

#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    if (rect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const RECT ordered{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                       std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
    auto region = std::make_shared<RegionObject>(Region(ordered));
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return MakeHandle<HRGN>(table.Add(std::move(region)));
}

int ExtSelectClipRgn(HDC hdc, HRGN region, int mode)
{
    if (mode != RGN_AND && mode != RGN_OR && mode != RGN_COPY) {
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
    Region combined;
    switch (mode) {
    case RGN_AND:
        combined = Region::Intersect(current, area);
        break;
    case RGN_OR:
        combined = Region::Union(current, area);
        break;
    default:
        combined = area;
        break;
    }
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
