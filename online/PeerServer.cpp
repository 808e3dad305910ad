#include "online/PeerServer.h"

#include "online/KvrtcException.h"
#include "online/PeerSessionList.h"
#include "online/SocketException.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/threads.h"
#include "platform/win32/waits.h"

#include <new>

namespace {

const char* const kThreadPrefix = "ServerThread: ";

} // namespace

PeerServer::~PeerServer()
{
    CloseSocket();
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
}

BOOL PeerServer::Start(LPVOID userData, PeerEventCallback callback)
{
    if (!callback)
        throw new CKVRTCException(kKvrtcBadCallback);
    if (m_socket.load() != INVALID_SOCKET || m_thread)
        throw new CKVRTCException(kKvrtcWrongState);
    m_userData = userData;
    m_callback = callback;
    Raise(kPeerEventServerStarting);

    // The socket is made here, not on the thread, so Close always finds what it has to close.
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        throw new CKVRTCException(kKvrtcNoListener);
    DWORD on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    SOCKADDR_IN local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<USHORT>(m_port));
    local.sin_addr.s_addr = htonl(m_address);
    int length = sizeof local;
    if (bind(s, reinterpret_cast<const SOCKADDR*>(&local), sizeof local) == SOCKET_ERROR ||
        listen(s, SOMAXCONN) == SOCKET_ERROR ||
        getsockname(s, reinterpret_cast<SOCKADDR*>(&local), &length) == SOCKET_ERROR) {
        int error = WSAGetLastError();
        closesocket(s);
        throw new CSocketException(error, kThreadPrefix);
    }
    m_boundPort = ntohs(local.sin_port);
    m_socket = s;
    m_thread = CreateThread(nullptr, 0, &PeerServer::ServerThread, this, 0, nullptr);
    if (!m_thread) {
        CloseSocket();
        throw new CKVRTCException(kKvrtcNoListener);
    }
    return Raise(kPeerEventServerStarted);
}

void PeerServer::CloseSocket()
{
    SOCKET s = m_socket.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET)
        closesocket(s); // wakes the accept with WSAEINTR
}

void PeerServer::Close()
{
    Raise(kPeerEventServerStopping);
    CloseSocket();
    Raise(kPeerEventServerStopped);
    delete this; // waits for the accept thread, which touches the server until it ends
}

DWORD PeerServer::ServerThread(LPVOID parameter)
{
    auto* server = static_cast<PeerServer*>(parameter);
    try {
        server->AcceptLoop(server->m_socket.load());
    } catch (CException* e) {
        e->ReportError();
        e->Delete();
    }
    return 0;
}

void PeerServer::AcceptLoop(SOCKET listener)
{
    for (;;) {
        SOCKADDR_IN peer{};
        int length = sizeof peer;
        SOCKET accepted = accept(listener, reinterpret_cast<SOCKADDR*>(&peer), &length);
        if (accepted == INVALID_SOCKET) {
            int error = WSAGetLastError();
            if (error == WSAEINTR || error == WSAENOTSOCK) // closed by Close
                return;
            throw new CSocketException(error, kThreadPrefix);
        }
        if (g_peerSessions.Count() >= kMaxSessions) {
            closesocket(accepted);
            continue;
        }
        StartSession(accepted, peer);
    }
}

void PeerServer::StartSession(SOCKET accepted, const SOCKADDR_IN& peer)
{
    PeerSession* session = nullptr;
    try {
        session = new PeerSession(m_callback, m_userData, accepted, &peer);
        session->Start();
    } catch (CException* e) {
        e->Delete();
        // Nothing of a session that could not start stays behind: not its socket, not its entry.
        if (session) {
            g_peerSessions.Remove(session);
            delete session;
        } else {
            closesocket(accepted);
        }
    } catch (const std::bad_alloc&) {
        closesocket(accepted);
        CloseSocket();
        throw new CKVRTCException(kKvrtcNoSession);
    }
}
