// Failures a test can ask the GDI layer for, so that callers' failure roads can be run. Nothing
// fails unless a test asks; requests belong to the thread that makes them.
#pragma once

namespace zv::gdi {

// The next `count` GetDIBits calls of this thread fail: 0 lines, ERROR_NOT_ENOUGH_MEMORY.
void FailNextGetDIBits(int count);

// For the layer: whether this GetDIBits call is to fail, using up one request.
bool TakeGetDIBitsFailure();

} // namespace zv::gdi
