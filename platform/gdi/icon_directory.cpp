// Choosing an image from an icon or cursor directory: the group directories of resources
// (LookupIconIdFromDirectoryEx) and the directories of .ico and .cur files.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/icon_image.h"
#include "platform/win32/last_error.h"

namespace zv::gdi {
namespace {

constexpr WORD kIconType = 1;
constexpr WORD kCursorType = 2;
constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kFileEntrySize = 16;

struct Entry {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    WORD id = 0;              // group directories
    std::uint64_t offset = 0; // files
    std::uint64_t size = 0;
    POINT hotspot{0, 0};
};

WORD Word(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

DWORD Dword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

// A byte size of 0 in an icon entry means 256.
int IconSide(BYTE value) { return value == 0 ? 256 : value; }

// The entry count of a directory header whose kind is as asked; nothing for another header.
std::optional<std::size_t> EntryCount(const BYTE* directory, std::size_t size, bool icon)
{
    if (directory == nullptr || size < kHeaderSize || Word(directory) != 0 ||
        Word(directory + 2) != (icon ? kIconType : kCursorType) || Word(directory + 4) == 0)
        return std::nullopt;
    return Word(directory + 4);
}

// The nearest size (0: the default size), on a tie the larger, then the most colours.
std::optional<std::size_t> Choose(const std::vector<Entry>& entries, int cx, int cy)
{
    const int width = cx != 0 ? cx : kDefaultIconSize;
    const int height = cy != 0 ? cy : kDefaultIconSize;
    std::optional<std::size_t> best;
    std::tuple<long, int, int> bestKey{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const long distance = std::labs(static_cast<long>(e.width) - width) + std::labs(static_cast<long>(e.height) - height);
        const int smaller = e.width < width || e.height < height ? 1 : 0;
        const std::tuple<long, int, int> key{distance, smaller, -std::min(e.bitCount, 32)};
        if (!best || key < bestKey) {
            best = i;
            bestKey = key;
        }
    }
    return best;
}

std::vector<Entry> GroupEntries(const BYTE* directory, std::size_t count, bool icon)
{
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* p = directory + kHeaderSize + i * kGroupEntrySize;
        Entry e;
        if (icon) {
            e.width = IconSide(p[0]);
            e.height = IconSide(p[1]);
        } else {
            // Cursor entries give the height of the colour and mask rows together.
            e.width = Word(p);
            e.height = Word(p + 2) / 2;
        }
        e.bitCount = Word(p + 6);
        e.size = Dword(p + 8);
        e.id = Word(p + 12);
        entries.push_back(e);
    }
    return entries;
}

// The entries of a file whose image lies inside the file; PNG images only when nothing else is
// there, since they cannot be drawn.
std::vector<Entry> FileEntries(const BYTE* file, std::size_t size, std::size_t count, bool icon)
{
    std::vector<Entry> usable;
    std::vector<Entry> png;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* p = file + kHeaderSize + i * kFileEntrySize;
        Entry e;
        e.width = IconSide(p[0]);
        e.height = IconSide(p[1]);
        e.size = Dword(p + 8);
        e.offset = Dword(p + 12);
        if (e.offset + e.size > size || e.size == 0)
            continue;
        const BYTE* image = file + e.offset;
        if (icon) {
            e.bitCount = Word(p + 6);
        } else {
            e.hotspot = POINT{Word(p + 4), Word(p + 6)};
        }
        // The image's own header knows its depth best.
        if (e.size >= sizeof(BITMAPINFOHEADER) && !IsPngImage(image, e.size))
            e.bitCount = Word(image + 14);
        (IsPngImage(image, e.size) ? png : usable).push_back(e);
    }
    return usable.empty() ? png : usable;
}

} // namespace

int LookupIconIdFromDirectory(const BYTE* directory, std::size_t size, bool icon, int cx, int cy, UINT flags)
{
    if (flags & ~(LR_DEFAULTSIZE | LR_SHARED)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    const std::optional<std::size_t> count = EntryCount(directory, size, icon);
    if (!count || cx < 0 || cy < 0 || size < kHeaderSize + *count * kGroupEntrySize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::vector<Entry> entries = GroupEntries(directory, *count, icon);
    const std::optional<std::size_t> chosen = Choose(entries, cx, cy);
    return chosen ? entries[*chosen].id : 0;
}

HICON CreateIconFromFileImage(const BYTE* file, std::size_t size, int cx, int cy, UINT flags)
{
    if (flags & ~(LR_DEFAULTSIZE | LR_SHARED)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    const bool icon = size >= kHeaderSize && file != nullptr && Word(file + 2) == kIconType;
    const std::optional<std::size_t> count = EntryCount(file, size, icon);
    if (!count || size < kHeaderSize + *count * kFileEntrySize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::vector<Entry> entries = FileEntries(file, size, *count, icon);
    const std::optional<std::size_t> chosen = Choose(entries, cx, cy);
    if (!chosen) {
        SetLastError(ERROR_INVALID_PARAMETER); // no image lies inside the file
        return nullptr;
    }
    const Entry& e = entries[*chosen];
    return CreateIconFromImage(file + e.offset, static_cast<std::size_t>(e.size), icon, e.hotspot, cx, cy, flags);
}

} // namespace zv::gdi

int LookupIconIdFromDirectoryEx(const BYTE* directory, BOOL icon, int cx, int cy, UINT flags)
{
    // The directory's own count says how far it reaches.
    const std::size_t size =
        directory == nullptr ? 0 : zv::gdi::kHeaderSize + zv::gdi::Word(directory + 4) * zv::gdi::kGroupEntrySize;
    return zv::gdi::LookupIconIdFromDirectory(directory, size, icon != FALSE, cx, cy, flags);
}
