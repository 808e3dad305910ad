// Types, identifiers and result codes of the filter-graph layer, with the published values and
// layouts.
#pragma once

#include "platform/win32/com_base.h"
#include "platform/win32/types.h"
#include "platform/win32/video_info.h"

#include <cstddef>

using OAHWND = LONG_PTR;
using OAFilterState = LONG;
using OAEVENT = LONG_PTR;

enum FILTER_STATE : LONG {
    State_Stopped = 0,
    State_Paused = 1,
    State_Running = 2,
};

enum PIN_DIRECTION : LONG {
    PINDIR_INPUT = 0,
    PINDIR_OUTPUT = 1,
};

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};


// Media types, format types and pin categories.
inline constexpr GUID MEDIATYPE_Video = zv::win32::GuidFromText("{73646976-0000-0010-8000-00AA00389B71}");
inline constexpr GUID MEDIATYPE_Audio = zv::win32::GuidFromText("{73647561-0000-0010-8000-00AA00389B71}");
inline constexpr GUID FORMAT_VideoInfo = zv::win32::GuidFromText("{05589F80-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID PIN_CATEGORY_CAPTURE = zv::win32::GuidFromText("{FB6C4281-0353-11D1-905F-0000C0CC16BA}");
inline constexpr GUID PIN_CATEGORY_PREVIEW = zv::win32::GuidFromText("{FB6C4282-0353-11D1-905F-0000C0CC16BA}");

// Result codes.
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = MakeHresultConstant(0x80040200);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHresultConstant(0x80040204);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHresultConstant(0x80040207);
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHresultConstant(0x80040209);
constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHresultConstant(0x80040217);
constexpr HRESULT VFW_E_CANNOT_RENDER = MakeHresultConstant(0x80040218);
constexpr HRESULT VFW_E_NOT_STOPPED = MakeHresultConstant(0x80040224);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = MakeHresultConstant(0x8004025F);
constexpr HRESULT VFW_S_DUPLICATE_NAME = MakeHresultConstant(0x0004022D);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = MakeHresultConstant(0x00040237);
constexpr HRESULT VFW_S_CANT_CUE = MakeHresultConstant(0x00040268);
// A property the object does not have: HRESULT_FROM_WIN32(ERROR_NOT_FOUND).
constexpr HRESULT E_PROP_ID_UNSUPPORTED = MakeHresultConstant(0x80070490);

// Graph events.
constexpr LONG EC_COMPLETE = 0x01;
constexpr LONG EC_USERABORT = 0x02;
constexpr LONG EC_ERRORABORT = 0x03;
constexpr LONG EC_DEVICE_LOST = 0x1F;

// Video processing amplifier properties and flags.
enum VideoProcAmpProperty : LONG {
    VideoProcAmp_Brightness = 0,
    VideoProcAmp_Contrast = 1,
    VideoProcAmp_Hue = 2,
    VideoProcAmp_Saturation = 3,
    VideoProcAmp_Sharpness = 4,
    VideoProcAmp_Gamma = 5,
    VideoProcAmp_ColorEnable = 6,
    VideoProcAmp_WhiteBalance = 7,
    VideoProcAmp_BacklightCompensation = 8,
    VideoProcAmp_Gain = 9,
};
enum VideoProcAmpFlags : LONG {
    VideoProcAmp_Flags_Auto = 0x0001,
    VideoProcAmp_Flags_Manual = 0x0002,
};
