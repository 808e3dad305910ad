// Property sets of video capture devices and pins: identifiers, property ids and the payloads,
// each with the platform's byte layout.
#pragma once

#include <cstddef>

#include "platform/ks/ks_formats.h"

inline constexpr GUID PROPSETID_VIDCAP_VIDEODECODER = {
    0xC6E13350, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
inline constexpr GUID PROPSETID_VIDCAP_VIDEOCONTROL = {
    0x6A2E0670, 0x28E4, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
inline constexpr GUID PROPSETID_VIDCAP_VIDEOCOMPRESSION = {
    0xC6E13343, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
inline constexpr GUID PROPSETID_VIDCAP_DROPPEDFRAMES = {
    0xC6E13344, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
inline constexpr GUID KSPROPSETID_Connection = {
    0x1D58C920, 0xAC9B, 0x11CF, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};

// Video decoder set. The two read-write values 3 and 4 are numbered as our device serves them.
constexpr ULONG KSPROPERTY_VIDEODECODER_CAPS = 0;
constexpr ULONG KSPROPERTY_VIDEODECODER_STANDARD = 1;
constexpr ULONG KSPROPERTY_VIDEODECODER_STATUS = 2;
constexpr ULONG KSPROPERTY_VIDEODECODER_VCR_TIMING = 3;
constexpr ULONG KSPROPERTY_VIDEODECODER_OUTPUT_ENABLE = 4;

constexpr ULONG KS_VIDEODECODER_FLAGS_CAN_DISABLE_OUTPUT = 0x0001;
constexpr ULONG KS_VIDEODECODER_FLAGS_CAN_USE_VCR_LOCKING = 0x0002;
constexpr ULONG KS_VIDEODECODER_FLAGS_CAN_INDICATE_LOCKED = 0x0004;

struct KSPROPERTY_VIDEODECODER_CAPS_S {
    KSPROPERTY Property;
    ULONG StandardsSupported;
    ULONG Capabilities;
    ULONG SettlingTime;
    ULONG HSyncPerVSync;
};
static_assert(sizeof(KSPROPERTY_VIDEODECODER_CAPS_S) == 40);

struct KSPROPERTY_VIDEODECODER_STATUS_S {
    KSPROPERTY Property;
    ULONG NumberOfLines;
    ULONG SignalLocked;
};
static_assert(sizeof(KSPROPERTY_VIDEODECODER_STATUS_S) == 32);

struct KSPROPERTY_VIDEODECODER_S {
    KSPROPERTY Property;
    ULONG Value;
};
static_assert(sizeof(KSPROPERTY_VIDEODECODER_S) == 32);
static_assert(offsetof(KSPROPERTY_VIDEODECODER_S, Value) == 24);

// Video control set.
constexpr ULONG KSPROPERTY_VIDEOCONTROL_CAPS = 0;
constexpr ULONG KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE = 1;
constexpr ULONG KSPROPERTY_VIDEOCONTROL_FRAME_RATES = 2;
constexpr ULONG KSPROPERTY_VIDEOCONTROL_MODE = 3;

struct KSPROPERTY_VIDEOCONTROL_CAPS_S {
    KSPROPERTY Property;
    ULONG StreamIndex;
    ULONG VideoControlCaps;
};
static_assert(sizeof(KSPROPERTY_VIDEOCONTROL_CAPS_S) == 32);

struct KSPROPERTY_VIDEOCONTROL_MODE_S {
    KSPROPERTY Property;
    ULONG StreamIndex;
    LONG Mode;
};
static_assert(sizeof(KSPROPERTY_VIDEOCONTROL_MODE_S) == 32);

struct KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S {
    KSPROPERTY Property;
    ULONG StreamIndex;
    ULONG RangeIndex;
    SIZE Dimensions;
    LONGLONG CurrentActualFrameRate;
    LONGLONG CurrentMaxAvailableFrameRate;
};
static_assert(sizeof(KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S) == 56);
static_assert(offsetof(KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S, CurrentActualFrameRate) == 40);

struct KSPROPERTY_VIDEOCONTROL_FRAME_RATES_S {
    KSPROPERTY Property;
    ULONG StreamIndex;
    ULONG RangeIndex;
    SIZE Dimensions;
};
static_assert(sizeof(KSPROPERTY_VIDEOCONTROL_FRAME_RATES_S) == 40);

// Video compression set.
constexpr ULONG KSPROPERTY_VIDEOCOMPRESSION_GETINFO = 0;
constexpr ULONG KSPROPERTY_VIDEOCOMPRESSION_KEYFRAME_RATE = 1;
constexpr ULONG KSPROPERTY_VIDEOCOMPRESSION_PFRAMES_PER_KEYFRAME = 2;
constexpr ULONG KSPROPERTY_VIDEOCOMPRESSION_QUALITY = 3;

constexpr LONG KS_CompressionCaps_CanQuality = 0x0001;
constexpr LONG KS_CompressionCaps_CanCrunch = 0x0002;
constexpr LONG KS_CompressionCaps_CanKeyFrame = 0x0004;
constexpr LONG KS_CompressionCaps_CanBFrame = 0x0008;

struct KSPROPERTY_VIDEOCOMPRESSION_GETINFO_S {
    KSPROPERTY Property;
    ULONG StreamIndex;
    LONG DefaultKeyFrameRate;
    LONG DefaultPFrameRate;
    LONG DefaultQuality;
    LONG NumberOfQualitySettings;
    LONG Capabilities;
};
static_assert(sizeof(KSPROPERTY_VIDEOCOMPRESSION_GETINFO_S) == 48);
static_assert(offsetof(KSPROPERTY_VIDEOCOMPRESSION_GETINFO_S, Capabilities) == 44);

struct KSPROPERTY_VIDEOCOMPRESSION_S {
    KSPROPERTY Property;
    ULONG StreamIndex;
    LONG Value;
};
static_assert(sizeof(KSPROPERTY_VIDEOCOMPRESSION_S) == 32);

// Dropped-frames set (pins).
constexpr ULONG KSPROPERTY_DROPPEDFRAMES_CURRENT = 0;

struct KSPROPERTY_DROPPEDFRAMES_CURRENT_S {
    KSPROPERTY Property;
    LONGLONG PictureNumber;
    LONGLONG DropCount;
    ULONG AverageFrameSize;
};
static_assert(sizeof(KSPROPERTY_DROPPEDFRAMES_CURRENT_S) == 48);
static_assert(offsetof(KSPROPERTY_DROPPEDFRAMES_CURRENT_S, AverageFrameSize) == 40);

// Connection set (pins).
constexpr ULONG KSPROPERTY_CONNECTION_ALLOCATORFRAMING = 3;
