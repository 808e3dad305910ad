#include "Shotbox/SampleCallback.h"

#include "platform/user/window.h"

#include <new>

namespace shotbox {
CPendingSnapshots g_Snapshot;
} // namespace shotbox

namespace {
// Larger pictures than any capture size are not frames of ours.
constexpr std::int32_t kMaxSide = 8192;
} // namespace

void CPendingSnapshots::SetTarget(HWND window)
{
    std::lock_guard lock(m_lock);
    m_target = window;
}

void CPendingSnapshots::Request()
{
    std::lock_guard lock(m_lock);
    ++m_nRequests;
}

int CPendingSnapshots::RequestCount()
{
    std::lock_guard lock(m_lock);
    return m_nRequests;
}

bool CPendingSnapshots::OfferFrame(const BYTE* bits, std::int64_t length, const FrameSize& size)
{
    if (!bits || size.width <= 0 || size.height <= 0 || size.width > kMaxSide || size.height > kMaxSide)
        return false;
    const std::uint64_t bytes = FrameBytes(size);
    if (length < 0 || static_cast<std::uint64_t>(length) < bytes)
        return false;
    HWND target = nullptr;
    {
        std::lock_guard lock(m_lock);
        if (m_nRequests <= 0)
            return false;
        try {
            SnapshotFrame frame;
            frame.bits.assign(bits, bits + bytes);
            frame.size = size;
            m_frames.push_back(std::move(frame));
        } catch (const std::bad_alloc&) {
            return false; // not taken; the request waits for the next frame
        }
        --m_nRequests;
        target = m_target;
    }
    if (target)
        PostMessageA(target, SnapshotMessage, 0, 0);
    return true;
}

std::optional<SnapshotFrame> CPendingSnapshots::Take()
{
    std::lock_guard lock(m_lock);
    if (m_frames.empty())
        return std::nullopt;
    SnapshotFrame frame = std::move(m_frames.front());
    m_frames.pop_front();
    return frame;
}

void CPendingSnapshots::Clear()
{
    std::lock_guard lock(m_lock);
    m_nRequests = 0;
    m_frames.clear();
}

std::int32_t SampleCallback(double, BYTE* bits, std::int32_t length, FrameSize* size)
{
    if (size)
        shotbox::g_Snapshot.OfferFrame(bits, length, *size);
    return 0;
}
