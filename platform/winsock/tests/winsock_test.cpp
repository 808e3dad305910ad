#include "platform/winsock/winsock.h"
#include "platform/winsock/wsa_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

class Winsock : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    }
    void TearDown() override { WSACleanup(); }

    static SOCKADDR_IN Loopback(USHORT port)
    {
        SOCKADDR_IN a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }

    // A listening socket on a free loopback port.
    static SOCKET Listener(USHORT& port)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        SOCKADDR_IN a = Loopback(0);
        EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a), 0);
        EXPECT_EQ(listen(s, SOMAXCONN), 0);
        int length = sizeof a;
        EXPECT_EQ(getsockname(s, reinterpret_cast<SOCKADDR*>(&a), &length), 0);
        port = ntohs(a.sin_port);
        return s;
    }

    // A listener, a client connected to it and the server side of that connection.
    struct Link {
        SOCKET listener, client, server;
        // Closes every socket of the link but `closed`.
        void Close(SOCKET closed = INVALID_SOCKET) const
        {
            for (SOCKET s : {client, server, listener})
                if (s != closed)
                    closesocket(s);
        }
    };
    static Link Open()
    {
        USHORT port = 0;
        Link link;
        link.listener = Listener(port);
        link.client = Connected(port);
        link.server = accept(link.listener, nullptr, nullptr);
        EXPECT_NE(link.server, INVALID_SOCKET);
        return link;
    }

    static SOCKET Connected(USHORT port)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        SOCKADDR_IN a = Loopback(port);
        EXPECT_EQ(connect(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a), 0) << WSAGetLastError();
        return s;
    }
};

TEST(WinsockErrors, ErrnoValuesBecomeTheirWindowsCodes)
{
    const struct {
        int err;
        int code;
    } cases[] = {{ECONNREFUSED, WSAECONNREFUSED}, {ECONNRESET, WSAECONNRESET}, {EPIPE, WSAECONNRESET},
                 {ETIMEDOUT, WSAETIMEDOUT},       {EADDRINUSE, WSAEADDRINUSE}, {EAGAIN, WSAEWOULDBLOCK},
                 {ENOTCONN, WSAENOTCONN},         {EINTR, WSAEINTR},           {EHOSTUNREACH, WSAEHOSTUNREACH}};
    for (const auto& c : cases) {
        EXPECT_EQ(zv::winsock::WsaErrorFromErrno(c.err), c.code) << c.err;
        EXPECT_FALSE(zv::winsock::WsaErrorText(c.code).empty()) << c.code;
    }
    EXPECT_TRUE(zv::winsock::WsaErrorText(12345).empty());
}

TEST(WinsockStartup, CallsOutsideStartupFail)
{
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
}

TEST_F(Winsock, DataCrossesALoopbackConnection)
{
    USHORT port = 0;
    SOCKET listener = Listener(port);
    SOCKET client = Connected(port);
    SOCKADDR_IN peer{};
    int length = sizeof peer;
    SOCKET server = accept(listener, reinterpret_cast<SOCKADDR*>(&peer), &length);
    ASSERT_NE(server, INVALID_SOCKET);
    EXPECT_EQ(peer.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    ASSERT_EQ(send(client, "hello", 5, 0), 5);
    char buffer[8] = {};
    ASSERT_EQ(recv(server, buffer, sizeof buffer, 0), 5);
    EXPECT_STREQ(buffer, "hello");
    closesocket(client);
    EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), 0); // orderly end of stream
    closesocket(server);
    closesocket(listener);
}

