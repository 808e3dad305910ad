#include "online/PeerSession.h"

#include "online/KvrtcException.h"
#include "online/SocketException.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/threads.h"
#include "platform/win32/waits.h"

#include <climits>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point end)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// Waits, within the deadline, until the socket can be read or written; false when it cannot.
bool WaitForSocket(SOCKET s, SHORT events, Clock::time_point end)
{
    int left = MillisecondsLeft(end);
    if (left == 0)
        return false;
    WSAPOLLFD fd{s, events, 0};
    return WSAPoll(&fd, 1, left) == 1 && !(fd.revents & POLLNVAL);
}

// One message read from the socket, all of it within one deadline: a peer that trickles bytes
// cannot hold the session thread for longer.
class SocketSource : public PeerByteSource {
public:
    SocketSource(SOCKET s, Clock::time_point end) : m_socket(s), m_end(end) {}
    bool ReadExactly(void* buffer, std::size_t length) override
    {
        char* p = static_cast<char*>(buffer);
        while (length > 0) {
            if (!WaitForSocket(m_socket, POLLRDNORM, m_end))
                return false;
            int n = recv(m_socket, p, static_cast<int>(length < INT_MAX ? length : INT_MAX), 0);
            if (n <= 0)
                return false;
            p += n;
            length -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    SOCKET m_socket;
    Clock::time_point m_end;
};

} // namespace

PeerSession::PeerSession(PeerEventCallback callback, LPVOID userData, SOCKET socket, const SOCKADDR_IN* peer)
    : m_socket(socket), m_callback(callback), m_userData(userData), m_pacer(std::make_unique<IntervalPacer>())
{
    if (!Raise(kPeerEventCreated))
        throw new CKVRTCException(kKvrtcRefused);
    if (peer)
        m_peerAddress = CIpAddress(ntohl(peer->sin_addr.s_addr));
}

PeerSession::~PeerSession()
{
    if (!m_stopClaimed.exchange(true)) {
        if (m_state.load() != kPeerIdle)
            RunStop();
    } else {
        // Another thread is stopping this session: let it finish before the members go.
        // Sleep serves messages sent to this thread meanwhile.
        while (!m_stopDone.load())
            Sleep(1);
    }
    SOCKET s = m_socket.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET)
        closesocket(s);
}

BOOL PeerSession::Raise(int event)
{
    return m_callback ? m_callback(event, this, m_userData) : TRUE;
}

BOOL PeerSession::Connect(const CIpAddress& address, int port)
{
    if (m_socket.load() != INVALID_SOCKET)
        throw new CKVRTCException(kKvrtcWrongState);
    m_peerAddress = address;
    m_state = kPeerConnecting;
    if (!Raise(kPeerEventConnecting))
        throw new CKVRTCException(kKvrtcRefused);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        throw new CSocketException(WSAGetLastError());
    // A connect that nobody answers gives up after the deadline instead of holding the caller.
    DWORD deadline = static_cast<DWORD>(m_ioDeadline.count());
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&deadline), sizeof deadline);
    SOCKADDR_IN remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<USHORT>(port));
    remote.sin_addr.s_addr = htonl(address.HostOrder());
    if (connect(s, reinterpret_cast<const SOCKADDR*>(&remote), sizeof remote) == SOCKET_ERROR) {
        int error = WSAGetLastError();
        closesocket(s);
        throw new CSocketException(error);
    }
    m_socket = s;
    m_state = kPeerConnected;
    return Raise(kPeerEventConnected);
}

void PeerSession::Start()
{
    m_state = kPeerStarting;
    if (!Raise(kPeerEventStarting))
        throw new CKVRTCException(kKvrtcRefused);
    if (m_socket.load() == INVALID_SOCKET || m_thread.load())
        throw new CKVRTCException(kKvrtcWrongState);
    // Every socket call of the thread is bounded too, not only the waits between them.
    DWORD deadline = static_cast<DWORD>(m_ioDeadline.count());
    setsockopt(m_socket.load(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&deadline), sizeof deadline);
    setsockopt(m_socket.load(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&deadline), sizeof deadline);
    m_frameNumber = 0;
    m_textNumber = 0;
    m_threadId = static_cast<DWORD>(-1);
    std::unique_lock gate(m_startLock);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &PeerSession::SessionThread, this, 0, &id);
    if (!thread)
        throw new CKVRTCException(kKvrtcNoThread);
    m_thread = thread;
    m_threadId = id;
    m_state = kPeerRunning;
    if (!Raise(kPeerEventStarted))
        throw new CKVRTCException(kKvrtcRefused);
}

DWORD PeerSession::SessionThread(LPVOID parameter)
{
    auto* session = static_cast<PeerSession*>(parameter);
    { std::lock_guard wait(session->m_startLock); }
    session->m_threadId = GetCurrentThreadId();
    session->RunPasses();
    session->m_queue.Clear();
    // Nobody stopping it: the session ends itself here, and may be deleted by event 12.
    if (!session->m_stopClaimed.exchange(true))
        session->RunStop();
    return 0;
}

void PeerSession::RunPasses()
{
    try {
        while (ReceiveOne() && SendOne())
            m_pacer->WaitForNextPass();
    } catch (CException* e) {
        if (!m_stopClaimed.load()) // errors caused by a stop are not the user's news
            e->ReportError();
        e->Delete();
    } catch (...) {
    }
}

