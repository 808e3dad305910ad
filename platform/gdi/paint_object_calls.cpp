// Creating brushes and pens, and finding the brush a handle stands for.
#include <mutex>

#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/paint_objects.h"
#include "platform/gdi/system_colours.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

template <class Handle> Handle AddObject(std::shared_ptr<GdiObject> object)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return MakeHandle<Handle>(table.Add(std::move(object)));
}

} // namespace

std::shared_ptr<const Brush> zv::gdi::FindBrush(HBRUSH handle)
{
    std::uintptr_t id = HandleId(handle);
    if (id >= 1 && id <= kSysColourCount)
        id = SysColourBrushId(static_cast<int>(id) - 1);
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return table.FindAs<const Brush>(id);
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    return AddObject<HBRUSH>(std::make_shared<Brush>(Brush::Kind::Solid, colour & 0x00FFFFFF));
}

HPEN CreatePen(int style, int width, COLORREF colour)
{
    if (style < PS_SOLID || style > PS_INSIDEFRAME || width < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return AddObject<HPEN>(std::make_shared<Pen>(style, width, colour & 0x00FFFFFF, false));
}
