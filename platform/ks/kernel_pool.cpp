// The kernel pool: heap blocks with a record of each live block's tag and size, so that the
// accounting stays exact and a foreign or repeated free is noticed rather than obeyed.
#include "platform/ks/kernel_pool.h"

#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/ks/port_checks.h"

namespace zv::ks {
namespace {

struct LiveBlock {
    ULONG tag;
    SIZE_T bytes;
};

std::mutex g_mutex;
std::unordered_map<void*, LiveBlock> g_live;
std::map<ULONG, PoolUsage> g_outstanding;
PoolFailurePredicate g_failure;

}  // namespace

std::map<ULONG, PoolUsage> OutstandingPoolByTag()
{
    std::lock_guard lock(g_mutex);
    return g_outstanding;
}

void SetPoolFailure(PoolFailurePredicate predicate)
{
    std::lock_guard lock(g_mutex);
    g_failure = std::move(predicate);
}

}  // namespace zv::ks

using namespace zv::ks;

extern "C" PVOID ExAllocatePoolWithTag(POOL_TYPE poolType, SIZE_T numberOfBytes, ULONG tag)
{
    KIRQL irql = KeGetCurrentIrql();
    if (irql > DISPATCH_LEVEL || (poolType == PagedPool && irql >= DISPATCH_LEVEL)) {
        ReportPortViolation("pool allocation at IRQL " + std::to_string(irql));
    }
    {
        std::lock_guard lock(g_mutex);
        if (g_failure && g_failure(poolType, numberOfBytes, tag)) {
            return nullptr;
        }
    }
    // Kernel pool blocks are 16-byte aligned; a zero-byte request still gets its own block.
    void* block = std::aligned_alloc(16, ((numberOfBytes == 0 ? 1 : numberOfBytes) + 15) / 16 * 16);
    if (block == nullptr) {
        return nullptr;
    }
    std::lock_guard lock(g_mutex);
    g_live.emplace(block, LiveBlock{tag, numberOfBytes});
    PoolUsage& usage = g_outstanding[tag];
    ++usage.blocks;
    usage.bytes += numberOfBytes;
    return block;
}

extern "C" void ExFreePool(PVOID block)
{
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        ReportPortViolation("ExFreePool above DISPATCH_LEVEL");
    }
    std::unique_lock lock(g_mutex);
    auto live = g_live.find(block);
    if (live == g_live.end()) {
        lock.unlock();
        ReportPortViolation("ExFreePool of a block that is not live pool memory");
        return;
    }
    auto usage = g_outstanding.find(live->second.tag);
    --usage->second.blocks;
    usage->second.bytes -= live->second.bytes;
    if (usage->second.blocks == 0) {
        g_outstanding.erase(usage);
    }
    g_live.erase(live);
    lock.unlock();
    std::free(block);
}
