// The status thread: it polls at once, stops at exit even while the server holds its request, and
// runs beside a login on the user-interface thread without a race.
#include "app/HostStatusThread.h"
#include "app/tests/host_test_support.h"

#include <atomic>
#include <thread>

namespace zv::app::testing {
namespace {

TEST_F(HostClientTest, TheStatusThreadStopsWhileTheServerHoldsItsPoll)
{
    m_server->Route(kStatusRoute, "delay_headers=600\nbody=late\n");
    ASSERT_TRUE(StartStatusThread(App()));
    const HANDLE thread = App().StatusThread;
    ASSERT_NE(thread, nullptr);
    // A second start keeps the running thread.
    EXPECT_TRUE(StartStatusThread(App()));
    EXPECT_EQ(App().StatusThread, thread);
    ASSERT_TRUE(m_server->WaitForRequest(kStatusRoute));

    // Without the request being stopped this would wait for the server's ten minutes.
    StopStatusThread(App());
    EXPECT_EQ(App().StatusThread, nullptr);
    EXPECT_EQ(App().StatusStopEvent, nullptr);
    // The cut-off poll still wrote the block, and told nobody.
    EXPECT_EQ(g_pSharedData.load()[0x360], 1);
    EXPECT_EQ(TakeStatusMessages(), 0);

    // The thread starts again after a stop, and its first poll runs at once.
    m_server->Route(kStatusRoute, Answer(Reply("userStatus", {{"messages", "6"}})));
    ASSERT_TRUE(StartStatusThread(App()));
    while (App().UnreadMessages.load() != 6)
        std::this_thread::yield();
    StopStatusThread(App());
}

TEST_F(HostClientTest, PollsAndLoginsRunTogether)
{
    m_server->Route(kStatusRoute, Answer(Reply("userStatus", {{"messages", "1"}, {"hasMenuPayment", "0"}})));
    std::atomic<bool> stop{false};
    std::thread poller([&] {
        while (!stop.load())
            PollHostStatus();
    });
    for (const char* id : {"a1", "b22", "c333"}) {
        m_server->Route(kLoginRoute, Answer(Reply("userLogin", {{"LoginOK", "1"}, {"id", id}})));
        EXPECT_TRUE(HostLoginRequest("anna", "pw"));
        EXPECT_EQ(App().Credentials.UserId(), id);
    }
    stop = true;
    poller.join();
    EXPECT_EQ(App().HiddenMenuBits.load(), kHidePaymentMenu);
    const std::string blockId(reinterpret_cast<const char*>(g_pSharedData.load() + 0x004));
    EXPECT_EQ(blockId, "c333");
}

} // namespace
} // namespace zv::app::testing
