// The Run key's autostart entries as the desktop's own checker reads them: every entry the
// registry writes, odd names and command lines included, passes desktop-file-validate.
#include "platform/win32/processes.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/run_key_autostart.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

// The checker's exit status and what it printed.
int Validate(const std::string& validator, const std::string& path, std::string& output)
{
    const std::string command = "'" + validator + "' '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe))
        output += buffer.data();
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct EntryCase {
    const char* name;
    std::string valueName;
    std::string commandLine; // "<p>" stands for a program whose path has spaces
};

TEST(RunKeyAutostartInterop, EveryEntryPassesTheDesktopsValidator)
{
    const std::string validator = zv::win32::SearchExecutablePath("desktop-file-validate");
    ASSERT_FALSE(validator.empty()) << "desktop-file-validate is missing: scripts/install-deps.sh installs it";
    zv::win32::testing::TempZvRoot root;
    const std::string program = root.Path() + "/Program Files/Zelvante/Zelvante";
    fs::create_directories(fs::path(program).parent_path());
    std::ofstream(program) << "#!/bin/sh\n";
    fs::permissions(program, fs::perms::owner_all);
    zv::win32::Key run = zv::win32::Key::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    ASSERT_TRUE(run);

    const EntryCase cases[] = {
        {"quoted program", "Zelvante", "\"" + program + ".exe\" /play"},
        {"unquoted program with spaces", "Zelvante Copy", program + " /play"},
        {"reserved characters", "odd.name_1", program + " 50% $HOME `x` a\\\"b 'c' ~ |;&<>*?#()"},
        {"name with spaces and backslash", " lead\\ing\ttab", program},
        {"missing program", "Gone", "C:\\Program Files\\Gone\\gone.exe -q"},
    };
    for (const EntryCase& c : cases) {
        ASSERT_TRUE(run.SetString(c.valueName.c_str(), c.commandLine)) << c.name;
        const std::string path = zv::win32::AutostartEntryPath(c.valueName);
        ASSERT_TRUE(fs::exists(path)) << c.name;
        std::string output;
        EXPECT_EQ(Validate(validator, path, output), 0) << c.name << ": " << output;
        EXPECT_EQ(output.find("error"), std::string::npos) << c.name << ": " << output;
    }
}

} // namespace
