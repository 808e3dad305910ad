#include "platform/gdi/context_state.h"

#include "platform/gdi/screen_surface.h"

namespace zv::gdi {

Region VisiblePart(const Surface* target, const Region* systemClip, const Region* clip)
{
    if (target == nullptr)
        return Region();
    Region visible(target->Bounds());
    if (systemClip)
        visible = Region::Intersect(*systemClip, visible);
    return clip ? Region::Intersect(*clip, visible) : visible;
}

Region ContextState::Visible() const { return VisiblePart(target.get(), systemClip.get(), clip.get()); }

namespace {

bool IsScreenContext(const DeviceContext& dc) { return !dc.isMemory && dc.window == nullptr && dc.screen; }

// Taken after the table's lock is let go, never under it, so no order of the two can deadlock.
void LockIfScreen(bool onScreen, ContextState& state)
{
    state.onScreen = onScreen;
    if (onScreen && !state.screenPixels.owns_lock())
        state.screenPixels = LockScreenPixels();
}

void CopyState(const DeviceContext& dc, ContextState& state)
{
    state.target = dc.Target();
    state.clip = dc.clip;
    state.systemClip = dc.systemClip;
    state.origin = dc.origin;
    state.font = dc.font;
    state.brush = dc.brush;
    state.pen = dc.pen;
    state.dcBrushColour = dc.dcBrushColour;
    state.dcPenColour = dc.dcPenColour;
    state.position = dc.position;
    state.textAlign = dc.textAlign;
    state.textColour = dc.textColour;
    state.bkColour = dc.bkColour;
    state.bkMode = dc.bkMode;
    state.polyFillMode = dc.polyFillMode;
}

} // namespace

bool ReadContextState(HDC hdc, ContextState& state)
{
    bool onScreen = false;
    {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(HandleId(hdc));
        if (!dc)
            return false;
        CopyState(*dc, state);
        onScreen = IsScreenContext(*dc);
    }
    LockIfScreen(onScreen, state);
    return true;
}

bool MoveCurrentPosition(HDC hdc, POINT to, ContextState* state)
{
    bool onScreen = false;
    const bool found = ChangeContext(hdc, [&](DeviceContext& dc) {
        if (state != nullptr)
            CopyState(dc, *state);
        onScreen = IsScreenContext(dc);
        dc.position = to;
    });
    if (found && state != nullptr)
        LockIfScreen(onScreen, *state);
    return found;
}

bool ReadPaintState(HDC hdc, ContextState& state)
{
    if (!ReadContextState(hdc, state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!state.target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

bool ReadPaintState(HDC hdc, const RECT* rect, ContextState& state)
{
    if (rect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return ReadPaintState(hdc, state);
}

} // namespace zv::gdi
