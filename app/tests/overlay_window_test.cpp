// Where the main window comes back: stored rectangles off the screen, without area or partly
// outside the work area, through the whole start-up; and the rectangle stored at the close, which
// a minimised window leaves as it was.
#include "app/tests/main_dialog_fixture.h"

#include "platform/user/window.h"

#include <string>

namespace zv::app::testing {
namespace {

constexpr RECT kNotApplied{0, 0, 0, 0};

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

struct PlaceCase {
    const char* name;
    RECT stored;
    RECT placed; // kNotApplied: the dialog keeps its own place
};

// A 1920 x 1080 screen whose desktop keeps 40 pixels at the bottom.
constexpr RECT kWork{0, 0, 1920, 1040};
constexpr LONG kFullWidth = 1920, kFullHeight = 1020;

const PlaceCase kPlaceCases[] = {
    {"on the screen", {100, 50, 500, 350}, {100, 50, 500, 350}},
    {"never saved", {0, 0, 0, 0}, kNotApplied},
    {"left beyond the screen", {3000, 100, 3400, 400}, kNotApplied},
    {"top below the screen", {100, 5000, 500, 5300}, {100, 0, 500, 300}},
    {"negative height", {100, 400, 500, 100}, kNotApplied},
    {"over the right and bottom edges", {1800, 900, 2200, 1200}, {1520, 740, 1920, 1040}},
    {"partly left of the screen", {-50, 100, 350, 400}, {0, 100, 400, 400}},
    {"larger than the work area", {10, 10, 3000, 2000}, {0, 0, 1920, 1040}},
    {"extreme values", {-2147483647, 10, 2147483647, 310}, {0, 10, 1920, 310}},
};

TEST(PlaceStoredWindowTest, KeepsTheWindowReachable)
{
    for (const PlaceCase& c : kPlaceCases) {
        SCOPED_TRACE(c.name);
        const RECT placed = CDlgZelvante::PlaceStoredWindow(c.stored, kFullWidth, kFullHeight, kWork);
        EXPECT_TRUE(Same(placed, c.placed)) << Text(placed);
    }
}

void StoreRect(const RECT& r)
{
    TheTestApp().WriteProfileInt("Params", "WndPosL", r.left);
    TheTestApp().WriteProfileInt("Params", "WndPosT", r.top);
    TheTestApp().WriteProfileInt("Params", "WndPosR", r.right);
    TheTestApp().WriteProfileInt("Params", "WndPosB", r.bottom);
}

// Through the start-up on a 1920 x 1080 screen: the stored values from the profile reach the window.
class RestoreWindowTest : public MainDialogTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(RestoreWindowTest, StartUpPlacesTheWindow)
{
    const PlaceCase& c = GetParam();
    ASSERT_TRUE(zv::user::headless::SetScreenSize(1920, 1080));
    StoreRect(c.stored);
    ASSERT_TRUE(Start());
    RECT shown{};
    Dialog()->GetWindowRect(&shown);
    if (!Same(c.placed, kNotApplied))
        EXPECT_TRUE(Same(shown, c.placed)) << Text(shown);
    else // its own place, not the stored one
        EXPECT_NE(shown.right - shown.left, c.stored.right - c.stored.left) << Text(shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, RestoreWindowTest,
                         ::testing::Values(PlaceCase{"left beyond", {3000, 100, 3400, 400}, kNotApplied},
                                           PlaceCase{"top below", {100, 5000, 500, 5300}, {100, 0, 500, 300}},
                                           PlaceCase{"negative height", {100, 400, 500, 100}, kNotApplied}));

struct CloseCase {
    const char* name;
    bool minimised;
    bool keepsTheOldRectangle;
};

class SaveWindowTest : public MainDialogTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(SaveWindowTest, TheCloseStoresTheShownRectangle)
{
    const CloseCase& c = GetParam();
    const RECT before{111, 122, 611, 522};
    StoreRect(before);
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    dialog->MoveWindow(200, 150, 450, 350);
    if (c.minimised)
        dialog->ShowWindow(SW_MINIMIZE);
    Pump();
    ASSERT_EQ(dialog->IsIconic() != FALSE, c.minimised);
    dialog->SendMessage(CloseRequestMessage, 0, 0);
    Pump();
    RECT stored{};
    stored.left = static_cast<LONG>(App().GetProfileInt("Params", "WndPosL", -1));
    stored.top = static_cast<LONG>(App().GetProfileInt("Params", "WndPosT", -1));
    stored.right = static_cast<LONG>(App().GetProfileInt("Params", "WndPosR", -1));
    stored.bottom = static_cast<LONG>(App().GetProfileInt("Params", "WndPosB", -1));
    const RECT expected = c.keepsTheOldRectangle ? before : RECT{200, 150, 650, 500};
    EXPECT_TRUE(Same(stored, expected)) << Text(stored);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveWindowTest,
                         ::testing::Values(CloseCase{"shown", false, false}, CloseCase{"minimised", true, true}));

} // namespace
} // namespace zv::app::testing
