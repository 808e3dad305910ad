// Reads handed to a real host through the shared ring instead of messages: taken at a tick of
// the pin with no message to wake the host, taken before any later request of the connection
// (a cancel or a close finds them), and a ring the client corrupts costs it its connection only.
#include <sys/socket.h>
#include <sys/time.h>

#include "platform/ks/devhost/tests/HostTestClient.h"
#include "platform/ks/devhost/wire/read_ring.h"

namespace zv::devhost::test {
namespace {

// A raw client with a registered ring, whose socket gives up waiting after a while (a read
// left in the ring must fail the test, not hang it).
struct RingClient {
    explicit RingClient(const std::string& socketPath) : client(socketPath), memory(wire::kReadRingBytes)
    {
        const timeval limit{10, 0};
        ::setsockopt(client.socket->Fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        EXPECT_EQ(client.Status(MessageType::RegisterReadRing, {}, memory.fd.Get()), STATUS_SUCCESS);
    }
    std::uint32_t Append(std::uint32_t pin, std::uint32_t buffer, std::uint32_t length)
    {
        const std::uint32_t id = nextReadId++;
        EXPECT_TRUE(ring.Append({id, 0, {pin, 0, {buffer, length, 0}}}));
        return id;
    }

    TestClient client;
    SharedBuffer memory;
    wire::ReadRing ring{memory.data, wire::RingSide::Client};
    std::uint32_t nextReadId = 1u << 30;  // apart from the ids of the client's messages
};

TEST_F(HostTest, RingRegistrationIsCheckedAndOncePerConnection)
{
    TestClient client(host.socketPath);
    SharedBuffer shortRing(wire::kReadRingBytes - 64), unsealed(wire::kReadRingBytes, false);
    SharedBuffer ring(wire::kReadRingBytes), second(wire::kReadRingBytes);
    const struct {
        int fd;
        NTSTATUS expected;
    } cases[] = {
        {-1, STATUS_INVALID_PARAMETER},
        {shortRing.fd.Get(), STATUS_INVALID_PARAMETER},
        {unsealed.fd.Get(), STATUS_INVALID_PARAMETER},
        {ring.fd.Get(), STATUS_SUCCESS},
        {second.fd.Get(), STATUS_INVALID_DEVICE_STATE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fd);
        EXPECT_EQ(client.Status(MessageType::RegisterReadRing, {}, c.fd), c.expected);
    }
}

TEST_F(HostTest, ReadsInTheRingReachTheirPin)
{
    enum class Then { Nothing, Cancel, Close };
    const struct {
        KSSTATE state;
        Then then;
        NTSTATUS readStatus;
        std::uint32_t dataUsed;
    } cases[] = {
        {KSSTATE_RUN, Then::Nothing, STATUS_SUCCESS, k160x120},  // a tick takes it and fills it
        {KSSTATE_PAUSE, Then::Cancel, STATUS_CANCELLED, 0},      // the cancel finds it
        {KSSTATE_PAUSE, Then::Close, STATUS_CANCELLED, 0},       // the close answers it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.then));
        RingClient ring(host.socketPath);
        const std::uint32_t pin = ring.client.OpenPin(VideoFormat(160, 120).DataFormat);
        SharedBuffer frame(k160x120);
        const std::uint32_t buffer = ring.client.Register(frame);
        ASSERT_EQ(ring.client.SetState(pin, KSSTATE_PAUSE), STATUS_SUCCESS);
        if (c.state == KSSTATE_RUN) {
            ASSERT_EQ(ring.client.SetState(pin, KSSTATE_RUN), STATUS_SUCCESS);
        }

        const std::uint32_t id = ring.Append(pin, buffer, k160x120);
        NTSTATUS followUp = STATUS_SUCCESS;
        if (c.then == Then::Cancel) {
            const wire::CancelRequest cancel{pin, id};
            followUp = ring.client.Status(MessageType::CancelRead, {BytesOf(cancel)});
        } else if (c.then == Then::Close) {
            followUp = ring.client.ClosePin(pin);
        }
        EXPECT_EQ(followUp, STATUS_SUCCESS);
        const wire::ReadReply reply = ring.client.AwaitRead(id);
        EXPECT_EQ(reply.result.status, c.readStatus);
        EXPECT_EQ(reply.dataUsed, c.dataUsed);
    }
}

TEST_F(HostTest, ACorruptRingCutsItsClientOffAndOthersGoOn)
{
    RingClient bad(host.socketPath);
    const std::uint32_t badPin = bad.client.OpenPin(VideoFormat(160, 120).DataFormat);
    ASSERT_NE(badPin, 0u);
    auto* layout = reinterpret_cast<wire::ReadRingLayout*>(bad.memory.data);
    layout->appended = layout->taken + wire::kReadRingEntries + 5;
    const wire::PinRequest probe{badPin, 0};
    EXPECT_TRUE(bad.client.Await(bad.client.Send(MessageType::GetState, {BytesOf(probe)})).empty());

    RingClient good(host.socketPath);
    const std::uint32_t pin = good.client.OpenPin(VideoFormat(160, 120).DataFormat);
    SharedBuffer frame(k160x120);
    const std::uint32_t buffer = good.client.Register(frame);
    ASSERT_EQ(good.client.Run(pin), STATUS_SUCCESS);
    EXPECT_EQ(good.client.AwaitRead(good.Append(pin, buffer, k160x120)).dataUsed, k160x120);
}

}  // namespace
}  // namespace zv::devhost::test
