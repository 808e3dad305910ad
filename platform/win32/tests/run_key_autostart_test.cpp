// The Run key's values as XDG autostart entries: written when set, rewritten when overwritten,
// removed with the value or the key, the program found as CreateProcessA finds it, and the
// emulated machine passed on.
#include "platform/win32/registry.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/run_key_autostart.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using zv::win32::Key;
using zv::win32::testing::TempZvRoot;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The keys of the entry's one group; empty when the file is missing or has no such group.
std::map<std::string, std::string> ReadEntry(const std::string& path)
{
    std::map<std::string, std::string> keys;
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line) || line != "[Desktop Entry]")
        return keys;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            return {};
        keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

void MakeProgram(const std::string& path)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
    fs::permissions(path, fs::perms::owner_all);
}

class RunKeyAutostartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<TempZvRoot>();
        m_spaced = m_root->Path() + "/Program Files/Zelvante/Zelvante";
        m_plain = m_root->Path() + "/bin/plain";
        MakeProgram(m_spaced);
        MakeProgram(m_plain);
        m_run = Key::Create(HKEY_CURRENT_USER, kRunKey);
        ASSERT_TRUE(m_run);
    }
    void TearDown() override
    {
        m_run = Key();
        m_root.reset();
    }

    std::string Entry(const char* name) const { return zv::win32::AutostartEntryPath(name); }
    std::string Env() const { return "env ZV_ROOT=" + m_root->Path() + " "; }

    std::unique_ptr<TempZvRoot> m_root;
    std::string m_spaced;
    std::string m_plain;
    Key m_run;
};

TEST_F(RunKeyAutostartTest, EntriesLieInTheConfigFoldersAutostartWithCaseBlindSafeNames)
{
    const std::string folder = std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart/";
    EXPECT_EQ(Entry("Zelvante"), folder + "zelvante-run-zelvante.desktop");
    EXPECT_EQ(Entry("ZELVANTE"), Entry("zelvante"));
    // Characters outside the desktop id's set are escaped, so different names stay apart.
    EXPECT_EQ(Entry("a b/c.d_"), folder + "zelvante-run-a_20b_2fc_2ed_5f.desktop");
    EXPECT_NE(Entry("a b"), Entry("a_20b"));
    EXPECT_EQ(Entry(""), "");
}

struct ExecCase {
    const char* name;
    std::string commandLine;
    std::string exec; // the Exec line as the entry file holds it, after "env ZV_ROOT=<root> "
};

TEST_F(RunKeyAutostartTest, TheCommandLineBecomesTheExecLine)
{
    const std::string spaced = m_spaced;
    const std::string quotedSpaced = "\"" + m_spaced + "\"";
    const ExecCase cases[] = {
        {"quoted with spaces and .exe", "\"" + spaced + ".exe\" /play", quotedSpaced + " /play"},
        {"unquoted with spaces", spaced + ".exe /play", quotedSpaced + " /play"},
        {"unquoted, no arguments", m_plain, m_plain},
        {"backslashes", "\"" + m_root->Path() + "\\bin\\plain\" /min", m_plain + " /min"},
        {"quoted argument", m_plain + " -x \"a b\"", m_plain + " -x \"a b\""},
        {"percent, dollar and quote", m_plain + " 50% $HOME a\\\"b",
         m_plain + " 50%% \"\\\\$HOME\" \"a\\\\\"b\""},
        {"missing program kept as named", "\"/nowhere/App.exe\" /x", "/nowhere/App.exe /x"},
    };
    for (const ExecCase& c : cases) {
        ASSERT_TRUE(m_run.SetString("Zelvante", c.commandLine)) << c.name;
        const auto entry = ReadEntry(Entry("Zelvante"));
        EXPECT_EQ(entry.count("Type") ? entry.at("Type") : "", "Application") << c.name;
        EXPECT_EQ(entry.count("Name") ? entry.at("Name") : "", "Zelvante") << c.name;
        EXPECT_EQ(entry.count("Exec") ? entry.at("Exec") : "", Env() + c.exec) << c.name;
    }
}

TEST_F(RunKeyAutostartTest, TheDefaultMachineIsNotNamed)
{
    // ZV_ROOT set to what it defaults to anyway.
    const std::string data = m_root->Path() + "/data";
    const char* previous = std::getenv("XDG_DATA_HOME");
    const std::string saved = previous ? previous : "";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("ZV_ROOT", (data + "/zelvante").c_str(), 1);
    EXPECT_EQ(zv::win32::AutostartExec(m_plain + " /play"), m_plain + " /play");
    setenv("ZV_ROOT", m_root->Path().c_str(), 1);
    EXPECT_EQ(zv::win32::AutostartExec(m_plain + " /play"), Env() + m_plain + " /play");
    if (previous)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

TEST_F(RunKeyAutostartTest, OverwriteDeleteAndOtherKeys)
{
    ASSERT_TRUE(m_run.SetString("Zelvante", m_plain + " /play"));
    ASSERT_TRUE(m_run.SetString("Other", m_plain));
    ASSERT_TRUE(m_run.SetString("zelvante", m_plain + " /min"));
    EXPECT_EQ(ReadEntry(Entry("Zelvante"))["Exec"], Env() + m_plain + " /min");

    // A value that is no string names nothing to start.
    ASSERT_TRUE(m_run.SetDword("Other", 1));
    EXPECT_FALSE(fs::exists(Entry("Other")));

    // The same name under another key is no autostart.
    Key elsewhere = Key::Create(HKEY_CURRENT_USER, "Software\\Kestrova\\Run");
    ASSERT_TRUE(elsewhere.SetString("Elsewhere", m_plain));
    EXPECT_FALSE(fs::exists(Entry("Elsewhere")));

    // Deleting is case-blind, as the value's name is.
    ASSERT_EQ(RegDeleteValueA(m_run.Get(), "ZELVANTE"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(Entry("Zelvante")));
}

TEST_F(RunKeyAutostartTest, DeletingTheKeyRemovesItsEntries)
{
    ASSERT_TRUE(m_run.SetString("First", m_plain));
    ASSERT_TRUE(m_run.SetString("Second", m_plain + " /x"));
    ASSERT_TRUE(fs::exists(Entry("First")));
    m_run = Key();
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(Entry("First")));
    EXPECT_FALSE(fs::exists(Entry("Second")));
}

TEST_F(RunKeyAutostartTest, AnEntryThatCannotBeWrittenLeavesTheValueSet)
{
    // A file where the autostart folder should be.
    const std::string folder = zv::win32::AutostartFolder();
    fs::create_directories(fs::path(folder).parent_path());
    std::ofstream(folder) << "in the way";
    EXPECT_TRUE(m_run.SetString("Zelvante", m_plain));
    EXPECT_EQ(m_run.String("Zelvante").value_or("<absent>"), m_plain);
    EXPECT_EQ(RegDeleteValueA(m_run.Get(), "Zelvante"), ERROR_SUCCESS);
}

} // namespace
