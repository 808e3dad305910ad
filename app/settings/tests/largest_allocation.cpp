#include "app/settings/tests/largest_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Kept in a file of its own so that the compiler never inlines these into their callers.
namespace {
std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};
} // namespace

void* operator new(std::size_t size)
{
    if (g_watching.load(std::memory_order_relaxed)) {
        std::size_t largest = g_largest.load(std::memory_order_relaxed);
        while (size > largest && !g_largest.compare_exchange_weak(largest, size)) {
        }
    }
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

LargestAllocation::LargestAllocation()
{
    g_largest = 0;
    g_watching = true;
}

LargestAllocation::~LargestAllocation()
{
    g_watching = false;
}

std::size_t LargestAllocation::Size() const
{
    return g_largest.load();
}
