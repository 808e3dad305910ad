// PeerSession: one connection of the peer link, with its own thread that reads and writes one
// message per pass and reports everything to a single event callback.
//
// Events: 6 created, 7 connecting, 8 connected, 9 starting, 10 started, 11 stopping, 12 stopped
// (the handler may delete the session), 14 to 22 a message received (its data is valid only during
// the call). Errors are thrown by pointer as CKVRTCException or CSocketException.
//
// Nothing the peer sends is trusted: sizes and lengths are checked before anything is allocated,
// every read and write of a message has a 10 s deadline, and a stream that breaks the format ends
// the session. Stop never kills the thread: it asks it to leave, shuts the socket down if it does
// not, and waits for it.
#pragma once

#include "online/IpAddress.h"
#include "online/PassPacer.h"
#include "online/PeerMessage.h"
#include "online/SendQueue.h"
#include "platform/win32/types.h"
#include "platform/winsock/winsock.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

class PeerSession;
using PeerEventCallback = BOOL (*)(int event, PeerSession* session, LPVOID userData);

// Session and server events.
constexpr int kPeerEventServerStarting = 1;
constexpr int kPeerEventServerStarted = 2;
constexpr int kPeerEventServerStopping = 3;
constexpr int kPeerEventServerStopped = 4;
constexpr int kPeerEventCreated = 6;
constexpr int kPeerEventConnecting = 7;
constexpr int kPeerEventConnected = 8;
constexpr int kPeerEventStarting = 9;
constexpr int kPeerEventStarted = 10;
constexpr int kPeerEventStopping = 11;
constexpr int kPeerEventStopped = 12;
constexpr int kPeerEventInfo = 14;
constexpr int kPeerEventWithdraw = 15;
constexpr int kPeerEventParams = 16;
constexpr int kPeerEventValueText = 17;
constexpr int kPeerEventFrame = 18;
constexpr int kPeerEventChat = 20;
constexpr int kPeerEventText = 21;
constexpr int kPeerEventSignal = 22;

// Session states.
constexpr int kPeerIdle = 0;
constexpr int kPeerConnecting = 1;
constexpr int kPeerConnected = 2;
constexpr int kPeerStarting = 3;
constexpr int kPeerRunning = 4;
constexpr int kPeerStopping = 5;

class PeerSession {
public:
    static constexpr std::chrono::milliseconds kIoDeadline{10000};
    // How long Stop lets the thread send the stop message and leave before shutting the socket.
    static constexpr DWORD kStopGraceMs = 1000;

    // Takes over an accepted socket (or none) and its peer's address. Throws code 9 when the
    // callback refuses event 6.
    PeerSession(PeerEventCallback callback, LPVOID userData, SOCKET socket = INVALID_SOCKET,
                const SOCKADDR_IN* peer = nullptr);
    virtual ~PeerSession();
    PeerSession(const PeerSession&) = delete;
    PeerSession& operator=(const PeerSession&) = delete;

    // Connects to the address (within kIoDeadline); returns the callback's answer to event 8.
    BOOL Connect(const CIpAddress& address, int port = kPeerPort);
    void Start();
    // Runs once, whichever threads call it.
    void Stop();
    // Queues the stop message (type 3, bits 7) while running or stopping.
    void SendStop();
    // Queues a chat line (type 8) while running; the text number advances either way.
    void SendText(const char* text);

    // Replace the pace of the passes and the deadline of one message's reading or writing (and of
    // Connect); before Connect or Start only.
    void SetPacer(std::unique_ptr<PassPacer> pacer) { m_pacer = std::move(pacer); }
    void SetIoDeadline(std::chrono::milliseconds deadline) { m_ioDeadline = deadline; }

    SendQueue& GetQueue() { return m_queue; }
    int GetState() const { return m_state.load(); }
    bool HasThread() const { return m_thread.load() != nullptr; }
    // The next frame number (the video sender's), advanced.
    std::int32_t NextFrameNumber() { return m_frameNumber++; }
    CIpAddress& GetPeerAddress() { return m_peerAddress; }
    const std::string& GetPeerName() const { return m_peerName; }

    // What the peer last announced. The received data of events 14 to 22 is valid only during
    // the event.
    std::uint32_t GetPeerFeatures() const { return m_peerFeatures.load(); }
    const std::string& GetPeerInfoName() const { return m_peerInfoName; }
    const std::string& GetPeerInfoText() const { return m_peerInfoText; }
    std::int32_t GetPeerValue() const { return m_peerValue; }
    const PeerParamsPart& GetPeerParams() const { return m_peerParams; }
    std::int32_t GetValueTextValue() const { return m_valueTextValue; }
    const std::string& GetValueText() const { return m_valueText; }
    std::int32_t GetFrameNumber() const { return m_receivedFrameNumber; }
    std::int32_t GetFrameLength() const { return m_frameLength; }
    const char* GetFrameData() const { return m_frameData; }
    std::int32_t GetChatNumber() const { return m_chatNumber; }
    const std::string& GetChatText() const { return m_chatText; }
    const std::string& GetPeerText() const { return m_peerText; }

private:
    static DWORD SessionThread(LPVOID parameter);
    void RunPasses();
    BOOL Raise(int event);
    void RunStop();
    bool ReceiveOne();
    bool SendOne();
    bool Dispatch(const PeerMessage& message);
    bool SendAll(const std::vector<std::uint8_t>& bytes);

    std::atomic<SOCKET> m_socket;
    std::uint32_t m_ownFeatures = 0; // never announced, so any type 3 ends the session
    PeerEventCallback m_callback;
    LPVOID m_userData;
    std::string m_peerName; // nothing fills it: a peer is shown by its address
    std::atomic<HANDLE> m_thread{nullptr};
    std::atomic<std::int32_t> m_frameNumber{0};
    std::atomic<std::int32_t> m_textNumber{0};
    SendQueue m_queue;
    std::atomic<DWORD> m_threadId{static_cast<DWORD>(-1)};
    std::atomic<int> m_state{kPeerIdle};
    CIpAddress m_peerAddress;
    std::unique_ptr<PassPacer> m_pacer;
    std::chrono::milliseconds m_ioDeadline{kIoDeadline};
    std::atomic<bool> m_stopClaimed{false};
    std::atomic<bool> m_stopDone{false};
    // Held by Start until the thread may run, so the thread never ends the session under Start.
    std::mutex m_startLock;

    std::atomic<std::uint32_t> m_peerFeatures{0};
    std::string m_peerInfoName;
    std::string m_peerInfoText;
    std::int32_t m_peerValue = 0;
    PeerParamsPart m_peerParams{};
    std::int32_t m_valueTextValue = 0;
    std::string m_valueText;
    std::int32_t m_receivedFrameNumber = 0;
    std::int32_t m_frameLength = 0;
    const char* m_frameData = nullptr;
    std::int32_t m_chatNumber = 0;
    std::string m_chatText;
    std::string m_peerText;
};
