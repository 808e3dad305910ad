// The preview window on the headless display: clicks and wheel zoom, both buttons reset, a drag
// pans the preview's own copy of the still picture, the picture is painted fitted with black bars
// (none or an empty one black), frames are read within their stated length, the still-picture
// levels follow at once and reach the parent once settled, and the keys.
#include "app/preview/ZoomGeometry.h"
#include "app/preview/tests/preview_test_support.h"
#include "app/settings/ConfigStore.h"
#include "platform/user/timers.h"

#include <gtest/gtest.h>

namespace {

using namespace preview_test;
namespace headless = zv::user::headless;

class PreviewWindowTest : public PreviewTest {};

TEST_F(PreviewWindowTest, ClicksAndWheelZoomAndBothButtonsReset)
{
    for (int click = 0; click < 21; ++click) Click(MouseButton::Left);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.99);
    Click(MouseButton::Right);
    EXPECT_DOUBLE_EQ(m_preview->ZoomFraction(), 0.94);
    Wheel(-2);
    EXPECT_DOUBLE_EQ(m_preview->ZoomFraction(), 0.84);

    Button(MouseButton::Left, true);
    Button(MouseButton::Right, true);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0);
    Button(MouseButton::Left, false);
    Button(MouseButton::Right, false);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0) << "the releases after a reset do not zoom";
    Wheel(1);
    EXPECT_DOUBLE_EQ(m_preview->ZoomFraction(), 0.05);
}

TEST_F(PreviewWindowTest, ADragPansTheZoomedCopyWithTheHand)
{
    auto source = std::make_unique<CPixImage>();
    FillPattern(*source, 640, 480);
    CDlgCapPreview::SetImage(source.get());
    source.reset(); // the preview keeps its own copy
    Wheel(10);
    const ZoomCrop zoomed = ComputeCrop(m_preview->ZoomFraction(), 640, 480, kPreviewWidth, kPreviewHeight, 0, 0);
    const LONG panX = zoomed.limits.maxX;
    const LONG panY = zoomed.limits.maxY;
    ASSERT_GT(panX, 100);
    struct Drag {
        POINT from, to;
        POINT topLeft; // of the crop afterwards
    };
    // Each press away from the last release, so that none is a double click.
    const RECT& c = zoomed.crop;
    const Drag drags[] = {
        {{100, 100}, {130, 120}, {c.left - 30, c.top - 20}}, // right and down: the crop goes left and up
        {{200, 150}, {170, 130}, {c.left, c.top}},
        {{310, 100}, {0, 100}, {c.left + panX, c.top}}, // clamped
        {{100, 5}, {100, 235}, {c.left + panX, c.top - panY}},
    };
    for (const Drag& d : drags) {
        MoveTo(d.from.x, d.from.y);
        Button(MouseButton::Left, true);
        MoveTo(d.from.x, d.from.y); // starts the drag
        MoveTo(d.to.x, d.to.y);
        EXPECT_EQ(GetCapture(), m_preview->GetSafeHwnd());
        Button(MouseButton::Left, false);
        const POINT topLeft = PatternPointAt(m_preview->ShownImage(), 0, 0);
        EXPECT_EQ(topLeft.x, d.topLeft.x) << d.to.x << "," << d.to.y;
        EXPECT_EQ(topLeft.y, d.topLeft.y) << d.to.x << "," << d.to.y;
    }
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(m_preview->ShownImage().GetWidth(), c.right - c.left);
}

TEST_F(PreviewWindowTest, PaintsThePictureFittedWithBlackBarsAndNothingBlack)
{
    const CPixImage empty;
    struct Case {
        LONG width, height; // 0: no picture; -1: an empty one
        POINT bar;          // a point of a black bar (x -1: none)
    };
    const Case cases[] = {{100, 100, {20, 120}}, {320, 100, {160, 30}}, {640, 480, {-1, 0}}, {0, 0, {0, 0}}, {-1, -1, {0, 0}}};
    // A zoom step crops a still picture to the window's shape: bars only until the first step.
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        CPixImage picture;
        if (c.width > 0) FillSolidImage(picture, c.width, c.height, 50, 100, 200);
        CDlgCapPreview::SetImage(c.width > 0 ? &picture : c.width < 0 ? &empty : nullptr);
        if (c.width <= 0) Wheel(1); // zooming an empty picture divides by nothing
        m_preview->UpdateWindow();
        EXPECT_EQ(headless::ScreenPixel(160, 120), c.width > 0 ? RGB(200, 100, 50) : RGB(0, 0, 0));
        if (c.bar.x >= 0) {
            EXPECT_EQ(headless::ScreenPixel(c.bar.x, c.bar.y), RGB(0, 0, 0));
        }
    }
}

