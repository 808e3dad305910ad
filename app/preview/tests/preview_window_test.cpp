// The preview window on the headless display: zoom by clicks and wheel at its bounds, drag pans,
// the picture painted fitted with black bars (an empty one black), full screen left by Escape,
// Enter and focus loss, Space reported to the parent, the still-picture levels and their delayed
// notice, frames of a stated length, and the preview's own copy of a still picture.
#include "app/preview/ZoomGeometry.h"
#include "app/preview/tests/preview_test_support.h"
#include "app/settings/ConfigStore.h"
#include "platform/user/timers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace preview_test;
namespace headless = zv::user::headless;

class PreviewWindowTest : public PreviewTest {
protected:
    // The source crop the shown still picture came from: its top-left and bottom-right pixels.
    RECT ShownCrop() const
    {
        const CPixImage& shown = m_preview->ShownImage();
        const POINT topLeft = PatternPointAt(shown, 0, 0);
        const POINT bottomRight = PatternPointAt(shown, shown.GetWidth() - 1, shown.GetHeight() - 1);
        return {topLeft.x, topLeft.y, bottomRight.x + 1, bottomRight.y + 1};
    }
};

TEST_F(PreviewWindowTest, ClicksAndWheelZoomWithinTheBounds)
{
    for (int click = 0; click < 20; ++click) Click(MouseButton::Left);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.99) << "never 1.0";
    Click(MouseButton::Left);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.99);
    Click(MouseButton::Right);
    EXPECT_DOUBLE_EQ(m_preview->ZoomFraction(), 0.94);

    for (int click = 0; click < 25; ++click) Click(MouseButton::Right);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0);
    Wheel(1);
    EXPECT_DOUBLE_EQ(m_preview->ZoomFraction(), 0.05);
    Wheel(-1);
    Wheel(-1);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0);
}

TEST_F(PreviewWindowTest, BothButtonsResetTheZoomAndTheNextReleaseDoesNothing)
{
    Wheel(3);
    ASSERT_GT(m_preview->ZoomFraction(), 0.1);
    MoveTo(50, 50);
    Button(MouseButton::Left, true);
    Button(MouseButton::Right, true);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0);
    Button(MouseButton::Left, false);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0) << "the left release after a reset does not zoom in";
    Button(MouseButton::Right, false);
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0);
    Click(MouseButton::Left, 50, 50);
    EXPECT_DOUBLE_EQ(m_preview->ZoomFraction(), 0.05) << "the next click zooms again";
}

TEST_F(PreviewWindowTest, ZoomCropsTheStillPictureAndADragPansWithTheHand)
{
    CPixImage source;
    FillPattern(source, 640, 480);
    CDlgCapPreview::SetImage(&source);
    Pump();
    RECT crop = ShownCrop();
    EXPECT_EQ(crop.left, 0);
    EXPECT_EQ(crop.right, 640);

    Wheel(10);
    const ZoomCrop expected = ComputeCrop(m_preview->ZoomFraction(), 640, 480, kPreviewWidth, kPreviewHeight, 0, 0);
    crop = ShownCrop();
    EXPECT_EQ(crop.left, expected.crop.left);
    EXPECT_EQ(crop.top, expected.crop.top);
    EXPECT_EQ(crop.right, expected.crop.right);
    EXPECT_EQ(crop.bottom, expected.crop.bottom);
    ASSERT_GT(expected.limits.maxX, 40);

    struct Drag {
        const char* name;
        POINT from, to; // the drag starts with the first move after the press
        LONG left, top; // where the crop ends up
    };
    const Drag drags[] = {
        {"right and down: the crop moves left and up", {100, 100}, {130, 120}, expected.crop.left - 30,
         expected.crop.top - 20},
        {"back", {130, 120}, {100, 100}, expected.crop.left, expected.crop.top},
        {"far left: clamped", {310, 100}, {0, 100}, expected.crop.left + expected.limits.maxX, expected.crop.top},
        {"far down: clamped", {100, 5}, {100, 235}, expected.crop.left + expected.limits.maxX,
         expected.crop.top + expected.limits.minY},
    };
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.name);
        MoveTo(d.from.x, d.from.y);
        Button(MouseButton::Left, true);
        MoveTo(d.from.x, d.from.y);
        MoveTo(d.to.x, d.to.y);
        EXPECT_EQ(GetCapture(), m_preview->GetSafeHwnd());
        Button(MouseButton::Left, false);
        EXPECT_EQ(GetCapture(), nullptr);
        crop = ShownCrop();
        EXPECT_EQ(crop.left, d.left);
        EXPECT_EQ(crop.top, d.top);
    }
    EXPECT_DOUBLE_EQ(m_preview->ZoomFraction(), 0.5) << "a drag does not zoom";
}

