// The system colour palette behind GetSysColor and its stock brushes.
#pragma once

#include <cstdint>

namespace zv::gdi {

// Indices 0 .. kSysColourCount - 1 may name a colour; some in between are unused.
constexpr int kSysColourCount = 31;

// The id of the stock brush of a system colour; 0 for an unused index. Call without the table's
// mutex.
std::uintptr_t SysColourBrushId(int index);

} // namespace zv::gdi
