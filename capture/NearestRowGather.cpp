#include "capture/NearestRowGather.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

namespace {

constexpr std::size_t kWindow = 16;
constexpr std::uint32_t kMaxGroupPixels = kWindow / 3;

using ShuffleGroup = NearestRowGather::ShuffleGroup;

// Each group's 16-byte store runs past its pixels into those the next group or the loop writes.
__attribute__((target("ssse3"))) BYTE* ShuffleRow(const std::vector<ShuffleGroup>& groups, const BYTE* in, BYTE* out)
{
    for (const ShuffleGroup& group : groups) {
        const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(group.mask.data()));
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + group.source));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bytes, mask));
        out += 3 * group.pixels;
    }
    return out;
}

} // namespace

NearestRowGather::NearestRowGather(const std::vector<std::uint32_t>& columns, std::size_t srcStride)
{
    m_offsets.reserve(columns.size());
    for (const std::uint32_t column : columns) m_offsets.push_back(column * 3);
    if (m_offsets.empty()) return;
    // A pixel is moved four bytes at a time, the fourth overwritten by the next pixel, except the
    // row's last pixel and sources that end within four bytes of their row's end.
    m_lastWide = static_cast<std::size_t>(
        std::partition_point(m_offsets.begin(), m_offsets.end() - 1, [&](std::uint32_t c) { return c + 4 <= srcStride; }) -
        m_offsets.begin());
    // Each shuffle reads 16 bytes and writes 16, so groups stop where either would leave its row.
    const std::size_t rowBytes = m_offsets.size() * 3;
    std::size_t j = 0;
    while (j < m_offsets.size()) {
        const std::uint32_t source = m_offsets[j];
        if (source + kWindow > srcStride || 3 * j + kWindow > rowBytes) break;
        ShuffleGroup group{};
        group.mask.fill(0x80);
        group.source = source;
        for (std::size_t k = j; k < m_offsets.size() && group.pixels < kMaxGroupPixels && m_offsets[k] + 3 - source <= kWindow;
             ++k, ++group.pixels) {
            for (std::size_t channel = 0; channel < 3; ++channel)
                group.mask[3 * group.pixels + channel] = static_cast<BYTE>(m_offsets[k] - source + channel);
        }
        j += group.pixels;
        m_groups.push_back(group);
    }
    m_shuffledPixels = j;
}

bool NearestRowGather::Shuffles()
{
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}

void NearestRowGather::Gather(const BYTE* in, BYTE* out) const
{
    if (!Shuffles() || m_groups.empty()) {
        GatherFrom(0, in, out);
        return;
    }
    out = ShuffleRow(m_groups, in, out);
    GatherFrom(m_shuffledPixels, in, out);
}

void NearestRowGather::GatherPortable(const BYTE* in, BYTE* out) const
{
    GatherFrom(0, in, out);
}

void NearestRowGather::GatherFrom(std::size_t first, const BYTE* in, BYTE* out) const
{
    std::size_t j = first;
    for (; j < m_lastWide; ++j, out += 3) std::memcpy(out, in + m_offsets[j], 4);
    for (; j < m_offsets.size(); ++j, out += 3) std::memcpy(out, in + m_offsets[j], 3);
}
