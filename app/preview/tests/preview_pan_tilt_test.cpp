// The preview with the pan/tilt library beside the program: a click moves the camera toward its
// grid cell, with that cell's cursor, but only for a "USB PC Camera" and without Shift.
#include "app/preview/tests/fake_pan_tilt_log.h"
#include "app/preview/tests/preview_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace preview_test;

std::string g_deviceName;
std::string DeviceName()
{
    return g_deviceName;
}

class PreviewPanTiltTest : public PreviewTest {
protected:
    void SetUp() override
    {
        g_deviceName = "USB PC Camera";
        CDlgCapPreview::SetDeviceNameQuery(&DeviceName);
        PreviewTest::SetUp();
        SetFocus(m_preview->GetSafeHwnd()); // Shift goes to the focus window
        ClearPanTiltLog(folder);
    }
    void TearDown() override
    {
        PreviewTest::TearDown();
        CDlgCapPreview::SetDeviceNameQuery(nullptr);
    }
    const std::string folder = zv::win32::ProgramFolder();
};

TEST_F(PreviewPanTiltTest, AClickMovesTheCameraTowardItsCell)
{
    struct Case {
        POINT at;
        const char* move;
        WORD cursor;
    };
    // 320 x 240: columns split at 106 and 213, rows at 80 and 160.
    const Case cases[] = {
        {{20, 20}, "MOVERIGHTUP", 152},    {{160, 20}, "MOVEUP", 148},    {{300, 20}, "MOVELEFTUP", 151},
        {{20, 120}, "MOVELEFT", 104},      {{160, 120}, "MOVEHOME", 154}, {{300, 120}, "MOVERIGHT", 147},
        {{20, 220}, "MOVERIGHTDOWN", 153}, {{160, 220}, "MOVEDOWN", 149}, {{300, 220}, "MOVELEFTDOWN", 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.move);
        ClearPanTiltLog(folder);
        MoveTo(c.at.x, c.at.y);
        EXPECT_EQ(zv::user::headless::ShownCursor(), LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.cursor)));
        Click(MouseButton::Left, c.at.x, c.at.y);
        EXPECT_EQ(PanTiltLog(folder), std::string("GETPANPOSITION;GETTILTPOSITION;") + c.move + ";");
    }
    // Both buttons together: the release sends no move.
    ClearPanTiltLog(folder);
    MoveTo(160, 120); // not a double click
    Button(MouseButton::Left, true);
    Button(MouseButton::Right, true);
    Button(MouseButton::Left, false);
    Button(MouseButton::Right, false);
    EXPECT_EQ(PanTiltLog(folder), "");
    EXPECT_EQ(m_preview->ZoomFraction(), 0.0) << "clicks do not zoom";
}

TEST_F(PreviewPanTiltTest, ZoomModeForOtherDevicesOrWithShift)
{
    struct Case {
        const char* device;
        bool shift;
        bool moves;
    };
    const Case cases[] = {
        {"USB PC Camera (2)", false, true}, {"USB PC Camera", true, false}, {"usb pc camera", false, false},
        {"USB PC Cam", false, false},       {"Test Camera", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.device << (c.shift ? " with Shift" : ""));
        g_deviceName = c.device;
        CDlgCapPreview::SetImage(nullptr); // zoom back to 0
        ClearPanTiltLog(folder);
        if (c.shift) zv::user::DeliverKey(VK_SHIFT, true);
        Click(MouseButton::Left, 160, 120);
        if (c.shift) zv::user::DeliverKey(VK_SHIFT, false);
        Pump();
        EXPECT_EQ(PanTiltLog(folder).empty(), !c.moves);
        EXPECT_EQ(m_preview->ZoomFraction() > 0.0, !c.moves);
    }
}

} // namespace
