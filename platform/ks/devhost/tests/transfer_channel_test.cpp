// The transfer channel against a scripted host on a socket of the test's own: what it makes of
// each answer, or of none.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <thread>

#include "platform/ks/devhost/transfer_channel.h"
#include "platform/win32/testing/temp_zv_root.h"

namespace zv::devhost {
namespace {

using wire::MessageType;
constexpr int kPid = 4242;

// What the scripted host does differently from a well-behaved one.
enum class Fault { None, OtherPid, RefuseHello, CloseAtOnce, SilentHello, WrongId, WrongType, Overreport, RefuseBuffer };

// Serves one connection: maps registered buffers, stores what is written, fills what is read.
class ScriptedHost {
public:
    ScriptedHost(const std::string& path, Fault fault) : m_fault(fault)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, path.size());
        m_listener.Reset(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
        EXPECT_EQ(::bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(m_listener.Get(), 1), 0);
        m_thread = std::thread([this] { Serve(); });
    }
    // After the channel has gone: its end closed, the serving thread sees the connection end.
    ~ScriptedHost()
    {
        ::shutdown(m_listener.Get(), SHUT_RDWR);  // wakes an accept nobody came to
        m_thread.join();
        for (auto& [id, mapping] : m_buffers) ::munmap(mapping.first, mapping.second);
    }

    std::vector<unsigned char> written;
    std::vector<std::uint32_t> released;

private:
    void Serve()
    {
        UniqueFd fd(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!fd.Valid() || m_fault == Fault::CloseAtOnce) return;
        m_socket = std::make_unique<WireSocket>(std::move(fd));
        ReceivedMessage message;
        while (m_socket->Receive(&message) == ReceiveResult::Message) Answer(message);
    }

    void Answer(ReceivedMessage& message)
    {
        const auto type = static_cast<MessageType>(message.header.type);
        wire::MessageHeader header{message.header.type | wire::kReplyFlag, message.header.id, 0, 0};
        if (type == MessageType::Hello) {
            if (m_fault == Fault::SilentHello) return;
            const wire::HelloReply reply{{m_fault == Fault::RefuseHello ? STATUS_REVISION_MISMATCH : STATUS_SUCCESS, 0},
                                         wire::kProtocolVersion, m_fault == Fault::OtherPid ? kPid + 1 : kPid};
            m_socket->Send(header, {BytesOf(reply)});
        } else if (type == MessageType::RegisterBuffer) {
            wire::RegisterBufferReply reply{};
            const off_t size = ::lseek(message.fd.Get(), 0, SEEK_END);
            void* mapping = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, message.fd.Get(), 0);
            reply.result.status = m_fault == Fault::RefuseBuffer ? STATUS_INSUFFICIENT_RESOURCES : STATUS_SUCCESS;
            reply.bufferId = m_nextId++;
            reply.size = static_cast<std::uint64_t>(size);
            m_buffers[reply.bufferId] = {static_cast<unsigned char*>(mapping), static_cast<std::size_t>(size)};
            m_socket->Send(header, {BytesOf(reply)});
        } else if (type == MessageType::ReleaseBuffer) {
            wire::BufferRequest request{};
            ReadPayload(message.payload, 0, &request);
            released.push_back(request.bufferId);
            const wire::ReplyStatus reply{STATUS_SUCCESS, 0};
            m_socket->Send(header, {BytesOf(reply)});
        } else {
            wire::TransferRequest request{};
            ReadPayload(message.payload, 0, &request);
            unsigned char* data = m_buffers.at(request.range.bufferId).first;
            if (type == MessageType::DeviceWrite)
                written.assign(data, data + request.range.length);
            else
                for (std::uint32_t i = 0; i < request.range.length; ++i) data[i] = static_cast<unsigned char>(i * 7);
            wire::TransferReply reply{{STATUS_SUCCESS, 0}, request.range.length};
            if (m_fault == Fault::Overreport) reply.information += 100;
            if (m_fault == Fault::WrongId) ++header.id;
            if (m_fault == Fault::WrongType) header.type = static_cast<std::uint32_t>(MessageType::Hello) | wire::kReplyFlag;
            m_socket->Send(header, {BytesOf(reply)});
        }
    }

    Fault m_fault;
    UniqueFd m_listener;
    std::unique_ptr<WireSocket> m_socket;
    std::map<std::uint32_t, std::pair<unsigned char*, std::size_t>> m_buffers;
    std::uint32_t m_nextId = 1;
    std::thread m_thread;
};

struct OpenCase {
    Fault fault;
    TransferChannel::OpenResult expected;
};

class TransferChannelOpenTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(TransferChannelOpenTest, TellsAGoneOrHungHostFromOneThatTurnsUsAway)
{
    win32::testing::TempZvRoot root;
    const std::string path = root.Path() + "/host.sock";
    ScriptedHost host(path, GetParam().fault);
    auto result = TransferChannel::OpenResult::Open;
    auto channel = TransferChannel::Open(path, kPid, std::chrono::milliseconds(200), &result);
    EXPECT_EQ(result, GetParam().expected);
    EXPECT_EQ(channel != nullptr, GetParam().expected == TransferChannel::OpenResult::Open);
}

