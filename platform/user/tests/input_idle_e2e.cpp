// WaitForInputIdle on programs of ours started with CreateProcessA, each a process of its own.
#include "platform/user/input_idle.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/processes.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

struct Started {
    PROCESS_INFORMATION info{};
    ~Started()
    {
        if (!info.hProcess)
            return;
        ::kill(static_cast<pid_t>(info.dwProcessId), SIGKILL);
        WaitForSingleObject(info.hProcess, 10000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
};

TEST(WaitForInputIdle, EndsWhenTheChildShowsItsWindowAndRunsOutWhenItNeverDoes)
{
    zv::win32::testing::TempZvRoot root;
    struct Case {
        const char* argument;
        DWORD milliseconds;
        DWORD expected;
    };
    const Case cases[] = {
        {"300", 20000, 0},
        {"never", 500, WAIT_TIMEOUT},
    };
    for (const Case& c : cases) {
        std::string commandLine = std::string("\"") + LATE_WINDOW_PATH + "\" " + c.argument;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        Started child;
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &child.info));
        EXPECT_EQ(c.expected, WaitForInputIdle(child.info.hProcess, c.milliseconds)) << c.argument;
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(child.info.hProcess, 0)) << c.argument;
    }
}

TEST(WaitForInputIdle, FailsForAChildThatEndsWithoutAWindowAndForNoProcess)
{
    zv::win32::testing::TempZvRoot root;
    std::string commandLine = std::string("\"") + LATE_WINDOW_PATH + "\"";  // no argument: ends at once
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    Started child;
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &child.info));
    EXPECT_EQ(WAIT_FAILED, WaitForInputIdle(child.info.hProcess, INFINITE));
    EXPECT_EQ(WAIT_FAILED, WaitForInputIdle(nullptr, 100));
}

}  // namespace
