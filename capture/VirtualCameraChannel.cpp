#include "capture/VirtualCameraChannel.h"

#include "capture/CaptureGraph.h"
#include "capture/StretchNearest.h"
#include "platform/win32/files.h"

#include <cstring>
#include <vector>

std::atomic<HANDLE> g_hDriver{INVALID_HANDLE_VALUE};
std::array<std::atomic<BYTE>, kFormatCount> g_bFormatInUse{};
FrameSize g_sizeCapture{0, 0};

namespace {

constexpr DWORD kFlagsReadBytes = kFormatCount;

bool ValidIndex(int index)
{
    return index >= 0 && index < kFormatCount;
}

} // namespace

HANDLE OpenVirtualCameraDevice()
{
    int count = 0;
    if (CCaptureGraph::EnumVideoDevices(nullptr, &count) != 2) return INVALID_HANDLE_VALUE;
    std::vector<DeviceInfo> devices(static_cast<std::size_t>(count));
    int filled = count;
    if (CCaptureGraph::EnumVideoDevices(devices.data(), &filled) != 0) return INVALID_HANDLE_VALUE;
    devices.resize(static_cast<std::size_t>(std::min(filled, count)));
    for (const DeviceInfo& device : devices) {
        if (device.m_strFriendlyName != kVirtualCameraName) continue;
        return CreateFileA(device.m_strDevicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return INVALID_HANDLE_VALUE;
}

bool ReadDriverFormatFlags()
{
    std::array<BYTE, kFormatCount> flags{};
    const HANDLE device = g_hDriver.load();
    DWORD read = 0;
    const bool delivered = device != INVALID_HANDLE_VALUE &&
        ReadFile(device, flags.data(), kFlagsReadBytes, &read, nullptr) && read != 0;
    if (!delivered) flags.fill(0xFF);
    for (int i = 0; i < kFormatCount; ++i) g_bFormatInUse[i].store(flags[i], std::memory_order_relaxed);
    return delivered;
}

bool ChooseCaptureSize(FrameSize& out)
{
    ReadDriverFormatFlags();
    out = {0, 0};
    for (int i = 7; i >= 0; --i) {
        if (g_bFormatInUse[i].load(std::memory_order_relaxed) != 0) {
            out = g_FormatSizes[i];
            return true;
        }
    }
    return false;
}

void UpdateCaptureSize()
{
    static std::atomic<bool> busy{false};
    if (busy.exchange(true)) return;
    FrameSize size{320, 240};
    FrameSize chosen{};
    if (ChooseCaptureSize(chosen)) size = chosen;
    if (size.width != g_sizeCapture.width || size.height != g_sizeCapture.height) g_sizeCapture = size;
    busy.store(false);
}

void WriteFrameToDriver(DWORD length, BYTE* buffer, int index)
{
    const HANDLE device = g_hDriver.load();
    if (device == INVALID_HANDLE_VALUE || buffer == nullptr || !ValidIndex(index)) return;
    DWORD remaining = std::min(length, g_nFormatBytes[static_cast<std::size_t>(index)]);
    if (remaining < FrameWriteHeader::kBytes) return;
    std::int32_t offset = 0;
    while (remaining != 0) {
        // The device ignores blocks of four bytes or less, so those go out as they are.
        const bool stamped = remaining > 4;
        BYTE frameBytes[FrameWriteHeader::kBytes];
        if (stamped) {
            std::memcpy(frameBytes, buffer, sizeof frameBytes);
            FrameWriteHeader{static_cast<BYTE>(index), offset}.WriteTo(buffer);
        }
        DWORD written = 0;
        const BOOL ok = WriteFile(device, buffer, remaining, &written, nullptr);
        if (stamped) std::memcpy(buffer, frameBytes, sizeof frameBytes);
        if (!ok || written == 0) break;
        remaining = remaining > written ? remaining - written : 0;
        offset += static_cast<std::int32_t>(written);
        buffer += written;
    }
}

namespace {

// SendFormat, the scaled rows taken from the donor where it has them. The image scaled into, if
// any; null when the frame went out as it is.
const BYTE* SendFormatWithDonor(int index, BYTE* bits, const FrameSize& size, const NearestDonor& donor)
{
    const FrameSize& format = g_FormatSizes[static_cast<std::size_t>(index)];
    if (size.width == format.width && size.height == format.height) {
        WriteFrameToDriver(static_cast<DWORD>(FrameBytes(size)), bits, index);
        return nullptr;
    }
    const CPixImage& image = g_FormatImages[static_cast<std::size_t>(index)];
    BYTE* pixels = PixelsOfSize(image, format);
    if (bits != nullptr) StretchNearest(bits, size, pixels, format, donor);
    if (pixels != nullptr) WriteFrameToDriver(image.GetSize(), pixels, index);
    return pixels;
}

} // namespace

void SendFormat(int index, BYTE* bits, const FrameSize& size)
{
    if (ValidIndex(index)) SendFormatWithDonor(index, bits, size, NearestDonor{});
}

void SendInUseFormats(BYTE* bits, const FrameSize& size)
{
    // The images scaled in this call; the header stamped on an image for its write is gone again
    // by the time a later format reads it.
    std::array<NearestDonor, kFormatCount> scaled{};
    for (int index = 0; index < kFormatCount; ++index) {
        if (g_bFormatInUse[static_cast<std::size_t>(index)].load(std::memory_order_relaxed) == 0) continue;
        const FrameSize& format = g_FormatSizes[static_cast<std::size_t>(index)];
        NearestDonor donor;
        for (const NearestDonor& earlier : scaled) {
            if (earlier.pixels != nullptr && earlier.size.width == format.width) donor = earlier;
        }
        scaled[static_cast<std::size_t>(index)] = {SendFormatWithDonor(index, bits, size, donor), format};
    }
}

void ScaleToFormat(int index, const BYTE* bits, const FrameSize& size)
{
    if (bits == nullptr || !ValidIndex(index)) return;
    const FrameSize& format = g_FormatSizes[static_cast<std::size_t>(index)];
    StretchNearest(bits, size, PixelsOfSize(g_FormatImages[static_cast<std::size_t>(index)], format), format);
}
