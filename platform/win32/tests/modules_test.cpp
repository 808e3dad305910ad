// Loading libraries: file names match without regard to case, as on Windows, both for a path
// with its folder and for a bare name searched in the system folder.
#include "platform/win32/last_error.h"
#include "platform/win32/modules.h"
#include "platform/win32/paths.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class ModulesTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;

    // A copy of a real shared library under the given name.
    static void PlaceLibrary(const fs::path& path)
    {
        fs::create_directories(path.parent_path());
        fs::copy_file(RESOURCE_TEST_LIBRARY_PATH, path, fs::copy_options::overwrite_existing);
    }
};

TEST_F(ModulesTest, FileNamesMatchWithoutRegardToCase)
{
    const fs::path folder = fs::path(std::getenv("ZV_ROOT")) / "Program";
    PlaceLibrary(folder / "Sample.dll");
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    PlaceLibrary(fs::path(system) / "Helper.Dll");
    struct Case {
        std::string name;
        bool loads;
    };
    const Case cases[] = {
        {(folder / "Sample.dll").string(), true},
        {(folder / "SAMPLE.DLL").string(), true},
        {folder.string() + "\\sample.Dll", true},
        {(folder / "sample.dl").string(), false},
        {(folder / "Sample.dll.x").string(), false},
        {"HELPER.DLL", true},
        {"helper.dll", true},
        {"helpers.dll", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        const HMODULE module = LoadLibraryA(c.name.c_str());
        EXPECT_EQ(module != nullptr, c.loads);
        if (module)
            FreeLibrary(module);
        else
            EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    }
}

} // namespace
