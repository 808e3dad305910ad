// Selecting, deleting and describing drawing objects.
#include <cstring>
#include <mutex>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/paint_objects.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

HGDIOBJ SelectBitmap(HandleTable& table, std::uintptr_t dcId, DeviceContext& dc, std::uintptr_t bitmapId,
                     const std::shared_ptr<Bitmap>& bitmap)
{
    if (!dc.isMemory) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool stock = table.IsStock(bitmapId);
    if (!stock && bitmap->selectedInto != 0 && bitmap->selectedInto != dcId) {
        SetLastError(ERROR_INVALID_PARAMETER); // in use by another context
        return nullptr;
    }
    const std::uintptr_t previousId = dc.bitmapId;
    if (dc.bitmap && dc.bitmap->selectedInto == dcId)
        dc.bitmap->selectedInto = 0;
    if (!stock)
        bitmap->selectedInto = dcId;
    dc.bitmapId = bitmapId;
    dc.bitmap = bitmap;
    return MakeHandle<HGDIOBJ>(previousId);
}

// Selects a font, brush or pen: the context keeps the object alive while it is selected.
template <class Object>
HGDIOBJ Replace(std::uintptr_t& currentId, std::shared_ptr<Object>& current, std::uintptr_t id,
                std::shared_ptr<Object> object)
{
    const std::uintptr_t previousId = currentId;
    currentId = id;
    current = std::move(object);
    return MakeHandle<HGDIOBJ>(previousId);
}

template <class Record> int CopyRecord(const Record& record, int size, void* buffer)
{
    if (buffer == nullptr)
        return static_cast<int>(sizeof(Record));
    if (size < static_cast<int>(sizeof(Record))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, &record, sizeof(Record));
    return static_cast<int>(sizeof(Record));
}

} // namespace

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::uintptr_t dcId = HandleId(hdc);
    const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(dcId);
    const std::uintptr_t objectId = HandleId(object);
    const std::shared_ptr<GdiObject> found = table.Find(objectId);
    if (!dc || !found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(found))
        return SelectBitmap(table, dcId, *dc, objectId, bitmap);
    if (auto font = std::dynamic_pointer_cast<Font>(found))
        return Replace(dc->fontId, dc->font, objectId, std::move(font));
    if (auto brush = std::dynamic_pointer_cast<const Brush>(found))
        return Replace(dc->brushId, dc->brush, objectId, std::move(brush));
    if (auto pen = std::dynamic_pointer_cast<const Pen>(found))
        return Replace(dc->penId, dc->pen, objectId, std::move(pen));
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::uintptr_t id = HandleId(object);
    const std::shared_ptr<GdiObject> found = table.Find(id);
    // Contexts and icons have their own calls to free them.
    if (!found || std::dynamic_pointer_cast<DeviceContext>(found) || std::dynamic_pointer_cast<Icon>(found)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (table.IsStock(id))
        return TRUE;
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(found); bitmap && bitmap->selectedInto != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A font still selected somewhere lives on in that context until it is replaced.
    table.Remove(id);
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, void* buffer)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::shared_ptr<GdiObject> found = table.Find(HandleId(object));
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(found)) {
        Surface& pixels = *bitmap->Pixels();
        BITMAP record{};
        record.bmType = 0;
        record.bmWidth = pixels.Width();
        record.bmHeight = pixels.Height();
        record.bmWidthBytes = pixels.Stride();
        record.bmPlanes = 1;
        record.bmBitsPixel = static_cast<WORD>(pixels.BitsPerPixel());
        record.bmBits = bitmap->IsDibSection() ? pixels.Bits() : nullptr;
        return CopyRecord(record, size, buffer);
    }
    if (auto font = std::dynamic_pointer_cast<Font>(found))
        return CopyRecord(font->LogFont(), size, buffer);
    if (auto brush = std::dynamic_pointer_cast<Brush>(found))
        return CopyRecord(brush->Describe(), size, buffer);
    if (auto pen = std::dynamic_pointer_cast<Pen>(found))
        return CopyRecord(pen->Describe(), size, buffer);
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    if (type != OBJ_BITMAP && type != OBJ_FONT && type != OBJ_BRUSH && type != OBJ_PEN) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(HandleId(hdc));
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    switch (type) {
    case OBJ_FONT:
        return MakeHandle<HGDIOBJ>(dc->fontId);
    case OBJ_BRUSH:
        return MakeHandle<HGDIOBJ>(dc->brushId);
    case OBJ_PEN:
        return MakeHandle<HGDIOBJ>(dc->penId);
    default:
        break;
    }
    if (!dc->isMemory) {
        SetLastError(ERROR_INVALID_PARAMETER); // the screen is no bitmap
        return nullptr;
    }
    return MakeHandle<HGDIOBJ>(dc->bitmapId);
}
