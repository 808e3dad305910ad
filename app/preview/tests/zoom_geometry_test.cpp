// The preview's arithmetic: zoom steps at their bounds, the crop for portrait, landscape and square
// sources with the pan clamped, the fitted picture and the pan/tilt grid.
#include "app/preview/ZoomGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(ZoomStep, StopsAtTheBoundsWithoutReachingOne)
{
    double zoom = 0.0;
    for (int click = 0; click < 20; ++click) zoom = StepZoom(zoom, 0.05).zoom;
    EXPECT_EQ(zoom, 0.99); // the twentieth step sums to just above 1.0
    EXPECT_FALSE(StepZoom(zoom, 0.05).changed);
    EXPECT_DOUBLE_EQ(StepZoom(zoom, -0.05).zoom, 0.94);

    EXPECT_FALSE(StepZoom(0.0, -0.05).changed);
    const ZoomStepResult toZero = StepZoom(0.03, -0.05);
    EXPECT_TRUE(toZero.changed);
    EXPECT_EQ(toZero.zoom, 0.0);
    const ZoomStepResult toTop = StepZoom(0.97, 0.05);
    EXPECT_TRUE(toTop.changed);
    EXPECT_EQ(toTop.zoom, 0.99);
}

TEST(ZoomCrop, CutsTheLongerSideAndWhatDoesNotFitTheWindow)
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
        {"portrait not zoomed: nothing to pan", 0.0, 480, 640, 320, 240, 0, 0, {0, 0, 480, 640}, {}},
        // cutY 320; shown width 480*240/320 = 360 > 320: cutX (360-320)*320/240 = 53.
        {"portrait at 0.5", 0.5, 480, 640, 320, 240, 0, 0, {26, 160, 454, 480}, {-26, 26, -160, 160}},
        // cutX 100; shown height 200*320/100 = 640 > 240: cutY 100*400/320 = 125.
        {"square at 0.5 in a wide window", 0.5, 200, 200, 320, 240, 0, 0, {50, 62, 150, 138}, {-50, 50, -62, 62}},
        {"pan within the limits", 0.5, 640, 480, 320, 240, -100, 50, {60, 170, 380, 410}, {-160, 160, -120, 120}},
        {"pan clamped to the limits", 0.5, 640, 480, 320, 240, 1000, -1000, {320, 0, 640, 240}, {-160, 160, -120, 120}},
        // cutX 99; shown height 50*100/1 = 5000 > 50: cutY 1*4950/100 = 49.
        {"a zoom above the top counts as 0.99", 5.0, 100, 50, 100, 50, 0, 0, {49, 24, 51, 26}, {-49, 49, -24, 24}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ZoomCrop result = ComputeCrop(c.zoom, c.w, c.h, c.clientW, c.clientH, c.panX, c.panY);
        EXPECT_EQ(result.crop.left, c.crop.left);
        EXPECT_EQ(result.crop.top, c.crop.top);
        EXPECT_EQ(result.crop.right, c.crop.right);
        EXPECT_EQ(result.crop.bottom, c.crop.bottom);
        EXPECT_EQ(result.limits.minX, c.limits.minX);
        EXPECT_EQ(result.limits.maxX, c.limits.maxX);
        EXPECT_EQ(result.limits.minY, c.limits.minY);
        EXPECT_EQ(result.limits.maxY, c.limits.maxY);
        EXPECT_EQ(result.panX, result.crop.left - (c.w - (result.crop.right - result.crop.left)) / 2);
    }
}

TEST(ZoomCrop, EmptySourceOrWindowIsNotCutAndDividesByNothing)
{
    struct Case {
        LONG w, h, clientW, clientH;
    };
    const Case cases[] = {{0, 0, 320, 240}, {0, 480, 320, 240}, {640, 0, 320, 240}, {640, 480, 0, 0}, {-5, 10, 320, 240}};
    for (const Case& c : cases) {
        const ZoomCrop result = ComputeCrop(0.5, c.w, c.h, c.clientW, c.clientH, 7, 7);
        EXPECT_EQ(result.crop.left, 0);
        EXPECT_EQ(result.crop.top, 0);
        EXPECT_EQ(result.crop.right, c.w > 0 ? c.w : 0);
        EXPECT_EQ(result.crop.bottom, c.h > 0 ? c.h : 0);
        EXPECT_EQ(result.panX, 0);
        EXPECT_EQ(result.panY, 0);
    }
}

TEST(FitPicture, KeepsProportionsCentredWithBars)
{
    struct Case {
        LONG w, h, clientW, clientH;
        RECT expected;
    };
    const Case cases[] = {
        {640, 480, 320, 240, {0, 0, 320, 240}},
        {100, 100, 320, 240, {40, 0, 280, 240}},
        {320, 100, 320, 240, {0, 70, 320, 170}},
        {3, 2, 320, 240, {0, 13, 320, 226}},
        {0, 480, 320, 240, {0, 0, 0, 0}},
        {640, 480, 0, 240, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const RECT r = FitPicture(c.w, c.h, c.clientW, c.clientH);
        EXPECT_EQ(r.left, c.expected.left) << c.w << "x" << c.h;
        EXPECT_EQ(r.top, c.expected.top) << c.w << "x" << c.h;
        EXPECT_EQ(r.right, c.expected.right) << c.w << "x" << c.h;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.w << "x" << c.h;
    }
}

TEST(GridCell, ThirdsOfTheClientArea)
{
    struct Case {
        LONG x, y;
        int cell;
    };
    // 300 x 90: thirds at 100 and 200, rows at 30 and 60; a point on a line belongs before it.
    const Case cases[] = {{0, 0, 0},    {100, 30, 0},  {101, 0, 1},  {200, 0, 1}, {201, 0, 2}, {0, 31, 3},
                          {150, 45, 4}, {299, 60, 5},  {0, 61, 6},   {150, 89, 7}, {299, 89, 8}};
    for (const Case& c : cases) EXPECT_EQ(GridCell(c.x, c.y, 300, 90), c.cell) << c.x << "," << c.y;
}

} // namespace
