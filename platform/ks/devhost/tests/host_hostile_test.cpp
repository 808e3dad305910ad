// A hostile client: whatever it sends is refused or gets it cut off, and the host goes on
// serving correct frames to others (under the asan preset the host is checked as it runs).
#include <optional>

#include "platform/ks/devhost/tests/HostTestClient.h"

namespace zv::devhost::test {
namespace {

std::vector<unsigned char> Concat(std::initializer_list<std::span<const unsigned char>> parts)
{
    std::vector<unsigned char> bytes;
    for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

// A video format whose FormatSize says `claimed` bytes while `sent` bytes follow.
std::vector<unsigned char> Format(ULONG claimed, std::size_t sent)
{
    auto format = VideoFormat(320, 240);
    format.DataFormat.FormatSize = claimed;
    std::vector<unsigned char> bytes(sent, 0);
    std::memcpy(bytes.data(), &format, std::min(sent, sizeof format));
    return bytes;
}

TEST_F(HostTest, HostileRequestsAreRefusedOneByOne)
{
    TestClient client(host.socketPath);
    SharedBuffer buffer(4096), unsealed(4096, false), empty(0);
    const std::uint32_t id = client.Register(buffer);
    const std::uint32_t pin = client.OpenPin(VideoFormat(320, 240).DataFormat);
    ASSERT_NE(pin, 0u);
    const auto goodFormat = VideoFormat(320, 240);
    auto badFormat = goodFormat;
    badFormat.VideoInfoHeader.bmiHeader.biSize = 0x7FFFFFFF;
    const wire::StreamRequest stream0{0, 0}, stream5{5, 0};
    const wire::DataFormatRequest setFormat{pin, wire::FormatCommand::Set};
    const wire::DataFormatRequest badCommand{pin, static_cast<wire::FormatCommand>(9)};
    const wire::PropertyRequest hugeData{wire::kDeviceTarget, sizeof(KSPROPERTY), 1u << 20, 0};
    const KSPROPERTY property{};

    // Each is refused with STATUS_INVALID_PARAMETER, and the connection goes on.
    struct Case {
        const char* name;
        MessageType type;
        std::vector<unsigned char> payload;
        int fd = -1;
    };
    using Transfer = wire::TransferRequest;
    using Read = wire::ReadRequest;
    const std::vector<Case> cases = {
        {"unsealed memfd", MessageType::RegisterBuffer, {}, unsealed.fd.Get()},
        {"empty memfd", MessageType::RegisterBuffer, {}, empty.fd.Get()},
        {"no descriptor", MessageType::RegisterBuffer, {}},
        {"a socket for a buffer", MessageType::RegisterBuffer, {}, client.socket->Fd()},
        {"write past the end", MessageType::DeviceWrite, Concat({BytesOf(Transfer{{id, 16, 4090}})})},
        {"write of nothing", MessageType::DeviceWrite, Concat({BytesOf(Transfer{{id, 0, 0}})})},
        {"read at a wrapping offset", MessageType::DeviceRead, Concat({BytesOf(Transfer{{id, 16, ~0ull - 8}})})},
        {"read from an unknown buffer", MessageType::DeviceRead, Concat({BytesOf(Transfer{{id + 7, 8, 0}})})},
        {"frame past the end", MessageType::ReadFrame, Concat({BytesOf(Read{pin, 0, {id, 4096, 1}})})},
        {"frame for an unknown pin", MessageType::ReadFrame, Concat({BytesOf(Read{pin + 9, 0, {id, 16, 0}})})},
        {"format longer than sent", MessageType::OpenPin, Concat({BytesOf(stream0), Format(2000, 200)})},
        {"format shorter than sent", MessageType::OpenPin, Concat({BytesOf(stream0), Format(100, 200)})},
        {"format below its header", MessageType::OpenPin, Concat({BytesOf(stream0), Format(8, 8)})},
        {"unknown stream", MessageType::OpenPin, Concat({BytesOf(stream5), BytesOf(goodFormat)})},
        {"lying bitmap header", MessageType::OpenPin, Concat({BytesOf(stream0), BytesOf(badFormat)})},
        {"range longer than sent", MessageType::Intersect, Concat({BytesOf(stream0), Format(400, 120)})},
        {"set format longer than sent", MessageType::DataFormat, Concat({BytesOf(setFormat), Format(999, 120)})},
        {"unknown format command", MessageType::DataFormat, Concat({BytesOf(badCommand), BytesOf(goodFormat)})},
        {"unknown state", MessageType::SetState, Concat({BytesOf(wire::StateRequest{pin, 99})})},
        {"unknown clock op", MessageType::Clock, Concat({BytesOf(wire::ClockRequest{pin, wire::ClockOp(77)})})},
        {"unknown read", MessageType::CancelRead, Concat({BytesOf(wire::CancelRequest{pin, 12345})})},
        {"unknown buffer released", MessageType::ReleaseBuffer, Concat({BytesOf(wire::BufferRequest{id + 3, 0})})},
        {"unknown pin closed", MessageType::ClosePin, Concat({BytesOf(wire::PinRequest{pin + 1, 0})})},
        {"property value beyond a reply", MessageType::GetProperty, Concat({BytesOf(hugeData), BytesOf(property)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(client.Status(c.type, {c.payload}, c.fd), STATUS_INVALID_PARAMETER);
    }
    EXPECT_EQ(client.ClosePin(pin), STATUS_SUCCESS);
}

TEST_F(HostTest, MalformedMessagesCutTheClientOff)
{
    struct Case {
        const char* name;
        std::vector<unsigned char> packet;
    };
    auto packet = [](std::uint32_t type, std::uint32_t size, std::size_t payload) {
        std::vector<unsigned char> bytes(sizeof(wire::MessageHeader) + payload, 0);
        const wire::MessageHeader header{type, 1, size, 0};
        std::memcpy(bytes.data(), &header, sizeof header);
        return bytes;
    };
    const Case cases[] = {
        {"shorter than a header", {1, 2, 3}},
        {"size disagreeing with the packet", packet(1, 100, 8)},
        {"unknown type", packet(999, 0, 0)},
        {"reply flag on a request", packet(1 | wire::kReplyFlag, 8, 8)},
        {"request of the wrong size", packet(static_cast<std::uint32_t>(MessageType::SetState), 4, 4)},
        {"property sizes disagreeing", packet(static_cast<std::uint32_t>(MessageType::GetProperty), 40, 40)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestClient client(host.socketPath);
        ASSERT_EQ(::send(client.socket->Fd(), c.packet.data(), c.packet.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(c.packet.size()));
        ReceivedMessage message;
        EXPECT_EQ(client.socket->Receive(&message), ReceiveResult::Closed);
    }
}

TEST_F(HostTest, FloodsHitTheLimits)
{
    TestClient client(host.socketPath);
    SharedBuffer buffer(k320x240);
    for (std::uint32_t i = 0; i <= wire::kMaxBuffersPerConnection; ++i) {
        const NTSTATUS expected = i < wire::kMaxBuffersPerConnection ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
        EXPECT_EQ(client.Call<wire::RegisterBufferReply>(MessageType::RegisterBuffer, {}, buffer.fd.Get()).result.status,
                  expected);
    }

    std::vector<std::uint32_t> pins;
    for (int i = 0; i < 64; ++i) pins.push_back(client.OpenPin(VideoFormat(320, 240).DataFormat));
    NTSTATUS refused = STATUS_SUCCESS;
    EXPECT_EQ(client.OpenPin(VideoFormat(320, 240).DataFormat, &refused), 0u);
    EXPECT_EQ(refused, STATUS_INSUFFICIENT_RESOURCES);

    ASSERT_EQ(client.SetState(pins[0], KSSTATE_PAUSE), STATUS_SUCCESS);  // holds reads
    std::vector<std::uint32_t> reads;
    for (std::uint32_t i = 0; i <= wire::kMaxReadsPerPin; ++i) reads.push_back(client.SubmitRead(pins[0], 1, 0, k320x240));
    EXPECT_EQ(client.AwaitRead(reads.back()).result.status, STATUS_INSUFFICIENT_RESOURCES);

    // Requests sent without ever reading a reply: the host stops queueing and hangs up.
    TestClient deaf(host.socketPath);
    const wire::StreamRequest stream{0, 0};
    int sent = 0;
    while (sent < 200000 && deaf.socket->Send({static_cast<std::uint32_t>(MessageType::GetDataRanges), 1, 0, 0},
                                              {BytesOf(stream)}))
        ++sent;
    EXPECT_LT(sent, 200000);
}

TEST_F(HostTest, AfterAHostileClientFramesStillComeRight)
{
    {
        TestClient hostile(host.socketPath);
        SharedBuffer buffer(k320x240);
        const std::uint32_t id = hostile.Register(buffer);
        const std::uint32_t pin = hostile.OpenPin(VideoFormat(320, 240).DataFormat);
        ASSERT_EQ(hostile.Run(pin), STATUS_SUCCESS);
        // The buffer released under its pending read: the driver still fills it. Then garbage.
        const std::uint32_t read = hostile.SubmitRead(pin, id, 0, k320x240);
        EXPECT_EQ(hostile.Status(MessageType::ReleaseBuffer, {BytesOf(wire::BufferRequest{id, 0})}), STATUS_SUCCESS);
        EXPECT_EQ(hostile.AwaitRead(read).dataUsed, k320x240);
        const unsigned char garbage[40] = {0xFF, 0xFF, 0xFF, 0xFF};
        ::send(hostile.socket->Fd(), garbage, sizeof garbage, MSG_NOSIGNAL);
    }
    TestClient client(host.socketPath);
    const std::uint32_t pin = client.OpenPin(VideoFormat(320, 240).DataFormat);
    ASSERT_EQ(client.Run(pin), STATUS_SUCCESS);
    WrittenFrameArrives(client, pin);
}

}  // namespace
}  // namespace zv::devhost::test
