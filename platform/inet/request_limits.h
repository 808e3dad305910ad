// The bounds every HTTP request of the process runs under.
#pragma once

#include <chrono>
#include <cstdint>

namespace zv::inet {

struct RequestLimits {
    // Reaching the server (name lookup and TCP connect).
    std::chrono::milliseconds connect{15'000};
    // The whole request, from connect to the last byte of the body.
    std::chrono::milliseconds overall{600'000};
    // A reply that sends nothing for this long has stalled.
    std::chrono::milliseconds stall{60'000};
    // Body bytes one request hands out; a longer body fails at the cap.
    std::uint64_t maxBodyBytes = 128u << 20;
};

// Requests started later use the new limits; requests under way keep theirs.
void SetRequestLimits(const RequestLimits& limits);
RequestLimits GetRequestLimits();

} // namespace zv::inet
