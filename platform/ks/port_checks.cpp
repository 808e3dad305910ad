#include "platform/ks/port_checks.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace zv::ks {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_violations;

}  // namespace

void ReportPortViolation(std::string what)
{
    std::fprintf(stderr, "stream-class port: %s\n", what.c_str());
    std::lock_guard lock(g_mutex);
    g_violations.push_back(std::move(what));
}

std::vector<std::string> TakePortViolations()
{
    std::lock_guard lock(g_mutex);
    return std::exchange(g_violations, {});
}

}  // namespace zv::ks
