// A send with a bound: answered by the window's thread, or given up when that thread does not
// serve; and the class name of a window.
#include "platform/user/tests/recording_window.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

using zv::user::test::RecordingWindow;

constexpr UINT kAsk = WM_APP + 7;
constexpr UINT kQuit = WM_APP + 8;

std::optional<LRESULT> Answer(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == kAsk)
        return static_cast<LRESULT>(wParam) * 2;
    if (message == kQuit) {
        PostQuitMessage(0);
        return 0;
    }
    return std::nullopt;
}

// A window on a thread of its own that, once `serve` is set, runs a message loop until kQuit.
class WindowThread {
public:
    explicit WindowThread(std::shared_future<void> serve)
    {
        m_window.answer = &Answer;
        std::promise<HWND> created;
        auto handle = created.get_future();
        m_thread = std::thread([this, &created, serve] {
            HWND hwnd = m_window.Create();
            created.set_value(hwnd);
            serve.wait();
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            DestroyWindow(hwnd);
        });
        m_hwnd = handle.get();
    }
    ~WindowThread()
    {
        PostMessageA(m_hwnd, kQuit, 0, 0);
        m_thread.join();
    }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    HWND Handle() const { return m_hwnd; }

private:
    RecordingWindow m_window;
    HWND m_hwnd = nullptr;
    std::thread m_thread;
};

struct SendCase {
    const char* name;
    bool serving;            // the window's thread runs its loop
    bool sameThread;         // the window is the caller's own
    bool gone;               // the window was destroyed
    bool answered;
    DWORD error;             // when not answered
};

TEST(SendMessageTimeoutTest, AnswersOrGivesUp)
{
    const SendCase cases[] = {
        {"own thread", true, true, false, true, 0},
        {"serving thread", true, false, false, true, 0},
        {"thread that does not serve", false, false, false, false, ERROR_TIMEOUT},
        {"no such window", true, true, true, false, ERROR_INVALID_WINDOW_HANDLE},
    };
    for (const SendCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::promise<void> serve;
        std::shared_future<void> serving = serve.get_future().share();
        if (c.serving)
            serve.set_value();
        RecordingWindow own;
        own.answer = &Answer;
        std::optional<WindowThread> other;
        HWND target = nullptr;
        if (c.sameThread) {
            target = own.Create();
        } else {
            other.emplace(serving);
            target = other->Handle();
        }
        ASSERT_NE(target, nullptr);
        if (c.gone)
            DestroyWindow(target);
        DWORD_PTR result = 0;
        SetLastError(0);
        // A bound that a serving thread always meets, a short one for the thread that never does.
        const UINT bound = c.serving ? 30000 : 200;
        const LRESULT sent = SendMessageTimeoutA(target, kAsk, 21, 0, SMTO_ABORTIFHUNG, bound, &result);
        EXPECT_EQ(sent != 0, c.answered);
        if (c.answered)
            EXPECT_EQ(result, 42u);
        else
            EXPECT_EQ(GetLastError(), c.error);
        if (!c.serving)
            serve.set_value(); // the thread now serves the abandoned send and ends
        if (c.sameThread && !c.gone)
            DestroyWindow(target);
    }
}

TEST(GetClassNameTest, NamesTheRegisteredClassCutToTheBuffer)
{
    RecordingWindow window;
    HWND hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    char name[64] = {};
    EXPECT_EQ(GetClassNameA(hwnd, name, sizeof name), 21);
    EXPECT_STREQ(name, "ZvTestRecordingWindow");
    char small[5] = {};
    EXPECT_EQ(GetClassNameA(hwnd, small, sizeof small), 4);
    EXPECT_STREQ(small, "ZvTe");
    DestroyWindow(hwnd);
    EXPECT_EQ(GetClassNameA(hwnd, name, sizeof name), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

} // namespace
