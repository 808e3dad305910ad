#include "platform/win32/processes.h"

#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/waits.h"
#include "platform/win32/zv_root.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

TEST(CommandLine, SplitsByTheWindowsRules)
{
    struct Case {
        const char* line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"regsvr32 /u /s \"/a b/c.ocx\"", {"regsvr32", "/u", "/s", "/a b/c.ocx"}},
        {"  a\t b  ", {"a", "b"}},
        {"a\\\"b", {"a\"b"}},
        {"\"a\\\\\" b", {"a\\", "b"}},
        {"a\\b", {"a\\b"}},
        {"\"\"", {""}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.words, zv::win32::SplitCommandLine(c.line)) << c.line;
}

TEST(CreateProcess, RunsAProgramOfTheSystemFolderAndReportsItsEnd)
{
    zv::win32::testing::TempZvRoot root;
    ASSERT_TRUE(zv::win32::EnsureMachineFolders());
    const std::string probe = root.Path() + "/windows/system32/probe";
    std::ofstream(probe) << "#!/bin/sh\nexit \"$1\"\n";
    ::chmod(probe.c_str(), 0755);

    char commandLine[] = "probe.exe 7";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 10000));
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeProcess(process.hThread, &exitCode));
    EXPECT_EQ(7u, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    char missing[] = "no-such-program";
    EXPECT_FALSE(CreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

}  // namespace
