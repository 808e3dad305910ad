// Resource lookup: by ordinal, name and type, in the program and in a shared library, each module
// finding only its own set.
#include "platform/win32/resources.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string FileText(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ResourceText(HMODULE module, LPCSTR name, LPCSTR type)
{
    const HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return "<missing " + std::to_string(GetLastError()) + ">";
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

class ResourcesTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;
};

TEST_F(ResourcesTest, FindsTheProgramsResourcesByOrdinalNameAndType)
{
    const std::string tone = FileText(ZV_TEST_RESOURCE_FOLDER "/tone.bin");
    ASSERT_FALSE(tone.empty());
    struct Case {
        LPCSTR name;
        LPCSTR type;
        std::string expected;
    };
    const std::string missingName = "<missing " + std::to_string(ERROR_RESOURCE_NAME_NOT_FOUND) + ">";
    const std::string missingType = "<missing " + std::to_string(ERROR_RESOURCE_TYPE_NOT_FOUND) + ">";
    const Case cases[] = {
        {"Snapshot", "WAVE", tone},
        {"SNAPSHOT", "wave", tone},
        {MAKEINTRESOURCE(200), "WAVE", tone},
        {"#200", "WAVE", tone},
        {MAKEINTRESOURCE(300), RT_RCDATA, tone},
        {"CHAT.HTML", RT_HTML, tone},
        {MAKEINTRESOURCE(137), "INF", tone},
        {"#137", "inf", tone},
        {"Tic", "WAVE", missingName},
        {MAKEINTRESOURCE(201), "WAVE", missingName},
        {"200", "WAVE", missingName}, // a name without '#' is a name, not a number
        {"Snapshot", "SYS", missingType},
        {MAKEINTRESOURCE(300), RT_BITMAP, missingType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(IS_INTRESOURCE(c.name) ? std::to_string(reinterpret_cast<ULONG_PTR>(c.name)) : c.name);
        EXPECT_EQ(ResourceText(nullptr, c.name, c.type), c.expected);
        EXPECT_EQ(ResourceText(GetModuleHandleA(nullptr), c.name, c.type), c.expected);
    }
}

TEST_F(ResourcesTest, AStringTableIsStoredInBlocksOfSixteen)
{
    // String 1 lives in block 1 (ids 0..15): a count and UTF-16 text per id.
    const HRSRC block = FindResourceA(nullptr, MAKEINTRESOURCE(1), RT_STRING);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, block), 2u * 16 + 2 * std::string("program string").size());
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCE(2), RT_STRING), nullptr);
}

TEST_F(ResourcesTest, ASharedLibraryFindsItsOwnSetAndNotTheProgramsOrTheOtherWayRound)
{
    void* library = dlopen(RESOURCE_TEST_LIBRARY_PATH, RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    auto own = reinterpret_cast<HMODULE (*)()>(dlsym(library, "ResourceTestLibraryModule"));
    ASSERT_NE(own, nullptr);
    const HMODULE module = own();
    ASSERT_NE(module, nullptr);

    const std::string fileName = std::string(RESOURCE_TEST_LIBRARY_PATH).substr(
        std::string(RESOURCE_TEST_LIBRARY_PATH).rfind('/') + 1);
    EXPECT_EQ(GetModuleHandleA(fileName.c_str()), module);
    EXPECT_EQ(GetModuleHandleA(RESOURCE_TEST_LIBRARY_PATH), module);

    const std::string payload = FileText(ZV_TEST_LIBRARY_RESOURCE_FOLDER "/payload.txt");
    EXPECT_EQ(ResourceText(module, "Snapshot", "WAVE"), payload);
    EXPECT_EQ(ResourceText(module, MAKEINTRESOURCE(144), "SYS"), payload);
    EXPECT_EQ(ResourceText(nullptr, MAKEINTRESOURCE(144), "SYS"),
              "<missing " + std::to_string(ERROR_RESOURCE_TYPE_NOT_FOUND) + ">");
    EXPECT_EQ(ResourceText(module, MAKEINTRESOURCE(137), "INF"),
              "<missing " + std::to_string(ERROR_RESOURCE_TYPE_NOT_FOUND) + ">");
    EXPECT_NE(ResourceText(module, "Snapshot", "WAVE"), ResourceText(nullptr, "Snapshot", "WAVE"));
    dlclose(library);
}

TEST_F(ResourcesTest, AModuleWithoutResourcesHasNone)
{
    // The C library carries no set; the program's set is not found through it.
    HMODULE libc = GetModuleHandleA("libc.so.6");
    ASSERT_NE(libc, nullptr);
    EXPECT_EQ(FindResourceA(libc, "Snapshot", "WAVE"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("no-such-module.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

} // namespace
