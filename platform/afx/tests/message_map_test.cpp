// Message maps: window messages, commands and ranges, registered messages, notifications,
// reflection to the control, and the base class's entries when the class has none.
#include "platform/afx/afxwin.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;

UINT RegisteredClick()
{
    static const UINT message = RegisterWindowMessageA("Framework Test Button Click");
    return message;
}
const UINT g_registeredClick = RegisteredClick();

class BaseWnd : public CWnd {
protected:
    void OnBaseCommand() { g_calls.push_back("base command"); }
    LRESULT OnShared(WPARAM wParam, LPARAM) { g_calls.push_back("base shared " + std::to_string(wParam)); return 1; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    ON_COMMAND(300, OnBaseCommand)
    ON_COMMAND(301, OnBaseCommand)
    ON_MESSAGE(WM_APP + 1, OnShared)
    ON_MESSAGE(WM_APP + 2, OnShared)
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
public:
    UINT_PTR lastTimer = 0;
    CSize lastSize;

protected:
    void OnTimer(UINT_PTR id) { lastTimer = id; }
    void OnSize(UINT, int cx, int cy) { lastSize = CSize(cx, cy); CWnd::OnSize(0, cx, cy); }
    void OnRange(UINT id) { g_calls.push_back("range " + std::to_string(id)); }
    void OnOwnCommand() { g_calls.push_back("derived command"); }
    void OnClicked() { g_calls.push_back("clicked"); }
    void OnEditGone() { g_calls.push_back("edit lost focus"); }
    void OnItem(NMHDR* header, LRESULT* result) { g_calls.push_back("notify " + std::to_string(header->code)); *result = 7; }
    LRESULT OnMessage(WPARAM wParam, LPARAM lParam) { g_calls.push_back("derived shared " + std::to_string(wParam)); return lParam; }
    LRESULT OnRegistered(WPARAM, LPARAM) { g_calls.push_back("registered"); return 42; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    ON_WM_TIMER()
    ON_WM_SIZE()
    ON_COMMAND_RANGE(2000, 2049, OnRange)
    ON_COMMAND(301, OnOwnCommand)
    ON_BN_CLICKED(1011, OnClicked)
    ON_EN_KILLFOCUS(1005, OnEditGone)
    ON_NOTIFY(-101, 2500, OnItem)
    ON_MESSAGE(WM_APP + 2, OnMessage)
    ON_REGISTERED_MESSAGE(g_registeredClick, OnRegistered)
END_MESSAGE_MAP()

// A control class that handles its own notifications before the parent.
class ReflectingEdit : public CWnd {
protected:
    void OnReflectedKillFocus() { g_calls.push_back("edit handles its own kill focus"); }
    void OnReflectedNotify(NMHDR*, LRESULT* result) { g_calls.push_back("list handles its own notify"); *result = 9; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingEdit, CWnd)
    ON_CONTROL_REFLECT(EN_KILLFOCUS, OnReflectedKillFocus)
    ON_NOTIFY_REFLECT(-101, OnReflectedNotify)
END_MESSAGE_MAP()

class MessageMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls.clear();
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, "map", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    }
    void TearDown() override { wnd.DestroyWindow(); }

    zv::win32::testing::TempZvRoot root;
    DerivedWnd wnd;
};

TEST_F(MessageMapTest, CommandsAndMessagesReachTheMostDerivedHandler)
{
    struct Case {
        UINT message;
        WPARAM wParam;
        LRESULT result;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {WM_COMMAND, 2000, 0, {"range 2000"}},
        {WM_COMMAND, 2049, 0, {"range 2049"}},
        {WM_COMMAND, MAKELONG(2049, 1), 0, {"range 2049"}}, // accelerator
        {WM_COMMAND, 2050, 0, {}},
        {WM_COMMAND, 300, 0, {"base command"}},
        {WM_COMMAND, 301, 0, {"derived command"}},
        {WM_APP + 1, 5, 1, {"base shared 5"}},
        {WM_APP + 2, 6, 77, {"derived shared 6"}},
        {g_registeredClick, 0, 42, {"registered"}},
        {WM_APP + 3, 0, 0, {}},
    };
    for (const Case& c : cases) {
        g_calls.clear();
        const LPARAM lParam = c.message == WM_COMMAND ? 0 : 77; // commands from menus and accelerators
        EXPECT_EQ(wnd.SendMessage(c.message, c.wParam, lParam), c.result) << c.message << " " << c.wParam;
        EXPECT_EQ(g_calls, c.calls) << c.message << " " << c.wParam;
    }
}

TEST_F(MessageMapTest, WindowMessagesGetTheirParameters)
{
    wnd.SendMessage(WM_TIMER, 12);
    EXPECT_EQ(wnd.lastTimer, 12u);
    wnd.MoveWindow(0, 0, 150, 60);
    CRect client;
    wnd.GetClientRect(&client);
    EXPECT_EQ(wnd.lastSize.cx, client.Width());
    EXPECT_EQ(wnd.lastSize.cy, client.Height());
}

TEST_F(MessageMapTest, ControlNotificationsGoToTheControlFirst)
{
    CWnd plain;
    ASSERT_TRUE(plain.Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 10, 10), &wnd, 1011));
    ReflectingEdit edit;
    ASSERT_TRUE(edit.Create(nullptr, "", WS_VISIBLE, CRect(0, 10, 10, 20), &wnd, 1005));

