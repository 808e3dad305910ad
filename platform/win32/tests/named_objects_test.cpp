#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/mutexes.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/tests/child_process.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

namespace {

using zv::win32::testing::ChildProcess;
using zv::win32::testing::TempZvRoot;

std::string Outcome(bool ok, DWORD error)
{
    return std::to_string(ok ? 1 : 0) + " " + std::to_string(error);
}

class NamedObjectTest : public ::testing::Test {
protected:
    TempZvRoot m_root;
};

TEST_F(NamedObjectTest, NamedMutexIsSharedWithAnotherProcess)
{
    ChildProcess child;
    ASSERT_EQ(child.Call("create-mutex Shared 1"), Outcome(true, ERROR_SUCCESS));

    HANDLE mutex = CreateMutexA(nullptr, TRUE, "Shared");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    // The name existed, so asking for initial ownership gave none.
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);

    ASSERT_EQ(child.Call("release-mutex Shared"), Outcome(true, ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(child.Call("wait-mutex Shared 0"), std::to_string(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(child.Call("wait-mutex Shared 0"), std::to_string(WAIT_OBJECT_0));
    CloseHandle(mutex);
}

TEST_F(NamedObjectTest, WaitingThreadGetsTheMutexWhenTheOtherProcessReleasesIt)
{
    ChildProcess child;
    ASSERT_EQ(child.Call("create-mutex Handover 1"), Outcome(true, ERROR_SUCCESS));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Handover");
    ASSERT_NE(mutex, nullptr);
    auto waiter = std::async(std::launch::async, [&] {
        const DWORD result = WaitForSingleObject(mutex, INFINITE);
        ReleaseMutex(mutex);
        return result;
    });
    ASSERT_EQ(child.Call("release-mutex Handover"), Outcome(true, ERROR_SUCCESS));
    EXPECT_EQ(waiter.get(), WAIT_OBJECT_0);
    CloseHandle(mutex);
}

TEST_F(NamedObjectTest, MutexOfADeadOwnerIsAcquirableAsAbandoned)
{
    ChildProcess child;
    ASSERT_EQ(child.Call("create-mutex Owned 1"), Outcome(true, ERROR_SUCCESS));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Owned");
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);
    child.Exit();
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

// The single-instance guard: leftovers of a crashed instance must not stop the next start.
TEST_F(NamedObjectTest, NameLeftByADeadProcessDoesNotExist)
{
    ChildProcess crashed;
    ASSERT_EQ(crashed.Call("create-mutex KestrovaZelvanteCopyGuard 1"), Outcome(true, ERROR_SUCCESS));
    crashed.Exit();

    HANDLE guard = CreateMutexA(nullptr, TRUE, "KestrovaZelvanteCopyGuard");
    ASSERT_NE(guard, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    // This process owns it now, freshly (not as an abandoned mutex), and a second start sees it.
    ChildProcess second;
    EXPECT_EQ(second.Call("create-mutex KestrovaZelvanteCopyGuard 1"), Outcome(true, ERROR_ALREADY_EXISTS));
    EXPECT_EQ(second.Call("wait-mutex KestrovaZelvanteCopyGuard 0"), std::to_string(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(guard, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(guard));
    EXPECT_TRUE(ReleaseMutex(guard));
    CloseHandle(guard);
}

TEST_F(NamedObjectTest, NameExistsOnlyWhileSomeProcessHoldsItOpen)
{
    HANDLE first = CreateMutexA(nullptr, FALSE, "ZelvanteVideoBufferMutex");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE second = CreateMutexA(nullptr, FALSE, "ZelvanteVideoBufferMutex");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    // Both handles name one mutex.
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(second));
    {
        ChildProcess child;
        EXPECT_EQ(child.Call("create-mutex ZelvanteVideoBufferMutex 0"), Outcome(true, ERROR_ALREADY_EXISTS));
    }
    CloseHandle(first);
    CloseHandle(second);
    ChildProcess child;
    EXPECT_EQ(child.Call("create-mutex ZelvanteVideoBufferMutex 0"), Outcome(true, ERROR_SUCCESS));
}

TEST_F(NamedObjectTest, NamesOfDifferentRootsNeverMeet)
{
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "ZelvanteAudioBufferMutex");
    ASSERT_NE(mutex, nullptr);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "Block");
    ASSERT_NE(mapping, nullptr);
    TempZvRoot otherRoot; // the test's own root is restored when it goes
    ChildProcess child(otherRoot.Path());
    EXPECT_EQ(child.Call("create-mutex ZelvanteAudioBufferMutex 1"), Outcome(true, ERROR_SUCCESS));
    EXPECT_EQ(child.Call("open-mapping Block"), Outcome(false, ERROR_FILE_NOT_FOUND));
    CloseHandle(mapping);
    CloseHandle(mutex);
}

TEST_F(NamedObjectTest, MappingIsSharedWithAnotherProcess)
{
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 872,
                                        "KestrovaZelvanteSharedData");
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    view[4] = 'u';
    view[871] = 99;

    ChildProcess reader;
    ASSERT_EQ(reader.Call("open-mapping KestrovaZelvanteSharedData"), Outcome(true, ERROR_SUCCESS));
    EXPECT_EQ(reader.Call("read KestrovaZelvanteSharedData 4"), std::to_string('u'));
    EXPECT_EQ(reader.Call("read KestrovaZelvanteSharedData 871"), "99");
    ASSERT_EQ(reader.Call("write KestrovaZelvanteSharedData 100 7"), "ok");
    EXPECT_EQ(view[100], 7);

    ChildProcess creator;
    EXPECT_EQ(creator.Call("create-mapping KestrovaZelvanteSharedData 872"), Outcome(true, ERROR_ALREADY_EXISTS));
    EXPECT_EQ(creator.Call("read KestrovaZelvanteSharedData 871"), "99");

    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_TRUE(CloseHandle(mapping));
}

TEST_F(NamedObjectTest, MappingLeftByADeadProcessStartsOverZeroFilled)
{
    ChildProcess crashed;
    ASSERT_EQ(crashed.Call("create-mapping ZelvanteVideoBuffer 8192"), Outcome(true, ERROR_SUCCESS));
    ASSERT_EQ(crashed.Call("write ZelvanteVideoBuffer 0 171"), "ok");
    ASSERT_EQ(crashed.Call("write ZelvanteVideoBuffer 8191 171"), "ok");
    crashed.Exit();

    EXPECT_EQ(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "ZelvanteVideoBuffer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8192, "ZelvanteVideoBuffer");
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    int nonZero = 0;
    for (int i = 0; i < 8192; ++i)
        nonZero += view[i] != 0;
    EXPECT_EQ(nonZero, 0);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

TEST_F(NamedObjectTest, ExistingMappingSmallerThanAskedIsRefused)
{
    ChildProcess owner;
    ASSERT_EQ(owner.Call("create-mapping ZelvanteAudioBuffer 4096"), Outcome(true, ERROR_SUCCESS));
    EXPECT_EQ(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 5534, "ZelvanteAudioBuffer"),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // Asking for less opens the block whole.
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 100, "ZelvanteAudioBuffer");
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    void* whole = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    EXPECT_NE(whole, nullptr);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4097), nullptr);
    UnmapViewOfFile(whole);
    // The same holds for a second handle in one process.
    EXPECT_EQ(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4097, "ZelvanteAudioBuffer"),
              nullptr);
    CloseHandle(mapping);
}

TEST_F(NamedObjectTest, ViewKeepsTheBlockAfterItsHandleIsClosed)
{
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "Kept");
    auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    CloseHandle(mapping);
    view[10] = 5;
    {
        ChildProcess child;
        EXPECT_EQ(child.Call("open-mapping Kept"), Outcome(true, ERROR_SUCCESS));
        EXPECT_EQ(child.Call("read Kept 10"), "5");
    }
    EXPECT_TRUE(UnmapViewOfFile(view));
    // The last holder let go: the name is free and a new block starts from zero.
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "Kept"), nullptr);
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "Kept");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[10], 0);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

