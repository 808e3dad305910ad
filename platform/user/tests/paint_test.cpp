#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

namespace {

using zv::user::test::CreateAt;
using zv::user::test::DrainQueue;
using zv::user::test::FillSolid;
using zv::user::test::PaintsIn;
using zv::user::test::RecordingWindow;
namespace headless = zv::user::headless;

class PaintTest : public zv::user::test::WindowSystemTest {};

int CountOf(const std::vector<MSG>& taken, UINT message, HWND hwnd)
{
    return static_cast<int>(std::count_if(taken.begin(), taken.end(),
                                          [&](const MSG& m) { return m.message == message && m.hwnd == hwnd; }));
}

TEST_F(PaintTest, TwoInvalidationsGiveOnePaintOfBoth)
{
    RecordingWindow window;
    RECT painted{};
    int erased = 0;
    window.answer = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_ERASEBKGND)
            ++erased;
        if (message != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        painted = paint.rcPaint;
        EndPaint(hwnd, &paint);
        return 0;
    };
    const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE, 10, 10, 200, 100);
    DrainQueue();
    erased = 0;
    const RECT first{10, 10, 20, 20};
    const RECT second{50, 5, 60, 30};
    InvalidateRect(hwnd, &first, FALSE);
    InvalidateRect(hwnd, &second, TRUE);
    PostMessageA(hwnd, WM_USER, 0, 0);
    const std::vector<MSG> taken = DrainQueue();
    ASSERT_EQ(CountOf(taken, WM_PAINT, hwnd), 1);
    EXPECT_EQ(taken.front().message, WM_USER) << "posted messages come before painting";
    EXPECT_EQ(painted.left, 10);
    EXPECT_EQ(painted.top, 5);
    EXPECT_EQ(painted.right, 60);
    EXPECT_EQ(painted.bottom, 30);
    EXPECT_EQ(erased, 1) << "one of the invalidations asked for erasing";

    // Validated areas need no painting; UpdateWindow paints at once without the queue.
    InvalidateRect(hwnd, &first, FALSE);
    ValidateRect(hwnd, nullptr);
    EXPECT_EQ(CountOf(DrainQueue(), WM_PAINT, hwnd), 0);
    InvalidateRect(hwnd, nullptr, FALSE);
    const std::size_t before = window.Log().size();
    UpdateWindow(hwnd);
    EXPECT_EQ(window.Log().size(), before + 1);
    EXPECT_EQ(window.Log().back().message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(CountOf(DrainQueue(), WM_PAINT, hwnd), 0);
    DestroyWindow(hwnd);
}

TEST_F(PaintTest, HiddenWindowsAreNotPainted)
{
    RecordingWindow window;
    const HWND hwnd = CreateAt(window, WS_POPUP, 0, 0, 50, 50);
    InvalidateRect(hwnd, nullptr, TRUE);
    EXPECT_EQ(CountOf(DrainQueue(), WM_PAINT, hwnd), 0);
    ShowWindow(hwnd, SW_SHOWNA);
    EXPECT_EQ(CountOf(DrainQueue(), WM_PAINT, hwnd), 1) << "showing it asks for painting";
    DestroyWindow(hwnd);
}