    wnd.SendMessage(WM_COMMAND, MAKELONG(1011, BN_CLICKED), reinterpret_cast<LPARAM>(plain.m_hWnd));
    wnd.SendMessage(WM_COMMAND, MAKELONG(1005, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit.m_hWnd));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"clicked", "edit handles its own kill focus"}));

    g_calls.clear();
    NMHDR fromList{plain.m_hWnd, 2500, static_cast<UINT>(-101)};
    EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 2500, reinterpret_cast<LPARAM>(&fromList)), 7);
    NMHDR fromEdit{edit.m_hWnd, 1005, static_cast<UINT>(-101)};
    EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 1005, reinterpret_cast<LPARAM>(&fromEdit)), 9);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"notify 4294967195", "list handles its own notify"}));
}

// Records the mouse handlers' arguments.
class MouseWnd : public CWnd {
protected:
    void Record(const char* name, UINT flags, CPoint point)
    {
        g_calls.push_back(std::string(name) + " " + std::to_string(flags) + " " + std::to_string(point.x) + "," +
                          std::to_string(point.y));
    }
    void OnLButtonDblClk(UINT flags, CPoint point) { Record("left double", flags, point); }
    void OnRButtonDown(UINT flags, CPoint point) { Record("right down", flags, point); }
    void OnRButtonDblClk(UINT flags, CPoint point) { Record("right double", flags, point); }
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point)
    {
        Record(("wheel " + std::to_string(delta)).c_str(), flags, point);
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MouseWnd, CWnd)
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_RBUTTONDBLCLK()
    ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

TEST(MouseEntriesTest, EachButtonReachesItsHandlerWithSignedPoints)
{
    zv::win32::testing::TempZvRoot root;
    MouseWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "mouse", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::string call;
    };
    const Case cases[] = {
        {WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 7), "left double 1 5,7"},
        {WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(0xFFFF, 3), "right down 6 -1,3"},
        {WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(12, 0xFFFE), "right double 2 12,-2"},
        {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(300, 40),
         "wheel -120 8 300,40"},
    };
    for (const Case& c : cases) {
        g_calls.clear();
        wnd.SendMessage(c.message, c.wParam, c.lParam);
        EXPECT_EQ(g_calls, std::vector<std::string>{c.call}) << c.message;
    }
    wnd.DestroyWindow();
}

} // namespace
