#include "online/KvrtcException.h"
#include "online/PeerServer.h"
#include "online/PeerSessionList.h"
#include "online/SocketException.h"
#include "online/tests/raw_socket_source.h"
#include "platform/user/message_box.h"
#include "platform/user/tests/recording_window.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/winsock/winsock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// Waits, bounded, until the condition holds.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound = 10s)
{
    auto end = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// What the program's handler does with sessions (list them on event 6, remove and delete them on
// event 12), plus a record of events and received data.
struct Recorder {
    bool listSessions = true;
    mutable std::mutex lock;
    std::vector<int> events;
    std::vector<std::string> chats;
    std::vector<std::string> frames;
    std::vector<std::string> infoNames;
    std::vector<std::string> texts;
    std::vector<PeerSession*> started;

    std::vector<int> Events() const
    {
        std::lock_guard g(lock);
        return events;
    }
    bool Has(int event) const
    {
        auto e = Events();
        return std::find(e.begin(), e.end(), event) != e.end();
    }
    template <typename T> T Get(T Recorder::*field) const
    {
        std::lock_guard g(lock);
        return this->*field;
    }

    static BOOL Handler(int event, PeerSession* session, LPVOID userData)
    {
        auto* self = static_cast<Recorder*>(userData);
        if (self->listSessions && event == kPeerEventCreated)
            g_peerSessions.Add(session);
        if (self->listSessions && event == kPeerEventStopped && g_peerSessions.Remove(session)) {
            delete session;
            session = nullptr;
        }
        // Recording is the last act: once event 12 is seen, the test may free this recorder.
        std::lock_guard g(self->lock);
        if (event == kPeerEventChat)
            self->chats.push_back(session->GetChatText());
        if (event == kPeerEventFrame)
            self->frames.emplace_back(session->GetFrameData(), static_cast<std::size_t>(session->GetFrameLength()));
        if (event == kPeerEventInfo)
            self->infoNames.push_back(session->GetPeerInfoName());
        if (event == kPeerEventText)
            self->texts.push_back(session->GetPeerText());
        if (event == kPeerEventStarted)
            self->started.push_back(session);
        self->events.push_back(event);
        return TRUE;
    }
};

// Passes that run only when the test allows them.
struct StepState {
    std::mutex lock;
    std::condition_variable changed;
    int allowed = 0;
    int arrived = 0;
    bool woken = false;

    void Allow(int passes)
    {
        std::lock_guard g(lock);
        allowed += passes;
        changed.notify_all();
    }
    bool WaitArrived(int count)
    {
        std::unique_lock g(lock);
        return changed.wait_for(g, 10s, [&] { return arrived >= count; });
    }
};

class StepPacer : public PassPacer {
public:
    explicit StepPacer(std::shared_ptr<StepState> state) : m_state(std::move(state)) {}
    void WaitForNextPass() override
    {
        std::unique_lock g(m_state->lock);
        ++m_state->arrived;
        m_state->changed.notify_all();
        m_state->changed.wait(g, [&] { return m_state->woken || m_state->allowed > 0; });
        if (!m_state->woken)
            --m_state->allowed;
    }
    void Wake() override
    {
        std::lock_guard g(m_state->lock);
        m_state->woken = true;
        m_state->changed.notify_all();
    }

private:
    std::shared_ptr<StepState> m_state;
};

class PeerLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
        zv::user::MessageBoxResponder::Reset();
    }
    void TearDown() override
    {
        EXPECT_TRUE(WaitUntil([] { return g_peerSessions.Count() == 0; })) << "sessions left behind";
        EXPECT_TRUE(zv::user::MessageBoxResponder::History().empty()) << "unexpected message box";
        zv::user::MessageBoxResponder::Reset();
        WSACleanup();
    }

    // A raw listener on a free loopback port, standing in for a peer.
    SOCKET RawListener(int& port)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        SOCKADDR_IN a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof a;
        EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a), 0);
        EXPECT_EQ(listen(s, SOMAXCONN), 0);
        getsockname(s, reinterpret_cast<SOCKADDR*>(&a), &length);
        port = ntohs(a.sin_port);
        return s;
    }

    SOCKET RawConnect(int port)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        SOCKADDR_IN a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<USHORT>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a), 0);
        return s;
    }

    static void SendRaw(SOCKET s, const Bytes& bytes)
    {
        ASSERT_EQ(send(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0),
                  static_cast<int>(bytes.size()));
    }

    // Reads one whole message from a raw socket (bounded).
    static PeerMessage ReadRaw(SOCKET s)
    {
        DWORD timeout = 10000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        RawSocketSource source(s);
        PeerMessage m;
        m.type = -1;
        EXPECT_EQ(ReadPeerMessage(source, m), PeerReadResult::Message);
        return m;
    }

    static bool RawHasData(SOCKET s)
    {
        WSAPOLLFD fd{s, POLLRDNORM, 0};
        return WSAPoll(&fd, 1, 0) == 1;
    }

    zv::win32::testing::TempZvRoot m_root;
};

