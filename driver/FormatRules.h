// Matching a client's data range or format against the stream's data range.
#pragma once

#include "platform/ks/stream_class.h"

// Equal and not GUID_NULL, or exactly one of the two GUID_NULL (a wildcard).
bool GuidMatches(const GUID& a, const GUID& b);
// Major format, subformat and specifier match by GuidMatches; with `sizesMustAgree`, the two
// FormatSize values are equal as well.
bool RangeMatches(const KSDATARANGE& caller, const KSDATARANGE& ours, bool sizesMustAgree);
// a x b in 32 bits; false when the product overflowed.
bool MultiplyChecked(ULONG a, ULONG b, ULONG* product);

// SRB_GET_DATA_INTERSECTION: the format the stream offers within the caller's range.
NTSTATUS IntersectFormat(HW_STREAM_REQUEST_BLOCK* srb);
// Whether the stream accepts the format (FormatSize bytes of it are readable).
bool VerifyFormat(const KS_DATAFORMAT_VIDEOINFOHEADER* format, ULONG streamNumber);
