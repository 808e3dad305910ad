#include "capture/ColourStage.h"

#include "app/settings/ConfigStore.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <immintrin.h>

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

constexpr std::size_t kWide = 64;

// Bytes b of a 64-byte run whose channel is c when the run starts at channel `phase` (runs start
// at every channel in turn, as 64 is one more than a multiple of 3).
constexpr std::uint64_t ChannelMask(std::size_t phase, std::size_t channel)
{
    std::uint64_t mask = 0;
    for (std::size_t b = 0; b < kWide; ++b) {
        if ((phase + b) % 3 == channel) mask |= std::uint64_t{1} << b;
    }
    return mask;
}

constexpr std::array<std::uint64_t, 3> kGreenBytes = {ChannelMask(0, 1), ChannelMask(1, 1), ChannelMask(2, 1)};
constexpr std::array<std::uint64_t, 3> kRedBytes = {ChannelMask(0, 2), ChannelMask(1, 2), ChannelMask(2, 2)};

// Looks up blocks of 64 pixels (three runs of 64 bytes) from `pixel`, the first byte of a pixel;
// gives where the remaining pixels start.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) BYTE* LookUpBlocks(
    const std::array<std::array<BYTE, 256>, 3>& tables, BYTE* pixel, const BYTE* end)
{
    __m512i quarters[3][4];
    for (std::size_t channel = 0; channel < 3; ++channel)
        for (std::size_t q = 0; q < 4; ++q) quarters[channel][q] = _mm512_loadu_si512(tables[channel].data() + q * kWide);
    for (; end - pixel >= static_cast<std::ptrdiff_t>(3 * kWide); pixel += 3 * kWide) {
        for (std::size_t phase = 0; phase < 3; ++phase) {
            BYTE* const run = pixel + phase * kWide;
            const __m512i v = _mm512_loadu_si512(run);
            const __mmask64 upper = _mm512_movepi8_mask(v); // values of 128 and up
            __m512i looked[3];
            for (std::size_t channel = 0; channel < 3; ++channel) {
                const __m512i low = _mm512_permutex2var_epi8(quarters[channel][0], v, quarters[channel][1]);
                const __m512i high = _mm512_permutex2var_epi8(quarters[channel][2], v, quarters[channel][3]);
                looked[channel] = _mm512_mask_blend_epi8(upper, low, high);
            }
            __m512i result = _mm512_mask_blend_epi8(kGreenBytes[phase], looked[0], looked[1]);
            result = _mm512_mask_blend_epi8(kRedBytes[phase], result, looked[2]);
            _mm512_storeu_si512(run, result);
        }
    }
    return pixel;
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

bool ColourStage::LooksUpWide()
{
    static const bool supported = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi");
    return supported;
}

void ColourStage::Apply(BYTE* bits, const FrameSize& size) const
{
    ApplyRows(bits, size, LooksUpWide());
}

void ColourStage::ApplyPortable(BYTE* bits, const FrameSize& size) const
{
    ApplyRows(bits, size, false);
}

void ColourStage::ApplyRows(BYTE* bits, const FrameSize& size, bool wide) const
{
    if (m_neutral || bits == nullptr || size.width <= 0 || size.height <= 0) return;
    const std::size_t stride = FrameStride(size.width);
    const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
    for (std::int32_t row = 0; row < size.height; ++row) {
        BYTE* pixel = bits + static_cast<std::size_t>(row) * stride;
        BYTE* const end = pixel + rowBytes;
        if (wide) pixel = LookUpBlocks(m_tables, pixel, end);
        ApplyToRow(pixel, end);
    }
}

void ColourStage::ApplyToRow(BYTE* pixel, BYTE* end) const
{
    const auto& [blue, green, red] = m_tables;
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