TEST_F(Winsock, FailuresCarryTheirCodes)
{
    USHORT port = 0;
    SOCKET listener = Listener(port);
    closesocket(listener); // nothing listens on that port now
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    SOCKADDR_IN a = Loopback(port);
    EXPECT_EQ(connect(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
    closesocket(s);

    EXPECT_EQ(closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    char c;
    EXPECT_EQ(recv(s, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(Winsock, ReceiveTimeOutEndsTheWait)
{
    auto [listener, client, server] = Open();
    DWORD timeout = 50;
    ASSERT_EQ(setsockopt(server, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout), 0);
    char c;
    EXPECT_EQ(recv(server, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    Link{listener, client, server}.Close();
}

// A listener whose backlog is full drops further connection requests unanswered.
TEST_F(Winsock, ConnectGivesUpAfterTheSendTimeOut)
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    SOCKADDR_IN a = Loopback(0);
    ASSERT_EQ(bind(listener, reinterpret_cast<SOCKADDR*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    int length = sizeof a;
    getsockname(listener, reinterpret_cast<SOCKADDR*>(&a), &length);
    std::vector<SOCKET> clients;
    int error = 0;
    for (int i = 0; i < 8 && error == 0; ++i) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        DWORD timeout = 200;
        setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        error = connect(s, reinterpret_cast<SOCKADDR*>(&a), sizeof a) == SOCKET_ERROR ? WSAGetLastError() : 0;
        clients.push_back(s);
    }
    EXPECT_EQ(error, WSAETIMEDOUT);
    for (SOCKET s : clients)
        closesocket(s);
    closesocket(listener);
}

TEST_F(Winsock, SendingToAClosedPeerFailsWithoutASignal)
{
    auto [listener, client, server] = Open();
    closesocket(server);
    std::string block(64 * 1024, 'x');
    int result = 0;
    for (int i = 0; i < 100 && result != SOCKET_ERROR; ++i) // the reset arrives after the first send
        result = send(client, block.data(), static_cast<int>(block.size()), 0);
    EXPECT_EQ(result, SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    closesocket(client);
    closesocket(listener);
}

// closesocket from another thread wakes each kind of blocked call with WSAEINTR.
TEST_F(Winsock, ClosingWakesABlockedCall)
{
    enum class Call { Accept, Receive, Send };
    for (Call call : {Call::Accept, Call::Receive, Call::Send}) {
        Link link = Open();
        auto [listener, client, server] = link;
        SOCKET blocked = call == Call::Accept ? listener : client;
        std::string block(1 << 16, 'x');
        if (call == Call::Send) { // fill the buffers first: the peer never reads
            DWORD timeout = 20;
            setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
            // Until the socket stays unwritable: data still in flight frees space for a while.
            for (int i = 0; i < 10000; ++i) {
                if (send(client, block.data(), static_cast<int>(block.size()), 0) != SOCKET_ERROR)
                    continue;
                ASSERT_EQ(WSAGetLastError(), WSAETIMEDOUT);
                WSAPOLLFD fd{client, POLLWRNORM, 0};
                if (WSAPoll(&fd, 1, 200) == 0)
                    break;
            }
            timeout = 0;
            setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        }
        std::atomic<bool> calling{false};
        int error = 0;
        std::thread waiter([&] {
            char c;
            calling = true;
            if (call == Call::Accept)
                error = accept(blocked, nullptr, nullptr) == INVALID_SOCKET ? WSAGetLastError() : 0;
            else if (call == Call::Receive)
                error = recv(blocked, &c, 1, 0) == SOCKET_ERROR ? WSAGetLastError() : 0;
            else // a first send may still find a little room; the next one blocks
                for (int i = 0; i < 100 && error == 0; ++i)
                    error = send(blocked, block.data(), static_cast<int>(block.size()), 0) == SOCKET_ERROR
                                ? WSAGetLastError()
                                : 0;
        });
        while (!calling)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let it block; a late call would see WSAENOTSOCK
        closesocket(blocked);
        waiter.join();
        EXPECT_EQ(error, WSAEINTR) << static_cast<int>(call);
        link.Close(blocked);
    }
}

TEST_F(Winsock, PollSeesReadableData)
{
    auto [listener, client, server] = Open();
    WSAPOLLFD fd{server, POLLRDNORM, 0};
    EXPECT_EQ(WSAPoll(&fd, 1, 0), 0);
    send(client, "x", 1, 0);
    EXPECT_EQ(WSAPoll(&fd, 1, 5000), 1);
    EXPECT_TRUE(fd.revents & POLLRDNORM);
    char text[16];
    IN_ADDR a{htonl(0xC0A80105)};
    EXPECT_STREQ(inet_ntop(AF_INET, &a, text, sizeof text), "192.168.1.5");
    Link{listener, client, server}.Close();
}

} // namespace
