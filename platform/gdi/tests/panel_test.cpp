// A small panel drawn the way the controls will draw themselves: a check that the calls work
// together, and a picture to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_support.h"
#include "platform/gdi/tests/icon_images.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/gdi/tests/png_picture.h"

namespace zv::gdi::test {
namespace {

constexpr int kWidth = 260;
constexpr int kHeight = 150;

// A round 32-bit icon with a soft edge.
HICON RoundIcon()
{
    IconSpec spec;
    spec.width = 24;
    spec.height = 24;
    spec.bitsPerPixel = 32;
    spec.colour = [](int x, int y) { return RGB(40 + x * 6, 160, 220 - y * 4); };
    spec.alpha = [](int x, int y) {
        const double d = std::hypot(x - 11.5, y - 11.5);
        return static_cast<BYTE>(d < 10 ? 255 : d < 12 ? (12 - d) * 127 : 0);
    };
    const std::vector<BYTE> image = IconImage(spec);
    return CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, kIconResourceVersion, 0, 0,
                                    0);
}

void DrawPanel(HDC dc, HICON icon)
{
    const RECT whole{0, 0, kWidth, kHeight};
    FillRect(dc, &whole, SysColourBrushValue(COLOR_BTNFACE));
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);

    // A list with a selected row.
    RECT list{8, 8, 150, 104};
    DrawEdge(dc, &list, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(dc, &list, GetSysColorBrush(COLOR_WINDOW));
    const char* rows[] = {"Camera 1", "Snapshot 0042.jpg", "A rather long file name that does not fit", "Disabled"};
    for (int i = 0; i < 4; ++i) {
        RECT row{list.left, list.top + i * 18, list.right, list.top + (i + 1) * 18};
        const bool selected = i == 1;
        if (selected)
            FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : i == 3 ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        RECT text{row.left + 4, row.top, row.right - 4, row.bottom};
        DrawTextExA(dc, rows[i], -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, nullptr);
        if (selected) {
            SetTextColor(dc, RGB(0, 0, 0));
            DrawFocusRect(dc, &row);
        }
    }

    // A default push button with an underlined access key.
    RECT button{160, 8, 252, 32};
    FrameRect(dc, &button, GetSysColorBrush(COLOR_WINDOWFRAME));
    RECT face{button.left + 1, button.top + 1, button.right - 1, button.bottom - 1};
    DrawEdge(dc, &face, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextExA(dc, "&Capture", -1, &face, DT_SINGLELINE | DT_VCENTER | DT_CENTER, nullptr);

    // A check box: a sunken white square with a check mark drawn by a pen.
    RECT box{160, 42, 173, 55};
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_FLAT | BF_ADJUST);
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    HPEN check = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ oldPen = SelectObject(dc, check);
    const POINT mark[] = {{163, 48}, {166, 51}, {171, 45}};
    Polyline(dc, mark, 3);
    SelectObject(dc, oldPen);
    DeleteObject(check);
    TextOutA(dc, 178, 42, "Mirror", 6);

    // An etched separator, an icon, a dotted line and a round badge.
    RECT separator{160, 64, 252, 66};
    DrawEdge(dc, &separator, EDGE_ETCHED, BF_TOP);
    DrawIconEx(dc, 162, 72, icon, 0, 0, 0, nullptr, DI_NORMAL);
    HPEN dots = CreatePen(PS_DOT, 1, GetSysColor(COLOR_BTNSHADOW));
    oldPen = SelectObject(dc, dots);
    MoveToEx(dc, 8, 114, nullptr);
    LineTo(dc, 252, 114);
    SelectObject(dc, oldPen);
    DeleteObject(dots);
    HBRUSH badge = CreateSolidBrush(RGB(214, 60, 60));
    HGDIOBJ oldBrush = SelectObject(dc, badge);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 196, 74, 216, 94);
    SelectObject(dc, oldBrush);
    DeleteObject(badge);

    // A status line in the tooltip colours.
    RECT status{8, 122, 252, 142};
    SetBkColor(dc, GetSysColor(COLOR_INFOBK));
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    ExtTextOutA(dc, 12, 125, ETO_OPAQUE | ETO_CLIPPED, &status, "Ready: 640 x 480, 30 frames a second", 36, nullptr);
    FrameRect(dc, &status, GetSysColorBrush(COLOR_BTNSHADOW));
}

class Panel : public PinnedFontTest {};

TEST_F(Panel, ControlsDrawnWithTheSystemColours)
{
    HICON icon = RoundIcon();
    ASSERT_NE(icon, nullptr);
    PixelCanvas canvas(kWidth, kHeight, false, [](int, int) { return kBlack; });
    DrawPanel(canvas.Dc(), icon);
    const std::vector<COLORREF> pixels = canvas.Pixels();
    KeepForViewing("gdi_panel", kWidth, kHeight, pixels);
    const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * kWidth + x]; };

    EXPECT_EQ(at(3, 3), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(at(8, 8), GetSysColor(COLOR_BTNSHADOW));      // the list's sunken edge
    EXPECT_EQ(at(146, 90), GetSysColor(COLOR_WINDOW));      // inside the list, below the text
    EXPECT_EQ(at(146, 40), GetSysColor(COLOR_HIGHLIGHT));   // the selected row, right of its text
    EXPECT_EQ(at(160, 8), GetSysColor(COLOR_WINDOWFRAME));  // the default button's frame
    EXPECT_EQ(at(165, 27), GetSysColor(COLOR_BTNFACE));     // its face, below the text
    EXPECT_EQ(at(166, 44), GetSysColor(COLOR_WINDOW));      // the check box, above its mark
    EXPECT_EQ(at(173, 83), RGB(40 + 11 * 6, 160, 220 - 11 * 4)); // the icon's opaque middle
    EXPECT_EQ(at(162, 72), GetSysColor(COLOR_BTNFACE));     // its transparent corner
    EXPECT_EQ(at(206, 84), RGB(214, 60, 60));               // the badge
    EXPECT_EQ(at(196, 74), GetSysColor(COLOR_BTNFACE));     // outside the badge's circle
    EXPECT_EQ(at(250, 130), GetSysColor(COLOR_INFOBK));     // the status line's background

    // Text landed on each background, in (or close to) its text colour.
    const auto closeness = [](COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b));
    };
    const auto checkText = [&](COLORREF text, COLORREF background, const RECT& r) {
        int drawn = 0;
        int nearest = 3 * 255;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                drawn += at(x, y) != background ? 1 : 0;
                nearest = std::min(nearest, closeness(at(x, y), text));
            }
        EXPECT_GT(drawn, 20) << r.left << "," << r.top;
        EXPECT_LT(nearest, 60) << r.left << "," << r.top;
    };
    checkText(GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT), RECT{12, 30, 140, 44});
    checkText(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), RECT{12, 12, 140, 26});
    checkText(GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_BTNFACE), RECT{166, 14, 246, 26});
    checkText(GetSysColor(COLOR_INFOTEXT), GetSysColor(COLOR_INFOBK), RECT{10, 124, 250, 140});
    EXPECT_TRUE(DestroyIcon(icon));
}

} // namespace
} // namespace zv::gdi::test
