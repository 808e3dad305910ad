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

// A picture already scaled from the same source to the same width (another height): the rows it
// holds are copied from it rather than scaled again. No pixels, or another width, is no help.
struct NearestDonor {
    const BYTE* pixels = nullptr;
    FrameSize size{0, 0};
};
void StretchNearest(const BYTE* src, const FrameSize& srcSize, BYTE* dst, const FrameSize& dstSize,
                    const NearestDonor& donor);