TEST_F(PeerLink, TwoSessionsTalkOverLoopback)
{
    Recorder listening, connecting;
    auto* server = new PeerServer(0, INADDR_LOOPBACK);
    ASSERT_TRUE(server->Start(&listening, &Recorder::Handler));

    auto* client = new PeerSession(&Recorder::Handler, &connecting);
    ASSERT_TRUE(client->Connect(CIpAddress(INADDR_LOOPBACK), server->GetPort()));
    client->Start();
    ASSERT_TRUE(WaitUntil([&] { return !listening.Get(&Recorder::started).empty(); }));
    PeerSession* accepted = listening.Get(&Recorder::started)[0];
    EXPECT_EQ(accepted->GetPeerAddress().GetName(), "127.0.0.1");

    client->SendText("hello");
    ASSERT_TRUE(WaitUntil([&] { return listening.Get(&Recorder::chats).size() == 1; }));
    accepted->SendText("hi back");
    ASSERT_TRUE(WaitUntil([&] { return connecting.Get(&Recorder::chats).size() == 1; }));
    const char jpeg[] = {'\xFF', '\xD8', '\0', '\xFF', '\xD9'};
    ASSERT_TRUE(client->GetQueue().Push(MakePeerFrame(client->NextFrameNumber(), jpeg, sizeof jpeg)));
    ASSERT_TRUE(WaitUntil([&] { return listening.Get(&Recorder::frames).size() == 1; }));

    client->Stop(); // sends the stop message; the accepted session ends on it
    ASSERT_TRUE(WaitUntil([&] { return listening.Has(kPeerEventStopped); }));
    server->Close();

    EXPECT_EQ(listening.Get(&Recorder::chats), std::vector<std::string>{"hello"});
    EXPECT_EQ(connecting.Get(&Recorder::chats), std::vector<std::string>{"hi back"});
    EXPECT_EQ(listening.Get(&Recorder::frames), std::vector<std::string>{std::string(jpeg, sizeof jpeg)});
    EXPECT_EQ(connecting.Events(), (std::vector<int>{6, 7, 8, 9, 10, 20, 11, 12}));
    EXPECT_EQ(listening.Events(), (std::vector<int>{1, 2, 6, 9, 10, 20, 18, 15, 11, 12, 3, 4}));
}