void PeerSession::Stop()
{
    if (m_stopClaimed.exchange(true))
        return;
    RunStop();
}

void PeerSession::RunStop()
{
    m_state = kPeerStopping;
    Raise(kPeerEventStopping);
    m_queue.Clear();
    if (HANDLE thread = m_thread.load()) {
        if (GetCurrentThreadId() != m_threadId.load()) {
            SendStop();
            m_pacer->Wake();
            if (WaitForSingleObject(thread, kStopGraceMs) == WAIT_TIMEOUT) {
                // Blocked on the peer: shutting the socket down ends its read or write.
                shutdown(m_socket.load(), SD_BOTH);
                WaitForSingleObject(thread, INFINITE);
            }
        }
        CloseHandle(thread);
        m_thread = nullptr;
        m_threadId = static_cast<DWORD>(-1);
    }
    SOCKET s = m_socket.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET)
        closesocket(s);
    m_state = kPeerIdle;
    PeerEventCallback callback = m_callback;
    LPVOID userData = m_userData;
    m_stopDone = true; // from here on the session may be deleted: nothing of it is touched
    if (callback)
        callback(kPeerEventStopped, this, userData);
}

void PeerSession::SendStop()
{
    int state = m_state.load();
    if (m_thread.load() && (state == kPeerRunning || state == kPeerStopping))
        m_queue.Push(MakePeerStop(kPeerStopBits));
}

void PeerSession::SendText(const char* text)
{
    std::int32_t number = m_textNumber++;
    if (m_thread.load() && m_state.load() == kPeerRunning)
        m_queue.Push(MakePeerChat(number, text));
}

bool PeerSession::ReceiveOne()
{
    SOCKET s = m_socket.load();
    if (s == INVALID_SOCKET)
        throw new CKVRTCException(kKvrtcWrongState);
    WSAPOLLFD fd{s, POLLRDNORM, 0};
    int ready = WSAPoll(&fd, 1, 0);
    if (ready == SOCKET_ERROR)
        throw new CSocketException(WSAGetLastError());
    if (ready == 0)
        return true;
    if (fd.revents & POLLNVAL)
        return false;
    SocketSource source(s, Clock::now() + m_ioDeadline);
    PeerMessage message;
    switch (ReadPeerMessage(source, message)) {
    case PeerReadResult::Message: return Dispatch(message);
    case PeerReadResult::Skipped: return true;
    case PeerReadResult::Closed:
    case PeerReadResult::Invalid: return false;
    }
    return false;
}

bool PeerSession::Dispatch(const PeerMessage& m)
{
    switch (m.type) {
    case kPeerSignal: Raise(kPeerEventSignal); break;
    case kPeerInfo:
        m_peerInfoName = PeerFieldText(m.info.name, sizeof m.info.name);
        m_peerInfoText = PeerFieldText(m.info.info, sizeof m.info.info);
        m_peerFeatures = static_cast<std::uint32_t>(m.info.featureMask);
        m_peerValue = m.info.value;
        Raise(kPeerEventInfo);
        break;
    case kPeerWithdraw: {
        std::uint32_t peer = m_peerFeatures &= ~static_cast<std::uint32_t>(m.bits);
        m_ownFeatures &= ~static_cast<std::uint32_t>(m.bits);
        Raise(kPeerEventWithdraw);
        return peer != 0 && m_ownFeatures != 0;
    }
    case kPeerParams:
        m_peerFeatures = static_cast<std::uint32_t>(m.params.featureMask);
        m_peerValue = m.params.value;
        m_peerParams = m.params;
        Raise(kPeerEventParams);
        break;
    case kPeerValueText:
        m_valueTextValue = m.number;
        m_valueText = PeerFieldText(m.data.data(), m.data.size());
        Raise(kPeerEventValueText);
        break;
    case kPeerFrame:
        m_receivedFrameNumber = m.number;
        m_frameLength = static_cast<std::int32_t>(m.data.size());
        m_frameData = m.data.data();
        Raise(kPeerEventFrame);
        m_frameData = nullptr; // the bytes go with the message
        break;
    case kPeerChat:
        m_chatNumber = m.number;
        m_chatText.assign(m.data.data(), m.data.size());
        Raise(kPeerEventChat);
        break;
    case kPeerText:
        m_peerText = PeerFieldText(m.data.data(), m.data.size());
        Raise(kPeerEventText);
        break;
    default: break; // types 0 and 7 carry nothing
    }
    return true;
}

bool PeerSession::SendOne()
{
    std::optional<PeerMessage> message = m_queue.Pop();
    if (!message)
        return true;
    // A message cut off half-way leaves the peer unable to find the next one: a failed send ends
    // the session.
    if (!SendAll(EncodePeerMessage(*message)))
        return false;
    return message->type != kPeerWithdraw;
}

bool PeerSession::SendAll(const std::vector<std::uint8_t>& bytes)
{
    SOCKET s = m_socket.load();
    if (s == INVALID_SOCKET)
        throw new CKVRTCException(kKvrtcWrongState);
    const Clock::time_point end = Clock::now() + m_ioDeadline;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!WaitForSocket(s, POLLWRNORM, end))
            return false;
        std::size_t left = bytes.size() - sent;
        int n = send(s, reinterpret_cast<const char*>(bytes.data() + sent), static_cast<int>(left < INT_MAX ? left : INT_MAX), 0);
        if (n == SOCKET_ERROR)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}
