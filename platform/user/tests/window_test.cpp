#include "platform/user/tests/recording_window.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using zv::user::test::RecordingWindow;

LRESULT CALLBACK PlainProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

ATOM RegisterPlainClass(const char* name, int extraBytes = 0)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = &PlainProcedure;
    wc.cbWndExtra = extraBytes;
    wc.lpszClassName = name;
    return RegisterClassA(&wc);
}

TEST(WindowClassTest, NamesAreUniqueWithoutRegardToCase)
{
    const ATOM atom = RegisterPlainClass("ZvClassCase");
    EXPECT_GE(atom, 0xC000);
    EXPECT_EQ(RegisterPlainClass("ZVCLASSCASE"), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    HWND hwnd = CreateWindowExA(0, "zvclasscase", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(UnregisterClassA("ZvClassCase", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_TRUE(UnregisterClassA("zvCLASScase", nullptr));
    EXPECT_FALSE(UnregisterClassA("ZvClassCase", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
    // The name is free again.
    EXPECT_NE(RegisterPlainClass("ZvClassCase"), 0);
    EXPECT_TRUE(UnregisterClassA("ZvClassCase", nullptr));
}

TEST(WindowClassTest, RefusesIncompleteClasses)
{
    WNDCLASSA noProcedure{};
    noProcedure.lpszClassName = "ZvNoProcedure";
    WNDCLASSA noName{};
    noName.lpfnWndProc = &PlainProcedure;
    const WNDCLASSA* refused[] = {&noProcedure, &noName, nullptr};
    for (const WNDCLASSA* wc : refused) {
        EXPECT_EQ(RegisterClassA(wc), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

TEST(CreateWindowTest, UnknownClassFails)
{
    EXPECT_EQ(CreateWindowExA(0, "ZvNoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST(CreateWindowTest, CreationMessagesCarryTheCreationParameter)
{
    struct Seen {
        UINT message;
        void* param;
        std::string name;
        LONG style;
    };
    static std::vector<Seen> seen;
    seen.clear();
    WNDCLASSA wc{};
    wc.lpszClassName = "ZvCreateParam";
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_NCCREATE || message == WM_CREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
            seen.push_back({message, cs->lpCreateParams, cs->lpszName, cs->style});
            // The external control window keeps its object in the user data on WM_CREATE.
            if (message == WM_CREATE)
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    };
    ASSERT_NE(RegisterClassA(&wc), 0);
    int object = 0;
    HWND hwnd = CreateWindowExA(0, "ZvCreateParam", "Caption", WS_POPUP, -10, -10, 10, 10, nullptr, nullptr,
                                nullptr, &object);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_NCCREATE);
    EXPECT_EQ(seen[1].message, WM_CREATE);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.param, &object);
        EXPECT_EQ(s.name, "Caption");
        EXPECT_EQ(static_cast<DWORD>(s.style), WS_POPUP);
    }
    EXPECT_EQ(reinterpret_cast<int*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)), &object);
    char title[32];
    EXPECT_EQ(GetWindowTextA(hwnd, title, sizeof title), 7);
    EXPECT_STREQ(title, "Caption");
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_TRUE(UnregisterClassA("ZvCreateParam", nullptr));
}

TEST(CreateWindowTest, RefusedCreationDestroysTheWindow)
{
    struct Case {
        UINT refusingMessage;
        LRESULT answer;
        std::vector<UINT> expected;
    };
    const Case cases[] = {
        {WM_CREATE, -1, {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
        {WM_NCCREATE, FALSE, {WM_NCCREATE, WM_NCDESTROY}},
    };
    for (const Case& c : cases) {
        RecordingWindow window;
        window.answer = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == c.refusingMessage)
                return c.answer;
            return std::nullopt;
        };
        EXPECT_EQ(window.Create(), nullptr);
        EXPECT_EQ(window.Messages(), c.expected);
        ASSERT_FALSE(window.Log().empty());
        EXPECT_FALSE(IsWindow(window.Log().front().hwnd));
    }
}

TEST(CreateWindowTest, ChildNeedsAnExistingParent)
{
    RecordingWindow child;
    EXPECT_EQ(child.Create("", WS_CHILD), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
    EXPECT_EQ(child.Create("", WS_CHILD, zv::user::HandleFromDword(0x7FFFFFF0)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(WindowHandleTest, ValuesFitIn32BitsAndAreNeverReused)
{
    RecordingWindow window;
    std::set<std::uintptr_t> seen;
    for (int i = 0; i < 200; ++i) {
        HWND hwnd = window.Create();
        ASSERT_NE(hwnd, nullptr);
        const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
        EXPECT_LT(value, std::uintptr_t{1} << 32);
        EXPECT_TRUE(seen.insert(value).second) << "handle given out twice";
        EXPECT_EQ(zv::user::HandleFromDword(zv::user::HandleToDword(hwnd)), hwnd);
        ASSERT_TRUE(DestroyWindow(hwnd));
        EXPECT_FALSE(IsWindow(hwnd));
    }
}

TEST(DestroyWindowTest, ChildrenGoBetweenTheParentsDestroyAndNcDestroy)
{
    RecordingWindow parent, child, grandChild;
    HWND p = parent.Create();
    HWND c = child.Create("", WS_CHILD, p, reinterpret_cast<HMENU>(1002));
    HWND g = grandChild.Create("", WS_CHILD, c);
    ASSERT_TRUE(p && c && g);
    EXPECT_EQ(GetWindowLongA(c, GWL_ID), 1002);

    struct Event { HWND hwnd; UINT message; };
    std::vector<Event> events;
    std::mutex mutex;
    auto track = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY || message == WM_NCDESTROY)
            events.push_back({hwnd, message});
        return std::nullopt;
    };
    parent.answer = child.answer = grandChild.answer = track;
    ASSERT_TRUE(DestroyWindow(p));

    const std::vector<std::pair<HWND, UINT>> expected = {
        {p, WM_DESTROY}, {c, WM_DESTROY}, {g, WM_DESTROY}, {g, WM_NCDESTROY}, {c, WM_NCDESTROY}, {p, WM_NCDESTROY}};
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(events[i].hwnd, expected[i].first) << i;
        EXPECT_EQ(events[i].message, expected[i].second) << i;
    }
    for (HWND hwnd : {p, c, g})
        EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(DestroyWindow(p));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(DestroyWindowTest, OnlyTheOwningThreadDestroys)
{
    RecordingWindow window;
    HWND hwnd = window.Create();
    BOOL result = TRUE;
    DWORD error = 0;
    std::thread([&] {
        result = DestroyWindow(hwnd);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(result);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST(DestroyWindowTest, DefaultCloseDestroys)
{
    RecordingWindow window;
    HWND hwnd = window.Create();
    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(DestroyWindowTest, WindowsOfAnEndedThreadAreGone)
{
    RecordingWindow window;
    HWND hwnd = nullptr;
    std::thread([&] { hwnd = window.Create(); }).join();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
}

TEST(WindowLongTest, UserDataHoldsAPointer)
{
    RecordingWindow window;
    HWND hwnd = window.Create();
    // The creation hook stored the object already; a pointer survives a round trip.
    EXPECT_EQ(reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)), &window);
    const LONG_PTR high = static_cast<LONG_PTR>(0x123456789ABCull);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, high), reinterpret_cast<LONG_PTR>(&window));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), high);
    // The 32-bit form sees and sets only a 32-bit value.
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_USERDATA), static_cast<LONG>(0x56789ABC));
    EXPECT_EQ(SetWindowLongA(hwnd, GWL_USERDATA, -5), static_cast<LONG>(0x56789ABC));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), -5);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&window));
    DestroyWindow(hwnd);
}

