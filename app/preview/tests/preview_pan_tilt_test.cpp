// The preview with the pan/tilt library beside the program: readied at creation and let go at
// the end, clicks turned into the move of the grid cell with its cursor, and zoom mode for other
// devices, with Shift held, or after both buttons were pressed.
#include "app/preview/PanTiltLibrary.h"
#include "app/preview/tests/fake_pan_tilt_log.h"
#include "app/preview/tests/preview_test_support.h"
#include "platform/win32/modules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace preview_test;

std::string g_deviceName;
std::string DeviceName()
{
    return g_deviceName;
}

std::string Folder()
{
    return zv::win32::ProgramFolder();
}

class PreviewPanTiltTest : public PreviewTest {
protected:
    void SetUp() override
    {
        ClearPanTiltLog(Folder());
        g_deviceName = "USB PC Camera";
        CDlgCapPreview::SetDeviceNameQuery(&DeviceName);
        PreviewTest::SetUp();
    }
    void TearDown() override
    {
        PreviewTest::TearDown();
        CDlgCapPreview::SetDeviceNameQuery(nullptr);
    }
};

TEST_F(PreviewPanTiltTest, ReadiedAtCreationAndLetGoAtTheEnd)
{
    EXPECT_EQ(PanTiltLog(Folder()), "CHECKPORT;SETMIRROROFF;SETFLIPOFF;SETPANDEFAULT(5);SETTILTDEFAULT(2);");
    ClearPanTiltLog(Folder());
    m_preview.reset();
    EXPECT_EQ(PanTiltLog(Folder()), "DELPORT;");
}

TEST_F(PreviewPanTiltTest, AClickMovesTheCameraTowardItsCell)
{
    struct Case {
        POINT at;
        const char* move;
        WORD cursor;
    };
    // The window is 320 x 240: thirds at 106 and 213, rows at 80 and 160.
    const Case cases[] = {
        {{20, 20}, "MOVERIGHTUP", 152},    {{160, 20}, "MOVEUP", 148},     {{300, 20}, "MOVELEFTUP", 151},
        {{20, 120}, "MOVELEFT", 104},      {{160, 120}, "MOVEHOME", 154},  {{300, 120}, "MOVERIGHT", 147},
        {{20, 220}, "MOVERIGHTDOWN", 153}, {{160, 220}, "MOVEDOWN", 149},  {{300, 220}, "MOVELEFTDOWN", 150},
    };
    const HMODULE program = GetModuleHandleA(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.move);
        ClearPanTiltLog(Folder());
        MoveTo(c.at.x, c.at.y);
        EXPECT_EQ(zv::user::headless::ShownCursor(), LoadCursorA(program, MAKEINTRESOURCEA(c.cursor)));
        Button(MouseButton::Left, true);
        Button(MouseButton::Left, false);
        EXPECT_EQ(PanTiltLog(Folder()), std::string("GETPANPOSITION;GETTILTPOSITION;") + c.move + ";");
    }
    Click(MouseButton::Right);
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
        {"USB PC Camera", false, true},
        {"USB PC Camera (2)", false, true},
        {"USB PC Camera", true, false},
        {"usb pc camera", false, false},
        {"USB PC Cam", false, false},
        {"Zelvante Test Camera", false, false},
    };
    SetFocus(m_preview->GetSafeHwnd()); // Shift goes to the focus window
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.device << (c.shift ? " with Shift" : ""));
        g_deviceName = c.device;
        CDlgCapPreview::SetImage(nullptr); // zoom back to 0
        ClearPanTiltLog(Folder());
        if (c.shift) zv::user::DeliverKey(VK_SHIFT, true);
        Click(MouseButton::Left, 160, 120);
        if (c.shift) zv::user::DeliverKey(VK_SHIFT, false);
        Pump();
        EXPECT_EQ(PanTiltLog(Folder()).empty(), !c.moves);
        EXPECT_EQ(m_preview->ZoomFraction() > 0.0, !c.moves);
    }
}

TEST_F(PreviewPanTiltTest, BothButtonsTogetherSendNoMove)
{
    MoveTo(20, 20);
    Button(MouseButton::Left, true);
    Button(MouseButton::Right, true);
    Button(MouseButton::Left, false);
    Button(MouseButton::Right, false);
    EXPECT_EQ(PanTiltLog(Folder()), "CHECKPORT;SETMIRROROFF;SETFLIPOFF;SETPANDEFAULT(5);SETTILTDEFAULT(2);");
    Click(MouseButton::Left, 20, 20);
    EXPECT_NE(PanTiltLog(Folder()).find("MOVERIGHTUP"), std::string::npos) << "the next click moves again";
}

} // namespace