TEST_F(NamedObjectTest, MappingRequestsOutsideWhatIsSupportedFail)
{
    struct Case {
        HANDLE file;
        DWORD protection;
        DWORD sizeLow;
        const char* name;
        DWORD error;
    };
    const Case cases[] = {
        {INVALID_HANDLE_VALUE, PAGE_READWRITE, 4096, nullptr, ERROR_NOT_SUPPORTED},
        {INVALID_HANDLE_VALUE, PAGE_READONLY, 4096, "ReadOnly", ERROR_NOT_SUPPORTED},
        {nullptr, PAGE_READWRITE, 4096, "FileBacked", ERROR_NOT_SUPPORTED},
        {INVALID_HANDLE_VALUE, PAGE_READWRITE, 0, "Empty", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CreateFileMappingA(c.file, nullptr, c.protection, 0, c.sizeLow, c.name), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }

    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8192, "Views");
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 100, 16), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MAPPED_ALIGNMENT);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 8192, 0), nullptr);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 4096, 4097), nullptr);
    auto* tail = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 4096, 0));
    ASSERT_NE(tail, nullptr);
    tail[4095] = 1; // the last byte of the block
    EXPECT_FALSE(UnmapViewOfFile(tail + 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
    EXPECT_TRUE(UnmapViewOfFile(tail));
    EXPECT_FALSE(UnmapViewOfFile(tail));
    CloseHandle(mapping);
}

} // namespace
