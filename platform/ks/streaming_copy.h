// Copies of whole frames, which the caches cannot hold anyway: written around them (non-temporal
// stores) so that a copy does not first read every destination line in and then push another
// frame's lines out. Small copies go through memcpy, whose stores stay in the cache for the
// reader that follows.
#pragma once

#include <cstddef>

namespace zv::ks {

// From this size on, RtlCopyMemory copies around the caches.
constexpr std::size_t kStreamingCopyBytes = 256 * 1024;

// Like memcpy (the ranges must not overlap); the bytes land exactly as memcpy puts them.
void StreamingCopy(void* destination, const void* source, std::size_t length);

}  // namespace zv::ks
