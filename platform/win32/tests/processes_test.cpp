#include "platform/win32/processes.h"

#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/waits.h"
#include "platform/win32/zv_root.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(ProgramNameOfProcess, NamesTheProgramFileOfALiveProcessOnly)
{
    zv::win32::testing::TempZvRoot root;
    struct Case {
        DWORD processId;
        std::string expected;
    };
    // This test program was started by its file's path, so its short invocation name is that file's name.
    const Case cases[] = {
        {static_cast<DWORD>(::getpid()), program_invocation_short_name},
        {0, ""},          // no process has id 0
        {0x7FFFFFFF, ""}, // above any id the kernel hands out
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, zv::win32::ProgramNameOfProcess(c.processId)) << c.processId;
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

std::string Read(const std::string& path)
{
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

void WriteScript(const std::string& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
}

TEST(CreateProcess, StartsAnApplicationByPathInItsFolderAndHandsItTheStartupRequest)
{
    zv::win32::testing::TempZvRoot root;
    const std::string folder = root.Path() + "/program folder";
    ::mkdir(folder.c_str(), 0755);
    WriteScript(folder + "/Shotbox", "pwd > seen\necho \"$ZV_STARTUP\" > startup\nexit 3\n");
    const std::string application = folder + "\\Shotbox.exe";

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USEPOSITION | STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK;
    startup.dwX = 640;
    startup.dwY = 480;
    startup.wShowWindow = 4;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(application.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                               &startup, &process));
    EXPECT_EQ(process.dwProcessId, GetProcessId(process.hProcess));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hThread, 10000));
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &exitCode));
    EXPECT_EQ(3u, exitCode);
    EXPECT_TRUE(CloseHandle(process.hThread));
    EXPECT_TRUE(CloseHandle(process.hProcess));
    EXPECT_FALSE(CloseHandle(process.hProcess));
    EXPECT_EQ(folder, Read(folder + "/seen"));

    // What the child was handed reads back as the request.
    ::setenv("ZV_STARTUP", Read(folder + "/startup").c_str(), 1);
    STARTUPINFOA received{};
    GetStartupInfoA(&received);
    ::unsetenv("ZV_STARTUP");
    EXPECT_EQ(sizeof received, received.cb);
    EXPECT_EQ(static_cast<DWORD>(STARTF_USEPOSITION | STARTF_USESHOWWINDOW), received.dwFlags);
    EXPECT_EQ(640u, received.dwX);
    EXPECT_EQ(480u, received.dwY);
    EXPECT_EQ(4, received.wShowWindow);

    EXPECT_FALSE(CreateProcessA(application.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                (folder + "/missing").c_str(), &startup, &process));
    EXPECT_EQ(ERROR_DIRECTORY, GetLastError());
}

TEST(CreateProcess, RunsTheDesktopVolumeControlForTheWindowsOneOnlyWhenInstalled)
{
    zv::win32::testing::TempZvRoot root;
    const std::string bin = root.Path() + "/bin";
    ::mkdir(bin.c_str(), 0755);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", bin.c_str(), 1);
    for (const bool installed : {false, true}) {
        if (installed)
            WriteScript(bin + "/pavucontrol", "echo \"$#\" > \"" + root.Path() + "/ran\"\n");
        char commandLine[] = "sndvol32 /t";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const BOOL started =
            CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        EXPECT_EQ(installed, started != FALSE);
        if (!started) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
            continue;
        }
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 10000));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ("0", Read(root.Path() + "/ran")); // the Windows arguments are not passed on
    }
    ::setenv("PATH", oldPath.c_str(), 1);
}

}  // namespace
