// The desktop source: a worker thread copies the primary screen into a 24-bit bottom-up buffer
// every 40 ms and tells the main window, which paints the overlay into the frame and shows it.
//
// Each start is a run with its own number. Every ScreenFrameMessage carries its run in lParam
// (wParam 0 started, sent and waited for; 2 new frame; 1 ended), so the window drops what a
// stopped run left queued. The frame buffer belongs to the grabber and is reached only through
// UseFrame, under the grabber's lock: while the window holds the frame, or has not yet taken the
// frame last announced, the thread does not grab.
#pragma once

#include "capture/FrameSize.h"
#include "platform/gdi/gdi_types.h"
#include "platform/user/user_types.h"

#include <cstddef>
#include <functional>

// The frame the window is handed: the screen's size, rows padded to 4 bytes (FrameStride).
struct ScreenFrame {
    BYTE* bits;
    FrameSize size;
    std::size_t byteCount;  // FrameStride(width) x height
};

// Copies the screen into bits as info describes them; returns the bitmap that held the copy
// (the caller deletes it), or null when the screen cannot be read.
HBITMAP GrabDesktop(BYTE* bits, BITMAPINFO* info);

class ScreenGrabber {
public:
    ScreenGrabber();
    ~ScreenGrabber();  // stops a run that is still going
    ScreenGrabber(const ScreenGrabber&) = delete;
    ScreenGrabber& operator=(const ScreenGrabber&) = delete;

    // Starts a new run reporting to window (ending any earlier one first). False when the thread
    // cannot be created.
    bool Start(HWND window);
    // Ends the current run: the thread leaves its loop, is waited for up to waitMs and its handle
    // is closed. Safe to call when nothing runs.
    void Stop(DWORD waitMs);
    // True while a run is going (started and not stopped).
    bool Running() const;
    // True when run (a message's lParam) is the current run and it has not been stopped.
    bool IsCurrent(LPARAM run) const;
    // Lends the newest frame of that run to use, under the grabber's lock. False, without
    // calling use, for another run or before the first frame.
    bool UseFrame(LPARAM run, const std::function<void(ScreenFrame& frame)>& use);

private:
    struct State;
    State* m_state;
};
