// Kernel-streaming structures that describe formats, properties and frames. They hold no
// pointers and keep the platform's byte layout, because clients in other processes send and
// receive them as they stand.
#pragma once

#include <cstddef>

#include "platform/ks/ks_guid.h"
#include "platform/win32/types.h"
#include "platform/win32/video_info.h"

using KSPIN_DATAFLOW = std::int32_t;
constexpr KSPIN_DATAFLOW KSPIN_DATAFLOW_IN = 1;
constexpr KSPIN_DATAFLOW KSPIN_DATAFLOW_OUT = 2;

// Set, id and flags; eight-byte aligned like the platform's union with a 64-bit member.
struct alignas(8) KSIDENTIFIER {
    GUID Set;
    ULONG Id;
    ULONG Flags;
};
using KSPROPERTY = KSIDENTIFIER;
using KSPIN_MEDIUM = KSIDENTIFIER;
static_assert(sizeof(KSPROPERTY) == 24);
static_assert(offsetof(KSPROPERTY, Id) == 16);
static_assert(offsetof(KSPROPERTY, Flags) == 20);

constexpr ULONG KSPROPERTY_TYPE_GET = 0x00000001;
constexpr ULONG KSPROPERTY_TYPE_SET = 0x00000002;

struct alignas(8) KSDATAFORMAT {
    ULONG FormatSize;
    ULONG Flags;
    ULONG SampleSize;
    ULONG Reserved;
    GUID MajorFormat;
    GUID SubFormat;
    GUID Specifier;
};
using KSDATARANGE = KSDATAFORMAT;
static_assert(sizeof(KSDATAFORMAT) == 64);
static_assert(offsetof(KSDATAFORMAT, SampleSize) == 8);
static_assert(offsetof(KSDATAFORMAT, MajorFormat) == 16);
static_assert(offsetof(KSDATAFORMAT, SubFormat) == 32);
static_assert(offsetof(KSDATAFORMAT, Specifier) == 48);

// Kernel streaming uses the same layouts as files and the capture layer.
using KS_BITMAPINFOHEADER = BITMAPINFOHEADER;
using KS_VIDEOINFOHEADER = VIDEOINFOHEADER;
using KS_VIDEO_STREAM_CONFIG_CAPS = VIDEO_STREAM_CONFIG_CAPS;

constexpr DWORD KS_BI_RGB = 0;

struct KS_DATARANGE_VIDEO {
    KSDATARANGE DataRange;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG StreamDescriptionFlags;
    ULONG MemoryAllocationFlags;
    KS_VIDEO_STREAM_CONFIG_CAPS ConfigCaps;
    KS_VIDEOINFOHEADER VideoInfoHeader;
};
static_assert(sizeof(KS_DATARANGE_VIDEO) == 296);
static_assert(offsetof(KS_DATARANGE_VIDEO, bFixedSizeSamples) == 64);
static_assert(offsetof(KS_DATARANGE_VIDEO, MemoryAllocationFlags) == 76);
static_assert(offsetof(KS_DATARANGE_VIDEO, ConfigCaps) == 80);
static_assert(offsetof(KS_DATARANGE_VIDEO, VideoInfoHeader) == 208);

struct KS_DATAFORMAT_VIDEOINFOHEADER {
    KSDATAFORMAT DataFormat;
    KS_VIDEOINFOHEADER VideoInfoHeader;
};
static_assert(sizeof(KS_DATAFORMAT_VIDEOINFOHEADER) == 152);
static_assert(offsetof(KS_DATAFORMAT_VIDEOINFOHEADER, VideoInfoHeader) == 64);

// The platform's two handles are 32-bit on the wire.
struct KS_FRAME_INFO {
    ULONG ExtendedHeaderSize;
    DWORD dwFrameFlags;
    LONGLONG PictureNumber;
    LONGLONG DropCount;
    std::uint32_t hDirectDraw;
    std::uint32_t hSurfaceHandle;
    RECT DirectDrawRect;
    ULONG Reserved1;
    ULONG Reserved2;
    ULONG Reserved3;
    ULONG Reserved4;
};
static_assert(sizeof(KS_FRAME_INFO) == 64);
static_assert(offsetof(KS_FRAME_INFO, PictureNumber) == 8);
static_assert(offsetof(KS_FRAME_INFO, DropCount) == 16);
static_assert(offsetof(KS_FRAME_INFO, hSurfaceHandle) == 28);
static_assert(offsetof(KS_FRAME_INFO, DirectDrawRect) == 32);
static_assert(offsetof(KS_FRAME_INFO, Reserved1) == 48);

struct KSALLOCATOR_FRAMING {
    ULONG OptionsFlags;
    ULONG PoolType;
    ULONG Frames;
    ULONG FrameSize;
    ULONG FileAlignment;
    ULONG Reserved;
};
static_assert(sizeof(KSALLOCATOR_FRAMING) == 24);
static_assert(offsetof(KSALLOCATOR_FRAMING, FrameSize) == 12);

constexpr ULONG KSALLOCATOR_REQUIREMENTF_INPLACE_MODIFIER = 0x00000001;
constexpr ULONG KSALLOCATOR_REQUIREMENTF_SYSTEM_MEMORY = 0x00000002;
constexpr ULONG KSALLOCATOR_REQUIREMENTF_PREFERENCES_ONLY = 0x80000000;

struct KSMULTIPLE_ITEM {
    ULONG Size;
    ULONG Count;
};
static_assert(sizeof(KSMULTIPLE_ITEM) == 8);

// Analog video standards (bit values).
constexpr ULONG KS_AnalogVideo_NTSC_M = 0x00000001;
constexpr ULONG KS_AnalogVideo_NTSC_M_J = 0x00000002;
constexpr ULONG KS_AnalogVideo_NTSC_433 = 0x00000004;
constexpr ULONG KS_AnalogVideo_PAL_B = 0x00000010;
constexpr ULONG KS_AnalogVideo_PAL_D = 0x00000020;
constexpr ULONG KS_AnalogVideo_PAL_M = 0x00000200;
constexpr ULONG KS_AnalogVideo_PAL_N = 0x00000400;
constexpr ULONG KS_AnalogVideo_NTSC_Mask = 0x00000007;

// Format, category and medium identifiers.
inline constexpr GUID KSDATAFORMAT_TYPE_VIDEO = {
    0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID KSDATAFORMAT_SPECIFIER_VIDEOINFO = {
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID KSCATEGORY_CAPTURE = {
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
inline constexpr GUID PINNAME_VIDEO_CAPTURE = {
    0xFB6C4281, 0x0353, 0x11D1, {0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID KSMEDIUMSETID_Standard = {
    0x4747B320, 0x62CE, 0x11CF, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};
