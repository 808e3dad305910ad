// Full screen on a desktop whose window manager supports it. Xvfb has none, so this program
// stands in for one before GTK opens the display: the root window names a window-manager check
// window and lists the full-screen state as supported. GTK then asks for full screen through the
// root window's client messages, which the test reads. A program of its own, because GTK decides
// once per process whether a window manager is there.
#include "platform/user/display.h"
#include "platform/user/gtk/desktop_window.h"
#include "platform/user/system_metrics.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/user/gtk/tests/x_screen.h" // Xlib last: its macros would spoil our headers
#include <X11/Xatom.h>
#undef FillSolid

namespace {

using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::RecordingWindow;
using zv::user::gtk::test::Eventually;
using zv::user::gtk::test::XScreen;

bool HasDisplay() { return std::getenv("DISPLAY") && *std::getenv("DISPLAY"); }

// The window-manager check of the extended window manager hints, set up on the root window.
class PretendWindowManager : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!HasDisplay() || !m_x.IsOpen())
            return;
        ::Display* d = m_x.Get();
        m_check = XCreateSimpleWindow(d, m_x.Root(), -10, -10, 1, 1, 0, 0, 0);
        const Atom checkAtom = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
        XChangeProperty(d, m_x.Root(), checkAtom, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&m_check), 1);
        XChangeProperty(d, m_check, checkAtom, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&m_check), 1);
        const char* name = "pretend";
        XChangeProperty(d, m_check, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(name), 7);
        Atom supported[] = {XInternAtom(d, "_NET_WM_STATE", False), XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False),
                            XInternAtom(d, "_NET_WM_STATE_ABOVE", False)};
        XChangeProperty(d, m_x.Root(), XInternAtom(d, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(supported), 3);
        XSync(d, False);
    }
    // Later programs on the same server find no window manager again.
    void TearDown() override
    {
        if (!m_check)
            return;
        ::Display* d = m_x.Get();
        XDeleteProperty(d, m_x.Root(), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False));
        XDeleteProperty(d, m_x.Root(), XInternAtom(d, "_NET_SUPPORTED", False));
        XDestroyWindow(d, m_check);
        XSync(d, False);
    }

private:
    XScreen m_x;
    Window m_check = 0;
};

const auto* const g_windowManager = ::testing::AddGlobalTestEnvironment(new PretendWindowManager);

// The full-screen changes clients ask of the window manager: (window, added), in order.
class FullScreenRequests {
public:
    explicit FullScreenRequests(const XScreen& x)
        : m_x(x), m_state(XInternAtom(x.Get(), "_NET_WM_STATE", False)),
          m_fullScreen(XInternAtom(x.Get(), "_NET_WM_STATE_FULLSCREEN", False))
    {
        XSelectInput(x.Get(), x.Root(), SubstructureNotifyMask);
        XSync(x.Get(), False);
    }

    std::vector<std::pair<Window, bool>> Take()
    {
        while (XPending(m_x.Get())) {
            XEvent event;
            XNextEvent(m_x.Get(), &event);
            const XClientMessageEvent& message = event.xclient;
            if (event.type == ClientMessage && message.message_type == m_state &&
                (static_cast<Atom>(message.data.l[1]) == m_fullScreen ||
                 static_cast<Atom>(message.data.l[2]) == m_fullScreen))
                m_seen.emplace_back(message.window, message.data.l[0] == 1);
        }
        return m_seen;
    }

private:
    const XScreen& m_x;
    Atom m_state;
    Atom m_fullScreen;
    std::vector<std::pair<Window, bool>> m_seen;
};

TEST(FullScreen, AFramelessWindowOverTheWholeScreenIsFullScreenAndBack)
{
    if (!HasDisplay())
        GTEST_SKIP() << "needs an X display (the gui tests run under xvfb-run)";
    setenv("ZV_DISPLAY", "gtk", 1);
    zv::win32::testing::TempZvRoot root;
    ASSERT_STREQ(zv::user::Display().Name(), "gtk");
    XScreen x;
    ASSERT_TRUE(x.IsOpen());

    RecordingWindow window;
    const RECT small{60, 70, 260, 220};
    const HWND hwnd = CreateAt(window, WS_POPUP, small.left, small.top, 200, 150);
    SetWindowTextA(hwnd, "Full screen");
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Window shown = 0;
    ASSERT_TRUE(Eventually([&] { return (shown = x.FindNamed("Full screen")) != 0 && x.PlaceOf(shown).right != 0; },
                           DispatchQueued));
    FullScreenRequests requests(x);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);

    struct Step {
        const char* what;
        HWND after;
        RECT rect;
        std::size_t requests; // asked so far
    };
    const Step steps[] = {
        {"over the screen, topmost, as the preview goes full screen", HWND_TOPMOST, RECT{0, 0, width, height}, 1},
        {"back to its place", HWND_NOTOPMOST, small, 2},
        {"one pixel short of the screen: not full screen", HWND_TOP, RECT{0, 0, width - 1, height}, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        SetWindowPos(hwnd, step.after, step.rect.left, step.rect.top, step.rect.right - step.rect.left,
                     step.rect.bottom - step.rect.top, SWP_SHOWWINDOW);
        EXPECT_TRUE(Eventually([&] { return zv::user::gtk::SameRect(x.PlaceOf(shown), step.rect); }, DispatchQueued));
        EXPECT_TRUE(Eventually([&] { return requests.Take().size() == step.requests; }, DispatchQueued));
    }
    const std::vector<std::pair<Window, bool>> expected{{shown, true}, {shown, false}};
    EXPECT_EQ(requests.Take(), expected);
    DestroyWindow(hwnd);
    DispatchQueued();
}

} // namespace
