// Turns a top-down picture of 24-bit pixels into the bottom-up row order of a DIB.
#pragma once

#include "platform/win32/types.h"

namespace zv::dshow {

// Copies `height` rows of width x 3 bytes from src (rows srcStride bytes apart, top row first) to
// dst with the last source row first, each dst row DibStride(width) bytes with zeroed padding.
void CopyRowsBottomUp(const BYTE* src, LONG srcStride, LONG width, LONG height, BYTE* dst);

} // namespace zv::dshow
