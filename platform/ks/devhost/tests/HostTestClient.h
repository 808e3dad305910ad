// Test side of the device host: a zvdevhost process in the test's temporary ZV_ROOT, and a
// client that speaks the raw protocol to it through WireSocket and sealed memfds.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/ks/devhost/wire/wire_socket.h"
#include "platform/ks/ntstatus.h"
#include "platform/win32/testing/temp_zv_root.h"

namespace zv::devhost::test {

using namespace std::chrono_literals;
using wire::MessageType;

// Polls `done` every few milliseconds until it holds or `limit` has passed.
template <typename Predicate>
bool PollUntil(Predicate done, std::chrono::milliseconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class HostProcess {
public:
    explicit HostProcess(const std::string& root, long long idleMs = 60000, const std::string& driver = ZV_DRIVER_PATH)
        : socketPath(root + "/host.sock"), lockPath(root + "/host.lock")
    {
        const std::string idle = std::to_string(idleMs);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execl(ZV_DEVHOST_PATH, ZV_DEVHOST_PATH, "--driver", driver.c_str(), "--socket", socketPath.c_str(),
                    "--lock", lockPath.c_str(), "--idle-ms", idle.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~HostProcess()
    {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    // True once a client can connect.
    bool WaitReady() const
    {
        return PollUntil([&] { return WireSocket::Connect(socketPath) != nullptr || HasExited(); }) && !HasExited();
    }
    // The exit code, or -1 when it did not exit normally within the limit.
    int WaitExit(std::chrono::milliseconds limit = 10s)
    {
        PollUntil([&] { return HasExited(); }, limit);
        return m_exited && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }
    int Terminate()
    {
        ::kill(m_pid, SIGTERM);
        return WaitExit();
    }
    bool HasExited() const
    {
        if (!m_exited && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_exited = true;
        return m_exited;
    }

    std::string socketPath;
    std::string lockPath;

private:
    pid_t m_pid = -1;
    mutable bool m_exited = false;
    mutable int m_status = 0;
};

// A memfd of `size` bytes, sealed against shrinking (unless told not to), mapped here too.
struct SharedBuffer {
    explicit SharedBuffer(std::size_t size, bool sealed = true) : size(size)
    {
        fd.Reset(::memfd_create("zv-test", MFD_CLOEXEC | MFD_ALLOW_SEALING));
        EXPECT_EQ(::ftruncate(fd.Get(), static_cast<off_t>(size)), 0);
        if (sealed) {
            EXPECT_EQ(::fcntl(fd.Get(), F_ADD_SEALS, F_SEAL_SHRINK), 0);
        }
        void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.Get(), 0);
        data = mapped == MAP_FAILED ? nullptr : static_cast<unsigned char*>(mapped);
    }
    ~SharedBuffer()
    {
        if (data != nullptr) ::munmap(data, size);
    }
    UniqueFd fd;
    std::size_t size;
    unsigned char* data = nullptr;
};

class TestClient {
public:
    explicit TestClient(const std::string& socketPath) : socket(WireSocket::Connect(socketPath)) {}
    bool Connected() const { return socket != nullptr; }

    std::uint32_t Send(MessageType type, std::initializer_list<std::span<const unsigned char>> parts, int fd = -1)
    {
        const std::uint32_t id = m_nextId++;
        EXPECT_TRUE(socket->Send({static_cast<std::uint32_t>(type), id, 0, 0}, parts, fd));
        return id;
    }
    // The reply to request `id`; replies to others that arrive first are kept for later.
    // Empty payload when the host hung up.
    std::vector<unsigned char> Await(std::uint32_t id)
    {
        while (m_replies.count(id) == 0) {
            ReceivedMessage message;
            if (socket->Receive(&message) != ReceiveResult::Message) return {};
            EXPECT_NE(message.header.type & wire::kReplyFlag, 0u);
            m_replies[message.header.id] = std::move(message.payload);
        }
        auto payload = std::move(m_replies[id]);
        m_replies.erase(id);
        return payload;
    }
    // A reply that starts with a ReplyStatus; UNSUCCESSFUL when none came.
    template <typename Reply = wire::ReplyStatus>
    Reply Call(MessageType type, std::initializer_list<std::span<const unsigned char>> parts, int fd = -1)
    {
        Reply reply{};
        reinterpret_cast<wire::ReplyStatus&>(reply).status = STATUS_UNSUCCESSFUL;
        ReadPayload(Await(Send(type, parts, fd)), 0, &reply);
        return reply;
    }
    NTSTATUS Status(MessageType type, std::initializer_list<std::span<const unsigned char>> parts, int fd = -1)
    {
        return Call(type, parts, fd).status;
    }

    std::uint32_t Register(const SharedBuffer& buffer)
    {
        auto reply = Call<wire::RegisterBufferReply>(MessageType::RegisterBuffer, {}, buffer.fd.Get());
        EXPECT_EQ(reply.result.status, STATUS_SUCCESS);
        return reply.bufferId;
    }
    // Opens a pin with `format` (its FormatSize bytes); 0 and the status when refused.
    std::uint32_t OpenPin(const KSDATAFORMAT& format, NTSTATUS* status = nullptr)
    {
        const wire::StreamRequest stream{0, 0};
        auto reply = Call<wire::OpenPinReply>(
            MessageType::OpenPin,
            {BytesOf(stream), {reinterpret_cast<const unsigned char*>(&format), format.FormatSize}});
        if (status != nullptr) *status = reply.result.status;
        return NT_SUCCESS(reply.result.status) ? reply.pin : 0;
    }
    NTSTATUS SetState(std::uint32_t pin, KSSTATE state)
    {
        const wire::StateRequest request{pin, state};
        return Status(MessageType::SetState, {BytesOf(request)});
    }
    NTSTATUS Run(std::uint32_t pin)
    {
        const NTSTATUS paused = SetState(pin, KSSTATE_PAUSE);
        return NT_SUCCESS(paused) ? SetState(pin, KSSTATE_RUN) : paused;
    }
    NTSTATUS ClosePin(std::uint32_t pin)
    {
        const wire::PinRequest request{pin, 0};
        return Status(MessageType::ClosePin, {BytesOf(request)});
    }
    std::uint32_t SubmitRead(std::uint32_t pin, std::uint32_t buffer, std::uint64_t offset, std::uint32_t length)
    {
        const wire::ReadRequest request{pin, 0, {buffer, length, offset}};
        return Send(MessageType::ReadFrame, {BytesOf(request)});
    }
    wire::ReadReply AwaitRead(std::uint32_t id)
    {
        wire::ReadReply reply{};
        reply.result.status = STATUS_UNSUCCESSFUL;
        ReadPayload(Await(id), 0, &reply);
        return reply;
    }
    wire::ReadReply Read(std::uint32_t pin, std::uint32_t buffer, std::uint64_t offset, std::uint32_t length)
    {
        return AwaitRead(SubmitRead(pin, buffer, offset, length));
    }
    wire::TransferReply Transfer(MessageType type, std::uint32_t buffer, std::uint32_t length)
    {
        const wire::TransferRequest request{{buffer, length, 0}};
        return Call<wire::TransferReply>(type, {BytesOf(request)});
    }

    std::unique_ptr<WireSocket> socket;

private:
    std::uint32_t m_nextId = 1;
    std::map<std::uint32_t, std::vector<unsigned char>> m_replies;
};

// RGB24 bottom-up at `width` x `height`, 30 per second.
inline KS_DATAFORMAT_VIDEOINFOHEADER VideoFormat(LONG width, LONG height)
{
    KS_DATAFORMAT_VIDEOINFOHEADER format{};
    const auto bytes = static_cast<ULONG>((width * 3 + 3) / 4 * 4 * height);
    format.DataFormat = {sizeof format, 0, bytes, 0, KSDATAFORMAT_TYPE_VIDEO, MEDIASUBTYPE_RGB24,
                         KSDATAFORMAT_SPECIFIER_VIDEOINFO};
    format.VideoInfoHeader.AvgTimePerFrame = 333333;
    format.VideoInfoHeader.bmiHeader = {sizeof(KS_BITMAPINFOHEADER), width, height, 1, 24, KS_BI_RGB, bytes, 0, 0, 0, 0};
    return format;
}

constexpr std::uint32_t k320x240 = 230400;
constexpr std::uint32_t k160x120 = 57600;

// The main program's road on a running 320x240 pin: a first read marks the size in use (the
// flags read shows it), a block written through the side channel, and the next read gets it
// whole. The last read's reply.
inline wire::ReadReply WrittenFrameArrives(TestClient& client, std::uint32_t pin)
{
    SharedBuffer frame(k320x240), channel(k320x240);
    const std::uint32_t frameId = client.Register(frame), channelId = client.Register(channel);
    const wire::ReadReply first = client.Read(pin, frameId, 0, k320x240);
    EXPECT_EQ(first.result.status, STATUS_SUCCESS);
    const auto flags = client.Transfer(MessageType::DeviceRead, channelId, 8);
    EXPECT_EQ(flags.information, 8u);
    const unsigned char inUse[8] = {0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(channel.data, inUse, 8), 0);

    for (std::uint32_t i = 0; i < k320x240; ++i) channel.data[i] = static_cast<unsigned char>(i * 7 + 3);
    std::memset(channel.data, 0, 5);  // format index 4 at offset 0
    channel.data[0] = 4;
    EXPECT_EQ(client.Transfer(MessageType::DeviceWrite, channelId, k320x240).information, k320x240);
    const wire::ReadReply reply = client.Read(pin, frameId, 0, k320x240);
    EXPECT_EQ(reply.dataUsed, k320x240);
    EXPECT_GT(reply.frameInfo.PictureNumber, first.frameInfo.PictureNumber);
    EXPECT_EQ(std::memcmp(frame.data, channel.data, k320x240), 0);
    return reply;
}

// Every host test runs in a fresh ZV_ROOT with its own host.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.WaitReady()); }
    void TearDown() override { EXPECT_EQ(host.Terminate(), 0); }

    win32::testing::TempZvRoot root;
    HostProcess host{root.Path()};
};

}  // namespace zv::devhost::test
