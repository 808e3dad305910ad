// The preview's arithmetic, apart from any window: the zoom step, the crop a zoom fraction and pan
// give for a source in a client area, where a picture is painted, and the pan/tilt grid.
#pragma once

#include "platform/win32/types.h"

// The zoom fraction after a step of +0.05 or -0.05 from `zoom`, or nothing when the step changes
// nothing (already at 0.99 going up, already at 0 going down). The top is 0.99, never 1.0.
struct ZoomStepResult {
    bool changed;
    double zoom;
};
ZoomStepResult StepZoom(double zoom, double step);

struct PanLimits {
    LONG minX = 0, maxX = 0, minY = 0, maxY = 0;
};

struct ZoomCrop {
    RECT crop;        // in source pixels, top counted from the top
    PanLimits limits; // half of each cut either way
    LONG panX, panY;  // the pan clamped into the limits
};

// Cuts `zoom` of the source along its longer side (the width when square) and along the other
// side what does not fit the client area at the resulting scale; the crop is centred, then moved
// by the pan. A source or client area without pixels is not cut at all.
ZoomCrop ComputeCrop(double zoom, LONG sourceWidth, LONG sourceHeight, LONG clientWidth, LONG clientHeight,
                     LONG panX, LONG panY);

// The rectangle a picture is painted in: as large as fits the client area with its proportions,
// centred. Empty when the picture or the client area has no pixels.
RECT FitPicture(LONG pictureWidth, LONG pictureHeight, LONG clientWidth, LONG clientHeight);

// The pan/tilt grid: the client area cut into thirds. Cells are numbered row by row from the top
// left, 0 to 8.
int GridCell(LONG x, LONG y, LONG clientWidth, LONG clientHeight);