TEST(WindowLongTest, IndicesOutsideTheWindowDataFail)
{
    RecordingWindow window; // 16 extra bytes
    HWND hwnd = window.Create();
    struct Case { int index; bool pointerSized; bool valid; };
    const Case cases[] = {
        {0, true, true}, {8, true, true}, {9, true, false}, {12, false, true}, {13, false, false},
        {16, false, false}, {-2, false, false}, {GWL_WNDPROC, false, false}, {GWLP_WNDPROC, true, true},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        if (c.pointerSized)
            GetWindowLongPtrA(hwnd, c.index);
        else
            GetWindowLongA(hwnd, c.index);
        EXPECT_EQ(GetLastError(), c.valid ? 0u : ERROR_INVALID_INDEX) << c.index;
    }
    EXPECT_EQ(SetWindowLongA(hwnd, 12, 77), 0);
    EXPECT_EQ(GetWindowLongA(hwnd, 12), 77);
    EXPECT_EQ(GetWindowLongA(zv::user::HandleFromDword(0x7FFFFFF0), GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(hwnd);
}

TEST(WindowLongTest, ReplacedProcedureGetsTheMessages)
{
    static int calls;
    calls = 0;
    RecordingWindow window;
    HWND hwnd = window.Create();
    auto replacement = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        ++calls;
        return message == WM_USER ? 42 : 0;
    };
    const LONG_PTR old = SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+replacement));
    EXPECT_NE(old, 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 42);
    EXPECT_EQ(calls, 1);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, old);
    DestroyWindow(hwnd);
}

TEST(WindowTextTest, SetGetAndTruncate)
{
    RecordingWindow window;
    HWND hwnd = window.Create("first");
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 5);
    ASSERT_TRUE(SetWindowTextA(hwnd, "C:/clips/video.avi"));
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 18);

    struct Case { int buffer; int expectedCount; const char* expectedText; };
    const Case cases[] = {{64, 18, "C:/clips/video.avi"}, {19, 18, "C:/clips/video.avi"}, {5, 4, "C:/c"}, {1, 0, ""}};
    for (const Case& c : cases) {
        std::vector<char> buffer(static_cast<std::size_t>(c.buffer), 'x');
        EXPECT_EQ(GetWindowTextA(hwnd, buffer.data(), c.buffer), c.expectedCount);
        EXPECT_STREQ(buffer.data(), c.expectedText);
    }
    ASSERT_TRUE(SetWindowTextA(hwnd, nullptr));
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
    DestroyWindow(hwnd);
}