TEST_F(PeerLink, EachPassMovesOneMessageEachWay)
{
    int port = 0;
    SOCKET listener = RawListener(port);
    Recorder recorder;
    recorder.listSessions = false;
    auto steps = std::make_shared<StepState>();
    PeerSession session(&Recorder::Handler, &recorder);
    session.SetPacer(std::make_unique<StepPacer>(steps));
    session.Connect(CIpAddress(INADDR_LOOPBACK), port);
    SOCKET peer = accept(listener, nullptr, nullptr);
    session.Start();
    ASSERT_TRUE(steps->WaitArrived(1)); // the first pass found nothing to do

    for (int i = 0; i < 3; ++i)
        SendRaw(peer, EncodePeerMessage(MakePeerChat(i, ("in" + std::to_string(i)).c_str())));
    for (int i = 0; i < 5; ++i)
        session.SendText(("out" + std::to_string(i)).c_str());

    const struct {
        int allow;
        std::size_t chatsIn;
        int messagesOut;
    } steps_[] = {{1, 1, 1}, {2, 3, 2}, {1, 3, 1}, {1, 3, 1}};
    int arrived = 1, out = 0;
    for (const auto& step : steps_) {
        steps->Allow(step.allow);
        arrived += step.allow;
        ASSERT_TRUE(steps->WaitArrived(arrived));
        EXPECT_EQ(recorder.Get(&Recorder::chats).size(), step.chatsIn);
        for (int i = 0; i < step.messagesOut; ++i, ++out) {
            PeerMessage m = ReadRaw(peer);
            EXPECT_EQ(std::string(m.data.begin(), m.data.end()), "out" + std::to_string(out));
            EXPECT_EQ(m.number, out);
        }
        EXPECT_FALSE(RawHasData(peer)); // no more than one per pass
    }
    session.Stop();
    EXPECT_EQ(ReadRaw(peer).type, kPeerWithdraw); // the stop message, bits 7
    closesocket(peer);
    closesocket(listener);
}

// A peer that breaks the format, or trickles, ends the session; what can be read safely is.
TEST_F(PeerLink, HostilePeersEndTheirSessionOnly)
{
    auto header = [](std::uint32_t type, std::uint32_t size) {
        PeerMessage m;
        Bytes b = EncodePeerMessage(m);
        std::memcpy(b.data(), &type, 4);
        std::memcpy(b.data() + 4, &size, 4);
        return b;
    };
    auto plus = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    Bytes bigFrame = header(6, 12);
    bigFrame.insert(bigFrame.end(), {0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0}); // 2 MiB announced
    Bytes unknown = plus(header(12, 4), Bytes{1, 2, 3, 4});
    PeerMessage fullName;
    fullName.type = kPeerInfo;
    std::memset(fullName.info.name, 'N', sizeof fullName.info.name);
    PeerMessage text;
    text.type = kPeerText;
    text.data = {'a', 'b', 'c'};
    Bytes chat = EncodePeerMessage(MakePeerChat(0, "after"));

    const struct {
        const char* name;
        Bytes bytes;
        bool closeAfter;
        bool ends;
        std::vector<std::string> chats;
    } cases[] = {
        {"frame larger than allowed", bigFrame, false, true, {}},
        {"negative size", header(2, 0xFFFFFFFF), false, true, {}},
        {"unknown type with a body", plus(unknown, chat), false, false, {"after"}},
        {"name without NUL", plus(EncodePeerMessage(fullName), chat), false, false, {"after"}},
        {"text without NUL", plus(EncodePeerMessage(text), chat), false, false, {"after"}},
        {"withdrawn features", EncodePeerMessage(MakePeerStop(1)), false, true, {}},
        {"trickle: a header cut short", Bytes{8, 0, 0}, false, true, {}},
        {"closed connection", chat, true, true, {"after"}},
    };
    int port = 0;
    SOCKET listener = RawListener(port);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder recorder;
        recorder.listSessions = false;
        PeerSession session(&Recorder::Handler, &recorder);
        session.SetPacer(std::make_unique<IntervalPacer>(1ms));
        session.SetIoDeadline(300ms);
        session.Connect(CIpAddress(INADDR_LOOPBACK), port);
        SOCKET peer = accept(listener, nullptr, nullptr);
        session.Start();
        SendRaw(peer, c.bytes);
        if (c.closeAfter)
            closesocket(peer);
        if (c.ends) {
            EXPECT_TRUE(WaitUntil([&] { return recorder.Has(kPeerEventStopped); }));
        } else {
            EXPECT_TRUE(WaitUntil([&] { return recorder.Get(&Recorder::chats).size() == c.chats.size(); }));
            EXPECT_FALSE(recorder.Has(kPeerEventStopping));
            session.Stop();
        }
        EXPECT_EQ(recorder.Get(&Recorder::chats), c.chats);
        if (std::string(c.name) == "name without NUL") {
            EXPECT_EQ(recorder.Get(&Recorder::infoNames), std::vector<std::string>{std::string(61, 'N')});
        }
        if (std::string(c.name) == "text without NUL") {
            EXPECT_EQ(recorder.Get(&Recorder::texts), std::vector<std::string>{"abc"});
        }
        if (!c.closeAfter)
            closesocket(peer);
    }
    closesocket(listener);
}

