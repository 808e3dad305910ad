#include "platform/ks/streaming_copy.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zv::ks {

void StreamingCopy(void* destination, const void* source, std::size_t length)
{
#if defined(__SSE2__)
    constexpr std::size_t kLine = 64;
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
    for (; length >= kLine; length -= kLine, to += kLine, from += kLine) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 48), d);
    }
    // Streaming stores are weakly ordered: whoever is told of the copy after this sees all of it.
    _mm_sfence();
    std::memcpy(to, from, length);
#else
    std::memcpy(destination, source, length);
#endif
}

}  // namespace zv::ks
