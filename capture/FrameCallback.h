// The frame callback: every frame of a live source (capture device or video file) passes through
// OnVideoFrame on the streaming thread. In one pass it completes the frame's size, paints the text
// overlay, deinterlaces, applies the preview's digital zoom, applies the colour levels, takes a
// snapshot copy on request, writes the frame to every output format a virtual-camera client uses,
// hands a 320 x 240 copy to the peer sender and passes the finished frame to the main window.
//
// Frames are 24-bit, blue first, rows bottom-up, each row padded to 4 bytes (FrameStride).
#pragma once

#include "capture/FrameSize.h"
#include "capture/OutputFormats.h"
#include "imagelib/PixImage.h"
#include "platform/user/user_types.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

class ConfigStore;

constexpr UINT VideoPositionMessage = 0x806D;
constexpr UINT SnapshotMessage = 0x8074;
constexpr UINT FrameReadyMessage = 0x8079;

// Active source kind: 1 capture device, 2 still image, 3 video file, 4 desktop.
extern std::atomic<std::int32_t> g_nSourceKind;
// Set by the user interface to ask for a snapshot of the next frame; cleared by the callback.
extern std::atomic<BYTE> g_bSnapshotRequest;
// The peer sender's manual-reset event; null while no peer is connected.
extern std::atomic<HANDLE> g_hFrameReadyEvent;
// The main dialog: receives the position, snapshot and frame-ready messages. Null: nobody to tell.
extern std::atomic<HWND> g_hWndMain;
// The settings record whose colour levels the callback applies; null: neutral levels.
extern std::atomic<ConfigStore*> g_pConfigStore;

// The zoom's source and result, shared with the preview's zoom computation (streaming thread).
extern CPixImage g_FrameImage;
extern CPixImage g_ZoomImage;

// The last snapshot copy. Written by the callback under its lock.
struct SnapshotCopy {
    std::mutex lock;
    std::unique_ptr<BYTE[]> bits;
    std::uint64_t length = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};
extern SnapshotCopy g_Snapshot;

// The finished frame handed to the main window with FrameReadyMessage (wParam: g_PreviewFrame,
// lParam: &g_PreviewFrameSize). A frame larger than the buffer arrives scaled down to fit. The
// callback writes both under g_PreviewFrameLock and skips a frame while the window holds it, so
// the window takes the lock while it reads them.
constexpr std::size_t kPreviewFrameBytes = 5760000;
extern BYTE g_PreviewFrame[kPreviewFrameBytes];
extern FrameSize g_PreviewFrameSize;
extern std::mutex g_PreviewFrameLock;

// The frame callback of the capture graph; the sample time is not used. The size record is the
// graph's: what the callback writes into it is the graph's frame size from then on. A record that
// promises more bytes than the sample holds is derived again from the length; a frame that still
// does not fit is dropped. Always 0.
std::int32_t OnVideoFrame(double sampleTime, BYTE* bits, std::int32_t length, FrameSize* size);

// The size of an RGB24 frame of output formats 0 to 7 by its byte length; any other length leaves
// the record as it is.
void SizeFromLength(std::int32_t length, FrameSize& size);

// The size the preview gets for a frame: the frame's own when it fits the preview buffer, else
// the largest of the same proportions that does.
FrameSize PreviewSizeFor(const FrameSize& size);
