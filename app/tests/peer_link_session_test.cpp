// The main window's peer link over loopback: the real main dialog (headless) on one side, a raw
// socket speaking the wire format on the other, so every byte the program sends is seen.
#include "app/PeerSender.h"
#include "app/tests/main_dialog_fixture.h"
#include "imagelib/PixImageType.h"
#include "online/PeerServer.h"
#include "online/PeerSessionList.h"
#include "online/tests/raw_socket_source.h"
#include "platform/user/ip_address.h"
#include "platform/winsock/winsock.h"

#include <atomic>
#include <cstdlib>
#include <optional>
#include <thread>

namespace zv::app::testing {
namespace {

using namespace std::chrono_literals;

template <class Condition>
bool PumpUntil(Condition done)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Pump();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The next message of the type from a raw socket, passing over video frames. The main thread's
// messages are served meanwhile: the program's session threads wait for it.
std::optional<PeerMessage> ReadType(SOCKET s, std::int32_t type)
{
    RawSocketSource source(s);
    for (;;) {
        if (!PumpUntil([&] { WSAPOLLFD fd{s, POLLRDNORM, 0}; return WSAPoll(&fd, 1, 0) == 1; }))
            return std::nullopt;
        PeerMessage message;
        if (ReadPeerMessage(source, message) != PeerReadResult::Message)
            return std::nullopt;
        if (message.type == type)
            return message;
    }
}

void SendRaw(SOCKET s, const PeerMessage& message)
{
    const std::vector<std::uint8_t> bytes = EncodePeerMessage(message);
    ASSERT_EQ(send(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0),
              static_cast<int>(bytes.size()));
}

// A loopback socket: connected to the port, or (port 0) listening on a free one, written back.
SOCKET RawSocket(int& port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    SOCKADDR_IN a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<USHORT>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof a;
    if (port != 0) {
        EXPECT_EQ(connect(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a), 0);
        return s;
    }
    EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(s, SOMAXCONN), 0);
    getsockname(s, reinterpret_cast<SOCKADDR*>(&a), &length);
    port = ntohs(a.sin_port);
    return s;
}

// Answers the address prompt from another thread once it shows: the address and OK, or Cancel.
class PromptAnswer {
public:
    explicit PromptAnswer(std::optional<DWORD> address)
        : m_thread([this, address] {
              const auto deadline = std::chrono::steady_clock::now() + 30s;
              HWND prompt = nullptr;
              // Shown only once its initialisation has put its own address into the control.
              while (!((prompt = FindWindowA(nullptr, "Enter IP address")) && IsWindowVisible(prompt)) &&
                     std::chrono::steady_clock::now() < deadline)
                  std::this_thread::sleep_for(5ms);
              if (prompt && !IsWindowVisible(prompt))
                  prompt = nullptr;
              if (!prompt)
                  return;
              if (address)
                  SendMessageA(GetDlgItem(prompt, 1007), IPM_SETADDRESS, 0, static_cast<LPARAM>(*address));
              PostMessageA(prompt, WM_COMMAND, address ? IDOK : IDCANCEL, 0);
              m_answered = true;
          })
    {
    }
    ~PromptAnswer() { m_thread.join(); }
    PromptAnswer(const PromptAnswer&) = delete;
    PromptAnswer& operator=(const PromptAnswer&) = delete;
    bool Answered() const { return m_answered; }

private:
    std::atomic<bool> m_answered{false};
    std::thread m_thread;
};

// The chat lines the dialog is sent, recorded on their way to its own procedure.
WNDPROC g_dialogProcedure = nullptr;
std::vector<std::pair<std::string, std::string>> g_chatLines;

LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PeerChatMessage)
        g_chatLines.emplace_back(reinterpret_cast<const char*>(wParam), reinterpret_cast<const char*>(lParam));
    return CallWindowProcA(g_dialogProcedure, window, message, wParam, lParam);
}

