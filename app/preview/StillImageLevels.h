// The colour levels the preview applies to a still picture: per-channel offsets, a brightness
// offset and a contrast factor from the still-picture levels of the settings record (white gain
// and saturation are not applied to still pictures).
#pragma once

#include "capture/ColourStage.h"
#include "imagelib/PixImage.h"

#include <array>

class StillImageLevels {
public:
    explicit StillImageLevels(const ColourLevels& levels);

    // The identity: every pixel stays as it is.
    bool IsNeutral() const { return m_neutral; }
    // The result for one byte of channel 0 blue, 1 green or 2 red.
    BYTE Map(int channel, BYTE value) const { return m_tables[static_cast<std::size_t>(channel)][value]; }

    // `shown` := `work` with the levels applied (a plain copy when neutral, or when the picture is
    // not 24 bits per pixel). False when the copy cannot be made; `shown` is then emptied.
    bool Apply(const CPixImage& work, CPixImage& shown) const;

private:
    bool m_neutral;
    std::array<std::array<BYTE, 256>, 3> m_tables;
};