// A peer that never reads: a send blocked on it ends at the deadline, or at once on Stop.
TEST_F(PeerLink, APeerThatNeverReadsHoldsASendOnlyForAWhile)
{
    const struct {
        const char* name;
        std::chrono::milliseconds deadline;
        bool stop;
    } cases[] = {{"deadline", 300ms, false}, {"stop", std::chrono::hours(1), true}};
    int port = 0;
    SOCKET listener = RawListener(port);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder recorder;
        recorder.listSessions = false;
        PeerSession session(&Recorder::Handler, &recorder);
        session.SetPacer(std::make_unique<IntervalPacer>(1ms));
        session.SetIoDeadline(c.deadline);
        session.Connect(CIpAddress(INADDR_LOOPBACK), port);
        SOCKET peer = accept(listener, nullptr, nullptr);
        session.Start();
        std::vector<char> frame(1 << 20, 'f');
        bool blocked = false;
        for (int i = 0; i < 200 && !blocked; ++i) { // the socket buffers take a few MiB at most
            session.GetQueue().Push(MakePeerFrame(i, frame.data(), frame.size()));
            blocked = !WaitUntil([&] { return session.GetQueue().Count() == 0; }, 100ms);
        }
        ASSERT_TRUE(blocked);
        if (c.stop)
            session.Stop();
        // Frames keep coming as from the video sender, so the peer's buffers surely fill.
        EXPECT_TRUE(WaitUntil([&] {
            if (session.GetQueue().Count() == 0)
                session.GetQueue().Push(MakePeerFrame(0, frame.data(), frame.size()));
            return recorder.Has(kPeerEventStopped);
        }));
        EXPECT_EQ(recorder.Events(), (std::vector<int>{6, 7, 8, 9, 10, 11, 12}));
        closesocket(peer);
    }
    closesocket(listener);
}

// The program's handler sends each chat line to its window. Stop from that window's thread, while
// the session thread waits in such a send, serves the message instead of waiting on the thread.
struct WindowHandler {
    HWND window = nullptr;
    std::atomic<bool> sending{false};
    std::atomic<bool> stopped{false};

    static BOOL Handler(int event, PeerSession* session, LPVOID userData)
    {
        auto* self = static_cast<WindowHandler*>(userData);
        if (event == kPeerEventChat) {
            self->sending = true;
            SendMessageA(self->window, WM_APP + 0x72, 0, reinterpret_cast<LPARAM>(session->GetChatText().c_str()));
        }
        if (event == kPeerEventStopped)
            self->stopped = true;
        return TRUE;
    }
};

TEST_F(PeerLink, StopOnTheWindowThreadServesTheSessionsMessages)
{
    zv::user::test::RecordingWindow recording;
    WindowHandler handler;
    handler.window = recording.Create();
    int port = 0;
    SOCKET listener = RawListener(port);
    PeerSession session(&WindowHandler::Handler, &handler);
    session.SetPacer(std::make_unique<IntervalPacer>(1ms));
    session.Connect(CIpAddress(INADDR_LOOPBACK), port);
    SOCKET peer = accept(listener, nullptr, nullptr);
    session.Start();
    SendRaw(peer, EncodePeerMessage(MakePeerChat(0, "line")));
    ASSERT_TRUE(WaitUntil([&] { return handler.sending.load(); })); // the session thread waits for this thread now
    session.Stop();
    EXPECT_TRUE(handler.stopped);
    EXPECT_EQ(recording.UserMessages(), std::vector<UINT>{WM_APP + 0x72});
    EXPECT_EQ(ReadRaw(peer).type, kPeerWithdraw);
    DestroyWindow(handler.window);
    closesocket(peer);
    closesocket(listener);
}

