// Frames through a real host: the side channel feeds pins opened over the socket, 64 pins at
// once across connections, and what a vanished client leaves behind.
#include "platform/ks/devhost/tests/HostTestClient.h"

namespace zv::devhost::test {
namespace {

constexpr std::uint32_t k320x240 = 230400;
constexpr std::uint32_t k160x120 = 57600;

// The main program's block: format index and little-endian offset over patterned bytes.
void FillFrameBlock(unsigned char* block, unsigned char index, std::uint32_t length)
{
    for (std::uint32_t i = 0; i < length; ++i) block[i] = static_cast<unsigned char>(i * 7 + 3);
    block[0] = index;
    std::memset(block + 1, 0, 4);
}

TEST_F(HostTest, PinGetsTheWrittenFrameAndTheFlagsShowItsSize)
{
    struct Case {
        const char* name;
        bool clock;
        ULONG expectedOptions;
    };
    const Case cases[] = {
        {"free running", false, KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT},
        {"on a master clock", true,
         KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT | KSSTREAM_HEADER_OPTIONSF_TIMEVALID |
             KSSTREAM_HEADER_OPTIONSF_DURATIONVALID},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestClient client(host.socketPath);
        ASSERT_TRUE(client.Connected());
        SharedBuffer frames(2 * k320x240), channel(k320x240);
        const std::uint32_t frameBuffer = client.Register(frames), channelBuffer = client.Register(channel);
        const std::uint32_t pin = client.OpenPin(VideoFormat(320, 240).DataFormat);
        ASSERT_NE(pin, 0u);
        if (c.clock) {
            for (wire::ClockOp op : {wire::ClockOp::Attach, wire::ClockOp::Run}) {
                const wire::ClockRequest request{pin, op};
                ASSERT_EQ(client.Status(MessageType::Clock, {BytesOf(request)}), STATUS_SUCCESS);
            }
        }
        ASSERT_EQ(client.Run(pin), STATUS_SUCCESS);

        // The first read marks the size in use; nothing is stored for it yet.
        std::memset(frames.data, 0xCD, frames.size);
        wire::ReadReply first = client.AwaitRead(client.SubmitRead(pin, frameBuffer, 0, k320x240));
        ASSERT_EQ(first.result.status, STATUS_SUCCESS);
        EXPECT_EQ(first.frameExtent, k320x240);
        auto flags = client.Transfer(MessageType::DeviceRead, channelBuffer, 0, 8);
        EXPECT_EQ(flags.result.status, STATUS_SUCCESS);
        EXPECT_EQ(flags.information, 8u);
        const unsigned char expectedFlags[8] = {0, 0, 0, 0, 1, 0, 0, 0};
        EXPECT_EQ(std::memcmp(channel.data, expectedFlags, 8), 0);

        FillFrameBlock(channel.data, 4, k320x240);
        auto written = client.Transfer(MessageType::DeviceWrite, channelBuffer, 0, k320x240);
        EXPECT_EQ(written.result.status, STATUS_SUCCESS);
        EXPECT_EQ(written.information, k320x240);
        wire::ReadReply frame = client.AwaitRead(client.SubmitRead(pin, frameBuffer, k320x240, k320x240));
        ASSERT_EQ(frame.result.status, STATUS_SUCCESS);
        EXPECT_EQ(frame.dataUsed, k320x240);
        EXPECT_EQ(frame.frameExtent, k320x240);
        EXPECT_EQ(frame.optionsFlags & c.expectedOptions, c.expectedOptions);
        EXPECT_EQ(frame.duration, 333333);
        EXPECT_EQ(frame.frameInfo.ExtendedHeaderSize, sizeof(KS_FRAME_INFO));
        EXPECT_GT(frame.frameInfo.PictureNumber, first.frameInfo.PictureNumber);
        EXPECT_EQ(std::memcmp(frames.data + k320x240, channel.data, k320x240), 0);

        // A read queued while paused is answered cancelled before its cancel is.
        ASSERT_EQ(client.SetState(pin, KSSTATE_PAUSE), STATUS_SUCCESS);
        const std::uint32_t parked = client.SubmitRead(pin, frameBuffer, 0, k320x240);
        const wire::CancelRequest cancel{pin, parked};
        const std::uint32_t cancelId = client.Send(MessageType::CancelRead, {BytesOf(cancel)});
        EXPECT_EQ(client.AwaitRead(parked).result.status, STATUS_CANCELLED);
        EXPECT_EQ(client.Await(cancelId).size(), sizeof(wire::ReplyStatus));
        EXPECT_EQ(client.ClosePin(pin), STATUS_SUCCESS);
    }
}

// Opens `count` pins at 160x120 on `client`, all running; their ids.
std::vector<std::uint32_t> OpenRunning(TestClient& client, int count)
{
    std::vector<std::uint32_t> pins;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t pin = client.OpenPin(VideoFormat(160, 120).DataFormat);
        EXPECT_NE(pin, 0u);
        EXPECT_EQ(client.Run(pin), STATUS_SUCCESS);
        pins.push_back(pin);
    }
    return pins;
}

TEST_F(HostTest, SixtyFourPinsAcrossConnectionsEachGetAFrameAndTheSlotsComeBack)
{
    constexpr int kClients = 4, kPinsEach = 16;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<TestClient>> clients;
        std::vector<std::unique_ptr<SharedBuffer>> buffers;
        std::vector<std::vector<std::uint32_t>> pins;
        for (int c = 0; c < kClients; ++c) {
            clients.push_back(std::make_unique<TestClient>(host.socketPath));
            buffers.push_back(std::make_unique<SharedBuffer>(kPinsEach * k160x120));
            pins.push_back(OpenRunning(*clients[c], kPinsEach));
        }
        TestClient extra(host.socketPath);
        NTSTATUS refused = STATUS_SUCCESS;
        EXPECT_EQ(extra.OpenPin(VideoFormat(160, 120).DataFormat, &refused), 0u);
        EXPECT_EQ(refused, STATUS_INSUFFICIENT_RESOURCES);

        for (int c = 0; c < kClients; ++c) {
            const std::uint32_t buffer = clients[c]->Register(*buffers[c]);
            std::vector<std::uint32_t> reads;
            for (int p = 0; p < kPinsEach; ++p) reads.push_back(clients[c]->SubmitRead(pins[c][p], buffer, p * k160x120, k160x120));
            for (std::uint32_t read : reads) {
                const wire::ReadReply reply = clients[c]->AwaitRead(read);
                EXPECT_EQ(reply.result.status, STATUS_SUCCESS);
                EXPECT_EQ(reply.dataUsed, k160x120);
            }
            for (std::uint32_t pin : pins[c]) EXPECT_EQ(clients[c]->ClosePin(pin), STATUS_SUCCESS);
        }
    }
}

