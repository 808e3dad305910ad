// The stock objects: shared drawing objects that DeleteObject leaves alone.
#pragma once

#include <cstdint>

namespace zv::gdi {

// The objects a new context starts with. Created on first use; call without the table's mutex.
struct StockObjects {
    std::uintptr_t bitmapId; // 1 x 1 monochrome
    std::uintptr_t fontId;   // default font; 0 when no font could be loaded
    std::uintptr_t brushId;  // WHITE_BRUSH
    std::uintptr_t penId;    // BLACK_PEN
};
const StockObjects& Stock();

// The handle id of GetStockObject's object; 0 for an unknown index or a font that cannot be
// made. Call without the table's mutex.
std::uintptr_t StockObjectId(int index);

} // namespace zv::gdi
