// The driver's constant description of its one stream: the stream header and information
// that SRB_GET_STREAM_INFO returns, the property tables and the one data range.
#pragma once

#include "platform/ks/ks_properties.h"
#include "platform/ks/stream_class.h"

extern const KS_DATARANGE_VIDEO kCaptureRange;
extern const HW_STREAM_HEADER kStreamHeader;
extern const HW_STREAM_INFORMATION kStreamInformation;

constexpr ULONG kStreamDescriptorSize = sizeof(HW_STREAM_HEADER) + sizeof(HW_STREAM_INFORMATION);
static_assert(sizeof(HW_STREAM_DESCRIPTOR) == kStreamDescriptorSize);
