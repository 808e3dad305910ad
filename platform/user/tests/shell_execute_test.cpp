// ShellExecuteA and HtmlHelpA with a recorder in place of the desktop's opener.
#include "platform/user/html_help.h"
#include "platform/user/shell_execute.h"
#include "platform/user/window.h"
#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Writes how many arguments it was given and the first, whole, once it is done.
class Recorder {
public:
    explicit Recorder(const std::string& folder) : m_script(folder + "/recorder"), m_output(folder + "/recorded")
    {
        std::ofstream(m_script) << "#!/bin/sh\nprintf '%s\\n%s' \"$#\" \"$1\" > '" << m_output << ".tmp'\nmv '"
                                << m_output << ".tmp' '" << m_output << "'\n";
        ::chmod(m_script.c_str(), 0755);
        ::setenv("ZV_SHELL_OPEN", m_script.c_str(), 1);
    }
    ~Recorder() { ::unsetenv("ZV_SHELL_OPEN"); }

    // "<argument count>\n<first argument>", or "<nothing>" when the recorder did not run in time.
    std::string Take() const
    {
        for (int i = 0; i < 1000 && !fs::exists(m_output); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(m_output);
        if (!in)
            return "<nothing>";
        std::stringstream text;
        text << in.rdbuf();
        in.close();
        fs::remove(m_output);
        return text.str();
    }

private:
    std::string m_script;
    std::string m_output;
};

std::intptr_t Code(HINSTANCE result)
{
    return reinterpret_cast<std::intptr_t>(result);
}

TEST(ShellExecute, HandsTheTargetToTheOpenerAsOneArgument)
{
    zv::win32::testing::TempZvRoot root;
    Recorder recorder(root.Path());
    const std::string document = root.Path() + "/read me.txt";
    std::ofstream(document) << "x";
    fs::create_directory(root.Path() + "/folder");
    struct Case {
        const char* operation;
        std::string file;
        const char* directory;
        std::string opened;
    };
    const std::string weird = "https://example.com/a b?q='1'&r=$(touch x);`id`|\"; rm -rf /";
    const Case cases[] = {
        {"open", "https://example.com/zelvante", nullptr, "https://example.com/zelvante"},
        {nullptr, "mailto:support@example.com?subject=Zelvante", nullptr, "mailto:support@example.com?subject=Zelvante"},
        {"open", weird, nullptr, weird},
        {"open", document, nullptr, document},
        {"open", "read me.txt", root.Path().c_str(), document},
        {"explore", root.Path() + "\\folder", nullptr, root.Path() + "/folder"},
    };
    for (const Case& c : cases) {
        const auto result = Code(ShellExecuteA(nullptr, c.operation, c.file.c_str(), nullptr, c.directory, SW_SHOWNORMAL));
        EXPECT_GT(result, 32) << c.file;
        EXPECT_EQ("1\n" + c.opened, recorder.Take()) << c.file;
    }
}

TEST(ShellExecute, FailsWithTheWindowsCodesAndStartsNothing)
{
    zv::win32::testing::TempZvRoot root;
    Recorder recorder(root.Path());
    struct Case {
        const char* operation;
        std::string file;
        std::intptr_t code;
    };
    const Case cases[] = {
        {"open", root.Path() + "/missing.txt", SE_ERR_FNF},
        {"open", root.Path() + "/no-folder/missing.txt", SE_ERR_PNF},
        {"open", "", SE_ERR_FNF},
        {"print", "https://example.com", SE_ERR_NOASSOC},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, Code(ShellExecuteA(nullptr, c.operation, c.file.c_str(), nullptr, nullptr, SW_SHOW))) << c.file;
        EXPECT_EQ(static_cast<DWORD>(c.code), GetLastError()) << c.file;
    }
    ::setenv("ZV_SHELL_OPEN", (root.Path() + "/no-opener").c_str(), 1);
    EXPECT_EQ(SE_ERR_NOASSOC, Code(ShellExecuteA(nullptr, "open", "https://example.com", nullptr, nullptr, SW_SHOW)));
    EXPECT_FALSE(fs::exists(root.Path() + "/recorded"));
}

TEST(UrlScheme, TellsUrlsFromPaths)
{
    struct Case {
        const char* target;
        bool url;
    };
    const Case cases[] = {
        {"http://a", true}, {"mailto:a@b", true}, {"ms-help:x", true},
        {"C:\\a.txt", false}, {"a.txt", false}, {"/tmp/a:b", false}, {"1http:x", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.url, zv::user::HasUrlScheme(c.target)) << c.target;
}

TEST(HtmlHelp, OpensThePageBesideTheProgramAndNothingWhenItIsMissing)
{
    zv::win32::testing::TempZvRoot root;
    Recorder recorder(root.Path());
    fs::create_directories(root.Path() + "/zelvante");
    std::ofstream(root.Path() + "/zelvante/index.html") << "<html></html>";
    std::ofstream(root.Path() + "/zelvante/start.htm") << "<html></html>";
    std::ofstream(root.Path() + "/single.html") << "<html></html>";
    struct Case {
        std::string file;
        UINT command;
        std::string opened; // empty: nothing opens
    };
    const Case cases[] = {
        {root.Path() + "\\zelvante.chm", HH_DISPLAY_TOC, root.Path() + "/zelvante/index.html"},
        {root.Path() + "\\zelvante.chm::/start.htm", HH_DISPLAY_TOPIC, root.Path() + "/zelvante/start.htm"},
        {root.Path() + "\\single.chm", HH_DISPLAY_TOC, root.Path() + "/single.html"},
        {root.Path() + "\\other.chm", HH_DISPLAY_TOC, ""},
        {root.Path() + "\\zelvante.chm::/../single.html", HH_DISPLAY_TOPIC, ""},
        {root.Path() + "\\zelvante.chm", 0x12, ""},
    };
    for (const Case& c : cases) {
        HWND shown = HtmlHelpA(GetDesktopWindow(), c.file.c_str(), c.command, 0);
        EXPECT_EQ(!c.opened.empty(), shown != nullptr) << c.file;
        if (!c.opened.empty()) {
            EXPECT_EQ("1\n" + c.opened, recorder.Take()) << c.file;
        }
    }
    EXPECT_FALSE(fs::exists(root.Path() + "/recorded"));
}

}  // namespace
