#include "platform/inet/request_limits.h"

#include <mutex>

namespace zv::inet {

namespace {
std::mutex g_limitsMutex;
RequestLimits g_limits;
} // namespace

void SetRequestLimits(const RequestLimits& limits)
{
    std::lock_guard lock(g_limitsMutex);
    g_limits = limits;
}

RequestLimits GetRequestLimits()
{
    std::lock_guard lock(g_limitsMutex);
    return g_limits;
}

} // namespace zv::inet
