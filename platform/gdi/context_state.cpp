#include "platform/gdi/context_state.h"

#include <mutex>

#include "platform/gdi/handle_table.h"

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

bool ReadContextState(HDC hdc, ContextState& state)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(HandleId(hdc));
    if (!dc)
        return false;
    state.target = dc->Target();
    state.clip = dc->clip;
    state.systemClip = dc->systemClip;
    state.origin = dc->origin;
    state.font = dc->font;
    state.textColour = dc->textColour;
    state.bkColour = dc->bkColour;
    state.bkMode = dc->bkMode;
    return true;
}

} // namespace zv::gdi
