// Frames through a real host: the side channel feeds pins opened over the socket, 64 pins at
// once across connections, and what a vanished client leaves behind.
#include "platform/ks/devhost/tests/HostTestClient.h"

namespace zv::devhost::test {
namespace {

TEST_F(HostTest, PinGetsTheWrittenFrameWithItsHeaders)
{
    constexpr ULONG kSplice = KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT;
    const struct {
        bool clock;
        ULONG options;
    } cases[] = {
        {false, kSplice},
        {true, kSplice | KSSTREAM_HEADER_OPTIONSF_TIMEVALID | KSSTREAM_HEADER_OPTIONSF_DURATIONVALID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clock);
        TestClient client(host.socketPath);
        const std::uint32_t pin = client.OpenPin(VideoFormat(320, 240).DataFormat);
        for (wire::ClockOp op : {wire::ClockOp::Attach, wire::ClockOp::Run}) {
            const wire::ClockRequest request{pin, op};
            EXPECT_TRUE(!c.clock || client.Status(MessageType::Clock, {BytesOf(request)}) == STATUS_SUCCESS);
        }
        ASSERT_EQ(client.Run(pin), STATUS_SUCCESS);
        const wire::ReadReply frame = WrittenFrameArrives(client, pin);
        EXPECT_EQ(frame.result.status, STATUS_SUCCESS);
        EXPECT_EQ(frame.frameExtent, k320x240);
        EXPECT_EQ(frame.optionsFlags & ~KSSTREAM_HEADER_OPTIONSF_DATADISCONTINUITY, c.options);
        EXPECT_EQ(frame.duration, 333333);
        EXPECT_EQ(frame.frameInfo.ExtendedHeaderSize, sizeof(KS_FRAME_INFO));

        // A read held by a paused pin is answered cancelled before its cancel is.
        SharedBuffer buffer(k320x240);
        const std::uint32_t id = client.Register(buffer);
        ASSERT_EQ(client.SetState(pin, KSSTATE_PAUSE), STATUS_SUCCESS);
        const std::uint32_t parked = client.SubmitRead(pin, id, 0, k320x240);
        const wire::CancelRequest cancel{pin, parked};
        const std::uint32_t cancelId = client.Send(MessageType::CancelRead, {BytesOf(cancel)});
        EXPECT_EQ(client.AwaitRead(parked).result.status, STATUS_CANCELLED);
        EXPECT_EQ(client.Await(cancelId).size(), sizeof(wire::ReplyStatus));
        EXPECT_EQ(client.ClosePin(pin), STATUS_SUCCESS);
    }
}

std::vector<std::uint32_t> OpenRunning(TestClient& client, int count)
{
    std::vector<std::uint32_t> pins;
    for (int i = 0; i < count; ++i) {
        pins.push_back(client.OpenPin(VideoFormat(160, 120).DataFormat));
        EXPECT_EQ(client.Run(pins.back()), STATUS_SUCCESS);
    }
    return pins;
}

NTSTATUS RefusedOpen(TestClient& client)
{
    NTSTATUS status = STATUS_SUCCESS;
    EXPECT_EQ(client.OpenPin(VideoFormat(160, 120).DataFormat, &status), 0u);
    return status;
}

TEST_F(HostTest, SixtyFourPinsAcrossConnectionsEachGetAFrameAndTheSlotsComeBack)
{
    constexpr int kClients = 4, kPinsEach = 16;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<TestClient>> clients;
        std::vector<std::vector<std::uint32_t>> pins;
        for (int c = 0; c < kClients; ++c) {
            clients.push_back(std::make_unique<TestClient>(host.socketPath));
            pins.push_back(OpenRunning(*clients[c], kPinsEach));
        }
        TestClient extra(host.socketPath);
        EXPECT_EQ(RefusedOpen(extra), STATUS_INSUFFICIENT_RESOURCES);

        for (int c = 0; c < kClients; ++c) {
            SharedBuffer frames(kPinsEach * k160x120);
            const std::uint32_t buffer = clients[c]->Register(frames);
            std::vector<std::uint32_t> reads;
            for (int p = 0; p < kPinsEach; ++p) reads.push_back(clients[c]->SubmitRead(pins[c][p], buffer, p * k160x120, k160x120));
            for (std::uint32_t read : reads) EXPECT_EQ(clients[c]->AwaitRead(read).dataUsed, k160x120);
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
            EXPECT_EQ(doomed.SetState(pins[i], KSSTATE_PAUSE), STATUS_SUCCESS);  // holds its reads
            for (int read = 0; read < 2; ++read) doomed.SubmitRead(pins[i], buffer, i * k160x120, k160x120);
        }
        // Answered after the reads were taken: they are pending in the host.
        const wire::PinRequest probe{pins.back(), 0};
        EXPECT_EQ(doomed.Call<wire::StateReply>(MessageType::GetState, {BytesOf(probe)}).state, KSSTATE_PAUSE);
    }  // hangs up with 126 reads pending and 63 pins open

    EXPECT_EQ(survivor.Read(survivorPin, survivorBuffer, 0, k160x120).dataUsed, k160x120);
    TestClient next(host.socketPath);
    std::size_t reopened = 0;
    EXPECT_TRUE(PollUntil([&] {
        reopened += next.OpenPin(VideoFormat(160, 120).DataFormat) != 0;
        return reopened == 63;
    }));
    EXPECT_EQ(RefusedOpen(next), STATUS_INSUFFICIENT_RESOURCES);
}

}  // namespace
}  // namespace zv::devhost::test
