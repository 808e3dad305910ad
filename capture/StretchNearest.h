// The one nearest-neighbour scaler of the frame road: output formats, deinterlacing, peer picture.
#pragma once

#include "capture/FrameSize.h"
#include "platform/win32/types.h"

// Scales a 24-bit bottom-up picture into another; both have rows of FrameStride bytes. Destination
// pixel (j, i) is source pixel (trunc(j x srcWidth / dstWidth), trunc(i x srcHeight / dstHeight)),
// the ratios taken in double precision. Fill bytes at the ends of destination rows are not
// written. Equal sizes copy the whole picture. Nothing happens for a null picture or a side that
// is not positive.
void StretchNearest(const BYTE* src, const FrameSize& srcSize, BYTE* dst, const FrameSize& dstSize);
