// The slot table of the shared video buffer "ZelvanteVideoBuffer": a 4-byte request mask, then one
// picture per output format (OutputFormats.h) in index order, without gaps.
#pragma once

#include "capture/OutputFormats.h"

#include <array>

inline constexpr int kVideoSlotCount = kFormatCount;
inline constexpr DWORD kRequestMaskBytes = 4;
inline constexpr DWORD kVideoBufferBytes = 5293444;
inline constexpr DWORD kAudioBufferBytes = 5534;

// Where slot i starts in the block; it holds g_nFormatBytes[i] bytes.
inline constexpr std::array<DWORD, kVideoSlotCount> kVideoSlotOffsets = [] {
    std::array<DWORD, kVideoSlotCount> offsets{};
    DWORD offset = kRequestMaskBytes;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        offsets[i] = offset;
        offset += g_nFormatBytes[i];
    }
    return offsets;
}();

static_assert(kVideoSlotOffsets[kVideoSlotCount - 1] + g_nFormatBytes[kVideoSlotCount - 1] == kVideoBufferBytes);
