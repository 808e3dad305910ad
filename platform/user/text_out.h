// Handing text out into a caller's buffer the way the "A" functions do.
#pragma once

#include "platform/win32/types.h"

#include <string_view>

namespace zv::user {

// Copies as much of text as fits in capacity - 1 bytes, never cutting a UTF-8 sequence, and
// terminates it. Returns the bytes copied; capacity must be at least 1.
int CopyTextOut(std::string_view text, char* buffer, int capacity);

} // namespace zv::user
