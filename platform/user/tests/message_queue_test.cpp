#include "platform/user/tests/recording_window.h"
#include "platform/user/virtual_keys.h"
#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using zv::user::test::DrainQueue;
using zv::user::test::RecordingWindow;

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hwnd = window.Create();
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(hwnd);
        DrainQueue();
    }

    RecordingWindow window;
    HWND hwnd = nullptr;
};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndQuitComesLast)
{
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 1, 10, 20));
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 2, 0, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 3, 0, 0)); // a thread message

    MSG msg{};
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.hwnd, hwnd);
    EXPECT_EQ(msg.message, WM_USER + 1u);
    EXPECT_EQ(msg.wParam, 10u);
    EXPECT_EQ(msg.lParam, 20);
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_USER + 2u);
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_USER + 3u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is taken once";
}

TEST_F(MessageQueueTest, PeekWithoutRemovingLeavesTheMessage)
{
    PostMessageA(hwnd, WM_USER, 1, 0);
    MSG msg{};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(msg.message, WM_USER);
    }
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, FiltersByWindowAndRange)
{
    RecordingWindow otherWindow;
    HWND other = otherWindow.Create();
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(other, WM_USER + 5, 0, 0);
    PostMessageA(nullptr, WM_USER + 6, 0, 0);
    PostMessageA(hwnd, WM_APP, 0, 0);

    struct Case { HWND filter; UINT first; UINT last; UINT expected; };
    const Case cases[] = {
        {nullptr, WM_USER + 2, WM_USER + 9, WM_USER + 5},
        {hwnd, 0, 0, WM_USER + 1},
        {hwnd, WM_APP, WM_APP, WM_APP},
        {other, 0, 0, WM_USER + 5},
        {reinterpret_cast<HWND>(-1), 0, 0, WM_USER + 6},
    };
    for (const Case& c : cases) {
        MSG msg{};
        ASSERT_TRUE(PeekMessageA(&msg, c.filter, c.first, c.last, PM_NOREMOVE)) << c.expected;
        EXPECT_EQ(msg.message, c.expected);
    }
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, other, WM_APP, WM_APP, PM_NOREMOVE));
    DestroyWindow(other);
}

