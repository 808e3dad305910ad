#include "platform/win32/events.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/threads.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

DWORD WaitForEvent(LPVOID event)
{
    WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 0;
}

// A thread of this process that waits until the test lets it end.
class WaitingThread {
public:
    WaitingThread()
        : m_release(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_thread(CreateThread(nullptr, 0, WaitForEvent, m_release, 0, nullptr))
    {
    }
    ~WaitingThread()
    {
        End();
        CloseHandle(m_thread);
        CloseHandle(m_release);
    }
    WaitingThread(const WaitingThread&) = delete;
    WaitingThread& operator=(const WaitingThread&) = delete;

    HANDLE Handle() const { return m_thread; }
    void End()
    {
        SetEvent(m_release);
        WaitForSingleObject(m_thread, INFINITE);
    }

private:
    HANDLE m_release;
    HANDLE m_thread;
};

TEST(ThreadPriorityTest, EachLevelTakesOrIsRefusedWithoutChange)
{
    const int levels[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                          THREAD_PRIORITY_NORMAL,       THREAD_PRIORITY_ABOVE_NORMAL,
                          THREAD_PRIORITY_HIGHEST,      THREAD_PRIORITY_TIME_CRITICAL};
    for (int level : levels) {
        WaitingThread thread;
        const int before = GetThreadPriority(thread.Handle());
        ASSERT_NE(before, THREAD_PRIORITY_ERROR_RETURN);
        if (SetThreadPriority(thread.Handle(), level)) {
            EXPECT_EQ(GetThreadPriority(thread.Handle()), level) << level;
        } else {
            // Only a raise may be refused, and it leaves the thread where it was.
            EXPECT_GT(level, before) << level;
            EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << level;
            EXPECT_EQ(GetThreadPriority(thread.Handle()), before) << level;
        }
    }
}

TEST(ThreadPriorityTest, CurrentThreadChangesOnlyItself)
{
    const int mine = GetThreadPriority(GetCurrentThread());
    int seen = THREAD_PRIORITY_ERROR_RETURN;
    std::thread([&] {
        if (SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE))
            seen = GetThreadPriority(GetCurrentThread());
    }).join();
    EXPECT_EQ(seen, THREAD_PRIORITY_IDLE);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), mine);
}

TEST(ThreadPriorityTest, RefusesUnknownLevelsAndOtherHandles)
{
    WaitingThread thread;
    EXPECT_FALSE(SetThreadPriority(thread.Handle(), 7));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(SetThreadPriority(event, THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetThreadPriority(event), THREAD_PRIORITY_ERROR_RETURN);
    CloseHandle(event);

    thread.End();
    EXPECT_FALSE(SetThreadPriority(thread.Handle(), THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetThreadPriority(thread.Handle()), THREAD_PRIORITY_ERROR_RETURN);
}

} // namespace
