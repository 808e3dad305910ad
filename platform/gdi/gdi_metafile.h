// Metafiles: Windows metafiles (as carried by placeable files) and enhanced metafiles, made from
// their bytes and played into a context. Playing draws through this layer's own calls; records it
// does not draw are skipped, and record, object and save counts are bounded, so a hostile
// metafile ends early rather than crashing or hanging.
#pragma once

#include "platform/gdi/gdi_types.h"

struct HENHMETAFILE__;
using HENHMETAFILE = HENHMETAFILE__*;

constexpr LONG MM_TEXT = 1;
constexpr LONG MM_LOMETRIC = 2;
constexpr LONG MM_HIMETRIC = 3;
constexpr LONG MM_LOENGLISH = 4;
constexpr LONG MM_HIENGLISH = 5;
constexpr LONG MM_TWIPS = 6;
constexpr LONG MM_ISOTROPIC = 7;
constexpr LONG MM_ANISOTROPIC = 8;

// How a Windows metafile is to be sized: extents in hundredths of a millimetre.
struct METAFILEPICT {
    LONG mm;
    LONG xExt;
    LONG yExt;
    void* hMF;
};

struct ENHMETAHEADER {
    DWORD iType;
    DWORD nSize;
    RECT rclBounds;
    RECT rclFrame;
    DWORD dSignature;
    DWORD nVersion;
    DWORD nBytes;
    DWORD nRecords;
    WORD nHandles;
    WORD sReserved;
    DWORD nDescription;
    DWORD offDescription;
    DWORD nPalEntries;
    SIZE szlDevice;
    SIZE szlMillimeters;
};
static_assert(sizeof(ENHMETAHEADER) == 88);

// A Windows metafile (from its 18-byte header on) kept with its picture description; the
// reference context gives the resolution the description's extents are measured against. Null
// when the bytes are not a metafile.
HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC reference, const METAFILEPICT* picture);
// An enhanced metafile from its bytes; null when the header is not one.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits);
// Copies up to size bytes of the header (or returns its size when header is null); 0 on failure.
// A Windows metafile reports bounds in pixels of the reference context.
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// Draws the picture so that its frame fills rect.
BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);
// The palette an enhanced metafile carries in its end record: up to count entries copied (the
// number it carries when entries is null); 0 for none, GDI_ERROR for a bad handle.
UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT count, PALETTEENTRY* entries);
