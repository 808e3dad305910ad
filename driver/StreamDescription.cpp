#include "driver/StreamDescription.h"

namespace {

constexpr ULONG kRgb24Bytes320x240 = 320 * 240 * 3;

const KSPROPERTY_ITEM kDecoderProperties[] = {
    {KSPROPERTY_VIDEODECODER_CAPS, TRUE, sizeof(KSPROPERTY_VIDEODECODER_CAPS_S),
     sizeof(KSPROPERTY_VIDEODECODER_CAPS_S), FALSE},
    {KSPROPERTY_VIDEODECODER_STANDARD, TRUE, sizeof(KSPROPERTY_VIDEODECODER_S), sizeof(KSPROPERTY_VIDEODECODER_S),
     TRUE},
    {KSPROPERTY_VIDEODECODER_STATUS, TRUE, sizeof(KSPROPERTY_VIDEODECODER_STATUS_S),
     sizeof(KSPROPERTY_VIDEODECODER_STATUS_S), FALSE},
    {KSPROPERTY_VIDEODECODER_VCR_TIMING, TRUE, sizeof(KSPROPERTY_VIDEODECODER_S), sizeof(KSPROPERTY_VIDEODECODER_S),
     TRUE},
    {KSPROPERTY_VIDEODECODER_OUTPUT_ENABLE, TRUE, sizeof(KSPROPERTY_VIDEODECODER_S),
     sizeof(KSPROPERTY_VIDEODECODER_S), TRUE},
};

const KSPROPERTY_ITEM kVideoControlProperties[] = {
    {KSPROPERTY_VIDEOCONTROL_CAPS, TRUE, sizeof(KSPROPERTY_VIDEOCONTROL_CAPS_S),
     sizeof(KSPROPERTY_VIDEOCONTROL_CAPS_S), FALSE},
    {KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE, TRUE, sizeof(KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S),
     sizeof(KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S), FALSE},
    {KSPROPERTY_VIDEOCONTROL_FRAME_RATES, TRUE, sizeof(KSPROPERTY), sizeof(KSMULTIPLE_ITEM), FALSE},
    {KSPROPERTY_VIDEOCONTROL_MODE, TRUE, sizeof(KSPROPERTY_VIDEOCONTROL_MODE_S), sizeof(KSPROPERTY_VIDEOCONTROL_MODE_S),
     TRUE},
};

const KSPROPERTY_ITEM kCompressionProperties[] = {
    {KSPROPERTY_VIDEOCOMPRESSION_GETINFO, TRUE, sizeof(KSPROPERTY_VIDEOCOMPRESSION_GETINFO_S),
     sizeof(KSPROPERTY_VIDEOCOMPRESSION_GETINFO_S), FALSE},
    {KSPROPERTY_VIDEOCOMPRESSION_KEYFRAME_RATE, TRUE, sizeof(KSPROPERTY_VIDEOCOMPRESSION_S),
     sizeof(KSPROPERTY_VIDEOCOMPRESSION_S), TRUE},
    {KSPROPERTY_VIDEOCOMPRESSION_PFRAMES_PER_KEYFRAME, TRUE, sizeof(KSPROPERTY_VIDEOCOMPRESSION_S),
     sizeof(KSPROPERTY_VIDEOCOMPRESSION_S), TRUE},
    {KSPROPERTY_VIDEOCOMPRESSION_QUALITY, TRUE, sizeof(KSPROPERTY_VIDEOCOMPRESSION_S),
     sizeof(KSPROPERTY_VIDEOCOMPRESSION_S), TRUE},
};

const KSPROPERTY_SET kDevicePropertySets[] = {
    {&PROPSETID_VIDCAP_VIDEODECODER, 5, kDecoderProperties},
    {&PROPSETID_VIDCAP_VIDEOCONTROL, 4, kVideoControlProperties},
    {&PROPSETID_VIDCAP_VIDEOCOMPRESSION, 4, kCompressionProperties},
};

const KSPROPERTY_ITEM kConnectionProperties[] = {
    {KSPROPERTY_CONNECTION_ALLOCATORFRAMING, TRUE, sizeof(KSPROPERTY), sizeof(KSALLOCATOR_FRAMING), FALSE},
};

const KSPROPERTY_ITEM kDroppedFramesProperties[] = {
    {KSPROPERTY_DROPPEDFRAMES_CURRENT, TRUE, sizeof(KSPROPERTY_DROPPEDFRAMES_CURRENT_S),
     sizeof(KSPROPERTY_DROPPEDFRAMES_CURRENT_S), FALSE},
};

const KSPROPERTY_SET kPinPropertySets[] = {
    {&KSPROPSETID_Connection, 1, kConnectionProperties},
    {&PROPSETID_VIDCAP_DROPPEDFRAMES, 1, kDroppedFramesProperties},
};

const GUID kFilterCategories[] = {KSCATEGORY_CAPTURE};

const KSTOPOLOGY kTopology = {1, kFilterCategories, 0, nullptr, 0, nullptr, nullptr, 0};

const KSPIN_MEDIUM kCaptureMedium = {KSMEDIUMSETID_Standard, 0, 0};

const KSDATAFORMAT* const kCaptureFormats[] = {&kCaptureRange.DataRange};

}  // namespace

