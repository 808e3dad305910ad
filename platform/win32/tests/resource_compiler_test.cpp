// The resource compiler refuses a bad script with the file, the line and the reason, and writes
// nothing; a good script compiles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class ResourceCompilerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = fs::temp_directory_path().string() + "/zvrc-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        std::ofstream(folder / "sound.wav") << "RIFF";
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs the compiler on the script; returns its exit status and what it printed.
    std::pair<int, std::string> Compile(const std::string& script)
    {
        std::ofstream(folder / "resources.rc", std::ios::binary | std::ios::trunc) << script;
        const fs::path log = folder / "log.txt";
        const std::string command = std::string(ZVRC_PATH) + " '" + (folder / "resources.rc").string() + "' '" +
                                    (folder / "out.cpp").string() + "' 2> '" + log.string() + "'";
        const int status = std::system(command.c_str());
        std::ifstream in(log);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(std::istreambuf_iterator<char>(in), {})};
    }

    fs::path folder;
};

TEST_F(ResourceCompilerTest, AGoodScriptCompiles)
{
    const auto [status, output] = Compile("STRINGTABLE BEGIN 1 \"one\" END\n"
                                          "Snapshot WAVE \"sound.wav\"\n"
                                          "1 MENU BEGIN POPUP \"&File\" BEGIN MENUITEM \"E&xit\", 2 END END\n"
                                          "1 DIALOGEX 0, 0, 10, 10\nBEGIN\nPUSHBUTTON \"OK\", IDOK, 0, 0, 5, 5\nEND\n");
    EXPECT_EQ(status, 0) << output;
    EXPECT_TRUE(fs::exists(folder / "out.cpp"));
}

TEST_F(ResourceCompilerTest, ABadScriptIsRefusedWithItsLineAndReason)
{
    struct Case {
        std::string script;
        std::string message; // after "resources.rc:"
    };
    const Case cases[] = {
        {"STRINGTABLE\nBEGIN\n 1 \"open\nEND\n", "3: string not closed on its line"},
        {"STRINGTABLE BEGIN\n1 \"a\"\n1 \"b\"\nEND", "3: string id 1 defined twice"},
        {"STRINGTABLE BEGIN\n1 \"\"\nEND", "2: string 1 is empty"},
        {"STRINGTABLE BEGIN\n1 \"bad \\q escape\"\nEND", "2: unknown escape '\\q'"},
        {"STRINGTABLE BEGIN\n1 \"\xff\xfe\"\nEND", "2: text is not valid UTF-8"},
        {"STRINGTABLE BEGIN\n1 \"a\"\n", "3: END missing"},
        {"STRINGTABLE BEGIN\n70000 \"a\"\nEND", "2: string id out of range"},
        {"\nSnapshot WAVE \"missing.wav\"", "2: cannot read file"},
        {"Snapshot WAVE \"sound.wav\"\nsnapshot wave \"sound.wav\"", "2: resource SNAPSHOT of type WAVE defined twice"},
        {"1 MENU\nBEGIN\n POPUP \"&File\"\n BEGIN\n END\nEND", "3: pop-up \"&File\" has no items"},
        {"1 MENU\nBEGIN\n MENUITEM \"x\" 5\nEND", "3: ',' expected"},
        {"1 MENU\nBEGIN\n ITEM \"x\", 5\nEND", "3: MENUITEM or POPUP expected"},
        {"1 DIALOGEX 0, 0, 10, 10\nSTYLE WS_POPUP | WS_BOGUS\nBEGIN\nEND", "2: unknown name 'WS_BOGUS'"},
        {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\nCONTROL \"\", 1, WIDGET, 0, 0, 0, 1, 1\nEND", "3: unknown control class 'WIDGET'"},
        {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\nBUTTONISH \"\", 1, 0, 0, 1, 1\nEND", "3: unknown control statement"},
        {"1 DIALOGEX 0, 0, 40000, 10\nBEGIN\nEND", "1: coordinate out of range"},
        {"1 DIALOGEX 0, 0, 10, 10\nFONT 8, \"\"\nBEGIN\nEND", "2: font face name is empty"},
        {"0 WAVE \"sound.wav\"", "1: resource id 0 out of range"},
        {"1 ICON \"sound.wav\"", "1: '"},
        {"/* never closed", "1: comment not closed"},
        {"1 VERSIONINFO\nFILEVERSION 1, 2, 70000, 4\nBEGIN\nEND", "2: version part out of range"},
        {"1 VERSIONINFO\nBEGIN\nVALUE \"\", 1\nEND", "3: empty version key"},
        {"1 WAVE \"sound.wav\" @", "1: unexpected character '@'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        fs::remove(folder / "out.cpp");
        const auto [status, output] = Compile(c.script);
        EXPECT_EQ(status, 1);
        EXPECT_NE(output.find("resources.rc:" + c.message), std::string::npos) << output;
        EXPECT_FALSE(fs::exists(folder / "out.cpp"));
        EXPECT_FALSE(fs::exists(folder / "out.cpp.tmp"));
    }
}

} // namespace
