#include "capture/FrameCallback.h"

#include "app/settings/ConfigStore.h"
#include "capture/ColourStage.h"
#include "capture/Deinterlace.h"
#include "capture/StretchNearest.h"
#include "capture/TextOverlay.h"
#include "capture/VirtualCameraChannel.h"
#include "capture/ZoomSource.h"
#include "platform/user/messages.h"
#include "platform/win32/events.h"
#include "platform/win32/waits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

std::atomic<std::int32_t> g_nSourceKind{1};
std::atomic<BYTE> g_bSnapshotRequest{0};
std::atomic<HANDLE> g_hFrameReadyEvent{nullptr};
std::atomic<HWND> g_hWndMain{nullptr};
std::atomic<ConfigStore*> g_pConfigStore{nullptr};
std::atomic<IZoomSource*> g_pZoomSource{nullptr};
CPixImage g_FrameImage;
CPixImage g_ZoomImage;
SnapshotCopy g_Snapshot;
BYTE g_PreviewFrame[kPreviewFrameBytes];
FrameSize g_PreviewFrameSize{0, 0};
std::mutex g_PreviewFrameLock;

namespace {

void PostToMain(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    if (const HWND window = g_hWndMain.load()) PostMessageA(window, message, wParam, lParam);
}

bool OverlayEnabled()
{
    EnterCriticalSection(&g_TextOverlay.lock);
    const bool enabled = g_TextOverlay.enabled != 0;
    LeaveCriticalSection(&g_TextOverlay.lock);
    return enabled;
}

// The zoom image replaces the frame only when it has exactly the frame's size.
void ApplyZoom(BYTE* bits, const FrameSize& size)
{
    IZoomSource* zoom = g_pZoomSource.load();
    if (zoom == nullptr || zoom->ZoomFraction() == 0.0) return;
    if (!g_FrameImage.CreateFromArray(bits, static_cast<DWORD>(size.width), static_cast<DWORD>(size.height), 24,
                                      static_cast<DWORD>(FrameStride(size.width)), false))
        return;
    zoom->ComputeZoomCrop();
    if (const BYTE* zoomed = PixelsOfSize(g_ZoomImage, size)) std::memcpy(bits, zoomed, FrameBytes(size));
}

void ApplyColourLevels(BYTE* bits, const FrameSize& size, std::int32_t kind)
{
    ColourLevels levels;
    if (ConfigStore* config = g_pConfigStore.load()) levels = LevelsOfKind(*config, kind);
    if (kind == 3) PostToMain(VideoPositionMessage);
    const ColourStage stage(levels, kind);
    stage.Apply(bits, size);
}

void TakeSnapshot(const BYTE* bits, std::uint64_t n, const FrameSize& size)
{
    if (g_bSnapshotRequest.exchange(0) == 0) return;
    {
        std::lock_guard lock(g_Snapshot.lock);
        g_Snapshot.bits.reset();
        g_Snapshot.bits.reset(new (std::nothrow) BYTE[n]);
        if (!g_Snapshot.bits) return;
        g_Snapshot.length = n;
        g_Snapshot.width = size.width;
        g_Snapshot.height = size.height;
        if (n != 0) std::memcpy(g_Snapshot.bits.get(), bits, n);
    }
    PostToMain(SnapshotMessage);
}

void SendToVirtualCamera(BYTE* bits, const FrameSize& size)
{
    ReadDriverFormatFlags();
    SendInUseFormats(bits, size);
}

// Fills the peer picture only while the sender is idle (its event not set), then wakes it.
void FeedPeer(const BYTE* bits, const FrameSize& size)
{
    const HANDLE ready = g_hFrameReadyEvent.load();
    if (ready == nullptr || WaitForSingleObject(ready, 0) != WAIT_TIMEOUT) return;
    if (bits != nullptr) {
        const FrameSize& peer = g_FormatSizes[kPeerFormat];
        StretchNearest(bits, size, PixelsOfSize(g_PeerImage, peer), peer);
    }
    SetEvent(ready);
}

void HandToPreview(const BYTE* bits, std::uint64_t n, const FrameSize& size)
{
    std::unique_lock lock(g_PreviewFrameLock, std::try_to_lock);
    if (!lock) return; // the window is reading the previous frame; it gets the next one
    const FrameSize shown = PreviewSizeFor(size);
    if (shown.width == size.width && shown.height == size.height) {
        if (n != 0) std::memcpy(g_PreviewFrame, bits, n);
    } else {
        StretchNearest(bits, size, g_PreviewFrame, shown);
    }
    g_PreviewFrameSize = shown;
    lock.unlock();
    PostToMain(FrameReadyMessage, reinterpret_cast<WPARAM>(g_PreviewFrame),
               reinterpret_cast<LPARAM>(&g_PreviewFrameSize));
}

} // namespace

void SizeFromLength(std::int32_t length, FrameSize& size)
{
    for (int index = 0; index < 8; ++index) {
        if (static_cast<std::int64_t>(g_nFormatBytes[static_cast<std::size_t>(index)]) == length) {
            size = g_FormatSizes[static_cast<std::size_t>(index)];
            return;
        }
    }
}

FrameSize PreviewSizeFor(const FrameSize& size)
{
    if (FrameBytes(size) <= kPreviewFrameBytes) return size;
    const double scale = std::sqrt(static_cast<double>(kPreviewFrameBytes) / static_cast<double>(FrameBytes(size)));
    // From the estimate down, row by row, the width following the height's proportion.
    for (std::int32_t height = std::max(1, static_cast<std::int32_t>(size.height * scale));; --height) {
        FrameSize fit{std::max<std::int32_t>(1, static_cast<std::int32_t>(std::int64_t{size.width} * height / size.height)), height};
        if (height == 1) fit.width = std::min<std::int32_t>(fit.width, (kPreviewFrameBytes - 3) / 3);
        if (FrameBytes(fit) <= kPreviewFrameBytes) return fit;
    }
}

std::int32_t OnVideoFrame(double, BYTE* bits, std::int32_t length, FrameSize* size)
{
    if (size == nullptr) return 0;
    const std::uint64_t available = bits != nullptr && length > 0 ? static_cast<std::uint64_t>(length) : 0;
    if (size->width == 0) SizeFromLength(length, *size);
    if (size->width < 0 || size->height < 0 || FrameBytes(*size) > available) {
        *size = {0, 0};
        SizeFromLength(length, *size);
        if (size->width == 0 || FrameBytes(*size) > available) return 0;
    }
    const FrameSize frame = *size;
    const std::uint64_t n = FrameBytes(frame);
    if (n != 0 && OverlayEnabled()) ApplyTextOverlay(&frame, bits, static_cast<LONG>(n));
    if (n != 0) {
        Deinterlace(bits, n, frame);
        ApplyZoom(bits, frame);
    }
    const std::int32_t kind = g_nSourceKind.load();
    if (kind != 1 && kind != 3) return 0;
    ApplyColourLevels(bits, frame, kind);
    TakeSnapshot(bits, n, frame);
    SendToVirtualCamera(bits, frame);
    FeedPeer(bits, frame);
    HandToPreview(bits, n, frame);
    return 0;
}
