// Metafile handles: each owns the metafile's bytes and its header; the table knows which handles
// are alive, so a stale or made-up one is refused.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/gdi_metafile.h"
#include "platform/gdi/gdi_text.h"
#include "platform/gdi/metafile_player.h"

namespace zv::gdi {
namespace {

constexpr DWORD kEnhancedSignature = 0x464D4520; // " EMF"
constexpr std::size_t kWindowsHeaderBytes = 18;

struct MetafileTable {
    std::mutex mutex;
    std::unordered_map<HENHMETAFILE, std::shared_ptr<const MetafileData>> live;
};

MetafileTable& Table()
{
    static MetafileTable table;
    return table;
}

HENHMETAFILE Add(std::shared_ptr<MetafileData> data)
{
    MetafileTable& table = Table();
    std::lock_guard lock(table.mutex);
    // The data's address is the handle: unique while it lives.
    auto handle = reinterpret_cast<HENHMETAFILE>(data.get());
    table.live[handle] = std::move(data);
    return handle;
}

std::shared_ptr<const MetafileData> Find(HENHMETAFILE handle)
{
    MetafileTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto found = table.live.find(handle);
    return found == table.live.end() ? nullptr : found->second;
}

std::uint32_t Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint16_t Le16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

} // namespace
} // namespace zv::gdi

using zv::gdi::MetafileData;

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC reference, const METAFILEPICT* picture)
{
    using namespace zv::gdi;
    if (!bits || size < kWindowsHeaderBytes)
        return nullptr;
    const WORD type = Le16(bits);
    const WORD headerWords = Le16(bits + 2);
    if ((type != 1 && type != 2) || headerWords != kWindowsHeaderBytes / 2)
        return nullptr;
    auto data = std::make_shared<MetafileData>();
    data->bytes.assign(bits, bits + size);
    // The picture's extents (hundredths of a millimetre) at the reference context's resolution
    // give its size in pixels; without them the size is unknown (0).
    const int dpiX = GetDeviceCaps(reference, LOGPIXELSX) > 0 ? GetDeviceCaps(reference, LOGPIXELSX) : 96;
    const int dpiY = GetDeviceCaps(reference, LOGPIXELSY) > 0 ? GetDeviceCaps(reference, LOGPIXELSY) : 96;
    ENHMETAHEADER& header = data->header;
    header.iType = 1;
    header.nSize = sizeof header;
    header.dSignature = kEnhancedSignature;
    header.nBytes = size;
    header.szlDevice = {dpiX * 254 / 10, dpiY * 254 / 10};
    header.szlMillimeters = {254, 254};
    if (picture && picture->xExt > 0 && picture->yExt > 0) {
        header.rclFrame = {0, 0, picture->xExt, picture->yExt};
        header.rclBounds = {0, 0, LONG(std::int64_t(picture->xExt) * dpiX / 2540) - 1,
                            LONG(std::int64_t(picture->yExt) * dpiY / 2540) - 1};
    } else {
        header.rclBounds = {0, 0, -1, -1};
    }
    return Add(std::move(data));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits)
{
    using namespace zv::gdi;
    if (!bits || size < sizeof(ENHMETAHEADER) - 12)
        return nullptr;
    // Older headers stop before the device size fields; those are then unknown (0).
    const std::size_t headerSize = Le32(bits + 4);
    if (Le32(bits) != 1 || Le32(bits + 40) != kEnhancedSignature || headerSize < 76 || headerSize > size)
        return nullptr;
    auto data = std::make_shared<MetafileData>();
    data->enhanced = true;
    std::memcpy(&data->header, bits, std::min(headerSize, sizeof data->header));
    data->bytes.assign(bits, bits + size);
    return Add(std::move(data));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header)
{
    const auto data = zv::gdi::Find(metafile);
    if (!data)
        return 0;
    if (!header)
        return sizeof(ENHMETAHEADER);
    const UINT copied = std::min<UINT>(size, sizeof(ENHMETAHEADER));
    std::memcpy(header, &data->header, copied);
    return copied;
}

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE metafile, const RECT* rect)
{
    const auto data = zv::gdi::Find(metafile);
    if (!data || !hdc || !rect)
        return FALSE;
    zv::gdi::PlayMetafileRecords(hdc, *data, *rect);
    return TRUE;
}

UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT count, PALETTEENTRY* entries)
{
    using namespace zv::gdi;
    const auto data = Find(metafile);
    if (!data)
        return GDI_ERROR;
    if (!data->enhanced || data->header.nPalEntries == 0)
        return 0;
    // The end record closes the file: type 14, size, entry count, offset of the entries.
    const std::vector<BYTE>& bytes = data->bytes;
    std::size_t at = 0;
    while (bytes.size() - at >= 8) {
        const std::uint32_t type = Le32(bytes.data() + at);
        const std::uint32_t size = Le32(bytes.data() + at + 4);
        if (size < 8 || size > bytes.size() - at)
            return 0;
        if (type == 14) {
            if (size < 20)
                return 0;
            const std::uint32_t carried = Le32(bytes.data() + at + 8);
            const std::uint32_t offset = Le32(bytes.data() + at + 12);
            if (carried == 0 || offset > size || (size - offset) / 4 < carried)
                return 0;
            if (!entries)
                return carried;
            const UINT copied = std::min<UINT>(count, carried);
            std::memcpy(entries, bytes.data() + at + offset, std::size_t(copied) * 4);
            return copied;
        }
        at += size;
    }
    return 0;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile)
{
    zv::gdi::MetafileTable& table = zv::gdi::Table();
    std::lock_guard lock(table.mutex);
    return table.live.erase(metafile) ? TRUE : FALSE;
}