INSTANTIATE_TEST_SUITE_P(Answers, TransferChannelOpenTest,
                         ::testing::Values(OpenCase{Fault::None, TransferChannel::OpenResult::Open},
                                           OpenCase{Fault::OtherPid, TransferChannel::OpenResult::HostGone},
                                           OpenCase{Fault::SilentHello, TransferChannel::OpenResult::HostGone},
                                           OpenCase{Fault::RefuseHello, TransferChannel::OpenResult::Refused},
                                           OpenCase{Fault::CloseAtOnce, TransferChannel::OpenResult::Refused}));

TEST(TransferChannelTest, NobodyListeningIsAGoneHost)
{
    win32::testing::TempZvRoot root;
    auto result = TransferChannel::OpenResult::Open;
    EXPECT_EQ(TransferChannel::Open(root.Path() + "/none.sock", kPid, std::chrono::milliseconds(200), &result), nullptr);
    EXPECT_EQ(result, TransferChannel::OpenResult::HostGone);
}

struct TransferCase {
    Fault fault;
    NTSTATUS status;
    bool lost;
    bool moved;  // the bytes arrived and the length is reported
};

class TransferChannelTransferTest : public ::testing::TestWithParam<TransferCase> {};

TEST_P(TransferChannelTransferTest, MovesTheBytesOrReportsTheHostLost)
{
    const TransferCase& c = GetParam();
    win32::testing::TempZvRoot root;
    const std::string path = root.Path() + "/host.sock";
    ScriptedHost host(path, c.fault);
    auto result = TransferChannel::OpenResult::Refused;
    auto channel = TransferChannel::Open(path, kPid, std::chrono::milliseconds(200), &result);
    ASSERT_TRUE(channel);
    std::vector<unsigned char> block(1000);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 13 + 1);
    ULONG_PTR information = 99;
    bool lost = !c.lost;
    EXPECT_EQ(channel->Transfer(true, block.data(), 1000, &information, &lost), c.status);
    EXPECT_EQ(lost, c.lost);
    EXPECT_EQ(information, c.moved ? 1000u : 0u);
    if (c.moved) {
        EXPECT_EQ(host.written, block);
    }
    // Once lost, always lost.
    if (c.lost) {
        EXPECT_EQ(channel->Transfer(false, block.data(), 10, &information, &lost), STATUS_DEVICE_NOT_CONNECTED);
        EXPECT_TRUE(lost);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, TransferChannelTransferTest,
                         ::testing::Values(TransferCase{Fault::None, STATUS_SUCCESS, false, true},
                                           TransferCase{Fault::Overreport, STATUS_SUCCESS, false, true},
                                           TransferCase{Fault::WrongId, STATUS_DEVICE_NOT_CONNECTED, true, false},
                                           TransferCase{Fault::WrongType, STATUS_DEVICE_NOT_CONNECTED, true, false},
                                           TransferCase{Fault::RefuseBuffer, STATUS_INSUFFICIENT_RESOURCES, false, false}));

TEST(TransferChannelTest, GrowsItsBufferForLargerTransfersAndLetsTheOldOneGo)
{
    win32::testing::TempZvRoot root;
    const std::string path = root.Path() + "/host.sock";
    ScriptedHost host(path, Fault::None);
    auto result = TransferChannel::OpenResult::Refused;
    auto channel = TransferChannel::Open(path, kPid, std::chrono::seconds(5), &result);
    ASSERT_TRUE(channel);
    // Lengths: the first buffer, one that fits it, one that needs more, a read back at the largest.
    for (const std::uint32_t length : {10u, 65536u, 300000u, 70000u}) {
        std::vector<unsigned char> block(length, static_cast<unsigned char>(length));
        ULONG_PTR information = 0;
        bool lost = true;
        ASSERT_EQ(channel->Transfer(true, block.data(), length, &information, &lost), STATUS_SUCCESS) << length;
        EXPECT_FALSE(lost);
        EXPECT_EQ(information, length);
        EXPECT_EQ(host.written, block) << length;
    }
    EXPECT_EQ(host.released, std::vector<std::uint32_t>{1});
    std::vector<unsigned char> back(300000, 0xEE);
    ULONG_PTR information = 0;
    bool lost = true;
    ASSERT_EQ(channel->Transfer(false, back.data(), 300000, &information, &lost), STATUS_SUCCESS);
    EXPECT_EQ(information, 300000u);
    for (std::size_t i = 0; i < back.size(); i += 4099) {
        EXPECT_EQ(back[i], static_cast<unsigned char>(i * 7)) << i;
    }
}

}  // namespace
}  // namespace zv::devhost