TEST_F(PreviewWindowTest, FramesAreReadOnlyWithinTheirStatedLength)
{
    struct Case {
        const char* name;
        FrameSize size;
        long lengthChange; // against stride x height
        bool shown;
    };
    const Case cases[] = {
        {"exact length, padded rows", {3, 2}, 0, true},
        {"one byte short", {3, 2}, -1, false},
        {"rows without their padding", {3, 2}, -6, false},
        {"no width", {0, 2}, 12, false},
        {"negative height", {3, -2}, 24, false},
    };
    for (const bool notify : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (notify ? "" : " (live)"));
            CPixImage marker;
            FillSolidImage(marker, 7, 7, 1, 2, 3);
            CDlgCapPreview::SetImage(&marker);
            Pump();
            ForgetParentLog();
            // Exactly the stated bytes on the heap, so that a read past them is caught.
            std::vector<BYTE> bits(static_cast<std::size_t>(static_cast<long>(FrameBytes(c.size)) + c.lengthChange), 0x5A);
            (notify ? CDlgCapPreview::SetFrameBits : CDlgCapPreview::ShowFrameBits)(c.size, bits.data(), bits.size());
            Pump();
            EXPECT_EQ(m_preview->ShownImage().GetWidth(), c.shown ? c.size.width : 7);
            EXPECT_EQ(ParentGot(StillImageMessage).size(), c.shown && notify ? 1u : 0u);
        }
    }
    CDlgCapPreview::SetFrameBits({3, 2}, nullptr, 24);
    EXPECT_EQ(m_preview->ShownImage().GetWidth(), 7);
}

TEST_F(PreviewWindowTest, StillPictureLevelsFollowAtOnceAndReachTheParentOnceSettled)
{
    zv::user::VirtualClock::Install();
    ConfigStore config;
    config.levels[16] = 0.25f; // still-picture brightness: darker by 127
    g_pConfigStore = &config;
    CPixImage picture;
    FillSolidImage(picture, 8, 8, 200, 200, 200);
    CDlgCapPreview::SetImage(&picture);
    Pump();
    EXPECT_EQ(m_preview->ShownImage().GetRowPointer(0)[0], 73);

    // The sliders post StillImageMessage to the preview on every move.
    ForgetParentLog();
    config.levels[16] = 0.5f;
    PostMessageA(m_preview->GetSafeHwnd(), StillImageMessage, 0, 0);
    Pump();
    EXPECT_EQ(m_preview->ShownImage().GetRowPointer(0)[0], 200) << "neutral again: the picture as it is";
    zv::user::VirtualClock::Advance(600);
    config.levels[4] = 1.0f; // red full
    PostMessageA(m_preview->GetSafeHwnd(), StillImageMessage, 0, 0);
    Pump();
    EXPECT_EQ(m_preview->ShownImage().GetRowPointer(0)[2], 255);
    zv::user::VirtualClock::Advance(600);
    Pump();
    EXPECT_TRUE(ParentGot(StillImageMessage).empty()) << "not while the levels still move";
    zv::user::VirtualClock::Advance(500);
    Pump();
    zv::user::VirtualClock::Advance(2000);
    Pump();
    EXPECT_EQ(ParentGot(StillImageMessage).size(), 1u);
}

TEST_F(PreviewWindowTest, FullScreenIsLeftByEscapeEnterAndFocusLossAndSpaceAsksToPause)
{
    enum class Leave { Escape, Enter, FocusLoss };
    const HWND preview = m_preview->GetSafeHwnd();
    for (const Leave leave : {Leave::Escape, Leave::Enter, Leave::FocusLoss}) {
        SCOPED_TRACE(static_cast<int>(leave));
        m_preview->ToggleFullScreen(true);
        Pump();
        RECT rect{};
        GetWindowRect(preview, &rect);
        EXPECT_EQ(rect.right - rect.left, 640);
        EXPECT_EQ(rect.bottom - rect.top, 480);
        EXPECT_TRUE(GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(m_preview->m_bFullScreen, 1);
        ForgetParentLog();
        if (leave == Leave::FocusLoss) {
            SetFocus(m_parentWindow);
            Pump();
        } else {
            Key(leave == Leave::Escape ? VK_ESCAPE : VK_RETURN);
        }
        EXPECT_EQ(m_preview->m_bFullScreen, 0);
        EXPECT_FALSE(GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(IsWindowVisible(preview)) << "leaving full screen does not hide the preview";
        ASSERT_FALSE(ParentGot(PreviewKeyMessage).empty()) << "the parent lays the preview out again";
        EXPECT_EQ(ParentGot(PreviewKeyMessage).front(), 1u);
    }
    SetFocus(preview);
    Pump();
    ForgetParentLog();
    Key(VK_SPACE);
    EXPECT_EQ(ParentGot(PreviewKeyMessage), std::vector<WPARAM>{0});
}

} // namespace
