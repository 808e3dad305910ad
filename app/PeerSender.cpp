#include "app/PeerSender.h"

#include "capture/FrameCallback.h"
#include "capture/OutputFormats.h"
#include "imagelib/PixImageType.h"
#include "online/PeerMessage.h"
#include "online/PeerSession.h"
#include "online/PeerSessionList.h"
#include "platform/win32/events.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/threads.h"
#include "platform/win32/waits.h"

#include <cstdlib>
#include <memory>
#include <new>

std::atomic<HANDLE> g_hSenderStopEvent{nullptr};
std::atomic<HANDLE> g_hSenderThread{nullptr};

namespace {

// The events a sender thread waits on, handed to it at its start: the globals may be cleared
// while it still runs.
struct SenderEvents {
    HANDLE stop;
    HANDLE ready;
};

DWORD PeerSenderThread(LPVOID parameter)
{
    const std::unique_ptr<SenderEvents> events(static_cast<SenderEvents*>(parameter));
    // Stop first: it wins over a picture that is ready at the same time.
    const HANDLE waits[2] = {events->stop, events->ready};
    for (;;) {
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return 0;
        try {
            SendPeerFrame(g_PeerImage);
        } catch (const std::bad_alloc&) {
            // This frame is lost; the next one may fit.
        }
        ResetEvent(events->ready);
    }
}

void CloseIfSet(HANDLE handle)
{
    if (handle)
        CloseHandle(handle);
}

} // namespace

bool StartPeerSender()
{
    if (g_hSenderThread.load())
        return true;
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!ready)
        return false;
    const HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stop) {
        CloseHandle(ready);
        return false;
    }
    auto* events = new SenderEvents{stop, ready};
    const HANDLE thread = CreateThread(nullptr, 0, &PeerSenderThread, events, 0, nullptr);
    if (!thread) {
        delete events;
        CloseHandle(stop);
        CloseHandle(ready);
        return false;
    }
    g_hSenderStopEvent = stop;
    g_hSenderThread = thread;
    // Published last: the frame callback feeds only a sender that runs.
    CloseIfSet(g_hFrameReadyEvent.exchange(ready));
    return true;
}

void StopPeerSender()
{
    const HANDLE ready = g_hFrameReadyEvent.exchange(nullptr);
    const HANDLE thread = g_hSenderThread.exchange(nullptr);
    const HANDLE stop = g_hSenderStopEvent.exchange(nullptr);
    if (thread) {
        SetEvent(stop);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    CloseIfSet(stop);
    CloseIfSet(ready);
}

bool IsPeerSenderRunning()
{
    return g_hSenderThread.load() != nullptr;
}

int SendPeerFrame(CPixImage& picture)
{
    if (g_peerSessions.Count() == 0)
        return 0;
    picture.SetJpegQuality(kPeerJpegQuality);
    BYTE* block = nullptr;
    LONG length = 0;
    if (!picture.EncodeToMemory(block, length, PIXIMAGE_JPG))
        return 0;
    const std::unique_ptr<BYTE, decltype(&std::free)> owned(block, &std::free);
    int queued = 0;
    g_peerSessions.ForEach([&](PeerSession* session) {
        if (session->GetState() != kPeerRunning)
            return;
        const std::int32_t number = session->NextFrameNumber();
        // A frame goes only onto an empty queue, so this never waits.
        if (session->HasThread() &&
            session->GetQueue().Push(MakePeerFrame(number, block, static_cast<std::size_t>(length))))
            ++queued;
    });
    return queued;
}
