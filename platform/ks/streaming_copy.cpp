#include "platform/ks/streaming_copy.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zv::ks {

#if defined(__x86_64__)
namespace {

constexpr std::size_t kLine = 64;

// Whole lines from `from` to the line-aligned `to`; the stores are weakly ordered until a fence.
void StreamLines(unsigned char* to, const unsigned char* from, std::size_t lines)
{
    for (; lines > 0; --lines, to += kLine, from += kLine) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 48), d);
    }
}

// The same in 32-byte stores, where the processor has them: about a tenth faster per frame.
__attribute__((target("avx2"))) void StreamLinesWide(unsigned char* to, const unsigned char* from, std::size_t lines)
{
    for (; lines > 0; --lines, to += kLine, from += kLine) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + 32));
        _mm256_stream_si256(reinterpret_cast<__m256i*>(to), a);
        _mm256_stream_si256(reinterpret_cast<__m256i*>(to + 32), b);
    }
}

// Read while the library loads, perhaps before libgcc's own constructor has looked.
const bool g_wide = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

}  // namespace
#endif

void StreamingCopy(void* destination, const void* source, std::size_t length)
{
#if defined(__x86_64__)
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    // Streaming stores need an aligned destination: the bytes before its first line go the usual way.
    const std::size_t head = (kLine - reinterpret_cast<std::uintptr_t>(to) % kLine) % kLine;
    if (length < head + kLine) {
        std::memcpy(to, from, length);
        return;
    }
    std::memcpy(to, from, head);
    to += head;
    from += head;
    length -= head;
    const std::size_t lines = length / kLine;
    if (g_wide)
        StreamLinesWide(to, from, lines);
    else
        StreamLines(to, from, lines);
    // Streaming stores are weakly ordered: whoever is told of the copy after this sees all of it.
    _mm_sfence();
    std::memcpy(to + lines * kLine, from + lines * kLine, length % kLine);
#else
    std::memcpy(destination, source, length);
#endif
}

}  // namespace zv::ks
