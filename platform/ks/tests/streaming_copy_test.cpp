// Copies around the caches: every byte lands where memcpy puts it, whatever the alignment of
// either end and the length's remainder past the last whole line, and nothing beyond the
// destination range changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ks/streaming_copy.h"

namespace {

using zv::ks::kStreamingCopyBytes;
using zv::ks::StreamingCopy;

struct CopyCase {
    std::size_t length;
    std::size_t destinationOffset;  // from a 64-byte boundary
    std::size_t sourceOffset;
};

class StreamingCopyCases : public testing::TestWithParam<CopyCase> {};

constexpr std::size_t kGuard = 128;
constexpr unsigned char kUntouched = 0xEE;

TEST_P(StreamingCopyCases, LandsExactlyAsMemcpy)
{
    const CopyCase c = GetParam();
    std::vector<unsigned char> source(c.length + 128);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(i * 131 + i / 251);
    std::vector<unsigned char> storage(c.length + 2 * kGuard + 128, kUntouched);
    const auto base = reinterpret_cast<std::uintptr_t>(storage.data()) + kGuard;
    const std::size_t start = static_cast<std::size_t>((base + 63) / 64 * 64 - reinterpret_cast<std::uintptr_t>(storage.data())) +
                              c.destinationOffset;

    StreamingCopy(storage.data() + start, source.data() + c.sourceOffset, c.length);

    for (std::size_t i = 0; i < c.length; ++i)
        ASSERT_EQ(storage[start + i], source[c.sourceOffset + i]) << "byte " << i;
    for (std::size_t i = 0; i < start; ++i) ASSERT_EQ(storage[i], kUntouched) << "before, byte " << i;
    for (std::size_t i = start + c.length; i < storage.size(); ++i) ASSERT_EQ(storage[i], kUntouched) << "after, byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Lengths, StreamingCopyCases,
                         testing::Values(CopyCase{0, 0, 0}, CopyCase{1, 63, 0}, CopyCase{63, 1, 5},
                                         CopyCase{64, 0, 0},       // one whole line
                                         CopyCase{127, 1, 0},      // shorter than head and a line
                                         CopyCase{128, 63, 1},     // head of 1, one line, tail
                                         CopyCase{4096 + 17, 7, 3},
                                         CopyCase{kStreamingCopyBytes, 0, 0},
                                         CopyCase{kStreamingCopyBytes + 65, 33, 9},
                                         CopyCase{921600, 0, 8},   // a 640x480 RGB24 frame
                                         CopyCase{921600 - 5, 5, 0}));

}  // namespace