TEST_F(PeerLink, ServerKeepsAtMostEightSessions)
{
    Recorder recorder;
    auto* server = new PeerServer(0, INADDR_LOOPBACK);
    server->Start(&recorder, &Recorder::Handler);
    std::vector<SOCKET> clients;
    for (int i = 0; i < 50; ++i)
        clients.push_back(RawConnect(server->GetPort()));

    // Every connection beyond the eighth is closed at once: its client reads the end of the stream.
    std::vector<bool> ended(clients.size(), false);
    auto countEnded = [&] {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            char c;
            if (!ended[i] && RawHasData(clients[i]))
                ended[i] = recv(clients[i], &c, 1, 0) <= 0;
        }
        return std::count(ended.begin(), ended.end(), true) == 42;
    };
    EXPECT_TRUE(WaitUntil(countEnded));
    EXPECT_EQ(g_peerSessions.Count(), PeerServer::kMaxSessions);

    for (SOCKET s : clients)
        closesocket(s); // the eight sessions see their peers go and end themselves
    EXPECT_TRUE(WaitUntil([] { return g_peerSessions.Count() == 0; }));
    server->Close();
}

// A peer whose backlog is full never answers: Connect gives up at its deadline.
TEST_F(PeerLink, ConnectToAPeerThatNeverAnswersIsBounded)
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    SOCKADDR_IN a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof a;
    bind(listener, reinterpret_cast<SOCKADDR*>(&a), sizeof a);
    listen(listener, 0);
    getsockname(listener, reinterpret_cast<SOCKADDR*>(&a), &length);
    Recorder recorder;
    recorder.listSessions = false;
    std::vector<std::unique_ptr<PeerSession>> sessions;
    int error = 0;
    for (int i = 0; i < 8 && error == 0; ++i) { // the first ones fill the backlog
        sessions.push_back(std::make_unique<PeerSession>(&Recorder::Handler, &recorder));
        sessions.back()->SetIoDeadline(200ms);
        try {
            sessions.back()->Connect(CIpAddress(INADDR_LOOPBACK), ntohs(a.sin_port));
        } catch (CSocketException* e) {
            error = e->GetCode();
            e->Delete();
        }
    }
    EXPECT_EQ(error, WSAETIMEDOUT);
    sessions.clear();
    closesocket(listener);
}

TEST_F(PeerLink, FailuresComeBackAsExceptions)
{
    Recorder recorder;
    recorder.listSessions = false;
    int port = 0;
    SOCKET listener = RawListener(port);
    closesocket(listener); // nothing listens there now

    PeerSession session(&Recorder::Handler, &recorder);
    try {
        session.Connect(CIpAddress(INADDR_LOOPBACK), port);
        ADD_FAILURE() << "connected to nothing";
    } catch (CSocketException* e) {
        EXPECT_EQ(e->GetCode(), WSAECONNREFUSED);
        e->Delete();
    }
    EXPECT_EQ(session.GetState(), kPeerConnecting);
    try {
        session.Start();
        ADD_FAILURE() << "started without a socket";
    } catch (CKVRTCException* e) {
        EXPECT_EQ(e->GetCode(), kKvrtcWrongState);
        e->Delete();
    }

    auto* server = new PeerServer(0, INADDR_LOOPBACK);
    server->Start(&recorder, &Recorder::Handler);
    try {
        server->Start(&recorder, &Recorder::Handler);
        ADD_FAILURE() << "started twice";
    } catch (CKVRTCException* e) {
        EXPECT_EQ(e->GetCode(), kKvrtcWrongState);
        e->Delete();
    }
    server->Close(); // no peer came: the thread ends without a message box
}

} // namespace
