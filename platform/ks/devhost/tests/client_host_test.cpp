#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <thread>

#include "platform/ks/devhost/device_paths.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_connection.h"
#include "platform/ks/devhost/tests/client_test_support.h"
#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"

extern char** environ;

namespace zv::devhost {
namespace {

using testing::FrameBlock;
using testing::StreamingPin;

constexpr ULONG kFormat4Bytes = 230400;  // 320x240
constexpr ULONG kFormat0Bytes = 57600;   // 160x120

// A client process (the helper program) with its stdout on a pipe.
class HelperProcess {
public:
    explicit HelperProcess(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), ZV_CLIENT_HELPER);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_output = fdopen(fds[0], "r");
    }
    ~HelperProcess()
    {
        Kill();
        if (m_output) fclose(m_output);
    }
    std::string Line()
    {
        char line[128] = {};
        if (!m_output || !fgets(line, sizeof line, m_output)) return {};
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    void Kill()
    {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    FILE* m_output = nullptr;
};

class HostedDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto created = CreateVirtualCameraRecord(ZV_DRIVER_PATH);
        ASSERT_TRUE(created);
        path = *created;
        instanceId = FindDeviceByPath(path)->instanceId;
    }
    void TearDown() override { RemoveDeviceRecord(instanceId); }  // stops the host

    std::shared_ptr<HostConnection> Open()
    {
        DWORD error = 0;
        auto connection = HostConnection::Open(path, &error);
        EXPECT_TRUE(connection) << "error " << error;
        return connection;
    }
    static void Write(HostConnection& connection, const std::vector<unsigned char>& block)
    {
        ULONG_PTR written = 0;
        EXPECT_EQ(connection.DeviceWrite(block.data(), static_cast<ULONG>(block.size()), &written), STATUS_SUCCESS);
        EXPECT_EQ(written, block.size());
    }
    // Writes the frame over and over, as the main program does, until the pin shows it: the
    // driver keeps a block only while a pin of its size has asked for frames since the last
    // close cleared the store.
    static bool WriteUntilSeen(HostConnection& connection, StreamingPin& pin, const std::vector<unsigned char>& block)
    {
        for (int attempt = 0; attempt < 500; ++attempt) {
            Write(connection, block);
            if (pin.WaitForPicture(block, 0, std::chrono::milliseconds(20))) return true;
        }
        return false;
    }

    win32::testing::TempZvRoot root;
    std::string path;
    std::string instanceId;
};

TEST_F(HostedDeviceTest, ConcurrentOpensFromThreadsAndProcessesShareOneHost)
{
    HelperProcess first({"open", path});
    HelperProcess second({"open", path});
    std::vector<std::shared_ptr<HostConnection>> connections(6);
    std::vector<std::thread> threads;
    for (auto& connection : connections)
        threads.emplace_back([&] { connection = HostConnection::Open(path, nullptr); });
    for (auto& thread : threads) thread.join();

    std::set<std::string> pids{first.Line(), second.Line()};
    for (const auto& connection : connections) {
        ASSERT_TRUE(connection);
        pids.insert(std::to_string(connection->HostPid()));
    }
    EXPECT_EQ(pids.size(), 1u) << *pids.begin();
    EXPECT_NE(*pids.begin(), "0");
}

