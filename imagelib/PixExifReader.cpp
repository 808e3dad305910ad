#include "imagelib/PixExifReader.h"

#include "imagelib/PixStream.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace {

constexpr int kSof0 = 0xC0;
constexpr int kSof15 = 0xCF;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kApp0 = 0xE0;
constexpr int kApp1 = 0xE1;
constexpr int kCom = 0xFE;
// Markers in the SOF range that are not frame headers.
constexpr int kDht = 0xC4;
constexpr int kJpg = 0xC8;
constexpr int kDac = 0xCC;

constexpr int kMaxPaddingBytes = 6;
constexpr DWORD kCommentWindow = 1000;
constexpr std::size_t kUserCommentChars = 199;
// Real files hold a handful of directories a level or two deep; anything past these is hostile.
constexpr int kMaxDirectoryDepth = 8;
constexpr std::size_t kMaxDirectories = 32;

// Bytes per value of each TIFF format code.
constexpr DWORD kFormatBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
constexpr WORD kMaxFormat = 12;

enum ExifTag : WORD {
    TAG_MAKE = 0x010F,
    TAG_MODEL = 0x0110,
    TAG_ORIENTATION = 0x0112,
    TAG_X_RESOLUTION = 0x011A,
    TAG_Y_RESOLUTION = 0x011B,
    TAG_RESOLUTION_UNIT = 0x0128,
    TAG_THUMBNAIL_OFFSET = 0x0201,
    TAG_THUMBNAIL_LENGTH = 0x0202,
    TAG_EXPOSURE_TIME = 0x829A,
    TAG_FNUMBER = 0x829D,
    TAG_EXIF_OFFSET = 0x8769,
    TAG_EXPOSURE_PROGRAM = 0x8822,
    TAG_ISO_EQUIVALENT = 0x8827,
    TAG_EXIF_VERSION = 0x9000,
    TAG_DATETIME_ORIGINAL = 0x9003,
    TAG_COMPRESSION_LEVEL = 0x9102,
    TAG_SHUTTERSPEED = 0x9201,
    TAG_APERTURE = 0x9202,
    TAG_BRIGHTNESS = 0x9203,
    TAG_EXPOSURE_BIAS = 0x9204,
    TAG_MAXAPERTURE = 0x9205,
    TAG_SUBJECT_DISTANCE = 0x9206,
    TAG_METERING_MODE = 0x9207,
    TAG_LIGHT_SOURCE = 0x9208,
    TAG_FLASH = 0x9209,
    TAG_FOCALLENGTH = 0x920A,
    TAG_USERCOMMENT = 0x9286,
    TAG_EXIF_IMAGEWIDTH = 0xA002,
    TAG_EXIF_IMAGELENGTH = 0xA003,
    TAG_INTEROP_OFFSET = 0xA005,
    TAG_FOCALPLANEXRES = 0xA20E,
    TAG_FOCALPLANEYRES = 0xA20F,
    TAG_FOCALPLANEUNITS = 0xA210,
};

// Conversions that never leave the target's range, whatever a file puts in a value.
int32_t ToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

DWORD ToUnsigned(double value)
{
    if (std::isnan(value) || value <= 0)
        return 0;
    if (value >= 4294967295.0)
        return std::numeric_limits<DWORD>::max();
    return static_cast<DWORD>(value);
}

float ToFloat(double value)
{
    return static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

bool IsFrameHeader(int marker)
{
    return marker >= kSof0 && marker <= kSof15 && marker != kDht && marker != kJpg && marker != kDac;
}

// A unit code as a factor to inches; false for a code with no meaning.
bool UnitFactor(int32_t code, float& factor)
{
    switch (code) {
    case 1:
    case 2:
        factor = 1.0f;
        return true;
    case 3:
        factor = 0.39370078f;
        return true;
    case 4:
        factor = 0.039370079f;
        return true;
    case 5:
        factor = 0.000039370079f;
        return true;
    default:
        return false;
    }
}

// Copies a text value: at most the field's room, the value's bytes, up to a NUL.
void CopyText(char* field, std::size_t fieldSize, const BYTE* value, std::size_t valueBytes)
{
    const std::size_t limit = std::min(fieldSize - 1, valueBytes);
    std::size_t n = 0;
    while (n < limit && value[n] != 0) {
        field[n] = static_cast<char>(value[n]);
        ++n;
    }
    field[n] = 0;
}

bool IsPrintable(BYTE c)
{
    return c >= 0x20 && c < 0x7F;
}

} // namespace

CPixExifReader::CPixExifReader(CPixExifRecord* record)
    : m_pRecord(record)
{
    if (!m_pRecord) {
        m_ownRecord = std::make_unique<CPixExifRecord>();
        m_pRecord = m_ownRecord.get();
    }
}

