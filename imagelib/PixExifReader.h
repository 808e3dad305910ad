// The JPEG marker scanner: keeps copies of the segments in front of the scan and fills an Exif
// record from the frame header, the first comment and any Exif block (a TIFF structure in either
// byte order). Hostile files are expected: every length, offset and directory link is checked
// against the segment it lies in, and a directory is never parsed twice.
#pragma once

#include "platform/win32/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CPixStream;

// What a JPEG's header segments say about the picture. Texts are NUL-terminated.
struct CPixExifRecord {
    char version[5];
    char cameraMake[32];
    char cameraModel[40];
    char dateTime[20];
    int32_t height;
    int32_t width;
    int32_t orientation;       // 1..8, or 0 when absent or undefined
    int32_t isColor;
    int32_t process;           // the frame header's marker code, 0xC0..0xCF
    int32_t flashUsed;
    float focalLength;
    float exposureTime;
    float apertureFNumber;
    float distance;
    float ccdWidth;            // sensor width, computed from the focal-plane fields
    float exposureBias;
    int32_t lightSource;
    int32_t meteringMode;
    int32_t exposureProgram;
    int32_t isoEquivalent;
    int32_t compressionLevel;
    float focalPlaneXRes;
    float focalPlaneYRes;
    float focalPlaneUnits;
    float xResolution;
    float yResolution;
    float resolutionUnit;      // factor to inches: 1.0 for inches, 1/2.54 for centimetres, ...
    float brightness;
    char comments[1000];
    const BYTE* thumbnailPointer; // into the reader's copy of the Exif segment; valid while it lives
    DWORD thumbnailSize;
    BYTE isExif;
};

class CPixExifReader {
public:
    // Fills `record`, or a record of its own when given null.
    explicit CPixExifReader(CPixExifRecord* record = nullptr);
    CPixExifReader(const CPixExifReader&) = delete;
    CPixExifReader& operator=(const CPixExifReader&) = delete;

    // Reads the segments from the stream's position up to the start of the scan.
    bool ScanSections(CPixStream* stream);
    // `block` starts at the "Exif" signature and holds `length` bytes.
    bool ParseExif(const BYTE* block, DWORD length);

    const CPixExifRecord& GetRecord() const { return *m_pRecord; }
    const char* GetLastErrorText() const { return m_lastError; }
    int GetSectionCount() const { return m_sectionCount; }

    static constexpr int kMaxSections = 20;

private:
    struct Section {
        std::unique_ptr<BYTE[]> data; // the whole segment, its two length bytes first
        int marker = 0;
        DWORD length = 0;
    };

    // `length` is the TIFF data's length from `base`; `directory` lies inside it. Depth 0 is the
    // first directory, the one that describes the picture.
    bool ParseDirectory(DWORD directory, const BYTE* base, DWORD length, int depth);
    void StoreTag(WORD tag, WORD format, DWORD count, const BYTE* value, DWORD byteCount);
    double ValueAsNumber(const BYTE* value, int format) const;
    WORD Read16(const BYTE* p) const;
    DWORD Read32(const BYTE* p) const;
    void ParseComment(const BYTE* segment, DWORD length);
    void ParseFrameHeader(const BYTE* segment, DWORD length, int marker);
    bool Fail(const char* text);
    void DropLastSection();

    CPixExifRecord* m_pRecord;
    char m_lastError[256] = {};
    int32_t m_exifImageWidth = 0;
    int32_t m_motorolaOrder = 0; // 0 = "II" little-endian, 1 = "MM" big-endian
    std::array<Section, kMaxSections> m_sections;
    int m_sectionCount = 0;
    std::unique_ptr<CPixExifRecord> m_ownRecord;
    // Directories of the Exif block being parsed, by offset, so links that loop are cut.
    std::vector<DWORD> m_visited;
};
