// The slot table of the shared video buffer "ZelvanteVideoBuffer": a 4-byte request mask, then one
// picture per output format, 24-bit RGB, bottom-up rows, blue byte first, stride width x 3, no gaps.
#pragma once

#include "platform/win32/types.h"

#include <array>

struct VideoSlot {
    LONG width;
    LONG height;
    DWORD offset; // from the start of the block
    DWORD bytes;
};

inline constexpr int kVideoSlotCount = 10;
inline constexpr DWORD kRequestMaskBytes = 4;

namespace video_slots_detail {
constexpr std::array<VideoSlot, kVideoSlotCount> LaySlots()
{
    constexpr LONG sizes[kVideoSlotCount][2] = {{160, 120}, {176, 144}, {240, 176}, {240, 180}, {320, 240},
                                                {352, 288}, {640, 480}, {720, 480}, {720, 540}, {720, 576}};
    std::array<VideoSlot, kVideoSlotCount> slots{};
    DWORD offset = kRequestMaskBytes;
    for (int i = 0; i < kVideoSlotCount; ++i) {
        const auto bytes = static_cast<DWORD>(sizes[i][0] * sizes[i][1] * 3);
        slots[static_cast<std::size_t>(i)] = VideoSlot{sizes[i][0], sizes[i][1], offset, bytes};
        offset += bytes;
    }
    return slots;
}
} // namespace video_slots_detail

inline constexpr std::array<VideoSlot, kVideoSlotCount> kVideoSlots = video_slots_detail::LaySlots();
inline constexpr DWORD kVideoBufferBytes = 5293444;
inline constexpr DWORD kAudioBufferBytes = 5534;

static_assert(kVideoSlots[kVideoSlotCount - 1].offset + kVideoSlots[kVideoSlotCount - 1].bytes == kVideoBufferBytes);

// Slots are copied as one block per picture, so no row may carry fill bytes.
constexpr bool RowsArePacked()
{
    for (const VideoSlot& slot : kVideoSlots)
        if ((slot.width * 3) % 4 != 0)
            return false;
    return true;
}
static_assert(RowsArePacked());
