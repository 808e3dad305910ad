// Pool accounting and failure injection, spin locks with their IRQL, I/O completion and
// descriptor mapping.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/ks/kernel_irql.h"
#include "platform/ks/kernel_pool.h"
#include "platform/ks/port_checks.h"

namespace {

using namespace zv::ks;

constexpr ULONG kTagA = MakePoolTag('T', 'a', 'g', 'A');
constexpr ULONG kTagB = MakePoolTag('T', 'a', 'g', 'B');

TEST(KernelPool, AccountsOutstandingBlocksByTag)
{
    void* a1 = ExAllocatePoolWithTag(NonPagedPool, 100, kTagA);
    void* a2 = ExAllocatePoolWithTag(NonPagedPool, 28, kTagA);
    void* b = ExAllocatePoolWithTag(PagedPool, 0, kTagB);
    ASSERT_NE(a1, nullptr);
    ASSERT_NE(a2, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a1) % 16, 0u);
    auto usage = OutstandingPoolByTag();
    EXPECT_EQ(usage[kTagA].blocks, 2u);
    EXPECT_EQ(usage[kTagA].bytes, 128u);
    EXPECT_EQ(usage[kTagB].blocks, 1u);
    ExFreePool(a1);
    ExFreePool(b);
    usage = OutstandingPoolByTag();
    EXPECT_EQ(usage.count(kTagB), 0u);
    EXPECT_EQ(usage[kTagA].bytes, 28u);
    ExFreePool(a2);
    EXPECT_TRUE(OutstandingPoolByTag().empty());
    EXPECT_TRUE(TakePortViolations().empty());
}

TEST(KernelPool, InjectedFailuresReturnNull)
{
    SetPoolFailure([](POOL_TYPE, SIZE_T, ULONG tag) { return tag == kTagA; });
    EXPECT_EQ(ExAllocatePoolWithTag(NonPagedPool, 16, kTagA), nullptr);
    void* other = ExAllocatePoolWithTag(NonPagedPool, 16, kTagB);
    EXPECT_NE(other, nullptr);
    SetPoolFailure(nullptr);
    void* again = ExAllocatePoolWithTag(NonPagedPool, 16, kTagA);
    EXPECT_NE(again, nullptr);
    ExFreePool(other);
    ExFreePool(again);
    EXPECT_TRUE(OutstandingPoolByTag().empty());
}

TEST(KernelPool, ForeignAndRepeatedFreesAreReportedNotObeyed)
{
    int local = 0;
    ExFreePool(&local);
    void* block = ExAllocatePoolWithTag(NonPagedPool, 8, kTagA);
    ExFreePool(block);
    ExFreePool(block);
    EXPECT_EQ(TakePortViolations().size(), 2u);
}

TEST(KernelPool, PagedAllocationAtDispatchLevelIsReported)
{
    ScopedIrql dispatch(DISPATCH_LEVEL);
    void* block = ExAllocatePoolWithTag(PagedPool, 8, kTagA);
    ExFreePool(block);
    EXPECT_EQ(TakePortViolations().size(), 1u);
}

TEST(SpinLock, RaisesToDispatchLevelWhileHeld)
{
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    KIRQL previous = KfAcquireSpinLock(&lock);
    EXPECT_EQ(previous, PASSIVE_LEVEL);
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    KfReleaseSpinLock(&lock, previous);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    EXPECT_TRUE(TakePortViolations().empty());
}

TEST(SpinLock, ExcludesOtherThreads)
{
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    long counter = 0;  // plain: only the lock keeps the increments apart
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                KIRQL irql = KfAcquireSpinLock(&lock);
                ++counter;
                KfReleaseSpinLock(&lock, irql);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, 20000);
}

TEST(SpinLock, ReleaseByAThreadThatDoesNotHoldItIsReported)
{
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    KfReleaseSpinLock(&lock, PASSIVE_LEVEL);
    EXPECT_EQ(TakePortViolations().size(), 1u);
}

TEST(IoRequest, CompletesOnceThroughTheIssuersHook)
{
    int calls = 0;
    IRP irp{};
    irp.CompletionHook = [](IRP*, PVOID context) { ++*static_cast<int*>(context); };
    irp.CompletionContext = &calls;
    IofCompleteRequest(&irp, IO_NO_INCREMENT);
    EXPECT_EQ(calls, 1);
    IofCompleteRequest(&irp, IO_NO_INCREMENT);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(TakePortViolations().size(), 1u);
}

TEST(IoRequest, MapsADescriptorToTheBufferItDescribes)
{
    char buffer[64];
    MDL mdl{};
    mdl.StartVa = buffer;
    mdl.ByteOffset = 8;
    mdl.ByteCount = 32;
    EXPECT_EQ(MmMapLockedPages(&mdl, KernelMode), buffer + 8);
    EXPECT_NE(mdl.MdlFlags & MDL_MAPPED_TO_SYSTEM_VA, 0);
    EXPECT_EQ(mdl.MappedSystemVa, buffer + 8);
}

}  // namespace
