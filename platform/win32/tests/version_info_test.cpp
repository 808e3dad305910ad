// Version resources of the program and of a shared object on disk.
#include "platform/win32/paths.h"
#include "platform/win32/version_info.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class VersionInfoTest : public ::testing::Test {
protected:
    std::vector<unsigned char> Read(const char* file)
    {
        DWORD handle = 99;
        const DWORD size = GetFileVersionInfoSizeA(file, &handle);
        EXPECT_EQ(handle, 0u);
        if (size == 0)
            return {};
        std::vector<unsigned char> block(size);
        EXPECT_TRUE(GetFileVersionInfoA(file, 0, size, block.data()));
        return block;
    }

    static const VS_FIXEDFILEINFO* Fixed(const std::vector<unsigned char>& block)
    {
        LPVOID value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\", &value, &length) || length != sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    zv::win32::testing::TempZvRoot root;
};

TEST_F(VersionInfoTest, TheProgramsVersionAndTexts)
{
    char program[4096];
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    const std::vector<unsigned char> block = Read(program);
    ASSERT_FALSE(block.empty()) << GetLastError();
    const VS_FIXEDFILEINFO* fixed = Fixed(block);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), 3);
    EXPECT_EQ(LOWORD(fixed->dwProductVersionMS), 2);
    EXPECT_EQ(HIWORD(fixed->dwProductVersionLS), 0);
    EXPECT_EQ(LOWORD(fixed->dwProductVersionLS), 77);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), 1);
    EXPECT_TRUE(fixed->dwFileFlags & VS_FF_PRERELEASE);

    struct Case {
        const char* path;
        std::string text;
    };
    const Case texts[] = {
        {"\\StringFileInfo\\040904b0\\ProductName", "Zelvante"},
        {"\\stringfileinfo\\040904B0\\productname", "Zelvante"},
        {"\\StringFileInfo\\040904b0\\LegalCopyright", "© test"},
    };
    for (const Case& c : texts) {
        LPVOID value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), c.path, &value, &length)) << c.path;
        EXPECT_EQ(std::string(static_cast<const char*>(value)), c.text);
    }
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    WORD translation[2];
    std::memcpy(translation, value, sizeof translation);
    EXPECT_EQ(translation[0], 0x409);
    EXPECT_EQ(translation[1], 1200);
    for (const char* missing : {"\\StringFileInfo\\040904b0\\Comments", "\\Nothing", "\\StringFileInfo"})
        EXPECT_FALSE(VerQueryValueA(block.data(), missing, &value, &length)) << missing;

    // A buffer smaller than asked for is refused.
    const DWORD size = GetFileVersionInfoSizeA(program, nullptr);
    std::vector<unsigned char> small(size - 1);
    EXPECT_FALSE(GetFileVersionInfoA(program, 0, size - 1, small.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(VersionInfoTest, ASharedObjectOnDiskAndFilesWithoutVersions)
{
    const std::vector<unsigned char> block = Read(RESOURCE_TEST_LIBRARY_PATH);
    ASSERT_FALSE(block.empty()) << GetLastError();
    const VS_FIXEDFILEINFO* fixed = Fixed(block);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwProductVersionMS, (1u << 16) | 2u);
    EXPECT_EQ(fixed->dwProductVersionLS, (3u << 16) | 4u);
    EXPECT_EQ(fixed->dwFileType, 3u);
    EXPECT_FALSE(fixed->dwFileFlags & VS_FF_PRERELEASE);

    struct Case {
        const char* file;
        DWORD error;
    };
    const Case cases[] = {
        {"/no/such/file.sys", ERROR_FILE_NOT_FOUND},
        {ZV_TEST_RESOURCE_FOLDER "/tone.bin", ERROR_BAD_FORMAT},
        {"libc.so.6", ERROR_FILE_NOT_FOUND}, // a bare name is a path relative to the current folder
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFileVersionInfoSizeA(c.file, nullptr), 0u) << c.file;
        EXPECT_EQ(GetLastError(), c.error) << c.file;
    }
}

} // namespace