const KS_DATARANGE_VIDEO kCaptureRange = {
    {sizeof(KS_DATARANGE_VIDEO), 0, kRgb24Bytes320x240, 0, KSDATAFORMAT_TYPE_VIDEO, MEDIASUBTYPE_RGB24,
     KSDATAFORMAT_SPECIFIER_VIDEOINFO},
    TRUE,  // bFixedSizeSamples
    TRUE,  // bTemporalCompression
    0,     // StreamDescriptionFlags
    0,     // MemoryAllocationFlags
    {
        KSDATAFORMAT_SPECIFIER_VIDEOINFO,
        KS_AnalogVideo_NTSC_M | KS_AnalogVideo_PAL_B,
        {720, 480},          // InputSize
        {160, 120},          // MinCroppingSize
        {720, 480},          // MaxCroppingSize
        8, 1, 8, 1,          // CropGranularityX/Y, CropAlignX/Y
        {160, 120},          // MinOutputSize
        {720, 480},          // MaxOutputSize
        8, 1,                // OutputGranularityX/Y
        0, 0, 0, 0,          // stretch and shrink taps
        333333,              // MinFrameInterval: 30 frames per second
        640000000,           // MaxFrameInterval: one frame in 64 s
        13824000,            // MinBitsPerSecond
        248832000,           // MaxBitsPerSecond
    },
    {
        {0, 0, 0, 0},
        {0, 0, 0, 0},
        6912000,  // dwBitRate
        0,        // dwBitErrorRate
        333333,   // AvgTimePerFrame
        {sizeof(KS_BITMAPINFOHEADER), 320, 240, 1, 24, KS_BI_RGB, kRgb24Bytes320x240, 0, 0, 0, 0},
    },
};

const HW_STREAM_HEADER kStreamHeader = {
    1,                                   // NumberOfStreams
    sizeof(HW_STREAM_INFORMATION),       // SizeOfHwStreamInformation
    3,                                   // NumDevPropArrayEntries
    kDevicePropertySets,
    0,
    nullptr,
    &kTopology,
    nullptr,
    0,
    nullptr,
};

const HW_STREAM_INFORMATION kStreamInformation = {
    64,                  // NumberOfPossibleInstances
    KSPIN_DATAFLOW_OUT,
    TRUE,                // DataAccessible
    1,
    kCaptureFormats,
    {nullptr, nullptr, nullptr, nullptr},
    2,
    kPinPropertySets,
    0,
    nullptr,
    &PINNAME_VIDEO_CAPTURE,  // Category
    &PINNAME_VIDEO_CAPTURE,  // Name
    1,
    &kCaptureMedium,
    FALSE,  // BridgeStream
    {0, 0},
};