TEST_F(PreviewWindowTest, PaintsThePictureFittedWithBlackBars)
{
    struct Case {
        LONG width, height;
        POINT picture, bar; // a point in the picture, a point in a bar (x -1: none)
    };
    const Case cases[] = {
        {100, 100, {160, 120}, {20, 120}},   // bars left and right
        {320, 100, {160, 120}, {160, 30}},   // bars above and below
        {640, 480, {2, 2}, {-1, -1}},        // fills the window
    };
    const COLORREF black = RGB(0, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        CPixImage picture;
        FillSolidImage(picture, c.width, c.height, 50, 100, 200);
        CDlgCapPreview::SetImage(&picture);
        m_preview->UpdateWindow();
        Pump();
        EXPECT_EQ(headless::ScreenPixel(c.picture.x, c.picture.y), RGB(200, 100, 50));
        if (c.bar.x >= 0) {
            EXPECT_EQ(headless::ScreenPixel(c.bar.x, c.bar.y), black);
        }
    }
}

TEST_F(PreviewWindowTest, NoPictureOrAnEmptyOnePaintsBlack)
{
    CPixImage picture;
    FillSolidImage(picture, 64, 48, 255, 255, 255);
    const CPixImage empty;
    struct Case {
        const char* name;
        const CPixImage* image;
    };
    const Case cases[] = {{"cleared", nullptr}, {"empty picture", &empty}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDlgCapPreview::SetImage(&picture);
        m_preview->UpdateWindow();
        ASSERT_EQ(headless::ScreenPixel(160, 120), RGB(255, 255, 255));
        ForgetParentLog();
        CDlgCapPreview::SetImage(c.image);
        Wheel(2); // zooming an empty picture divides by nothing
        m_preview->UpdateWindow();
        Pump();
        EXPECT_EQ(headless::ScreenPixel(160, 120), RGB(0, 0, 0));
        EXPECT_EQ(headless::ScreenPixel(5, 5), RGB(0, 0, 0));
        EXPECT_FALSE(ParentGot(StillImageMessage).empty()) << "the parent pushes the cleared picture on";
        Wheel(-2);
    }
}

TEST_F(PreviewWindowTest, FramesAreReadOnlyWithinTheirStatedLength)
{
    struct Case {
        const char* name;
        FrameSize size;
        long lengthChange; // against stride x height
        bool nullBits;
        bool shown;
    };
    const Case cases[] = {
        {"exact length, padded rows", {3, 2}, 0, false, true},
        {"one byte short", {3, 2}, -1, false, false},
        {"unpadded length of a padded frame", {3, 2}, -6, false, false},
        {"longer buffer", {4, 4}, 100, false, true},
        {"no bits", {3, 2}, 0, true, false},
        {"no width", {0, 2}, 12, false, false},
        {"negative height", {3, -2}, 24, false, false},
    };
    for (const bool notify : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (notify ? " (SetFrameBits)" : " (ShowFrameBits)"));
            CPixImage marker;
            FillSolidImage(marker, 7, 7, 1, 2, 3);
            CDlgCapPreview::SetImage(&marker);
            Pump();
            ForgetParentLog();
            const std::size_t needed = static_cast<std::size_t>(FrameBytes(c.size));
            const std::size_t length = static_cast<std::size_t>(static_cast<long>(needed) + c.lengthChange);
            // Exactly `length` bytes on the heap, so that a read past them is caught.
            std::vector<BYTE> bits(length, 0x5A);
            const BYTE* data = c.nullBits ? nullptr : bits.data();
            if (notify)
                CDlgCapPreview::SetFrameBits(c.size, data, bits.size());
            else
                CDlgCapPreview::ShowFrameBits(c.size, data, bits.size());
            Pump();
            const CPixImage& shown = m_preview->ShownImage();
            if (c.shown) {
                EXPECT_EQ(shown.GetWidth(), c.size.width);
                EXPECT_EQ(shown.GetHeight(), c.size.height);
                EXPECT_EQ(shown.GetRowPointer(0)[0], 0x5A);
            } else {
                EXPECT_EQ(shown.GetWidth(), 7) << "the picture before stays";
            }
            EXPECT_EQ(ParentGot(StillImageMessage).size(), c.shown && notify ? 1u : 0u);
        }
    }
}

