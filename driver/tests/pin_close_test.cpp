// Pins closed and restarted while their ticks run on another thread and the main program
// writes: every read completes, nothing is touched after a close (the sanitizers watch), and
// the driver's pool is back to nothing at the end.
#include <atomic>
#include <thread>

#include "driver/tests/PinHarness.h"

namespace zv::driver_test {
namespace {

TEST_F(PinTest, ClosingAndRestartingWhileTicksRunAndFramesArrive)
{
    std::atomic<bool> done{false};
    std::thread ticker([&] {
        while (!done) {
            time.Advance(kTick / 4);
        }
    });
    std::thread writer([&] {
        const std::vector<UCHAR> block = FrameBlock(0, 0, 57600);
        while (!done) {
            Write(block);
            ReadFlags(8);
        }
    });
    for (int round = 0; round < 150; ++round) {
        auto pin = Running(160, 120);
        ASSERT_NE(pin, nullptr);
        std::vector<std::unique_ptr<FrameRead>> reads;
        for (int i = 0; i < 3; ++i) {
            reads.push_back(Submit(*pin, 57600));
        }
        // STOP and straight back to PAUSE: its direct tick must not overlap one in flight.
        EXPECT_EQ(pin->SetState(KSSTATE_STOP), STATUS_SUCCESS);
        EXPECT_EQ(pin->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
        EXPECT_EQ(pin->SetState(KSSTATE_RUN), STATUS_SUCCESS);
        reads.push_back(Submit(*pin, 57600));
        reads.push_back(Submit(*pin, 57600));
        pin.reset();  // closed while running
        for (const auto& read : reads) {
            ASSERT_TRUE(read->request->IsComplete());
            const NTSTATUS status = read->request->Status();
            EXPECT_TRUE(status == STATUS_SUCCESS || status == STATUS_CANCELLED) << status;
        }
    }
    done = true;
    ticker.join();
    writer.join();
    EXPECT_TRUE(DriverPoolEmpty());
}

}  // namespace
}  // namespace zv::driver_test
