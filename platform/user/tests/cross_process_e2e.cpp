// Windows across processes: this test process and window peers (window_peer_main.cpp) find, query,
// post and send to each other's windows on one emulated machine.
#include "platform/user/remote_windows.h"
#include "platform/user/tests/recording_window.h"
#include "platform/user/tests/window_peer.h"
#include "platform/win32/events.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/waits.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/tests/child_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace zv::user::test::peer;
using zv::user::test::RecordingWindow;
using zv::win32::testing::ChildProcess;
using zv::win32::testing::TempZvRoot;

HWND ToHandle(const std::string& answer)
{
    return zv::user::HandleFromDword(static_cast<DWORD>(std::stoul(answer)));
}

std::string Text(HWND hwnd)
{
    return std::to_string(zv::user::HandleToDword(hwnd));
}

// Polls the peer until `command` answers `expected`; false after a generous while.
bool AnswersSoon(ChildProcess& peer, const std::string& command, const std::string& expected)
{
    for (int i = 0; i < 2000; ++i) {
        if (peer.Call(command) == expected)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Kills the peer as a crash would and waits until it is gone.
void Crash(ChildProcess& peer)
{
    const pid_t pid = std::stoi(peer.Call("pid"));
    kill(pid, SIGKILL);
    peer.Exit();
}

std::vector<HWND> AllTopLevelWindows()
{
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND hwnd, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

class CrossProcessTest : public ::testing::Test {
protected:
    ~CrossProcessTest() override { zv::user::testing::SetRemoteCallBound(std::chrono::seconds(30)); }

    TempZvRoot m_root;
    ChildProcess m_peer{m_root.Path()};
};

TEST_F(CrossProcessTest, FindsAndDescribesAnotherProcesssWindows)
{
    const HWND main = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    const HWND shotbox = ToHandle(m_peer.Call("create ZvPeerShotbox Snapshot manager - 3 photos"));
    ASSERT_TRUE(main && shotbox);

    struct Case { const char* cls; const char* caption; HWND expected; };
    const Case cases[] = {
        {nullptr, "Zelvante", main},
        {"zvpeermain", nullptr, main},
        {"ZvPeerShotbox", "Snapshot manager - 3 photos", shotbox},
        {"ZvPeerMain", "Snapshot manager - 3 photos", nullptr},
        {nullptr, "zelvante", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindWindowA(c.cls, c.caption), c.expected) << (c.cls ? c.cls : "any") << " / "
                                                             << (c.caption ? c.caption : "any");

    EXPECT_TRUE(IsWindow(main));
    DWORD process = 0;
    EXPECT_NE(GetWindowThreadProcessId(main, &process), 0u);
    EXPECT_EQ(process, static_cast<DWORD>(std::stoul(m_peer.Call("pid"))));

    // The main program's fallback search: every window's title, for a part of it.
    HWND found = nullptr;
    for (HWND hwnd : AllTopLevelWindows()) {
        char title[64];
        if (GetWindowTextA(hwnd, title, sizeof title) && std::strstr(title, "Snapshot manager"))
            found = hwnd;
    }
    EXPECT_EQ(found, shotbox);
    EXPECT_EQ(GetWindowTextLengthA(shotbox), 27);
}

// Registered messages are the machine's: the same name (in any case) gives the same value in
// every process, whichever asked first.
TEST_F(CrossProcessTest, RegisteredMessagesAgreeAcrossProcesses)
{
    const UINT theirs = static_cast<UINT>(std::stoul(m_peer.Call("register Zelvante Activate")));
    const UINT mine = RegisterWindowMessageA("ZELVANTE activate");
    const UINT minesFirst = RegisterWindowMessageA("Shotbox close request");
    const UINT theirsSecond = static_cast<UINT>(std::stoul(m_peer.Call("register shotbox CLOSE request")));
    EXPECT_EQ(mine, theirs);
    EXPECT_EQ(theirsSecond, minesFirst);
    EXPECT_NE(mine, minesFirst);
    for (UINT value : {mine, minesFirst})
        EXPECT_TRUE(value >= 0xC000 && value <= 0xFFFF) << value;
}

TEST_F(CrossProcessTest, ShowWindowRunsInTheOwnerAndTheStateFollows)
{
    const HWND hwnd = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    ASSERT_NE(hwnd, nullptr);
    struct Step { int command; BOOL wasVisible; BOOL visible; BOOL iconic; };
    const Step steps[] = {
        {SW_SHOWMINIMIZED, FALSE, TRUE, TRUE},
        {SW_RESTORE, TRUE, TRUE, FALSE},
        {SW_HIDE, TRUE, FALSE, FALSE},
        {SW_SHOWNORMAL, FALSE, TRUE, FALSE},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(ShowWindow(hwnd, s.command), s.wasVisible) << s.command;
        EXPECT_EQ(IsWindowVisible(hwnd), s.visible) << s.command;
        EXPECT_EQ(IsIconic(hwnd), s.iconic) << s.command;
        EXPECT_EQ(m_peer.Call("state " + Text(hwnd)),
                  std::to_string(s.visible) + " " + std::to_string(s.iconic) + " Zelvante")
            << s.command;
    }
}

TEST_F(CrossProcessTest, SecondInstanceActivatesTheFirst)
{
    const HWND other = ToHandle(m_peer.Call("create ZvPeerMain Playlist"));
    const HWND main = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    ASSERT_EQ(m_peer.Call("show " + Text(main) + " " + std::to_string(SW_SHOWMINIMIZED)), "0");
    ASSERT_EQ(m_peer.Call("show " + Text(other) + " " + std::to_string(SW_SHOWNORMAL)), "0");
    ASSERT_EQ(m_peer.Call("foreground"), Text(other));

    // What a second instance does with the first one's window.
    const HWND found = FindWindowA(nullptr, "Zelvante");
    ASSERT_EQ(found, main);
    EXPECT_TRUE(IsIconic(found));
    ShowWindow(found, SW_SHOWNORMAL);
    EXPECT_TRUE(BringWindowToTop(found));
    EXPECT_TRUE(SetForegroundWindow(found));
    EXPECT_EQ(m_peer.Call("foreground"), Text(main));
    EXPECT_FALSE(IsIconic(found));
    const auto windows = AllTopLevelWindows();
    EXPECT_LT(std::find(windows.begin(), windows.end(), main), std::find(windows.begin(), windows.end(), other));
}

TEST_F(CrossProcessTest, EnumerationListsBothProcessesTopFirst)
{
    const HWND first = ToHandle(m_peer.Call("create ZvPeerMain First"));
    const HWND second = ToHandle(m_peer.Call("create ZvPeerMain Second"));
    RecordingWindow local;
    const HWND own = local.Create("Own");
    ASSERT_TRUE(first && second && own);

    auto position = [](const std::vector<HWND>& list, HWND hwnd) {
        return std::find(list.begin(), list.end(), hwnd) - list.begin();
    };
    auto windows = AllTopLevelWindows();
    ASSERT_LT(position(windows, first), static_cast<long>(windows.size()));
    EXPECT_LT(position(windows, own), position(windows, second)) << "newest first";
    EXPECT_LT(position(windows, second), position(windows, first));

    ShowWindow(first, SW_SHOW); // shown and raised in its own process
    windows = AllTopLevelWindows();
    EXPECT_LT(position(windows, first), position(windows, own));
    DestroyWindow(own);
}

TEST_F(CrossProcessTest, SendsAndPostsCarryValuesBothWays)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    ASSERT_NE(peer, nullptr);
    struct Case { WPARAM w; LPARAM l; };
    for (const Case& c : {Case{2, 3}, Case{0xFFFFFFFFFFull, -7}, Case{0, 0}})
        EXPECT_EQ(SendMessageA(peer, kEcho, c.w, c.l), static_cast<LRESULT>(c.w) + c.l);

    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(PostMessageA(peer, kRecord, static_cast<WPARAM>(i), -i));
    const std::string expected = std::to_string(kRecord) + ":1:-1 " + std::to_string(kRecord) + ":2:-2 " +
                                 std::to_string(kRecord) + ":3:-3 " + std::to_string(kRecord) + ":4:-4 " +
                                 std::to_string(kRecord) + ":5:-5 ";
    EXPECT_TRUE(AnswersSoon(m_peer, "posted", expected)) << m_peer.Call("posted");

    // The other way: the peer sends to a window of this process's main thread.
    RecordingWindow local;
    local.answer = [](HWND, UINT message, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
        if (message == kEcho)
            return static_cast<LRESULT>(w) * 10 + l;
        return std::nullopt;
    };
    const HWND own = local.Create("Own");
    std::string answer;
    HANDLE answered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread asker([&] {
        answer = m_peer.Call("send " + Text(own) + " " + std::to_string(kEcho) + " 4 2");
        SetEvent(answered);
    });
    // A wait of this thread serves what is sent to its windows.
    EXPECT_EQ(WaitForSingleObject(answered, INFINITE), WAIT_OBJECT_0);
    asker.join();
    CloseHandle(answered);
    EXPECT_EQ(answer, "42 0");
    DestroyWindow(own);
}

TEST_F(CrossProcessTest, MessagesWithPointersDoNotCross)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    ASSERT_NE(peer, nullptr);
    EXPECT_FALSE(PostMessageA(peer, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x")));
    EXPECT_EQ(GetLastError(), ERROR_MESSAGE_SYNC_ONLY);
    CREATESTRUCTA create{};
    EXPECT_EQ(SendMessageA(peer, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SendMessageA(peer, kEcho, 1, 1), 2) << "the window still works";
}

TEST_F(CrossProcessTest, MalformedRequestsAreDroppedAndTheServerGoesOn)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    ASSERT_NE(peer, nullptr);
    const std::string socketPath = m_root.Path() + "/run/windows/" + m_peer.Call("pid") + ".sock";
    auto exchange = [&](const std::string& packet) {
        const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
        std::string reply;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            send(fd, packet.data(), packet.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(packet.size())) {
            char buffer[256];
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0); // 0 when the server hangs up
            reply.assign(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        }
        close(fd);
        return reply;
    };
    auto request = [&](HWND hwnd, std::uint32_t textBytes, const std::string& text) {
        zv::user::remote::RequestHeader header{};
        header.kind = zv::user::remote::RequestKind::Send;
        header.hwnd = zv::user::HandleToDword(hwnd);
        header.message = kEcho;
        header.textBytes = textBytes;
        return std::string(reinterpret_cast<const char*>(&header), sizeof header) + text;
    };
    EXPECT_EQ(exchange("abc"), "") << "too short";
    EXPECT_EQ(exchange(request(peer, 5, "ab")), "") << "text shorter than announced";
    EXPECT_EQ(exchange(request(peer, 0xFFFFFFFF, "")), "") << "text longer than allowed";
    const std::string unknown = exchange(request(zv::user::HandleFromDword(0x7FFFFFF0), 0, ""));
    zv::user::remote::ReplyHeader reply{};
    ASSERT_EQ(unknown.size(), sizeof reply);
    std::memcpy(&reply, unknown.data(), sizeof reply);
    EXPECT_EQ(reply.result, 0);
    EXPECT_EQ(reply.error, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessageA(peer, kEcho, 20, 22), 42) << "the server still serves";
}

TEST_F(CrossProcessTest, TextMessagesCarryTheirText)
{
    const HWND peer = ToHandle(m_peer.Call("create ZELVANTE_EXTERNAL_CTRL_WND_CLASS"));
    ASSERT_NE(peer, nullptr);
    ASSERT_EQ(FindWindowA("ZELVANTE_EXTERNAL_CTRL_WND_CLASS", nullptr), peer);
    const std::string path = "/home/user/Videos/Sommerfest \xC3\xA9t\xC3\xA9.avi";
    EXPECT_TRUE(SetWindowTextA(peer, path.c_str()));
    EXPECT_EQ(m_peer.Call("state " + Text(peer)), "0 0 " + path);
    EXPECT_EQ(FindWindowA(nullptr, path.c_str()), peer) << "the caption is published before the send returns";

    char buffer[128];
    EXPECT_EQ(SendMessageA(peer, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)),
              static_cast<LRESULT>(path.size()));
    EXPECT_EQ(std::string(buffer), path);
    EXPECT_EQ(SendMessageA(peer, WM_GETTEXT, 6, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "/home");
    EXPECT_EQ(SendMessageA(peer, WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(path.size()));
    // Cut before the two-byte character rather than through it.
    const int cut = static_cast<int>(path.find('\xC3')) + 2;
    EXPECT_EQ(GetWindowTextA(peer, buffer, cut), cut - 2);

    ASSERT_EQ(m_peer.Call("settext " + Text(peer) + " 4.1.0.7"), "1");
    EXPECT_EQ(GetWindowTextA(peer, buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "4.1.0.7");
}

TEST_F(CrossProcessTest, SendReachesAReceiverInAModalLoop)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerShotbox Snapshot manager"));
    ASSERT_EQ(m_peer.Call("modal"), "ok");
    ASSERT_TRUE(AnswersSoon(m_peer, "modal-depth", "1"));
    EXPECT_EQ(SendMessageA(peer, kModalDepth, 0, 0), 1) << "answered inside the nested loop";
    EXPECT_EQ(SendMessageA(peer, kEcho, 40, 2), 42);
    EXPECT_EQ(m_peer.Call("end-modal"), "ok");
    EXPECT_TRUE(AnswersSoon(m_peer, "modal-depth", "0"));
}

TEST_F(CrossProcessTest, MutualSendsDoNotDeadlock)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    RecordingWindow local;
    local.answer = [](HWND, UINT message, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
        if (message == kEcho)
            return static_cast<LRESULT>(w) + l + 1000;
        return std::nullopt;
    };
    const HWND own = local.Create("Own");
    ASSERT_TRUE(peer && own);
    // The peer answers by sending to our window while we wait for it.
    EXPECT_EQ(SendMessageA(peer, kSendBack, reinterpret_cast<WPARAM>(own), 7), 7 + 1 + 1000 + kSendBackAdds);

    // Both sending at once, many times.
    std::atomic<bool> peerDone{false};
    std::string peerAnswers;
    std::thread peerSends([&] {
        for (int i = 0; i < 20; ++i)
            peerAnswers += m_peer.Call("send " + Text(own) + " " + std::to_string(kEcho) + " 1 1") + ";";
        peerDone = true;
    });
    int wrong = 0;
    while (!peerDone) {
        if (SendMessageA(peer, kEcho, 5, 6) != 11)
            ++wrong;
    }
    peerSends.join();
    EXPECT_EQ(wrong, 0);
    std::string expected;
    for (int i = 0; i < 20; ++i)
        expected += "1002 0;";
    EXPECT_EQ(peerAnswers, expected);
    DestroyWindow(own);
}

TEST_F(CrossProcessTest, SendToAReceiverKilledMidSendReturnsZero)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    zv::user::testing::SetRemoteCallBound(std::chrono::minutes(10)); // only its death can end the send
    LRESULT result = -1;
    DWORD error = 0;
    std::thread sender([&] {
        result = SendMessageA(peer, kHang, 0, 0);
        error = GetLastError();
    });
    ASSERT_TRUE(AnswersSoon(m_peer, "hanging", "1"));
    Crash(m_peer);
    sender.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(error, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(IsWindow(peer));
    EXPECT_EQ(SendMessageA(peer, kEcho, 1, 1), 0) << "a dead peer fails at once";
}

TEST_F(CrossProcessTest, SendToAHungReceiverGivesUpAtTheBound)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerMain Zelvante"));
    zv::user::testing::SetRemoteCallBound(std::chrono::milliseconds(300));
    EXPECT_EQ(SendMessageA(peer, kHang, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_TRUE(IsWindow(peer)) << "hung is not dead";
    EXPECT_TRUE(PostMessageA(peer, kRecord, 1, 1)) << "posting needs no answer from the window's thread";
    EXPECT_EQ(ShowWindow(peer, SW_SHOW), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    Crash(m_peer);
}

TEST_F(CrossProcessTest, WindowsOfACrashedProcessAreNeverFound)
{
    const HWND peer = ToHandle(m_peer.Call("create ZvPeerMain Crashing"));
    ASSERT_EQ(FindWindowA(nullptr, "Crashing"), peer);
    const DWORD pid = static_cast<DWORD>(std::stoul(m_peer.Call("pid")));
    Crash(m_peer);

    EXPECT_EQ(FindWindowA(nullptr, "Crashing"), nullptr);
    EXPECT_FALSE(IsWindow(peer));
    EXPECT_FALSE(IsWindowVisible(peer));
    const auto windows = AllTopLevelWindows();
    EXPECT_EQ(std::find(windows.begin(), windows.end(), peer), windows.end());
    EXPECT_FALSE(PostMessageA(peer, kRecord, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

    // What it left behind is swept: no entry, lock or socket of it remains.
    char entryName[16];
    std::snprintf(entryName, sizeof entryName, "w%08x", static_cast<unsigned>(zv::user::HandleToDword(peer)));
    for (const auto& file : std::filesystem::directory_iterator(m_root.Path() + "/run/windows")) {
        const std::string name = file.path().filename().string();
        EXPECT_NE(name.rfind(std::to_string(pid) + ".", 0), 0u) << name;
        EXPECT_NE(name, entryName);
    }

    // A new process finds none of it either.
    ChildProcess next(m_root.Path());
    EXPECT_EQ(next.Call("send " + Text(peer) + " " + std::to_string(kEcho) + " 1 1"),
              "0 " + std::to_string(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(CrossProcessTest, HandlesAreUniqueAcrossProcessesCreatingAtOnce)
{
    ChildProcess other(m_root.Path());
    const std::string fileA = m_root.Path() + "/a.txt", fileB = m_root.Path() + "/b.txt";
    std::thread a([&] { EXPECT_EQ(m_peer.Call("create-many 100 " + fileA), "ok"); });
    std::thread b([&] { EXPECT_EQ(other.Call("create-many 100 " + fileB), "ok"); });
    RecordingWindow local;
    std::vector<HWND> own;
    for (int i = 0; i < 100; ++i)
        own.push_back(local.Create());
    a.join();
    b.join();

    std::set<DWORD> seen;
    std::size_t total = 0;
    auto add = [&](DWORD value) {
        ++total;
        EXPECT_NE(value, 0u);
        EXPECT_TRUE(seen.insert(value).second) << "handle " << value << " given out twice";
    };
    for (const std::string& file : {fileA, fileB}) {
        std::ifstream in(file);
        for (DWORD value; in >> value;)
            add(value);
    }
    for (HWND hwnd : own)
        add(zv::user::HandleToDword(hwnd));
    EXPECT_EQ(total, 300u);
    for (HWND hwnd : own)
        DestroyWindow(hwnd);
}

} // namespace