class PeerLinkTest : public MainDialogTest {
protected:
    void TearDown() override
    {
        MainDialogTest::TearDown();
        // The window's destruction ends everything of the link.
        EXPECT_EQ(g_peerSessions.Count(), 0);
        EXPECT_FALSE(IsPeerSenderRunning());
        EXPECT_EQ(g_hFrameReadyEvent.load(), nullptr);
    }

    // Command 2106 with the prompt answered; the raw listener's port is the one dialled.
    static void Connect(int port, std::optional<DWORD> address)
    {
        Dialog()->m_nPeerPort = port;
        PromptAnswer answer(address);
        Dialog()->SendMessage(WM_COMMAND, CDlgZelvante::kPeerConnectCommand, 0);
        EXPECT_TRUE(answer.Answered());
    }
};

TEST_F(PeerLinkTest, OneSenderSendsEveryPeerJpegFramesWhilePeersComeAndGo)
{
    ASSERT_TRUE(Start({"/play"}));
    Dialog()->m_nPeerPort = 0;
    Dialog()->m_nPeerListenAddress = INADDR_LOOPBACK;
    Dialog()->SendMessage(WM_COMMAND, CDlgZelvante::kPeerListenCommand, 0);
    ASSERT_NE(Dialog()->m_pPeerServer, nullptr);
    HANDLE sender = nullptr;
    for (int round = 0; round < 3; ++round) {
        SOCKET peers[2];
        for (SOCKET& peer : peers) {
            int port = Dialog()->m_pPeerServer->GetPort();
            peer = RawSocket(port);
        }
        for (SOCKET peer : peers) {
            const std::optional<PeerMessage> frame = ReadType(peer, kPeerFrame);
            ASSERT_TRUE(frame) << "round " << round;
            EXPECT_EQ(frame->number, 0);
            CPixImage picture;
            ASSERT_TRUE(picture.DecodeFromMemory(reinterpret_cast<const BYTE*>(frame->data.data()),
                                                 static_cast<LONG>(frame->data.size()), PIXIMAGE_JPG));
            EXPECT_EQ(picture.GetWidth(), 320);
            EXPECT_EQ(picture.GetHeight(), 240);
            const std::optional<PeerMessage> next = ReadType(peer, kPeerFrame);
            ASSERT_TRUE(next);
            EXPECT_GT(next->number, 0);
        }
        // Started with the first session; the last one gone leaves it in place.
        if (!sender)
            sender = g_hSenderThread.load();
        EXPECT_EQ(g_hSenderThread.load(), sender);
        for (SOCKET peer : peers)
            closesocket(peer);
    }
    EXPECT_TRUE(PumpUntil([] { return g_peerSessions.Count() == 0; }));
    EXPECT_EQ(g_hSenderThread.load(), sender);
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(PeerLinkTest, ConnectedPeerChatsBothWaysAndTheNextCommandDisconnects)
{
    ASSERT_TRUE(Start());
    int port = 0;
    const SOCKET listener = RawSocket(port);
    Connect(port, INADDR_LOOPBACK);
    ASSERT_EQ(g_peerSessions.Count(), 1);
    const SOCKET peer = accept(listener, nullptr, nullptr);
    ASSERT_NE(peer, INVALID_SOCKET);
    g_chatLines.clear();
    g_dialogProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        Dialog()->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProcedure)));

    // A peer without a name is shown by its dotted address; its text reaches the window as sent.
    SendRaw(peer, MakePeerChat(0, "<b>x</b><script>"));
    ASSERT_TRUE(PumpUntil([] { return !g_chatLines.empty(); }));
    EXPECT_EQ(g_chatLines[0], std::make_pair(std::string("127.0.0.1"), std::string("<b>x</b><script>")));

    // The user's line goes to a peer that announced chat, as typed.
    PeerMessage announce;
    announce.type = kPeerInfo;
    announce.info.featureMask = static_cast<std::int32_t>(CDlgZelvante::kPeerChatFeature);
    SendRaw(peer, announce);
    ASSERT_TRUE(PumpUntil([] {
        std::uint32_t features = 0;
        g_peerSessions.ForEach([&](PeerSession* session) { features |= session->GetPeerFeatures(); });
        return features != 0;
    }));
    const char line[] = "see <you> & \"me\"";
    Dialog()->SendMessage(OwnChatMessage, sizeof line - 1, reinterpret_cast<LPARAM>(line));
    const std::optional<PeerMessage> chat = ReadType(peer, kPeerChat);
    ASSERT_TRUE(chat);
    EXPECT_EQ(std::string(chat->data.data(), chat->data.size()), line);

    Dialog()->SendMessage(WM_COMMAND, CDlgZelvante::kPeerConnectCommand, 0);
    EXPECT_EQ(g_peerSessions.Count(), 0);
    const std::optional<PeerMessage> stop = ReadType(peer, kPeerWithdraw);
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->bits, 7);
    SetWindowLongPtrA(Dialog()->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_dialogProcedure));
    EXPECT_TRUE(MessageTexts().empty());
    closesocket(peer);
    closesocket(listener);
}

