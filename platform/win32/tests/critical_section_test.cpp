#include "platform/win32/critical_section.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

BOOL TryFromOtherThread(CRITICAL_SECTION& section)
{
    BOOL entered = FALSE;
    std::thread([&] {
        entered = TryEnterCriticalSection(&section);
        if (entered)
            LeaveCriticalSection(&section);
    }).join();
    return entered;
}

TEST(CriticalSectionTest, TheOwnerMayEnterAgainAndHoldsItUntilTheLastLeave)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    EnterCriticalSection(&section);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    EXPECT_FALSE(TryFromOtherThread(section));
    LeaveCriticalSection(&section);
    EXPECT_TRUE(TryFromOtherThread(section));
    DeleteCriticalSection(&section);
    EXPECT_EQ(section.lock, nullptr);
}

TEST(CriticalSectionTest, ThreadsTakeTurns)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                EnterCriticalSection(&section);
                ++counter;
                LeaveCriticalSection(&section);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 40000);
    DeleteCriticalSection(&section);
}

} // namespace
