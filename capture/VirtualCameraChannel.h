// The channel to the virtual camera device: one handle on which the program reads the in-use flags
// of the output formats and writes frames, each block starting with a FrameWriteHeader.
//
// Frames are written from the streaming thread (frame callback) and from the user-interface thread
// (still pictures, blank frames at shutdown) on the same handle; reads and writes are synchronous.
#pragma once

#include "capture/FrameSize.h"
#include "capture/OutputFormats.h"
#include "platform/win32/handle_table.h"

#include <array>
#include <atomic>

// The friendly name under which the virtual camera appears among the video capture devices.
constexpr const char* kVirtualCameraName = "Zelvante Capture";

// The opened device; INVALID_HANDLE_VALUE when closed or not found. Opened and closed by the main
// dialog.
extern std::atomic<HANDLE> g_hDriver;

// One byte per format index, non-zero while a client of the virtual camera captures at that size.
// Written only by ReadDriverFormatFlags and ChooseCaptureSize.
extern std::array<std::atomic<BYTE>, kFormatCount> g_bFormatInUse;

// The preferred capture size UpdateCaptureSize computed; 0 x 0 until then. User-interface thread.
extern FrameSize g_sizeCapture;

// Opens the first video capture device called "Zelvante Capture" by its device path for reading and
// writing; INVALID_HANDLE_VALUE when there is none or it cannot be opened. Needs COM on the thread.
HANDLE OpenVirtualCameraDevice();

// Reads the flags from the device: true when it delivered data. The flags are cleared before each
// read, since the device fills only those of the sizes it serves. No device, a failed read or an
// empty one sets every flag to 0xFF (everything counts as in use) and gives false.
bool ReadDriverFormatFlags();

// Reads the flags, then gives the size of the largest in-use format among 7 down to 0; false and
// 0 x 0 when none of them is in use.
bool ChooseCaptureSize(FrameSize& out);

// Stores the preferred capture size (320 x 240 unless ChooseCaptureSize finds one) in
// g_sizeCapture. A call while another runs returns at once.
void UpdateCaptureSize();

// Sends one frame of format `index`: at most the format's byte count of `buffer`, in as many writes
// as the device takes, each block starting with its header. The header is stamped over the block's
// first five bytes for the write and those bytes are put back afterwards, so the caller's frame
// comes back as it went in. Nothing without a device, for an index outside 0..9 or for fewer than
// five bytes; a failed or empty write ends the frame.
void WriteFrameToDriver(DWORD length, BYTE* buffer, int index);

// Sends a frame of any size as format `index`: the frame itself when its size is the format's,
// else its scaled copy in the format's output image. Nothing for an index outside 0..9.
void SendFormat(int index, BYTE* bits, const FrameSize& size);

// SendFormat for every format whose flag is set, in index order. A format of the same width as one
// sent before it in this call takes the rows they share from that one's image.
void SendInUseFormats(BYTE* bits, const FrameSize& size);

// Scales a frame into the output image of format `index` (nearest neighbour).
void ScaleToFormat(int index, const BYTE* bits, const FrameSize& size);
