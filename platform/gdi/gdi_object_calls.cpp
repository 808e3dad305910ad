// Selecting, deleting and describing drawing objects.
#include <cstring>
#include <mutex>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
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
    if (auto font = std::dynamic_pointer_cast<Font>(found)) {
        const std::uintptr_t previousId = dc->fontId;
        dc->fontId = objectId;
        dc->font = std::move(font);
        return MakeHandle<HGDIOBJ>(previousId);
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::uintptr_t id = HandleId(object);
    const std::shared_ptr<GdiObject> found = table.Find(id);
    if (!found || std::dynamic_pointer_cast<DeviceContext>(found)) {
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
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    if (type != OBJ_BITMAP) {
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
    if (!dc->isMemory) {
        SetLastError(ERROR_INVALID_PARAMETER); // the screen is no bitmap
        return nullptr;
    }
    return MakeHandle<HGDIOBJ>(dc->bitmapId);
}
