// Snapshot file names, the user id in them, which files count as unsaved, and free names.
#include "Shotbox/SnapshotFiles.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = ms;
    return time;
}

TEST(SnapshotFiles, NamesCarryTheSafeUserIdAndTheUtcTime)
{
    struct Case {
        std::string userId;
        SYSTEMTIME time;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"123", At(2026, 12, 8, 14, 5, 9, 7), "123081220261405090007.jpg"},
        {"", At(2027, 1, 31, 0, 0, 0, 999), "310120270000000999.jpg"},
        {"../../etc/x", At(2026, 2, 3, 4, 5, 6, 10), "etcx030220260405060010.jpg"},
        {"a b\\c:d*?", At(2026, 2, 3, 4, 5, 6, 10), "abcd030220260405060010.jpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.name, SnapshotFileName(FileNameSafeUserId(c.userId), c.time)) << c.userId;
}

TEST(SnapshotFiles, OnlyFilesOfTheSnapshotFolderAreUnsaved)
{
    const std::string folder = "/home/u/Shotbox/~Temp~SnapShots";
    const std::vector<std::pair<std::string, bool>> cases = {
        {folder + "/1.jpg", true},
        {"/home/u/Shotbox/~Temp~SnapShots/./2.jpg", true},
        {"/home/u/Pictures/~Temp~SnapShots/1.jpg", false},
        {"/home/u/~Temp~Holiday/1.jpg", false},
        {folder + "/inner/1.jpg", false},
        {"/home/u/Shotbox/1.jpg", false},
        {"", false},
    };
    for (const auto& [path, unsaved] : cases)
        EXPECT_EQ(unsaved, IsTemporaryImage(path, folder)) << path;
}

TEST(SnapshotFiles, FreePathsStepAroundTakenAndExistingNames)
{
    zv::win32::testing::TempZvRoot root;
    const std::string folder = root.Path();
    std::ofstream(folder + "/a.jpg");
    std::ofstream(folder + "/a-2.jpg");
    EXPECT_EQ(folder + "/a.jpg", FreePath(folder, "a.jpg", {}, false));
    EXPECT_EQ(folder + "/a-3.jpg", FreePath(folder, "a.jpg", {}, true));
    EXPECT_EQ(folder + "/b-2.jpg", FreePath(folder, "b.jpg", {folder + "/b.jpg"}, false));
    EXPECT_EQ(folder + "/a-3.jpg", FreePath(folder, "a.jpg", {folder + "/a.jpg"}, true));
}

TEST(SnapshotFiles, TheFolderIsMadeOnceAndListedAsHiddenOnce)
{
    zv::win32::testing::TempZvRoot root;
    const std::string folder = SnapshotFolderOf(root.Path());
    ASSERT_TRUE(EnsureSnapshotFolder(folder));
    ASSERT_TRUE(EnsureSnapshotFolder(folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    std::ifstream hidden(root.Path() + "/.hidden");
    std::string all((std::istreambuf_iterator<char>(hidden)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::string(kSnapshotFolderName) + "\n", all);

    const std::string blocked = root.Path() + "/blocked/" + kSnapshotFolderName;
    std::filesystem::create_directories(root.Path() + "/blocked");
    std::ofstream(blocked) << "not a folder";
    EXPECT_FALSE(EnsureSnapshotFolder(blocked));
    EXPECT_FALSE(EnsureSnapshotFolder(root.Path() + "/missing/parent/" + kSnapshotFolderName));
}

} // namespace