TEST_F(HostTest, AClientThatVanishesWithReadsPendingLeavesNothingHeld)
{
    TestClient survivor(host.socketPath);
    SharedBuffer survivorFrames(k160x120);
    const std::uint32_t survivorBuffer = survivor.Register(survivorFrames);
    const std::uint32_t survivorPin = OpenRunning(survivor, 1)[0];
    {
        TestClient doomed(host.socketPath);
        SharedBuffer frames(63 * k160x120);
        const std::uint32_t buffer = doomed.Register(frames);
        const std::vector<std::uint32_t> pins = OpenRunning(doomed, 63);
        for (std::uint32_t i = 0; i < pins.size(); ++i) {
            // Paused pins hold their reads.
            EXPECT_EQ(doomed.SetState(pins[i], KSSTATE_PAUSE), STATUS_SUCCESS);
            for (int read = 0; read < 2; ++read) doomed.SubmitRead(pins[i], buffer, i * k160x120, k160x120);
        }
        // Answered after the reads were taken: they are pending in the host.
        const wire::PinRequest probe{pins.back(), 0};
        EXPECT_EQ(doomed.Call<wire::StateReply>(MessageType::GetState, {BytesOf(probe)}).state, KSSTATE_PAUSE);
    }  // hangs up with 126 reads pending and 63 pins open

    EXPECT_EQ(survivor.AwaitRead(survivor.SubmitRead(survivorPin, survivorBuffer, 0, k160x120)).result.status,
              STATUS_SUCCESS);
    // Its 63 slots come back once the host has noticed.
    TestClient next(host.socketPath);
    std::vector<std::uint32_t> reopened;
    EXPECT_TRUE(PollUntil([&] {
        const std::uint32_t pin = next.OpenPin(VideoFormat(160, 120).DataFormat);
        if (pin != 0) reopened.push_back(pin);
        return reopened.size() == 63;
    }));
    NTSTATUS refused = STATUS_SUCCESS;
    EXPECT_EQ(next.OpenPin(VideoFormat(160, 120).DataFormat, &refused), 0u);
    EXPECT_EQ(refused, STATUS_INSUFFICIENT_RESOURCES);
}

}  // namespace
}  // namespace zv::devhost::test