TEST_F(PreviewWindowTest, KeepsItsOwnCopyOfTheStillPicture)
{
    auto source = std::make_unique<CPixImage>();
    FillPattern(*source, 640, 480);
    CDlgCapPreview::SetImage(source.get());
    source.reset(); // the caller may free its picture at once
    Wheel(4);
    Pump();
    const RECT crop = ShownCrop();
    const ZoomCrop expected = ComputeCrop(m_preview->ZoomFraction(), 640, 480, kPreviewWidth, kPreviewHeight, 0, 0);
    EXPECT_EQ(crop.left, expected.crop.left);
    EXPECT_EQ(crop.bottom, expected.crop.bottom);
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
    Pump();
    config.levels[4] = 1.0f; // red full
    PostMessageA(m_preview->GetSafeHwnd(), StillImageMessage, 0, 0);
    Pump();
    EXPECT_EQ(m_preview->ShownImage().GetRowPointer(0)[2], 255);
    zv::user::VirtualClock::Advance(600);
    Pump();
    EXPECT_TRUE(ParentGot(StillImageMessage).empty()) << "not while the levels still move";
    zv::user::VirtualClock::Advance(500);
    Pump();
    EXPECT_EQ(ParentGot(StillImageMessage).size(), 1u);
    zv::user::VirtualClock::Advance(2000);
    Pump();
    EXPECT_EQ(ParentGot(StillImageMessage).size(), 1u) << "once";
}

TEST_F(PreviewWindowTest, FullScreenIsLeftByEscapeEnterAndFocusLoss)
{
    enum class Leave { Escape, Enter, FocusLoss, Call };
    const std::pair<const char*, Leave> cases[] = {
        {"Escape", Leave::Escape}, {"Enter", Leave::Enter}, {"focus loss", Leave::FocusLoss}, {"the call", Leave::Call}};
    const HWND preview = m_preview->GetSafeHwnd();
    for (const auto& [name, leave] : cases) {
        SCOPED_TRACE(name);
        m_preview->MoveWindow(0, 0, kPreviewWidth, kPreviewHeight);
        m_preview->ToggleFullScreen(true);
        Pump();
        RECT rect{};
        GetWindowRect(preview, &rect);
        EXPECT_EQ(rect.right - rect.left, 640);
        EXPECT_EQ(rect.bottom - rect.top, 480);
        EXPECT_TRUE(GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(GetFocus(), preview);
        EXPECT_EQ(m_preview->m_bFullScreen, 1);
        ForgetParentLog();
        switch (leave) {
        case Leave::Escape: Key(VK_ESCAPE); break;
        case Leave::Enter: Key(VK_RETURN); break;
        case Leave::FocusLoss: SetFocus(m_parentWindow); Pump(); break;
        case Leave::Call: m_preview->ToggleFullScreen(false); break;
        }
        EXPECT_EQ(m_preview->m_bFullScreen, 0);
        EXPECT_FALSE(GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(IsWindowVisible(preview)) << "leaving full screen does not hide the preview";
        const std::vector<WPARAM> keys = ParentGot(PreviewKeyMessage);
        ASSERT_FALSE(keys.empty()) << "the parent lays the preview out again";
        for (WPARAM key : keys) EXPECT_EQ(key, 1u);
    }
}

TEST_F(PreviewWindowTest, SpaceAsksTheParentToPause)
{
    SetFocus(m_preview->GetSafeHwnd());
    Pump();
    ForgetParentLog();
    Key(VK_SPACE);
    const std::vector<WPARAM> keys = ParentGot(PreviewKeyMessage);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0], 0u);
    EXPECT_TRUE(m_preview->IsWindowVisible());
}

TEST_F(PreviewWindowTest, CursorShowsZoomGrabOrZoomed)
{
    const HMODULE program = GetModuleHandleA(nullptr);
    const auto cursor = [&](WORD id) { return LoadCursorA(program, MAKEINTRESOURCEA(id)); };
    ASSERT_NE(cursor(146), nullptr);
    MoveTo(60, 60);
    EXPECT_EQ(headless::ShownCursor(), cursor(146)) << "not zoomed";
    Button(MouseButton::Left, true);
    MoveTo(61, 61);
    EXPECT_EQ(headless::ShownCursor(), cursor(142)) << "dragging";
    Button(MouseButton::Left, false);
    Wheel(1);
    MoveTo(62, 62);
    EXPECT_EQ(headless::ShownCursor(), cursor(141)) << "zoomed";
}

} // namespace
