// PeerServer: the listening side of the peer link. A thread accepts TCP connections and turns each
// into a started PeerSession with the server's callback; the callback's handler of event 6 lists it
// in g_peerSessions. At most kMaxSessions sessions live at once; further connections are closed.
#pragma once

#include "online/PeerSession.h"

class PeerServer {
public:
    static constexpr int kMaxSessions = 8;

    // Port 0 listens on a free port, and tests listen on the loopback address only; the program
    // listens on kPeerPort of every address.
    explicit PeerServer(int port = kPeerPort, std::uint32_t hostOrderAddress = INADDR_ANY)
        : m_port(port), m_address(hostOrderAddress)
    {
    }
    // Closes the listening socket and waits for the accept thread.
    ~PeerServer();
    PeerServer(const PeerServer&) = delete;
    PeerServer& operator=(const PeerServer&) = delete;

    // Listens and starts the accept thread; returns the callback's answer to event 2. Throws
    // code 1 for a null callback, 3 when started already, 6 when the socket or thread cannot be
    // made, and a CSocketException when binding or listening fails.
    BOOL Start(LPVOID userData, PeerEventCallback callback);
    // Events 3 and 4 around closing the listening socket, then deletes this server (made with new).
    void Close();
    // Closes the listening socket (the accept thread ends) and sets it to none.
    void CloseSocket();

    // The port listened on, once started.
    int GetPort() const { return m_boundPort; }

private:
    static DWORD ServerThread(LPVOID parameter);
    void AcceptLoop(SOCKET listener);
    void StartSession(SOCKET accepted, const SOCKADDR_IN& peer);
    BOOL Raise(int event) { return m_callback ? m_callback(event, nullptr, m_userData) : TRUE; }

    std::atomic<SOCKET> m_socket{INVALID_SOCKET};
    int m_port;
    std::uint32_t m_address;
    int m_boundPort = 0;
    LPVOID m_userData = nullptr;
    PeerEventCallback m_callback = nullptr;
    HANDLE m_thread = nullptr;
};