bool CPixExifReader::Fail(const char* text)
{
    std::strncpy(m_lastError, text, sizeof m_lastError - 1);
    m_lastError[sizeof m_lastError - 1] = 0;
    return false;
}

void CPixExifReader::DropLastSection()
{
    --m_sectionCount;
    m_sections[static_cast<std::size_t>(m_sectionCount)] = Section{};
}

bool CPixExifReader::ScanSections(CPixStream* stream)
{
    if (!stream || stream->GetC() != 0xFF || stream->GetC() != 0xD8)
        return false;
    bool haveComment = false;
    while (m_sectionCount < kMaxSections) {
        int marker = 0;
        for (int padding = 0;;) {
            marker = stream->GetC();
            if (marker < 0)
                return Fail("Premature end of file?");
            if (marker != 0xFF)
                break;
            if (++padding > kMaxPaddingBytes)
                return Fail("too many padding bytes\n");
        }
        const int high = stream->GetC();
        const int low = stream->GetC();
        if (high < 0 || low < 0)
            return Fail("Premature end of file?");
        const DWORD length = static_cast<DWORD>(high << 8 | low);
        if (length < 2)
            return Fail("invalid marker");
        std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[length]);
        if (!data)
            return Fail("Could not allocate memory");
        data[0] = static_cast<BYTE>(high);
        data[1] = static_cast<BYTE>(low);
        if (length > 2 && stream->Read(data.get() + 2, 1, length - 2) != length - 2)
            return Fail("Premature end of file?");
        const BYTE* segment = data.get();
        m_sections[static_cast<std::size_t>(m_sectionCount++)] = Section{std::move(data), marker, length};

        if (IsFrameHeader(marker)) {
            ParseFrameHeader(segment, length, marker);
        } else if (marker == kEoi) {
            return Fail("No image in jpeg!\n");
        } else if (marker == kSos) {
            return true;
        } else if (marker == kApp0) {
            DropLastSection();
        } else if (marker == kApp1) {
            if (length >= 6 && std::memcmp(segment + 2, "Exif", 4) == 0)
                m_pRecord->isExif = ParseExif(segment + 2, length - 2) ? 1 : 0;
            else
                DropLastSection();
        } else if (marker == kCom) {
            if (haveComment) {
                DropLastSection();
            } else {
                ParseComment(segment, length);
                haveComment = true;
            }
        }
    }
    return Fail("Too many sections in jpg file");
}

bool CPixExifReader::ParseExif(const BYTE* block, DWORD length)
{
    m_pRecord->flashUsed = 0;
    m_pRecord->comments[0] = 0;
    m_exifImageWidth = 0;
    m_visited.clear();

    if (length < 6 || std::memcmp(block, "Exif\0\0", 6) != 0)
        return Fail("Incorrect Exif header");
    if (length < 8)
        return Fail("Invalid Exif alignment marker.");
    if (std::memcmp(block + 6, "II", 2) == 0)
        m_motorolaOrder = 0;
    else if (std::memcmp(block + 6, "MM", 2) == 0)
        m_motorolaOrder = 1;
    else
        return Fail("Invalid Exif alignment marker.");
    if (length < 10 || Read16(block + 8) != 42)
        return Fail("Invalid Exif start (1)");
    if (length < 14)
        return Fail("Suspicious offset of first IFD value");
    const DWORD firstOffset = Read32(block + 10);
    if (firstOffset < 8 || firstOffset > 16)
        return Fail("Suspicious offset of first IFD value");

    // Offsets inside the block count from the TIFF header.
    if (!ParseDirectory(firstOffset, block + 6, length - 6, 0))
        return false;
    if (m_pRecord->focalPlaneXRes != 0) {
        m_pRecord->ccdWidth =
            ToFloat(static_cast<double>(m_pRecord->focalPlaneUnits) / m_pRecord->focalPlaneXRes * m_exifImageWidth);
    }
    return true;
}

