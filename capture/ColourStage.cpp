#include "capture/ColourStage.h"

#include "app/settings/ConfigStore.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace {

float ReadLevel(float& level)
{
    const float value = std::atomic_ref<float>(level).load(std::memory_order_relaxed);
    if (std::isnan(value)) return ConfigStore::kNeutralLevel;
    return std::clamp(value, 0.0f, 1.0f);
}

// -255 .. 255 for a level of 0 .. 1; 0 for the neutral 0.5.
int OffsetOf(float level)
{
    return static_cast<int>(static_cast<double>(level) * 510 - 255);
}

BYTE Adjust(int value, int offset, float factor, int brightness)
{
    if (factor == 1.0f) return static_cast<BYTE>(std::clamp(value + brightness + offset, 0, 255));
    const double result = (value + offset - 128) * static_cast<double>(factor) + brightness + 128;
    return static_cast<BYTE>(std::clamp(result, 0.0, 255.0));
}

} // namespace

ColourLevels LevelsOfKind(ConfigStore& config, int kind)
{
    const std::size_t base = 4 * static_cast<std::size_t>(kind - 1);
    ColourLevels levels;
    levels.red = ReadLevel(config.levels[base]);
    levels.green = ReadLevel(config.levels[base + 1]);
    levels.blue = ReadLevel(config.levels[base + 2]);
    levels.brightness = ReadLevel(config.levels[12 + base]);
    levels.contrast = ReadLevel(config.levels[13 + base]);
    return levels;
}

ColourStage::ColourStage(const ColourLevels& levels, int kind)
{
    const int offsets[3] = {OffsetOf(levels.blue), OffsetOf(levels.green), OffsetOf(levels.red)};
    const int brightness = kind == 3 ? OffsetOf(levels.brightness) : 0;
    // K is 0 .. 510; the factor is rounded to single precision so that the neutral K = 255 gives 1.
    const int k = 255 - static_cast<int>(255 - 510 * static_cast<double>(levels.contrast));
    const float factor = static_cast<float>(k * (1.0 / 255));
    m_neutral = offsets[0] == 0 && offsets[1] == 0 && offsets[2] == 0 && factor == 1.0f && brightness == 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        for (int value = 0; value < 256; ++value)
            m_tables[channel][static_cast<std::size_t>(value)] = Adjust(value, offsets[channel], factor, brightness);
    }
}

void ColourStage::Apply(BYTE* bits, const FrameSize& size) const
{
    if (m_neutral || bits == nullptr || size.width <= 0 || size.height <= 0) return;
    const std::size_t stride = FrameStride(size.width);
    const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
    const auto& [blue, green, red] = m_tables;
    for (std::int32_t row = 0; row < size.height; ++row) {
        BYTE* pixel = bits + static_cast<std::size_t>(row) * stride;
        BYTE* const end = pixel + rowBytes;
        // Four pixels at a time through a local copy, which the compiler knows the tables do not
        // share memory with.
        for (; end - pixel >= 12; pixel += 12) {
            BYTE v[12];
            std::memcpy(v, pixel, sizeof v);
            for (std::size_t k = 0; k < 12; k += 3) {
                v[k] = blue[v[k]];
                v[k + 1] = green[v[k + 1]];
                v[k + 2] = red[v[k + 2]];
            }
            std::memcpy(pixel, v, sizeof v);
        }
        for (; pixel != end; pixel += 3) {
            pixel[0] = blue[pixel[0]];
            pixel[1] = green[pixel[1]];
            pixel[2] = red[pixel[2]];
        }
    }
}
