// Accounting and failure injection for the kernel pool (ExAllocatePoolWithTag, ExFreePool).
#pragma once

#include <cstddef>
#include <functional>
#include <map>

#include "platform/ks/kernel.h"

namespace zv::ks {

struct PoolUsage {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
};

// Blocks allocated and not yet freed, by tag; tags without blocks are left out.
std::map<ULONG, PoolUsage> OutstandingPoolByTag();

// Decides whether an allocation fails (true) before it is tried; nullptr lets all succeed.
using PoolFailurePredicate = std::function<bool(POOL_TYPE type, SIZE_T bytes, ULONG tag)>;
void SetPoolFailure(PoolFailurePredicate predicate);

}  // namespace zv::ks