bool CPixExifReader::ParseDirectory(DWORD directory, const BYTE* base, DWORD length, int depth)
{
    if (depth > kMaxDirectoryDepth || m_visited.size() >= kMaxDirectories ||
        std::find(m_visited.begin(), m_visited.end(), directory) != m_visited.end())
        return Fail("Illegal subdirectory link");
    if (directory > length || length - directory < 2)
        return Fail("Illegally sized directory");
    m_visited.push_back(directory);

    const BYTE* start = base + directory;
    const DWORD entries = Read16(start);
    const uint64_t entriesEnd = uint64_t{directory} + 2 + 12 * uint64_t{entries};
    if (entriesEnd > length)
        return Fail("Illegally sized directory");

    DWORD thumbnailOffset = 0;
    DWORD thumbnailSize = 0;
    for (DWORD i = 0; i < entries; ++i) {
        const BYTE* entry = start + 2 + 12 * i;
        const WORD tag = Read16(entry);
        const WORD format = Read16(entry + 2);
        const DWORD count = Read32(entry + 4);
        if (format > kMaxFormat)
            return Fail("Illegal format code in EXIF dir");
        const uint64_t byteCount = uint64_t{count} * kFormatBytes[format];
        // Small values sit in the entry itself; the value pointer always has four bytes behind it.
        const BYTE* value = entry + 8;
        if (byteCount > 4) {
            const DWORD offset = Read32(entry + 8);
            if (uint64_t{offset} + byteCount > length)
                return Fail("Illegal pointer offset value in EXIF.");
            value = base + offset;
        }

        switch (tag) {
        case TAG_THUMBNAIL_OFFSET:
            if (count != 0)
                thumbnailOffset = ToUnsigned(ValueAsNumber(value, format));
            break;
        case TAG_THUMBNAIL_LENGTH:
            if (count != 0)
                thumbnailSize = ToUnsigned(ValueAsNumber(value, format));
            break;
        case TAG_EXIF_OFFSET:
        case TAG_INTEROP_OFFSET: {
            const DWORD link = Read32(value);
            if (link > length)
                return Fail("Illegal subdirectory link");
            ParseDirectory(link, base, length, depth + 1);
            break;
        }
        case TAG_X_RESOLUTION:
        case TAG_Y_RESOLUTION:
        case TAG_RESOLUTION_UNIT:
            // The picture's resolution is the first directory's; the next one describes the
            // thumbnail, and sub-directories have none.
            if (depth == 0)
                StoreTag(tag, format, count, value, static_cast<DWORD>(byteCount));
            break;
        default:
            StoreTag(tag, format, count, value, static_cast<DWORD>(byteCount));
            break;
        }
    }

    // The next-directory link is optional at the very end of the data.
    if (entriesEnd + 4 <= length) {
        const DWORD next = Read32(base + entriesEnd);
        if (next != 0) {
            if (next > length)
                return Fail("Illegal subdirectory link");
            ParseDirectory(next, base, length, depth + 1);
        }
    }

    if (thumbnailOffset != 0 && thumbnailSize != 0 && uint64_t{thumbnailOffset} + thumbnailSize <= length) {
        m_pRecord->thumbnailPointer = base + thumbnailOffset;
        m_pRecord->thumbnailSize = thumbnailSize;
    }
    return true;
}

void CPixExifReader::StoreTag(WORD tag, WORD format, DWORD count, const BYTE* value, DWORD byteCount)
{
    CPixExifRecord& r = *m_pRecord;
    switch (tag) {
    case TAG_MAKE:
        CopyText(r.cameraMake, sizeof r.cameraMake, value, byteCount);
        return;
    case TAG_MODEL:
        CopyText(r.cameraModel, sizeof r.cameraModel, value, byteCount);
        return;
    case TAG_DATETIME_ORIGINAL:
        CopyText(r.dateTime, sizeof r.dateTime, value, byteCount);
        return;
    case TAG_EXIF_VERSION:
        CopyText(r.version, sizeof r.version, value, byteCount);
        return;
    case TAG_USERCOMMENT: {
        std::string text(reinterpret_cast<const char*>(value), byteCount);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        std::size_t from = 0;
        if (text.compare(0, 5, "ASCII") == 0) {
            from = 5;
            while (from < 10 && from < text.size() && (text[from] == 0 || text[from] == ' '))
                ++from;
            if (from >= 10 || from >= text.size())
                return;
        }
        CopyText(r.comments, kUserCommentChars + 1, reinterpret_cast<const BYTE*>(text.data()) + from,
                 text.size() - from);
        return;
    }
    default:
        break;
    }

    // Numbers need at least one whole value.
    if (count == 0)
        return;
    const double v = ValueAsNumber(value, format);
    switch (tag) {
    case TAG_ORIENTATION:
        r.orientation = ToInt(v);
        if (r.orientation < 1 || r.orientation > 8) {
            Fail("Undefined rotation value");
            r.orientation = 0;
        }
        break;
    case TAG_FLASH:
        r.flashUsed = (ToInt(v) & 7) != 0 ? 1 : 0;
        break;
    case TAG_FOCALLENGTH:
        r.focalLength = ToFloat(v);
        break;
    case TAG_EXPOSURE_TIME:
        r.exposureTime = ToFloat(v);
        break;
    case TAG_SHUTTERSPEED:
        if (r.exposureTime == 0)
            r.exposureTime = ToFloat(1.0 / std::exp2(v));
        break;
    case TAG_FNUMBER:
        r.apertureFNumber = ToFloat(v);
        break;
    case TAG_APERTURE:
    case TAG_MAXAPERTURE:
        if (r.apertureFNumber == 0)
            r.apertureFNumber = ToFloat(std::exp2(v / 2));
        break;
    case TAG_SUBJECT_DISTANCE:
        r.distance = ToFloat(v);
        break;
    case TAG_EXPOSURE_BIAS:
        r.exposureBias = ToFloat(v);
        break;
    case TAG_LIGHT_SOURCE:
        r.lightSource = ToInt(v);
        break;
    case TAG_METERING_MODE:
        r.meteringMode = ToInt(v);
        break;
    case TAG_EXPOSURE_PROGRAM:
        r.exposureProgram = ToInt(v);
        break;
    case TAG_ISO_EQUIVALENT: {
        // Some cameras store the value in units of 200.
        const int32_t iso = ToInt(v);
        r.isoEquivalent = iso < 50 ? ToInt(iso * 200.0) : iso;
        break;
    }
    case TAG_COMPRESSION_LEVEL:
        r.compressionLevel = ToInt(v);
        break;
    case TAG_FOCALPLANEXRES:
        r.focalPlaneXRes = ToFloat(v);
        break;
    case TAG_FOCALPLANEYRES:
        r.focalPlaneYRes = ToFloat(v);
        break;
    case TAG_FOCALPLANEUNITS:
        UnitFactor(ToInt(v), r.focalPlaneUnits);
        break;
    case TAG_X_RESOLUTION:
        r.xResolution = ToFloat(v);
        break;
    case TAG_Y_RESOLUTION:
        r.yResolution = ToFloat(v);
        break;
    case TAG_RESOLUTION_UNIT:
        UnitFactor(ToInt(v), r.resolutionUnit);
        break;
    case TAG_BRIGHTNESS:
        r.brightness = ToFloat(v);
        break;
    case TAG_EXIF_IMAGEWIDTH:
    case TAG_EXIF_IMAGELENGTH:
        m_exifImageWidth = std::max(m_exifImageWidth, ToInt(v));
        break;
    default:
        break;
    }
}

