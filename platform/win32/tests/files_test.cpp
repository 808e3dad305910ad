#include "platform/win32/files.h"
#include "platform/win32/find_files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/system_time.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using zv::win32::testing::TempZvRoot;

class FileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return m_root.Path() + "/" + name; }

    void WriteText(const std::string& name, const std::string& text) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << text;
    }

    std::string ReadText(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    bool Exists(const std::string& name) const
    {
        struct stat info {};
        return stat(PathOf(name).c_str(), &info) == 0;
    }

    TempZvRoot m_root;
};

TEST_F(FileTest, CreationDispositionsFollowWindows)
{
    struct Case {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        std::string contentAfter; // "-" when no file is left
    };
    const Case cases[] = {
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "-"},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "-"},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << " exists " << c.exists);
        const std::string name = "file" + std::to_string(c.disposition) + (c.exists ? "e" : "n");
        if (c.exists)
            WriteText(name, "old");
        HANDLE file = CreateFileA(PathOf(name).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
        EXPECT_EQ(GetLastError(), c.error);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        EXPECT_EQ(Exists(name) ? ReadText(name) : "-", c.contentAfter);
    }
}

TEST_F(FileTest, OpeningFailsOnFoldersAndMissingFolders)
{
    ASSERT_TRUE(CreateDirectoryA(PathOf("folder").c_str(), nullptr));
    struct Case {
        std::string path;
        DWORD disposition;
        DWORD error;
    };
    const Case cases[] = {
        {PathOf("folder"), OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {PathOf("folder"), CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {PathOf("missing/file.txt"), CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {PathOf("missing/file.txt"), OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {PathOf("any"), 0, ERROR_INVALID_PARAMETER},
        {PathOf("any"), 6, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CreateFileA(c.path.c_str(), GENERIC_WRITE, 0, nullptr, c.disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(FileTest, ReadWriteAndSeek)
{
    HANDLE file = CreateFileA(PathOf("data.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    DWORD high = 1;
    EXPECT_EQ(GetFileSize(file, &high), 11u);
    EXPECT_EQ(high, 0u);

    char buffer[16] = {};
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
    ASSERT_TRUE(ReadFile(file, buffer, 5, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "hello");
    EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_CURRENT), 6u);
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "world");
    // At the end a read succeeds with nothing.
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 0u);

    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_END), 6u);
    ASSERT_TRUE(WriteFile(file, "WORLD!", 6, &done, nullptr));
    LONG moveHigh = 0;
    EXPECT_EQ(SetFilePointer(file, 0, &moveHigh, FILE_CURRENT), 12u);
    EXPECT_EQ(moveHigh, 0);

    EXPECT_EQ(SetFilePointer(file, -13, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(file);
    EXPECT_EQ(ReadText("data.bin"), "hello WORLD!");
}

TEST_F(FileTest, AccessModesAndUnsupportedCallsAreChecked)
{
    WriteText("text", "abc");
    HANDLE writer = CreateFileA(PathOf("text").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD done = 99;
    EXPECT_FALSE(ReadFile(writer, buffer, 3, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(writer, "x", 1, &done, reinterpret_cast<LPOVERLAPPED>(buffer)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(writer);

    HANDLE reader = CreateFileA(PathOf("text").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateFileA(PathOf("text").c_str(), GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(reader);

    EXPECT_FALSE(ReadFile(reader, buffer, 3, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ReadText("text"), "abc");
}

TEST_F(FileTest, DeleteCopyAndMove)
{
    WriteText("a.txt", "alpha");
    WriteText("b.txt", "beta");
    ASSERT_TRUE(CreateDirectoryA(PathOf("dir").c_str(), nullptr));

    EXPECT_FALSE(CopyFileA(PathOf("a.txt").c_str(), PathOf("b.txt").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadText("b.txt"), "beta");
    EXPECT_TRUE(CopyFileA(PathOf("a.txt").c_str(), PathOf("b.txt").c_str(), FALSE));
    EXPECT_EQ(ReadText("b.txt"), "alpha");
    EXPECT_TRUE(CopyFileA(PathOf("a.txt").c_str(), PathOf("dir/c.txt").c_str(), TRUE));
    EXPECT_EQ(ReadText("dir/c.txt"), "alpha");
    // A file copied onto itself must not lose its contents.
    EXPECT_FALSE(CopyFileA(PathOf("a.txt").c_str(), PathOf("dir/../a.txt").c_str(), FALSE));
    EXPECT_EQ(ReadText("a.txt"), "alpha");
    EXPECT_FALSE(CopyFileA(PathOf("none").c_str(), PathOf("x").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFileA(PathOf("dir").c_str(), PathOf("x").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    EXPECT_FALSE(MoveFileA(PathOf("a.txt").c_str(), PathOf("b.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileA(PathOf("a.txt").c_str(), PathOf("dir/moved.txt").c_str()));
    EXPECT_FALSE(Exists("a.txt"));
    EXPECT_EQ(ReadText("dir/moved.txt"), "alpha");
    EXPECT_FALSE(MoveFileA(PathOf("a.txt").c_str(), PathOf("z.txt").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_TRUE(DeleteFileA(PathOf("b.txt").c_str()));
    EXPECT_FALSE(Exists("b.txt"));
    struct Case {
        std::string path;
        DWORD error;
    };
    const Case failures[] = {
        {PathOf("b.txt"), ERROR_FILE_NOT_FOUND},
        {PathOf("nowhere/b.txt"), ERROR_PATH_NOT_FOUND},
        {PathOf("dir"), ERROR_ACCESS_DENIED},
    };
    for (const Case& c : failures) {
        EXPECT_FALSE(DeleteFileA(c.path.c_str())) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST_F(FileTest, AttributesAndFolders)
{
    WriteText("plain.sys", "x");
    WriteText(".hidden", "x");
    WriteText("locked", "x");
    chmod(PathOf("locked").c_str(), 0444);
    ASSERT_TRUE(CreateDirectoryA(PathOf("folder").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(PathOf(".config").c_str(), nullptr));

    struct Case {
        std::string path;
        DWORD attributes;
        DWORD error;
    };
    const Case cases[] = {
        {PathOf("plain.sys"), FILE_ATTRIBUTE_NORMAL, 0},
        {PathOf(".hidden"), FILE_ATTRIBUTE_HIDDEN, 0},
        {PathOf("locked"), FILE_ATTRIBUTE_READONLY, 0},
        {PathOf("folder"), FILE_ATTRIBUTE_DIRECTORY, 0},
        {PathOf("folder/"), FILE_ATTRIBUTE_DIRECTORY, 0},
        {PathOf(".config"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, 0},
        {PathOf("folder/.."), FILE_ATTRIBUTE_DIRECTORY, 0},
        {PathOf("absent"), INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {PathOf("absent/deeper"), INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.path.c_str()), c.attributes) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }

    EXPECT_FALSE(CreateDirectoryA(PathOf("folder").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA(PathOf("no/such").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileTest, SetAttributesKeepsHiddenAndReadOnlyAcrossReads)
{
    WriteText("image.jpg", "12345");
    ASSERT_TRUE(CreateDirectoryA(PathOf("~Temp~SnapShots").c_str(), nullptr));
    struct Case {
        std::string name;
        DWORD set;
        DWORD read;
    };
    const Case cases[] = {
        {"~Temp~SnapShots", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN},
        {"image.jpg", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
        {"image.jpg", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
        {"~Temp~SnapShots", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_DIRECTORY},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetFileAttributesA(PathOf(c.name).c_str(), c.set)) << c.name << " " << GetLastError();
        EXPECT_EQ(c.read, GetFileAttributesA(PathOf(c.name).c_str())) << c.name << " set " << c.set;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExA(PathOf(c.name).c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(c.read, data.dwFileAttributes) << c.name;
    }
    EXPECT_FALSE(SetFileAttributesA(PathOf("absent").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(FileTest, AttributeDataGivesSizeAndLastWrite)
{
    WriteText("sized", std::string(70000, 'x'));
    struct timespec times[2] = {{1234567890, 0}, {1234567890, 500000000}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, PathOf("sized").c_str(), times, 0));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(PathOf("sized").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_EQ(70000u, data.nFileSizeLow);
    // 2009-02-13 23:31:30.5 UTC in 100 ns steps since 1601.
    const std::uint64_t written = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(128790414905000000ull, written);
    EXPECT_FALSE(GetFileAttributesExA(PathOf("absent/x").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(FileTest, ShortPathIsTheLongOneWithTheWindowsBufferRules)
{
    const std::string path = PathOf("a long name.txt");
    WriteText("a long name.txt", "x");
    const DWORD length = static_cast<DWORD>(path.size());
    struct Case {
        DWORD bufferSize;
        DWORD result;
        bool copied;
    };
    const Case cases[] = {{0, length + 1, false}, {length, length + 1, false}, {length + 1, length, true}, {400, length, true}};
    for (const Case& c : cases) {
        std::string buffer(400, '#');
        EXPECT_EQ(c.result, GetShortPathNameA(path.c_str(), buffer.data(), c.bufferSize)) << c.bufferSize;
        EXPECT_EQ(c.copied, buffer.compare(0, path.size() + 1, path.c_str(), path.size() + 1) == 0) << c.bufferSize;
    }
    char missing[MAX_PATH];
    EXPECT_EQ(0u, GetShortPathNameA(PathOf("absent").c_str(), missing, MAX_PATH));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(SystemTimeTest, CalendarFieldsInUtc)
{
    struct Case {
        long long seconds;
        long nanoseconds;
        SYSTEMTIME expected;
    };
    const Case cases[] = {
        {0, 0, {1970, 1, 4, 1, 0, 0, 0, 0}},
        {951782400, 999999999, {2000, 2, 2, 29, 0, 0, 0, 999}},
        {1234567890, 123000000, {2009, 2, 5, 13, 23, 31, 30, 123}},
    };
    for (const Case& c : cases) {
        const SYSTEMTIME t = zv::win32::SystemTimeOf(c.seconds, c.nanoseconds);
        const SYSTEMTIME& e = c.expected;
        EXPECT_EQ(std::vector<WORD>({e.wYear, e.wMonth, e.wDayOfWeek, e.wDay, e.wHour, e.wMinute, e.wSecond, e.wMilliseconds}),
                  std::vector<WORD>({t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}))
            << c.seconds;
    }
}

TEST(WindowsPatternTest, MatchesLikeWindows)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.jpg", "A.JPG", true},
        {"*.jpg", "photo.jpg", true},
        {"*.JPG", "photo.jpg", true},
        {"*.jpg", "photo.jpeg", false},
        {"*.jpg", "photo.jpg.txt", false},
        {"*.jpg", "jpg", false},
        {"*.jpg", ".jpg", true},
        {"?.bmp", "x.bmp", true},
        {"?.bmp", "xy.bmp", false},
        {"?.bmp", ".bmp", false},
        {"img??.*", "IMG01.png", true},
        {"img??.*", "img1.png", false},
        {"*", "anything", true},
        {"*.*", "noextension", true},
        {"*a", "banana", true},
        {"*an*a", "banana", true},
        {"b*n*z", "banana", false},
        {"Readme.TXT", "README.txt", true},
        {"readme.txt", "readme.txt2", false},
        {"?", "\xC3\xA9", true},       // one character, two bytes
        {"??", "\xC3\xA9", false},
        {"\xC3\xA9*", "\xC3\xA9t\xC3\xA9", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zv::win32::MatchesWindowsPattern(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
}

TEST_F(FileTest, FindFilesListsMatchesInNameOrder)
{
    ASSERT_TRUE(CreateDirectoryA(PathOf("pics").c_str(), nullptr));
    WriteText("pics/b.jpg", "12345");
    WriteText("pics/A.JPG", "1");
    WriteText("pics/c.bmp", "1");
    WriteText("pics/.d.jpg", "1");
    ASSERT_TRUE(CreateDirectoryA(PathOf("pics/sub.jpg").c_str(), nullptr));

    WIN32_FIND_DATAA data {};
    HANDLE search = FindFirstFileA(PathOf("pics/*.jpg").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    std::vector<DWORD> attributes;
    std::vector<DWORD> sizes;
    do {
        names.push_back(data.cFileName);
        attributes.push_back(data.dwFileAttributes);
        sizes.push_back(data.nFileSizeLow);
    } while (FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_TRUE(FindClose(search));

    EXPECT_EQ(names, (std::vector<std::string>{".d.jpg", "A.JPG", "b.jpg", "sub.jpg"}));
    EXPECT_EQ(attributes, (std::vector<DWORD>{FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL,
                                              FILE_ATTRIBUTE_DIRECTORY}));
    EXPECT_EQ(sizes, (std::vector<DWORD>{1, 1, 5, 0}));
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
}

TEST_F(FileTest, FindFilesReportsWhatIsMissing)
{
    ASSERT_TRUE(CreateDirectoryA(PathOf("empty").c_str(), nullptr));
    WIN32_FIND_DATAA data {};
    struct Case {
        std::string pattern;
        DWORD error;
    };
    const Case cases[] = {
        {PathOf("empty/*.jpg"), ERROR_FILE_NOT_FOUND},
        {PathOf("empty/"), ERROR_FILE_NOT_FOUND},
        {PathOf("absent/*.jpg"), ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindFirstFileA(c.pattern.c_str(), &data), INVALID_HANDLE_VALUE) << c.pattern;
        EXPECT_EQ(GetLastError(), c.error) << c.pattern;
    }
    // A search handle is no file, and a file handle no search.
    WriteText("empty/one.txt", "1");
    HANDLE file = CreateFileA(PathOf("empty/one.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(FindClose(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    CloseHandle(file);
    HANDLE search = FindFirstFileA(PathOf("empty/ONE.TXT").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "one.txt");
    char buffer[4];
    DWORD done = 0;
    EXPECT_FALSE(ReadFile(search, buffer, 1, &done, nullptr));
    EXPECT_TRUE(FindClose(search));
}

} // namespace
