#include "platform/win32/last_error.h"
#include "platform/win32/paths.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/zv_root.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

using zv::win32::testing::TempZvRoot;

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Sets an environment variable (or removes it, for nullopt) for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        Apply(value);
    }
    ~ScopedEnv() { Apply(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Apply(const std::optional<std::string>& value)
    {
        if (value)
            setenv(m_name, value->c_str(), 1);
        else
            unsetenv(m_name);
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ZvRootTest, RootComesFromTheEnvironment)
{
    struct Case {
        std::optional<std::string> zvRoot;
        std::optional<std::string> dataHome;
        std::string expected;
    };
    const Case cases[] = {
        {"/srv/machine", "/data", "/srv/machine"},
        {"/srv/machine/", std::nullopt, "/srv/machine"},
        {"/srv/a/../machine", std::nullopt, "/srv/machine"},
        {std::nullopt, "/data", "/data/zelvante"},
        {"", "/data/", "/data/zelvante"},
        {std::nullopt, "relative/data", "/home/tester/.local/share/zelvante"},
        {std::nullopt, std::nullopt, "/home/tester/.local/share/zelvante"},
    };
    ScopedEnv home("HOME", "/home/tester");
    for (const Case& c : cases) {
        ScopedEnv root("ZV_ROOT", c.zvRoot);
        ScopedEnv data("XDG_DATA_HOME", c.dataHome);
        EXPECT_EQ(zv::win32::ZvRoot(), c.expected);
    }
    ScopedEnv root("ZV_ROOT", "machine");
    const std::string relative = zv::win32::ZvRoot();
    EXPECT_EQ(relative.front(), '/');
    EXPECT_EQ(relative.substr(relative.size() - 8), "/machine");
}

TEST(ZvRootTest, EachRootHasItsOwnSharedMemoryNames)
{
    std::string first, second;
    {
        ScopedEnv root("ZV_ROOT", "/srv/one");
        first = zv::win32::ZvShmPrefix();
    }
    {
        ScopedEnv root("ZV_ROOT", "/srv/two");
        second = zv::win32::ZvShmPrefix();
    }
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind("/zv-", 0), 0u);
}

TEST(MachineFolderTest, FoldersLieUnderTheRootAndAreCreatedOnDemand)
{
    TempZvRoot root;
    struct Case {
        const char* what;
        UINT (*get)(LPSTR, UINT);
        std::string expected;
    };
    const Case cases[] = {
        {"windows", GetWindowsDirectoryA, root.Path() + "/windows"},
        {"system", GetSystemDirectoryA, root.Path() + "/windows/system32"},
        {"temp", [](LPSTR buffer, UINT size) -> UINT { return GetTempPathA(size, buffer); }, root.Path() + "/tmp/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char buffer[MAX_PATH] = {};
        const UINT length = c.get(buffer, MAX_PATH);
        EXPECT_EQ(length, c.expected.size());
        EXPECT_EQ(std::string(buffer), c.expected);
        EXPECT_TRUE(IsFolder(c.expected));

        // Too small: nothing written, the size needed (NUL included) returned.
        char small[8] = "unset";
        EXPECT_EQ(c.get(small, sizeof small), c.expected.size() + 1);
        EXPECT_STREQ(small, "unset");
    }
    EXPECT_TRUE(IsFolder(root.Path() + "/windows/system32/drivers"));
    EXPECT_TRUE(IsFolder(root.Path() + "/windows/inf"));
    EXPECT_TRUE(IsFolder(root.Path() + "/run"));
}

TEST(MachineFolderTest, RootThatCannotBeCreatedFails)
{
    TempZvRoot root;
    const std::string blocker = root.Path() + "/file";
    std::FILE* file = std::fopen(blocker.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    ScopedEnv zvRoot("ZV_ROOT", blocker + "/machine");
    char buffer[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, MAX_PATH), 0u);
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
}

TEST(ModulePathTest, ProgramPathNamesThisTestProgram)
{
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    ASSERT_GT(length, 0u);
    const std::string path(buffer, length);
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "win32_tests");
    struct stat info {};
    EXPECT_EQ(stat(buffer, &info), 0);

    // The handle of the program itself, as dlopen gives it, names the same file.
    void* self = dlopen(nullptr, RTLD_NOW);
    char viaHandle[MAX_PATH * 4] = {};
    EXPECT_EQ(GetModuleFileNameA(static_cast<HMODULE>(self), viaHandle, sizeof viaHandle), length);
    EXPECT_STREQ(viaHandle, buffer);
    dlclose(self);

    // Cut to fit: still NUL-terminated, and the caller learns that it was cut.
    char small[6] = {};
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), path.substr(0, 5));
}

TEST(ModulePathTest, LibraryHandleGivesTheLibraryPath)
{
    void* library = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(library, nullptr);
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(library), buffer, sizeof buffer);
    dlclose(library);
    ASSERT_GT(length, 0u);
    const std::string path(buffer, length);
    EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "libm.so.6");
}

TEST(TempFileNameTest, NewFilesGetNamesOfTheirOwn)
{
    TempZvRoot root;
    char folder[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(sizeof folder, folder), 0u);
    struct Case {
        std::string path;
        const char* prefix;
        std::string namePrefix;
    } cases[] = {
        {folder, "zv", "zv"},
        {std::string(folder).substr(0, std::strlen(folder) - 1), "zelvante", "zel"},
        {folder, nullptr, ""},
    };
    std::string previous;
    for (const Case& c : cases) {
        char name[MAX_PATH] = {};
        const UINT number = GetTempFileNameA(c.path.c_str(), c.prefix, 0, name);
        ASSERT_NE(number, 0u) << c.namePrefix;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number);
        EXPECT_EQ(std::string(name), std::string(folder) + c.namePrefix + hex + ".tmp");
        struct stat info {};
        EXPECT_EQ(stat(name, &info), 0) << name;
        EXPECT_EQ(info.st_size, 0) << name;
        EXPECT_NE(name, previous);
        previous = name;
    }
    // With a number given, only the name is made.
    char given[MAX_PATH] = {};
    EXPECT_EQ(GetTempFileNameA(folder, "zv", 0x1ABCD, given), 0xABCDu);
    EXPECT_EQ(std::string(given), std::string(folder) + "zvABCD.tmp");
    struct stat info {};
    EXPECT_NE(stat(given, &info), 0);

    char name[MAX_PATH] = {};
    EXPECT_EQ(GetTempFileNameA((std::string(folder) + "missing").c_str(), "zv", 0, name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetTempFileNameA(nullptr, "zv", 0, name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