double CPixExifReader::ValueAsNumber(const BYTE* value, int format) const
{
    switch (format) {
    case 1:
        return value[0];
    case 3:
        return Read16(value);
    case 4:
        return Read32(value);
    case 5:
    case 10: {
        // Unsigned rationals (5) and signed ones (10).
        const DWORD numerator = Read32(value);
        const DWORD denominator = Read32(value + 4);
        if (denominator == 0)
            return 0;
        if (format == 5)
            return static_cast<double>(numerator) / denominator;
        return static_cast<double>(static_cast<int32_t>(numerator)) / static_cast<int32_t>(denominator);
    }
    case 6:
        return static_cast<int8_t>(value[0]);
    case 8:
        return static_cast<int16_t>(Read16(value));
    case 9:
        return static_cast<int32_t>(Read32(value));
    case 11: {
        const uint32_t bits = Read32(value);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    case 12: {
        // Doubles follow the block's byte order like every other number.
        const uint64_t first = Read32(value);
        const uint64_t second = Read32(value + 4);
        const uint64_t bits = m_motorolaOrder ? (first << 32 | second) : (second << 32 | first);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    default:
        return 0;
    }
}

WORD CPixExifReader::Read16(const BYTE* p) const
{
    if (m_motorolaOrder)
        return static_cast<WORD>(p[0] << 8 | p[1]);
    return static_cast<WORD>(p[1] << 8 | p[0]);
}

DWORD CPixExifReader::Read32(const BYTE* p) const
{
    if (m_motorolaOrder)
        return static_cast<DWORD>(p[0]) << 24 | static_cast<DWORD>(p[1]) << 16 | static_cast<DWORD>(p[2]) << 8 | p[3];
    return static_cast<DWORD>(p[3]) << 24 | static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[1]) << 8 | p[0];
}

void CPixExifReader::ParseComment(const BYTE* segment, DWORD length)
{
    const DWORD end = std::min(length, kCommentWindow);
    char* out = m_pRecord->comments;
    std::size_t n = 0;
    for (DWORD i = 2; i < end; ++i) {
        const BYTE c = segment[i];
        if (c == '\r' && i + 1 < end && segment[i + 1] == '\n')
            continue;
        out[n++] = (IsPrintable(c) || c == '\n' || c == '\t') ? static_cast<char>(c) : '?';
    }
    out[n] = 0;
}

void CPixExifReader::ParseFrameHeader(const BYTE* segment, DWORD length, int marker)
{
    // Length bytes, precision, height, width, component count.
    if (length < 8)
        return;
    m_pRecord->height = segment[3] << 8 | segment[4];
    m_pRecord->width = segment[5] << 8 | segment[6];
    m_pRecord->isColor = segment[7] == 3 ? 1 : 0;
    m_pRecord->process = marker;
}
