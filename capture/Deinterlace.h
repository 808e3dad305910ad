// Line doubling for interlaced sources: every second row of the frame is dropped and the rows kept
// are stretched back over it.
#pragma once

#include "capture/FrameSize.h"
#include "platform/win32/types.h"

#include <atomic>
#include <cstdint>

// Deinterlacing on or off; mirrors the registry value "FilterDeinterlace".
extern std::atomic<BYTE> g_bDeinterlace;

// While g_bDeinterlace is set: rows 0, 2, 4, ... (from the bottom row in memory) each replace the
// row after them. `n` is the frame's byte count. The work buffer is kept between calls and made
// again when n changes; when it cannot be had, this frame is left as it is. Streaming thread only.
void Deinterlace(BYTE* bits, std::uint64_t n, const FrameSize& size);