TEST_F(HostedDeviceTest, DevicePathHandlesReadAndWriteTheSideChannel)
{
    InstallDevicePaths();
    auto connection = Open();
    ASSERT_TRUE(connection);
    StreamingPin pin(*connection, 320, 240);  // asks for format 4
    ASSERT_TRUE(pin.Ok());
    ASSERT_TRUE(pin.WaitForReads(1));
    HANDLE device = CreateFileA(("\\\\.\\" + path.substr(4)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    unsigned char flags[8] = {};
    DWORD moved = 0;
    ASSERT_TRUE(ReadFile(device, flags, sizeof flags, &moved, nullptr));
    EXPECT_EQ(moved, 8u);
    EXPECT_EQ(flags[4], 1);
    EXPECT_EQ(flags[0], 0);
    const auto block = FrameBlock(4, kFormat4Bytes, 1);
    ASSERT_TRUE(WriteFile(device, block.data(), kFormat4Bytes, &moved, nullptr));
    EXPECT_EQ(moved, kFormat4Bytes);
    EXPECT_TRUE(pin.WaitForPicture(block));
    CloseHandle(device);

    const std::string unrecorded = "\\\\?\\ROOT#MEDIA#0042#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL";
    EXPECT_EQ(CreateFileA(unrecorded.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(HostedDeviceTest, PinsReceiveTheFramesOfTheirSize)
{
    auto connection = Open();
    ASSERT_TRUE(connection);
    std::vector<std::vector<unsigned char>> ranges;
    ULONG instances = 0;
    ASSERT_EQ(connection->GetDataRanges(0, &ranges, &instances), STATUS_SUCCESS);
    EXPECT_FALSE(ranges.empty());
    EXPECT_EQ(instances, 64u);

    const auto small = FrameBlock(0, kFormat0Bytes, 3);
    const auto large = FrameBlock(4, kFormat4Bytes, 5);
    const struct {
        LONG width, height;
        const std::vector<unsigned char>* block;
        std::size_t start;  // a smaller height shows the stored frame's top rows
    } cases[] = {{160, 120, &small, 0}, {320, 240, &large, 0}, {320, 200, &large, 38400}};
    std::vector<std::unique_ptr<StreamingPin>> pins;
    for (const auto& c : cases) {
        pins.push_back(std::make_unique<StreamingPin>(*connection, c.width, c.height));
        ASSERT_TRUE(pins.back()->Ok());
        ASSERT_TRUE(pins.back()->WaitForReads(1));  // its size is in use from now on
    }
    Write(*connection, small);
    Write(*connection, large);
    for (std::size_t i = 0; i < pins.size(); ++i)
        EXPECT_TRUE(pins[i]->WaitForPicture(*cases[i].block, cases[i].start)) << cases[i].width << "x" << cases[i].height;
}

TEST_F(HostedDeviceTest, AKilledClientLeavesTheOthersStreamingAndHoldsNoSlot)
{
    auto connection = Open();
    ASSERT_TRUE(connection);
    auto pin = std::make_unique<StreamingPin>(*connection, 320, 240);
    ASSERT_TRUE(pin->Ok());
    HelperProcess client({"stream", path, "320", "240"});
    ASSERT_EQ(client.Line(), "streaming");
    ASSERT_TRUE(WriteUntilSeen(*connection, *pin, FrameBlock(4, kFormat4Bytes, 1)));

    client.Kill();
    EXPECT_TRUE(WriteUntilSeen(*connection, *pin, FrameBlock(4, kFormat4Bytes, 2)));
    pin.reset();

    // Every slot is free again once the host has seen the client go: 64 pins open, the 65th not.
    const auto format = testing::PinFormat(160, 120);
    bool allOpened = false;
    for (int attempt = 0; attempt < 200 && !allOpened; ++attempt) {
        std::vector<std::unique_ptr<CapturePinClient>> pins;
        NTSTATUS status = STATUS_SUCCESS;
        while (pins.size() < 64) {
            auto opened = connection->OpenPin(0, &format.DataFormat, &status);
            if (!opened) break;
            pins.push_back(std::move(opened));
        }
        allOpened = pins.size() == 64;
        if (allOpened)
            EXPECT_EQ(connection->OpenPin(0, &format.DataFormat, &status), nullptr);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(allOpened);
}

TEST_F(HostedDeviceTest, AKilledHostFailsEverythingAtOnceAndTheNextOpenStartsAnother)
{
    InstallDevicePaths();
    auto connection = Open();
    ASSERT_TRUE(connection);
    StreamingPin pin(*connection, 320, 240);
    ASSERT_TRUE(pin.Ok());
    ASSERT_TRUE(pin.WaitForReads(1));
    std::atomic<int> lostCalls{0};
    connection->OnLost([&] { ++lostCalls; });
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const auto block = FrameBlock(4, kFormat4Bytes, 9);
    DWORD moved = 0;
    ASSERT_TRUE(WriteFile(writer, block.data(), kFormat4Bytes, &moved, nullptr));

    // The writer stops: the pin keeps receiving the last frame.
    ASSERT_TRUE(pin.WaitForPicture(block));
    ASSERT_TRUE(pin.WaitForReads(3));
    EXPECT_EQ(pin.LastPicture(), block);

    const int oldHost = connection->HostPid();
    ASSERT_EQ(kill(oldHost, SIGKILL), 0);
    EXPECT_TRUE(pin.WaitForFailure(STATUS_DEVICE_NOT_CONNECTED));
    EXPECT_FALSE(WriteFile(writer, block.data(), kFormat4Bytes, &moved, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    CloseHandle(writer);
    EXPECT_TRUE(connection->IsLost());
    EXPECT_EQ(lostCalls.load(), 1);
    int lateCalls = 0;
    connection->OnLost([&] { ++lateCalls; });
    EXPECT_EQ(lateCalls, 1);
    ULONG_PTR information = 0;
    EXPECT_EQ(connection->DeviceRead(&moved, sizeof moved, &information), STATUS_DEVICE_NOT_CONNECTED);

    HANDLE reopened = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reopened, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WriteFile(reopened, block.data(), kFormat4Bytes, &moved, nullptr));
    CloseHandle(reopened);
    auto again = Open();
    ASSERT_TRUE(again);
    EXPECT_NE(again->HostPid(), oldHost);
}

}  // namespace
}  // namespace zv::devhost