TEST(WindowTextTest, TruncationKeepsWholeCharacters)
{
    RecordingWindow window;
    HWND hwnd = window.Create("a\xC3\xA9z"); // "aéz"
    char buffer[3];
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "a");
    DestroyWindow(hwnd);
}

TEST(WindowTextTest, WindowProcedureCanAnswerTextRequests)
{
    RecordingWindow window;
    window.answer = [](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_GETTEXTLENGTH)
            return 3;
        if (message == WM_GETTEXT && wParam >= 4) {
            std::strcpy(reinterpret_cast<char*>(lParam), "own");
            return 3;
        }
        return std::nullopt;
    };
    HWND hwnd = window.Create("stored");
    char buffer[16];
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "own");
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 3);
    DestroyWindow(hwnd);
}

TEST(FindWindowTest, ByClassAndCaption)
{
    ASSERT_NE(RegisterPlainClass("ZvFindOther"), 0);
    RecordingWindow a, b, child;
    HWND recording = a.Create("Zelvante");
    HWND recordingOther = b.Create("Snapshot manager");
    HWND plain = CreateWindowExA(0, "ZvFindOther", "Zelvante", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // Children are never found: only top-level windows count.
    HWND inner = child.Create("Inner", WS_CHILD, recording);
    ASSERT_TRUE(recording && recordingOther && plain && inner);

    struct Case { const char* cls; const char* caption; HWND expected; };
    const Case cases[] = {
        {nullptr, "Zelvante", plain}, // the newest match
        {"ZvTestRecordingWindow", "Zelvante", recording},
        {"zvtestrecordingwindow", "Snapshot manager", recordingOther},
        {"ZvFindOther", nullptr, plain},
        {nullptr, "zelvante", nullptr}, // the caption must match exactly
        {nullptr, "Zelvante ", nullptr},
        {nullptr, "Inner", nullptr},
        {"ZvNoSuchClass", nullptr, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindWindowA(c.cls, c.caption), c.expected) << (c.cls ? c.cls : "any") << " / "
                                                             << (c.caption ? c.caption : "any");
    DestroyWindow(plain);
    EXPECT_EQ(FindWindowA(nullptr, "Zelvante"), recording);
    DestroyWindow(recording);
    DestroyWindow(recordingOther);
    EXPECT_EQ(FindWindowA(nullptr, "Zelvante"), nullptr);
    EXPECT_TRUE(UnregisterClassA("ZvFindOther", nullptr));
}

TEST(WindowThreadTest, ReportsTheOwningThreadAndProcess)
{
    RecordingWindow window;
    HWND hwnd = nullptr;
    DWORD creator = 0;
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::thread owner([&] {
        HWND created = window.Create();
        std::unique_lock lock(mutex);
        creator = zv::user::CurrentThreadId();
        hwnd = created;
        cv.notify_all();
        cv.wait(lock, [&] { return done; });
    });
    {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return hwnd != nullptr; });
    }
    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, &process), creator);
    EXPECT_NE(creator, zv::user::CurrentThreadId());
    EXPECT_EQ(process, static_cast<DWORD>(getpid()));
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    cv.notify_all();
    owner.join();
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), 0u);
}

TEST(ShowWindowTest, VisibilityAndMinimisedState)
{
    RecordingWindow window, child;
    HWND hwnd = window.Create();
    HWND inner = child.Create("", WS_CHILD | WS_VISIBLE, hwnd);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(IsWindowVisible(inner)) << "a child shows only while its parent does";

    struct Step { int command; BOOL wasVisible; BOOL visible; BOOL iconic; };
    const Step steps[] = {
        {SW_SHOWNORMAL, FALSE, TRUE, FALSE}, {SW_MINIMIZE, TRUE, TRUE, TRUE},   {SW_SHOW, TRUE, TRUE, TRUE},
        {SW_RESTORE, TRUE, TRUE, FALSE},     {SW_HIDE, TRUE, FALSE, FALSE},     {SW_HIDE, FALSE, FALSE, FALSE},
        {SW_SHOWMINNOACTIVE, FALSE, TRUE, TRUE}, {SW_SHOWNOACTIVATE, TRUE, TRUE, FALSE},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(ShowWindow(hwnd, s.command), s.wasVisible) << s.command;
        EXPECT_EQ(IsWindowVisible(hwnd), s.visible) << s.command;
        EXPECT_EQ(IsIconic(hwnd), s.iconic) << s.command;
    }
    EXPECT_TRUE(IsWindowVisible(inner));
    EXPECT_FALSE(ShowWindow(hwnd, 99));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DestroyWindow(hwnd);
}

TEST(ShowWindowTest, VisibleStyleTakesEffectAfterCreation)
{
    RecordingWindow window;
    BOOL visibleDuringCreate = TRUE;
    window.answer = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CREATE)
            visibleDuringCreate = IsWindowVisible(hwnd);
        return std::nullopt;
    };
    HWND hwnd = window.Create("", WS_VISIBLE);
    EXPECT_FALSE(visibleDuringCreate);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE);
    DestroyWindow(hwnd);
}

} // namespace
