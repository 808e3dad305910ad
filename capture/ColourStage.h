// The colour stage of the frame road: per-channel offsets, a contrast factor and a brightness
// offset taken from the colour levels of the active source kind.
#pragma once

#include "capture/FrameSize.h"
#include "platform/win32/types.h"

#include <array>
#include <cstdint>

class ConfigStore;

// The five levels the stage uses, each 0.0 to 1.0 with 0.5 neutral.
struct ColourLevels {
    float red = 0.5f;
    float green = 0.5f;
    float blue = 0.5f;
    float brightness = 0.5f;
    float contrast = 0.5f;
};

// The levels of source kind 1 or 3 in the settings record. They are read atomically, as the
// user-interface thread may change them while frames flow (it stores them through std::atomic_ref).
// A level outside 0..1 counts as its nearest end, one that is not a number as neutral.
ColourLevels LevelsOfKind(ConfigStore& config, int kind);

class ColourStage {
public:
    // Brightness applies to video files (kind 3) only: a capture device gets its brightness
    // through the device's own settings.
    ColourStage(const ColourLevels& levels, int kind);

    // Neutral levels leave every byte as it is.
    bool IsNeutral() const { return m_neutral; }
    // Adjusts the pixels of a frame in place; fill bytes at the ends of rows are left alone. Where
    // the processor has 64-byte table look-ups (AVX-512 VBMI) whole runs of a row are looked up at
    // once, with the result of the portable loop.
    void Apply(BYTE* bits, const FrameSize& size) const;
    // The same with the portable loop only.
    void ApplyPortable(BYTE* bits, const FrameSize& size) const;
    // Whether Apply looks up 64 bytes at once on this processor.
    static bool LooksUpWide();

    // The result for one byte of channel 0 blue, 1 green or 2 red.
    BYTE Map(int channel, BYTE value) const { return m_tables[static_cast<std::size_t>(channel)][value]; }

private:
    void ApplyRows(BYTE* bits, const FrameSize& size, bool wide) const;
    // From the first byte of a pixel to the row's end.
    void ApplyToRow(BYTE* pixel, BYTE* end) const;

    bool m_neutral;
    // Every result the formula can give, per channel: the frame loop then only looks them up.
    std::array<std::array<BYTE, 256>, 3> m_tables;
};
