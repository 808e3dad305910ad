// Snapshots between the capture thread and the dialog. The dialog asks for a snapshot; the frame
// callback copies the next whole frame for each request and posts SnapshotMessage to the dialog,
// which then takes every frame waiting. One lock guards the count and the frames, so requests
// made in quick succession each get a frame of their own and none is lost.
#pragma once

#include "capture/FrameCallback.h" // SnapshotMessage
#include "capture/FrameSize.h"
#include "platform/user/user_types.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

struct SnapshotFrame {
    std::vector<BYTE> bits; // 24-bit rows, bottom-up, each padded to 4 bytes
    FrameSize size{};
};

class CPendingSnapshots {
public:
    // The window told of each frame taken; null: nobody (frames still wait).
    void SetTarget(HWND window);
    // One more snapshot wanted.
    void Request();
    int RequestCount();
    // The capture thread's part: when a snapshot is wanted and the frame is whole (its length
    // holds every row of its size), copies it, counts the request done and tells the target.
    // False when nothing was taken.
    bool OfferFrame(const BYTE* bits, std::int64_t length, const FrameSize& size);
    // The oldest waiting frame, if any.
    std::optional<SnapshotFrame> Take();
    // Drops requests and frames (the program's end).
    void Clear();

private:
    std::mutex m_lock;
    int m_nRequests = 0;
    std::deque<SnapshotFrame> m_frames;
    HWND m_target = nullptr;
};

namespace shotbox {
// The snapshot manager's one queue (the main program's frame road has its own snapshot copy).
extern CPendingSnapshots g_Snapshot;
} // namespace shotbox

// The capture graph's frame callback (streaming thread): hands the frame to shotbox::g_Snapshot.
std::int32_t SampleCallback(double sampleTime, BYTE* bits, std::int32_t length, FrameSize* size);