TEST_F(MessageQueueTest, QuitIgnoresTheRange)
{
    PostQuitMessage(0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
}

TEST_F(MessageQueueTest, InvalidWindowFilterFails)
{
    MSG msg{};
    const HWND bogus = zv::user::HandleFromDword(0x7FFFFFF0);
    EXPECT_EQ(GetMessageA(&msg, bogus, 0, 0), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PeekMessageA(&msg, bogus, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, PostToAGoneWindowIsDroppedHarmlessly)
{
    // A self-deleting window: it destroys itself on a message and a later post finds it gone.
    window.answer = [](HWND self, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER + 1)
            DestroyWindow(self);
        return std::nullopt;
    };
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "messages of a destroyed window are dropped";

    SetLastError(0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER + 3, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostMessageA(zv::user::HandleFromDword(0x7FFFFFF0), WM_USER, 0, 0));
    EXPECT_EQ(window.UserMessages(), std::vector<UINT>{WM_USER + 1});
}

TEST_F(MessageQueueTest, DestroyingAWindowKeepsTheOthersMessages)
{
    RecordingWindow otherWindow;
    HWND other = otherWindow.Create();
    PostMessageA(other, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    PostMessageA(other, WM_USER + 3, 0, 0);
    DestroyWindow(other);
    const std::vector<MSG> taken = DrainQueue();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_USER + 2u);
}

TEST_F(MessageQueueTest, TranslateMessagePostsTheCharacterNext)
{
    PostMessageA(hwnd, WM_USER, 0, 0);
    struct Case { UINT message; WPARAM key; BOOL translated; UINT charMessage; WPARAM character; };
    const Case cases[] = {
        {WM_KEYDOWN, 'A', TRUE, WM_CHAR, 'a'},
        {WM_KEYDOWN, '7', TRUE, WM_CHAR, '7'},
        {WM_KEYDOWN, VK_RETURN, TRUE, WM_CHAR, '\r'},
        {WM_SYSKEYDOWN, 'X', TRUE, WM_SYSCHAR, 'x'},
        {WM_KEYDOWN, VK_DELETE, TRUE, 0, 0},
        {WM_KEYUP, VK_SPACE, TRUE, 0, 0},
        {WM_USER, 0, FALSE, 0, 0},
    };
    for (const Case& c : cases) {
        const MSG key{hwnd, c.message, c.key, 0x00010001, 0, {}};
        EXPECT_EQ(TranslateMessage(&key), c.translated);
        MSG next{};
        ASSERT_TRUE(PeekMessageA(&next, nullptr, 0, 0, c.charMessage ? PM_REMOVE : PM_NOREMOVE));
        if (c.charMessage) {
            EXPECT_EQ(next.message, c.charMessage);
            EXPECT_EQ(next.wParam, c.character);
            EXPECT_EQ(next.lParam, 0x00010001);
            EXPECT_EQ(next.hwnd, hwnd);
        } else {
            EXPECT_EQ(next.message, WM_USER) << "nothing was posted for " << c.key;
        }
    }
}

TEST_F(MessageQueueTest, DispatchCallsOnlyWindowsOfThisThread)
{
    RecordingWindow foreignWindow;
    std::atomic<HWND> foreign{nullptr};
    std::thread owner([&] {
        foreign = foreignWindow.Create();
        // Keep the thread (and so the window) alive until the main thread is done.
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
    });
    while (!IsWindow(foreign))
        std::this_thread::yield();
    const MSG msg{foreign, WM_USER, 0, 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(foreignWindow.UserMessages().empty());

    // Sending from here runs it on the owner's thread instead.
    window.answer = nullptr;
    foreignWindow.answer = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER + 1)
            PostQuitMessage(0);
        return std::nullopt;
    };
    SendMessageA(foreign, WM_USER + 1, 0, 0);
    owner.join();
}

TEST_F(MessageQueueTest, SendOnTheOwnThreadIsADirectCall)
{
    window.answer = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER)
            return static_cast<LRESULT>(wParam * 2);
        return std::nullopt;
    };
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 21, 0), 42);
    ASSERT_EQ(window.UserMessages(), std::vector<UINT>{WM_USER});
    EXPECT_EQ(window.Log().back().thread, zv::user::CurrentThreadId());
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "a send never goes through the queue";
    EXPECT_EQ(SendMessageA(nullptr, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

// Registered values are kept under the machine's root, so each test has a root of its own.
class RegisterWindowMessageTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot m_root;
};

TEST_F(RegisterWindowMessageTest, OneValuePerNameWithoutRegardToCase)
{
    const UINT click = RegisterWindowMessageA("Zelvante Msg Button Click");
    EXPECT_GE(click, 0xC000u);
    EXPECT_LE(click, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("Zelvante Msg Button Click"), click);
    EXPECT_EQ(RegisterWindowMessageA("ZELVANTE MSG BUTTON CLICK"), click);
    const UINT other = RegisterWindowMessageA("Zelvante Msg Other");
    EXPECT_GE(other, 0xC000u);
    EXPECT_NE(other, click);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(RegisterWindowMessageTest, ThreadsRegisteringOneNameAgree)
{
    std::vector<UINT> values(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < values.size(); ++i)
        threads.emplace_back([&values, i] { values[i] = RegisterWindowMessageA("Zv Concurrent Registration"); });
    for (auto& t : threads)
        t.join();
    for (UINT value : values)
        EXPECT_EQ(value, values.front());
    EXPECT_NE(values.front(), 0u);
}

// A process that died while adding a name leaves half a record; the next name still gets a value
// of its own and later readers see every whole record.
TEST_F(RegisterWindowMessageTest, TornRecordOfADeadWriterIsDropped)
{
    const UINT kept = RegisterWindowMessageA("Zv Kept");
    {
        std::ofstream table(m_root.Path() + "/run/window_messages", std::ios::app);
        table << "c0ff 40\nzv half writ";
    }
    const UINT added = RegisterWindowMessageA("Zv Added After");
    EXPECT_NE(added, 0u);
    EXPECT_NE(added, kept);
    const std::string text = [&] {
        std::ifstream table(m_root.Path() + "/run/window_messages");
        return std::string(std::istreambuf_iterator<char>(table), {});
    }();
    EXPECT_EQ(text.find("half"), std::string::npos);
    EXPECT_NE(text.find("zv added after"), std::string::npos);
}

} // namespace
