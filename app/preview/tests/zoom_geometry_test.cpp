// The preview's arithmetic: zoom steps at their bounds, and the crop for landscape, portrait and
// square sources with the pan clamped, an empty source included.
#include "app/preview/ZoomGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(ZoomGeometry, StepsStopAtTheBoundsWithoutReachingOne)
{
    double zoom = 0.0;
    for (int click = 0; click < 20; ++click) zoom = StepZoom(zoom, 0.05).zoom;
    EXPECT_EQ(zoom, 0.99); // the twentieth step sums to just above 1.0
    EXPECT_FALSE(StepZoom(zoom, 0.05).changed);
    EXPECT_DOUBLE_EQ(StepZoom(zoom, -0.05).zoom, 0.94);
    EXPECT_FALSE(StepZoom(0.0, -0.05).changed);
    EXPECT_EQ(StepZoom(0.03, -0.05).zoom, 0.0);
}

TEST(ZoomGeometry, CropCutsTheLongerSideAndWhatDoesNotFitTheWindow)
{
    struct Case {
        const char* name;
        double zoom;
        LONG w, h, clientW, clientH, panX, panY;
        RECT crop;
        PanLimits limits;
    };
    const Case cases[] = {
        {"landscape at 0.5", 0.5, 640, 480, 320, 240, 0, 0, {160, 120, 480, 360}, {-160, 160, -120, 120}},
        {"landscape not zoomed", 0.0, 640, 480, 320, 240, 0, 0, {0, 0, 640, 480}, {}},
        {"portrait not zoomed: nothing to pan", 0.0, 480, 640, 320, 240, 9, 9, {0, 0, 480, 640}, {}},
        // cutY 320; shown width 480*240/320 = 360 > 320: cutX (360-320)*320/240 = 53.
        {"portrait at 0.5", 0.5, 480, 640, 320, 240, 0, 0, {26, 160, 454, 480}, {-26, 26, -160, 160}},
        // cutX 100; shown height 200*320/100 = 640 > 240: cutY 100*400/320 = 125.
        {"square at 0.5", 0.5, 200, 200, 320, 240, 0, 0, {50, 62, 150, 138}, {-50, 50, -62, 62}},
        {"pan within the limits", 0.5, 640, 480, 320, 240, -100, 50, {60, 170, 380, 410}, {-160, 160, -120, 120}},
        {"pan clamped", 0.5, 640, 480, 320, 240, 1000, -1000, {320, 0, 640, 240}, {-160, 160, -120, 120}},
        {"empty source", 0.5, 0, 0, 320, 240, 5, 5, {0, 0, 0, 0}, {}},
        {"source without height", 0.5, 640, 0, 320, 240, 5, 5, {0, 0, 640, 0}, {}},
        {"window without size", 0.5, 640, 480, 0, 0, 5, 5, {0, 0, 640, 480}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ZoomCrop r = ComputeCrop(c.zoom, c.w, c.h, c.clientW, c.clientH, c.panX, c.panY);
        EXPECT_EQ(r.crop.left, c.crop.left);
        EXPECT_EQ(r.crop.top, c.crop.top);
        EXPECT_EQ(r.crop.right, c.crop.right);
        EXPECT_EQ(r.crop.bottom, c.crop.bottom);
        EXPECT_EQ(r.limits.minX, c.limits.minX);
        EXPECT_EQ(r.limits.maxX, c.limits.maxX);
        EXPECT_EQ(r.limits.minY, c.limits.minY);
        EXPECT_EQ(r.limits.maxY, c.limits.maxY);
    }
}

} // namespace
