// Two sessions joined over loopback; the connecting side sends, the accepted side counts what
// arrives. Pacing is switched off on both sides (the server's sessions keep the program's pace, so
// the accepted socket is taken here), so the figures are the link's own.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "online/PeerSession.h"
#include "platform/winsock/winsock.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

std::atomic<long> g_chats{0};
std::atomic<long> g_frames{0};
BOOL Count(int event, PeerSession*, LPVOID)
{
    if (event == kPeerEventChat)
        ++g_chats;
    if (event == kPeerEventFrame)
        ++g_frames;
    return TRUE;
}

BOOL Ignore(int, PeerSession*, LPVOID)
{
    return TRUE;
}

void WaitFor(const std::atomic<long>& counter, long count)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (counter.load() < count && std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
}

std::unique_ptr<PeerSession> Unpaced(PeerEventCallback callback, SOCKET socket = INVALID_SOCKET)
{
    auto session = std::make_unique<PeerSession>(callback, nullptr, socket);
    session->SetPacer(std::make_unique<IntervalPacer>(std::chrono::milliseconds(0)));
    return session;
}

// A connected pair without pacing, stopped at the end of the benchmark.
class Link {
public:
    Link()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        SOCKADDR_IN local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof local;
        bind(listener, reinterpret_cast<SOCKADDR*>(&local), sizeof local);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<SOCKADDR*>(&local), &length);
        m_client = Unpaced(&Ignore);
        m_client->Connect(CIpAddress(INADDR_LOOPBACK), ntohs(local.sin_port));
        m_accepted = Unpaced(&Count, accept(listener, nullptr, nullptr));
        closesocket(listener);
        m_accepted->Start();
        m_client->Start();
    }
    ~Link()
    {
        m_client->Stop();
        m_accepted->Stop();
        WSACleanup();
    }
    PeerSession& Client() { return *m_client; }

private:
    std::unique_ptr<PeerSession> m_client;
    std::unique_ptr<PeerSession> m_accepted;
};

void BM_ChatMessages(benchmark::State& state)
{
    Link link;
    long sent = 0;
    g_chats = 0;
    for (auto _ : state) {
        link.Client().SendText("a line of chat of ordinary length, some forty characters");
        ++sent;
    }
    WaitFor(g_chats, sent);
    state.SetItemsProcessed(g_chats.load());
}

void BM_JpegFrameMessages(benchmark::State& state)
{
    CPixImage picture;
    BYTE* bits = picture.Create(320, 240, 24, PIXIMAGE_JPG);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320 * 3; ++x)
            bits[y * 960 + x] = static_cast<BYTE>((x / 3 + y * 2 + (x % 3) * 40) & 0xFF);
    picture.SetJpegQuality(50);
    Link link;
    long sent = 0;
    g_frames = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        BYTE* block = nullptr;
        LONG length = 0;
        picture.EncodeToMemory(block, length, PIXIMAGE_JPG);
        // As the video sender does: a frame goes only onto an empty queue.
        while (link.Client().GetQueue().Count() != 0)
            std::this_thread::yield();
        if (link.Client().GetQueue().Push(MakePeerFrame(link.Client().NextFrameNumber(), block, length)))
            ++sent;
        bytes += length;
        std::free(block);
    }
    WaitFor(g_frames, sent);
    state.SetItemsProcessed(g_frames.load());
    state.SetBytesProcessed(bytes);
}

} // namespace

BENCHMARK(BM_ChatMessages)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_JpegFrameMessages)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();
