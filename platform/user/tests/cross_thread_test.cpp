// Sending and posting between threads: who runs the handler, when, and that nobody hangs.
#include "platform/user/tests/recording_window.h"
#include "platform/win32/last_error.h"
#include "platform/win32/thread_waiter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

using zv::user::test::RecordingWindow;
using zv::win32::ThreadWaiter;

// Blocks the calling thread, without serving anything, until its waiter is woken (for instance
// because a message was sent to it).
void AwaitWakeUp(ThreadWaiter& waiter, std::uint64_t epoch)
{
    while (waiter.Epoch() == epoch)
        waiter.Block(epoch, std::nullopt);
}

// The layer wait that kernel-object waits use: serve sent messages, check, block.
template <typename Done>
void LayerWait(Done done)
{
    ThreadWaiter& waiter = ThreadWaiter::Current();
    for (;;) {
        const std::uint64_t epoch = waiter.Epoch();
        waiter.ServeIfRequested();
        if (done())
            return;
        waiter.Block(epoch, std::nullopt);
    }
}

// Asks a WindowThread's loop to end; the window's procedure answers it with QuitOnRequest.
constexpr UINT kQuitLoop = WM_APP + 0x3FF;

std::optional<LRESULT> QuitOnRequest(UINT message)
{
    if (message == kQuitLoop) {
        PostQuitMessage(0);
        return 0;
    }
    return std::nullopt;
}

// Runs a message loop with one recording window on its own thread, until kQuitLoop.
class WindowThread {
public:
    explicit WindowThread(RecordingWindow& window)
    {
        std::promise<HWND> created;
        auto future = created.get_future();
        m_thread = std::thread([&window, &created] {
            created.set_value(window.Create());
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
        });
        m_hwnd = future.get();
    }
    ~WindowThread()
    {
        SendMessageA(m_hwnd, kQuitLoop, 0, 0);
        m_thread.join();
    }
    HWND Handle() const { return m_hwnd; }

private:
    std::thread m_thread;
    HWND m_hwnd = nullptr;
};

TEST(CrossThreadTest, SendIsServedWhileTheOwnerWaitsInGetMessage)
{
    RecordingWindow window;
    window.answer = [](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_USER + 1)
            return static_cast<LRESULT>(wParam) + lParam;
        return QuitOnRequest(message);
    };
    DWORD ownerThread = 0;
    {
        WindowThread owner(window);
        ownerThread = GetWindowThreadProcessId(owner.Handle(), nullptr);
        EXPECT_EQ(SendMessageA(owner.Handle(), WM_USER + 1, 1000, 234), 1234);
        EXPECT_EQ(SendMessageA(owner.Handle(), WM_USER + 1, 1, 1), 2);
    }
    const auto log = window.Log();
    int handled = 0;
    for (const auto& r : log) {
        if (r.message == WM_USER + 1) {
            ++handled;
            EXPECT_EQ(r.thread, ownerThread) << "the handler runs on the window's thread";
        }
    }
    EXPECT_EQ(handled, 2);
}

TEST(CrossThreadTest, SendIsServedWhileTheOwnerBlocksInALayerWait)
{
    RecordingWindow window;
    std::atomic<bool> handled{false};
    window.answer = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_USER + 1)
            return std::nullopt;
        handled = true;
        return 77;
    };
    std::promise<HWND> created;
    std::atomic<DWORD> ownerThread{0};
    std::thread owner([&] {
        ownerThread = zv::user::CurrentThreadId();
        created.set_value(window.Create());
        // Waits for the send itself, as a kernel wait on an event would, without a message loop.
        LayerWait([&] { return handled.load(); });
        DestroyWindow(window.Log().front().hwnd);
    });
    HWND hwnd = created.get_future().get();
    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 1, 0, 0), 77);
    owner.join();
    ASSERT_EQ(window.UserMessages(), std::vector<UINT>{WM_USER + 1});
    EXPECT_EQ(window.Log()[2].thread, ownerThread.load());
}

TEST(CrossThreadTest, SentMessagesAreServedBeforePostedOnes)
{
    RecordingWindow window;
    HWND hwnd = window.Create();
    ThreadWaiter& waiter = ThreadWaiter::Current();
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    const std::uint64_t epoch = waiter.Epoch();
    std::thread sender([hwnd] { SendMessageA(hwnd, WM_USER + 3, 0, 0); });
    // The send is queued now, behind the two posts.
    AwaitWakeUp(waiter, epoch);
    MSG msg{};
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    DispatchMessageA(&msg);
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    DispatchMessageA(&msg);
    sender.join();
    EXPECT_EQ(window.UserMessages(), (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2}));
    DestroyWindow(hwnd);
}