// Parent red, child blue; the parent then paints green over its whole client area through
// GetDC. The child keeps its pixels only where the parent clips its children out.
TEST_F(PaintTest, ParentsClipTheirChildrenOutWhenAsked)
{
    struct Case {
        DWORD parentStyle;
        COLORREF insideChild;
    } cases[] = {{WS_CLIPCHILDREN, RGB(0, 0, 255)}, {0, RGB(0, 255, 0)}};
    for (const Case& c : cases) {
        RecordingWindow parent, child;
        parent.answer = PaintsIn(RGB(255, 0, 0));
        child.answer = PaintsIn(RGB(0, 0, 255));
        const HWND p = CreateAt(parent, WS_POPUP | WS_VISIBLE | c.parentStyle, 100, 100, 200, 150);
        const HWND k = CreateAt(child, WS_CHILD | WS_VISIBLE, 20, 30, 40, 50, p, 1);
        DrainQueue();
        EXPECT_EQ(headless::ScreenPixel(110, 110), RGB(255, 0, 0));
        EXPECT_EQ(headless::ScreenPixel(130, 140), RGB(0, 0, 255)) << "children paint after their parent";

        HDC dc = GetDC(p);
        ASSERT_NE(dc, nullptr);
        RECT whole{0, 0, 200, 150};
        FillSolid(dc, whole, RGB(0, 255, 0));
        ReleaseDC(p, dc);
        EXPECT_EQ(headless::ScreenPixel(110, 110), RGB(0, 255, 0));
        EXPECT_EQ(headless::ScreenPixel(130, 140), c.insideChild) << "parent style " << c.parentStyle;

        // The child's own context never reaches past its client area.
        dc = GetDC(k);
        RECT clip{};
        EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
        EXPECT_EQ(clip.right, 40);
        EXPECT_EQ(clip.bottom, 50);
        FillSolid(dc, RECT{-10, -10, 100, 100}, RGB(255, 255, 0));
        ReleaseDC(k, dc);
        EXPECT_EQ(headless::ScreenPixel(119, 129), RGB(0, 255, 0));
        EXPECT_EQ(headless::ScreenPixel(120, 130), RGB(255, 255, 0));
        EXPECT_EQ(headless::ScreenPixel(160, 180), RGB(0, 255, 0)) << "outside the child";

        // A hidden child's context paints nothing.
        ShowWindow(k, SW_HIDE);
        dc = GetDC(k);
        EXPECT_EQ(GetClipBox(dc, &clip), NULLREGION);
        ReleaseDC(k, dc);
        DestroyWindow(p);
    }
}

TEST_F(PaintTest, RedrawWindowPaintsAtOnceAndReachesChildrenWhenAsked)
{
    RecordingWindow parent, child;
    const HWND p = CreateAt(parent, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
    CreateAt(child, WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, p, 1);
    DrainQueue();
    const auto paints = [](const RecordingWindow& w) { return zv::user::test::Received(w, {WM_PAINT}).size(); };
    struct Case {
        UINT flags;
        std::size_t parentPaints;
        std::size_t childPaints;
    } cases[] = {
        {RDW_INVALIDATE | RDW_UPDATENOW, 1, 0},
        {RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN, 1, 1},
        {RDW_INVALIDATE, 0, 0}, // painted later, from the queue
    };
    for (const Case& c : cases) {
        const std::size_t parentBefore = paints(parent);
        const std::size_t childBefore = paints(child);
        ASSERT_TRUE(RedrawWindow(p, nullptr, nullptr, c.flags));
        EXPECT_EQ(paints(parent) - parentBefore, c.parentPaints) << c.flags;
        EXPECT_EQ(paints(child) - childBefore, c.childPaints) << c.flags;
        DrainQueue();
    }
    // Validating takes back what was invalidated, children included under RDW_ALLCHILDREN.
    RedrawWindow(p, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    RedrawWindow(p, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
    const std::size_t parentBefore = paints(parent);
    DrainQueue();
    EXPECT_EQ(paints(parent), parentBefore);
    DestroyWindow(p);
}

TEST_F(PaintTest, SiblingsAboveClipThoseThatAskForIt)
{
    RecordingWindow parent, lower, upper;
    const HWND p = CreateAt(parent, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    // Created first, so above its later sibling.
    const HWND u = CreateAt(upper, WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p, 1);
    const HWND l = CreateAt(lower, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 25, 25, 50, 50, p, 2);
    DrainQueue();
    EXPECT_EQ(GetWindow(p, GW_CHILD), u);
    HDC dc = GetDC(l);
    RECT clip{};
    EXPECT_EQ(GetClipBox(dc, &clip), COMPLEXREGION) << "the upper sibling's corner is cut out";
    const RECT corner{0, 0, 25, 25};
    EXPECT_FALSE(RectVisible(dc, &corner));
    ReleaseDC(l, dc);
    SetWindowPos(l, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    dc = GetDC(l);
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION) << "nothing above it any more";
    ReleaseDC(l, dc);
    DestroyWindow(p);
}

} // namespace
