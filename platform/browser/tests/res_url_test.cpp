// res:// URLs: which module and resource they name, and the HTML the program carries.
#include "platform/browser/res_url.h"

#include "platform/win32/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zv::browser::ParseResUrl;

std::string ProgramPath()
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length < sizeof path ? length : 0);
}

TEST(ResUrlTest, ModuleAndNameAreTakenApart)
{
    struct Case {
        const char* url;
        bool valid;
        const char* module;
        const char* name;
    } cases[] = {
        {"res:///opt/zelvante/Zelvante/chat.html", true, "/opt/zelvante/Zelvante", "chat.html"},
        {"RES:///opt/z/Zelvante/125", true, "/opt/z/Zelvante", "125"},
        {"res:///opt/my%20folder/Zelvante/chat.html?x=1#top", true, "/opt/my folder/Zelvante", "chat.html"},
        {"res://C:\\Program Files\\Zelvante.exe/chat.html", true, "C:\\Program Files\\Zelvante.exe", "chat.html"},
        {"res:///opt/z/Zelvante/", false, "", ""},
        {"res://chat.html", false, "", ""},
        {"res:///opt/%zz/chat.html", false, "", ""},
        {"res:///opt/%00/chat.html", false, "", ""},
        {"http://host/chat.html", false, "", ""},
        {"res:/", false, "", ""},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseResUrl(c.url);
        ASSERT_EQ(parsed.has_value(), c.valid) << c.url;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->module, c.module) << c.url;
        EXPECT_EQ(parsed->name, c.name) << c.url;
    }
}

TEST(ResUrlTest, PagesComeFromTheNamedModulesHtmlResources)
{
    const std::string program = ProgramPath();
    ASSERT_FALSE(program.empty());
    struct Case {
        std::string url;
        const char* contains; // null: not found
    } cases[] = {
        {"res://" + program + "/page.html", "a page of the program"},
        {"res://" + program + "/PAGE.HTML", "a page of the program"},
        {"res://" + program + "/125", "number 125"},
        {"res://" + program + "/missing.html", nullptr},
        {"res://" + program + "/127", nullptr},
        {"res:///no/such/module/page.html", nullptr},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseResUrl(c.url);
        ASSERT_TRUE(parsed) << c.url;
        const zv::browser::ResPage page = zv::browser::ReadResPage(*parsed);
        if (c.contains) {
            EXPECT_TRUE(page.error.empty()) << c.url << ": " << page.error;
            EXPECT_NE(page.html.find(c.contains), std::string::npos) << c.url;
        } else {
            EXPECT_FALSE(page.error.empty()) << c.url;
            EXPECT_TRUE(page.html.empty()) << c.url;
        }
    }
}

} // namespace
