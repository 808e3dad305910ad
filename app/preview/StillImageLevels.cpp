#include "app/preview/StillImageLevels.h"

#include <algorithm>

namespace {

// -255 .. 255 for a level of 0 .. 1, 0 for the neutral 0.5.
int ChannelOffset(float level)
{
    return static_cast<int>(static_cast<double>(level) * 510 - 255);
}

} // namespace

StillImageLevels::StillImageLevels(const ColourLevels& levels)
{
    const int offsets[3] = {ChannelOffset(levels.blue), ChannelOffset(levels.green), ChannelOffset(levels.red)};
    const int brightness = static_cast<int>(255 - 510 * static_cast<double>(levels.brightness));
    const double contrast = (100 - static_cast<int>(100 - 200 * static_cast<double>(levels.contrast))) * 0.01;
    m_neutral = offsets[0] == 0 && offsets[1] == 0 && offsets[2] == 0 && brightness == 0 && contrast == 1.0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        for (int value = 0; value < 256; ++value) {
            const double result = contrast * (value + offsets[channel] - 128) + 128 - brightness;
            m_tables[channel][static_cast<std::size_t>(value)] = static_cast<BYTE>(std::clamp(result, 0.0, 255.0));
        }
    }
}

bool StillImageLevels::Apply(const CPixImage& work, CPixImage& shown) const
{
    if (!shown.Copy(work, true, true, true)) {
        shown.Destroy();
        return false;
    }
    if (m_neutral || shown.GetBpp() != 24) return true;
    const LONG width = shown.GetWidth();
    for (LONG row = 0; row < shown.GetHeight(); ++row) {
        BYTE* pixel = shown.GetRowPointer(static_cast<DWORD>(row));
        for (LONG x = 0; x < width; ++x, pixel += 3) {
            pixel[0] = m_tables[0][pixel[0]];
            pixel[1] = m_tables[1][pixel[1]];
            pixel[2] = m_tables[2][pixel[2]];
        }
    }
    return true;
}
