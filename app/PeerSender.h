// The peer video sender: one thread for the whole program. Each time the frame callback has put a
// new picture into g_PeerImage and set g_hFrameReadyEvent, it encodes that picture as a JPEG of
// quality 50 and queues it as a video frame (type 6) to every running peer session; then it resets
// the event, so at most one picture is in flight and a slow sender makes the callback skip frames.
//
// The main window starts it when its first peer session runs; later starts leave the running one
// alone. StopPeerSender, at the main window's destruction, ends and joins it. Start and stop run on
// the user-interface thread.
#pragma once

#include "imagelib/PixImage.h"
#include "platform/win32/types.h"

#include <atomic>

// Signalled to end the sender; null while no sender runs.
extern std::atomic<HANDLE> g_hSenderStopEvent;
// The sender's thread; null while none runs.
extern std::atomic<HANDLE> g_hSenderThread;

constexpr int kPeerJpegQuality = 50;

// Makes the frame-ready and stop events and starts the sender; true at once when it runs already.
// False, with nothing left behind, when an event or the thread cannot be made.
bool StartPeerSender();
// Ends the sender and waits for it (serving messages sent to this thread meanwhile), then closes
// its events. The frame callback stops feeding first. Also clears a frame-ready event left
// without a sender.
void StopPeerSender();
bool IsPeerSenderRunning();

// One frame: encodes the picture and queues it to every running session with a thread, each with
// its own next frame number. Nothing is encoded while no session is listed. The number of
// sessions that took the frame (a session with a message still waiting drops it).
int SendPeerFrame(CPixImage& picture);