struct FailedConnectCase {
    const char* name;
    bool ok;         // OK with the loopback address, else Cancel
    bool listening;  // something listens on the port
};

class FailedConnectTest : public PeerLinkTest, public ::testing::WithParamInterface<FailedConnectCase> {};

TEST_P(FailedConnectTest, LeavesNoSessionListed)
{
    const FailedConnectCase& c = GetParam();
    ASSERT_TRUE(Start());
    int port = 0;
    const SOCKET listener = RawSocket(port);
    if (!c.listening)
        closesocket(listener);
    Connect(port, c.ok ? std::optional<DWORD>(INADDR_LOOPBACK) : std::nullopt);
    EXPECT_EQ(g_peerSessions.Count(), 0);
    // A refused connection is shown; a cancelled one dials nobody.
    EXPECT_EQ(MessageTexts().size(), c.listening ? 0u : 1u);
    if (c.listening) {
        WSAPOLLFD fd{listener, POLLRDNORM, 0};
        EXPECT_EQ(WSAPoll(&fd, 1, 0), 0);
        closesocket(listener);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedConnectTest,
                         ::testing::Values(FailedConnectCase{"Cancelled", false, true},
                                           FailedConnectCase{"NobodyListens", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FrameCase {
    const char* name;
    int width;
    int height;
    bool minimised;
    bool shown;
};

class PeerFrameTest : public MainDialogTest, public ::testing::WithParamInterface<FrameCase> {};

// Real JPEGs of the sizes: without the bounds every one of them decodes.
TEST_P(PeerFrameTest, ShownInThePreviewWithinTheBounds)
{
    const FrameCase& c = GetParam();
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    if (c.minimised) {
        dialog->ShowWindow(SW_MINIMIZE);
        ASSERT_TRUE(dialog->IsIconic());
    }
    CPixImage image;
    ASSERT_NE(image.Create(static_cast<DWORD>(c.width), static_cast<DWORD>(c.height), 24, 0), nullptr);
    BYTE* jpeg = nullptr;
    LONG length = 0;
    ASSERT_TRUE(image.EncodeToMemory(jpeg, length, PIXIMAGE_JPG));
    dialog->m_imgPeerFrame.Destroy();
    dialog->SendMessage(PeerFrameMessage, static_cast<WPARAM>(length), reinterpret_cast<LPARAM>(jpeg));
    std::free(jpeg);
    ASSERT_EQ(dialog->m_imgPeerFrame.IsValid(), c.shown);
    if (c.shown) {
        EXPECT_EQ(dialog->m_imgPeerFrame.GetWidth(), c.width);
        EXPECT_EQ(dialog->m_imgPeerFrame.GetHeight(), c.height);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PeerFrameTest,
                         ::testing::Values(FrameCase{"Small", 320, 240, false, true},
                                           FrameCase{"Largest", 1280, 1024, false, true},
                                           FrameCase{"TooWide", 1281, 1024, false, false},
                                           FrameCase{"TooTall", 1280, 1025, false, false},
                                           FrameCase{"FourThousand", 4000, 3000, false, false},
                                           FrameCase{"WhileMinimised", 320, 240, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zv::app::testing
