#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "platform/ks/devhost/device_paths.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_connection.h"
#include "platform/ks/devhost/host_launcher.h"
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

// A client process (the helper program) with its stdout on a pipe; killed when it goes.
class HelperProcess {
public:
    explicit HelperProcess(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), ZV_CLIENT_HELPER);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
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
        char line[64] = {};
        if (!m_output || !fgets(line, sizeof line, m_output)) return {};
        return std::string(line, strcspn(line, "\n"));
    }
    void Kill()
    {
        if (m_pid > 0 && kill(m_pid, SIGKILL) == 0) waitpid(m_pid, nullptr, 0);
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

    // Removing the device stops its host: the host's lock is free again.
    EXPECT_TRUE(RemoveDeviceRecord(instanceId));
    EXPECT_FALSE(StopHost(instanceId));
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

TEST_F(HostedDeviceTest, DevicePathsWorkUntilTheHostIsKilledThenFailAtOnceAndReopenANewHost)
{
    InstallDevicePaths();
    auto connection = Open();
    ASSERT_TRUE(connection);
    StreamingPin pin(*connection, 320, 240);
    ASSERT_TRUE(pin.Ok());
    ASSERT_TRUE(pin.WaitForReads(1));
    std::atomic<int> lostCalls{0};
    connection->OnLost([&] { ++lostCalls; });
    // The writer as the main program opens it: "\\.\" and another case name the same device.
    std::string writerPath = "\\\\.\\" + path.substr(4);
    for (char& c : writerPath) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    HANDLE writer = CreateFileA(writerPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    unsigned char flags[8] = {};
    DWORD moved = 0;
    ASSERT_TRUE(ReadFile(writer, flags, sizeof flags, &moved, nullptr));
    EXPECT_EQ(moved, 8u);
    EXPECT_EQ(std::vector<unsigned char>(flags, flags + 8), std::vector<unsigned char>({0, 0, 0, 0, 1, 0, 0, 0}));
    const auto block = FrameBlock(4, kFormat4Bytes, 9);
    ASSERT_TRUE(WriteFile(writer, block.data(), kFormat4Bytes, &moved, nullptr));
    EXPECT_EQ(moved, kFormat4Bytes);

    // The writer stops: the pin keeps receiving the last frame.
    ASSERT_TRUE(pin.WaitForPicture(block));
    ASSERT_TRUE(pin.WaitForReads(3));
    EXPECT_TRUE(pin.WaitForPicture(block, 0, std::chrono::milliseconds(0)));

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

    const std::string unrecorded = "\\\\?\\ROOT#MEDIA#0042#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL";
    EXPECT_EQ(CreateFileA(unrecorded.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// Whether the process is stopped by a signal, waited for with a bound: a stop signal is delivered
// after kill returns, and a busy machine may let the process answer once more before.
bool IsStoppedSoon(pid_t pid)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        char state = 0;
        if (FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r")) {
            char line[512] = {};
            const bool read = std::fgets(line, sizeof line, stat) != nullptr;
            std::fclose(stat);
            const char* afterName = read ? std::strrchr(line, ')') : nullptr;
            if (afterName && afterName[1] == ' ') state = afterName[2];
        }
        if (state == 'T' || state == 't') return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST_F(HostedDeviceTest, AHungHostIsGivenUpLikeADeadOne)
{
    setenv("ZV_DEVHOST_REPLY_MS", "300", 1);
    auto connection = Open();
    unsetenv("ZV_DEVHOST_REPLY_MS");
    ASSERT_TRUE(connection);
    StreamingPin pin(*connection, 320, 240);
    ASSERT_TRUE(pin.Ok());
    const int host = connection->HostPid();
    ASSERT_EQ(kill(host, SIGSTOP), 0);
    ASSERT_TRUE(IsStoppedSoon(host));
    const auto block = FrameBlock(4, kFormat4Bytes, 3);
    ULONG_PTR written = 0;
    EXPECT_EQ(connection->DeviceWrite(block.data(), kFormat4Bytes, &written), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_TRUE(connection->IsLost());
    EXPECT_TRUE(pin.WaitForFailure(STATUS_DEVICE_NOT_CONNECTED));
    kill(host, SIGKILL);
    waitpid(host, nullptr, 0);  // not our child: only reaps when it is, harmless otherwise
}

// One read's completion, waited for with a bound.
class OneRead {
public:
    std::uint32_t Submit(CapturePinClient& pin, FrameBuffer& buffer)
    {
        return pin.SubmitRead(buffer, 0, static_cast<ULONG>(buffer.Size()), [this](const ReadCompletion& done) {
            std::lock_guard lock(m_mutex);
            m_done = done;
            ++m_calls;
            m_changed.notify_all();
        });
    }
    // The completion, or nullopt when none came within the bound.
    std::optional<ReadCompletion> Wait(std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, limit, [&] { return m_calls > 0; })) return std::nullopt;
        EXPECT_EQ(m_calls, 1);
        return m_done;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_calls = 0;
    ReadCompletion m_done;
};

// A read goes through the shared ring only while the pin ticks (paused or running); whichever
// way it went, it completes as the driver completes it: at once on a stopped pin, with a frame
// on a running one, when cancelled on a paused one.
TEST_F(HostedDeviceTest, ReadsCompleteAsTheDriverDecidesWhicheverWayTheyWent)
{
    const struct {
        std::vector<KSSTATE> states;
        bool cancel;
        NTSTATUS status;
        bool frame;
    } cases[] = {
        {{}, false, STATUS_SUCCESS, false},
        {{KSSTATE_PAUSE, KSSTATE_STOP}, false, STATUS_SUCCESS, false},
        {{KSSTATE_PAUSE, KSSTATE_RUN, KSSTATE_STOP}, false, STATUS_SUCCESS, false},
        {{KSSTATE_PAUSE, KSSTATE_RUN}, false, STATUS_SUCCESS, true},
        {{KSSTATE_PAUSE, KSSTATE_RUN, KSSTATE_PAUSE}, true, STATUS_CANCELLED, false},
    };
    auto connection = Open();
    ASSERT_TRUE(connection);
    const auto format = testing::PinFormat(160, 120);
    auto buffer = FrameBuffer::Create(kFormat0Bytes);
    ASSERT_TRUE(buffer && connection->Register(*buffer));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.states.size());
        auto pin = connection->OpenPin(0, &format.DataFormat, nullptr);
        ASSERT_TRUE(pin);
        for (KSSTATE state : c.states) ASSERT_EQ(pin->SetState(state), STATUS_SUCCESS);
        OneRead read;
        const std::uint32_t id = read.Submit(*pin, *buffer);
        ASSERT_NE(id, 0u);
        if (c.cancel) {
            EXPECT_EQ(pin->CancelRead(id), STATUS_SUCCESS);
        }
        const auto done = read.Wait();
        ASSERT_TRUE(done);
        EXPECT_EQ(done->status, c.status);
        EXPECT_EQ(done->header.DataUsed, c.frame ? kFormat0Bytes : 0u);
    }
}

// Reads the host has not taken from the ring yet (it is stopped) fail like every other once it
// is killed.
TEST_F(HostedDeviceTest, ReadsLeftInTheRingFailWhenTheHostDies)
{
    auto connection = Open();
    ASSERT_TRUE(connection);
    const auto format = testing::PinFormat(160, 120);
    auto pin = connection->OpenPin(0, &format.DataFormat, nullptr);
    ASSERT_TRUE(pin);
    std::vector<std::unique_ptr<FrameBuffer>> buffers;
    for (int i = 0; i < 3; ++i) {
        buffers.push_back(FrameBuffer::Create(kFormat0Bytes));
        ASSERT_TRUE(buffers.back() && connection->Register(*buffers.back()));
    }
    ASSERT_EQ(pin->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
    const int host = connection->HostPid();
    ASSERT_EQ(kill(host, SIGSTOP), 0);
    ASSERT_TRUE(IsStoppedSoon(host));
    OneRead reads[3];
    for (int i = 0; i < 3; ++i) ASSERT_NE(reads[i].Submit(*pin, *buffers[static_cast<std::size_t>(i)]), 0u);
    ASSERT_EQ(kill(host, SIGKILL), 0);
    for (auto& read : reads) {
        const auto done = read.Wait();
        ASSERT_TRUE(done);
        EXPECT_EQ(done->status, STATUS_DEVICE_NOT_CONNECTED);
    }
    EXPECT_TRUE(connection->IsLost());
    pin.reset();
}

}  // namespace
}  // namespace zv::devhost