TEST(CrossThreadTest, MutualSendsDoNotDeadlock)
{
    constexpr int kRounds = 200;
    struct Side {
        RecordingWindow window;
        std::atomic<HWND> handle{nullptr};
        std::shared_ptr<ThreadWaiter> waiter;
    };
    Side sides[2];
    for (Side& side : sides) {
        side.window.answer = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_USER)
                return static_cast<LRESULT>(wParam * 2);
            return std::nullopt;
        };
    }
    std::atomic<int> ready{0};
    std::atomic<int> finished{0};
    std::atomic<int> wrong{0};
    std::promise<void> bothReady;
    std::shared_future<void> start = bothReady.get_future().share();
    auto run = [&](Side& own, Side& peer) {
        own.waiter = ThreadWaiter::FromToken(zv::win32::CurrentThreadToken());
        own.handle = own.window.Create();
        if (++ready == 2)
            bothReady.set_value();
        start.wait();
        // Both threads send at the same time; each serves the other while it waits for its answer.
        for (int i = 0; i < kRounds; ++i) {
            if (SendMessageA(peer.handle, WM_USER, static_cast<WPARAM>(i), 0) != 2 * i)
                ++wrong;
        }
        // Keep serving the peer until it is done too, then wake it so that it sees the count.
        ++finished;
        peer.waiter->Notify();
        LayerWait([&] { return finished.load() == 2; });
    };
    std::thread a([&] { run(sides[0], sides[1]); });
    std::thread b([&] { run(sides[1], sides[0]); });
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    for (Side& side : sides)
        EXPECT_EQ(side.window.UserMessages().size(), static_cast<std::size_t>(kRounds));
}

TEST(CrossThreadTest, NestedSendBackToTheWaitingSender)
{
    RecordingWindow windowA, windowB;
    HWND a = windowA.Create();
    windowA.answer = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER)
            return static_cast<LRESULT>(wParam * 2);
        return std::nullopt;
    };
    windowB.answer = [a](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER + 1)
            return SendMessageA(a, WM_USER, wParam, 0) + 1; // back to the thread that waits for us
        return QuitOnRequest(message);
    };
    WindowThread b(windowB);
    EXPECT_EQ(SendMessageA(b.Handle(), WM_USER + 1, 20, 0), 41);
    ASSERT_EQ(windowA.UserMessages(), std::vector<UINT>{WM_USER});
    EXPECT_EQ(windowA.Log().back().thread, zv::user::CurrentThreadId());
    DestroyWindow(a);
}

TEST(CrossThreadTest, SendToAWindowDestroyedMeanwhileReturnsZero)
{
    RecordingWindow window;
    window.answer = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == WM_USER ? std::optional<LRESULT>(5) : std::nullopt;
    };
    HWND hwnd = window.Create();
    ThreadWaiter& waiter = ThreadWaiter::Current();
    const std::uint64_t epoch = waiter.Epoch();
    std::atomic<LRESULT> result{-1};
    std::thread sender([&] { result = SendMessageA(hwnd, WM_USER, 0, 0); });
    AwaitWakeUp(waiter, epoch); // queued, not served
    ASSERT_TRUE(DestroyWindow(hwnd));
    sender.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_TRUE(window.UserMessages().empty()) << "the destroyed window never handled it";
}

TEST(CrossThreadTest, SendPendingWhenTheOwnerThreadEndsReturnsZero)
{
    RecordingWindow window;
    std::promise<HWND> created;
    std::thread owner([&] {
        ThreadWaiter& waiter = ThreadWaiter::Current();
        const std::uint64_t epoch = waiter.Epoch();
        created.set_value(window.Create());
        AwaitWakeUp(waiter, epoch);
        // Ends without ever serving the send.
    });
    HWND hwnd = created.get_future().get();
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    owner.join();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(window.UserMessages().empty());
}

TEST(CrossThreadTest, PostsFromManyThreadsKeepEachThreadsOrder)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 300;
    RecordingWindow window;
    HWND hwnd = window.Create();
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([hwnd, t] {
            for (int i = 0; i < kPerThread; ++i)
                EXPECT_TRUE(PostMessageA(hwnd, WM_USER, static_cast<WPARAM>(t), i));
        });
    }
    std::vector<LPARAM> last(kThreads, -1);
    MSG msg{};
    for (int received = 0; received < kThreads * kPerThread; ++received) {
        ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0); // blocks until a poster wakes it
        ASSERT_EQ(msg.message, WM_USER);
        ASSERT_LT(msg.wParam, static_cast<WPARAM>(kThreads));
        EXPECT_EQ(msg.lParam, last[msg.wParam] + 1) << "thread " << msg.wParam;
        last[msg.wParam] = msg.lParam;
    }
    for (auto& p : posters)
        p.join();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST(CrossThreadTest, PostingWhileTheWindowIsDestroyedLeavesNothingBehind)
{
    RecordingWindow window;
    HWND hwnd = window.Create();
    std::atomic<int> accepted{0};
    std::thread poster([&] {
        while (PostMessageA(hwnd, WM_USER, 0, 0))
            ++accepted;
    });
    MSG msg{};
    for (int i = 0; i < 50; ++i) {
        ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
        DispatchMessageA(&msg);
    }
    DestroyWindow(hwnd);
    poster.join();
    EXPECT_GE(accepted.load(), 50);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

} // namespace
