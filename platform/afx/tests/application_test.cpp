// The application object: message boxes with its title, the run loop ending with the main
// window, ExitInstance's code, PreTranslateMessage up the parents, self-deleting windows, profile.
#include "platform/afx/afxwin.h"
#include "platform/win32/paths.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using zv::user::MessageBoxResponder;

class TestApp : public CWinApp {
public:
    explicit TestApp(LPCSTR name = nullptr) : CWinApp(name) {}
    BOOL InitInstance() override { return init ? init(*this) : FALSE; } // by default nothing to run
    int ExitInstance() override { exited = true; return CWinApp::ExitInstance() + exitBonus; }

    std::function<BOOL(TestApp&)> init;
    int exitBonus = 0;
    bool exited = false;
};

int RunApp(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    return AfxWinMain(static_cast<int>(argv.size()), argv.data());
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override { MessageBoxResponder::Reset(); }
    void TearDown() override { MessageBoxResponder::Reset(); }

    zv::win32::testing::TempZvRoot root;
};

TEST_F(ApplicationTest, MessageBoxesCarryTheApplicationTitle)
{
    {
        TestApp app;
        EXPECT_EQ(RunApp({"/opt/bin/shotbox.exe", "/min", "/play"}), 0);
        EXPECT_STREQ(app.m_pszAppName, "Framework Test Title"); // from the string table
        EXPECT_STREQ(app.m_pszExeName, "shotbox");
        EXPECT_STREQ(app.m_lpCmdLine, "/min /play");
        MessageBoxResponder::SetScript({IDNO});
        EXPECT_EQ(AfxMessageBox("Quit?", MB_YESNO | MB_ICONQUESTION), IDNO);
        EXPECT_EQ(AfxMessageBox(101), IDOK);
        EXPECT_EQ(AfxMessageBox(999), 0); // no such string: no box
    }
    EXPECT_EQ(AfxMessageBox("without an application"), IDOK);

    const auto history = MessageBoxResponder::History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].caption, "Framework Test Title");
    EXPECT_EQ(history[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(history[1].text, "Prompt from the string table");
    EXPECT_EQ(history[1].caption, "Framework Test Title");
    EXPECT_EQ(history[2].caption, "Error");
}

TEST_F(ApplicationTest, ExceptionsReportThroughTheFramework)
{
    TestApp app("Zelvante");
    RunApp({"zelvante"});
    CException withoutText;
    withoutText.ReportError();
    withoutText.ReportError(MB_OK, 101);
    const auto history = MessageBoxResponder::History();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].text, "No error message is available");
    EXPECT_EQ(history[0].caption, "Zelvante");
    EXPECT_EQ(history[1].text, "Prompt from the string table");
}

TEST_F(ApplicationTest, DestroyingTheMainWindowEndsTheLoopWithExitInstancesCode)
{
    struct Case {
        bool initSucceeds;
        int exitBonus;
        int expected;
        bool loopRan;
    };
    const Case cases[] = {{true, 0, 0, true}, {true, 5, 5, true}, {false, 3, 3, false}};
    for (const Case& c : cases) {
        TestApp app("loop");
        app.exitBonus = c.exitBonus;
        CWnd main;
        bool windowMadeIt = false;
        app.init = [&](TestApp& self) {
            main.CreateEx(0, nullptr, "main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr);
            self.m_pMainWnd = &main;
            // Something that arrives while the loop runs closes the main window.
            main.PostMessage(WM_CLOSE);
            windowMadeIt = main.GetSafeHwnd() != nullptr;
            return c.initSucceeds ? TRUE : FALSE;
        };
        EXPECT_EQ(RunApp({"loop"}), c.expected);
        EXPECT_TRUE(windowMadeIt);
        EXPECT_TRUE(app.exited);
        EXPECT_EQ(main.GetSafeHwnd(), nullptr);
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        MSG leftover;
        if (c.loopRan)
            EXPECT_FALSE(PeekMessageA(&leftover, nullptr, 0, 0, PM_REMOVE)) << "quit or close left in the queue";
        else
            while (PeekMessageA(&leftover, nullptr, 0, 0, PM_REMOVE)) {
            } // the quit of the window InitInstance left

    }
}

std::vector<std::string> g_seen;

class WatchingWnd : public CWnd {
public:
    WatchingWnd(std::string name, bool takes) : m_name(std::move(name)), m_takes(takes) {}
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_APP + 7)
            g_seen.push_back(m_name);
        return m_takes;
    }

private:
    std::string m_name;
    bool m_takes;
};

TEST_F(ApplicationTest, PreTranslateMessageWalksFromTheTargetUpItsParents)
{
    TestApp app("walk");
    RunApp({"walk"}); // names the application; nothing to run
    struct Case {
        bool childTakes;
        bool parentTakes;
        std::vector<std::string> seen;
        BOOL taken;
    };
    const Case cases[] = {
        {false, false, {"child", "parent", "top"}, FALSE},
        {false, true, {"child", "parent"}, TRUE},
        {true, false, {"child"}, TRUE},
    };
    for (const Case& c : cases) {
        g_seen.clear();
        WatchingWnd top("top", false), parent("parent", c.parentTakes), child("child", c.childTakes);
        WatchingWnd owned("owned pop-up's owner is not walked", false);
        ASSERT_TRUE(top.CreateEx(0, nullptr, "top", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
        ASSERT_TRUE(parent.Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 50, 50), &top, 1));
        ASSERT_TRUE(child.Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 20, 20), &parent, 2));
        MSG msg{child.m_hWnd, WM_APP + 7, 0, 0, 0, {}};
        EXPECT_EQ(app.PreTranslateMessage(&msg), c.taken);
        EXPECT_EQ(g_seen, c.seen);
    }
}

class SelfDeletingWnd : public CWnd {
public:
    explicit SelfDeletingWnd(int* deleted) : m_deleted(deleted) {}
    ~SelfDeletingWnd() override { ++*m_deleted; }

protected:
    void PostNcDestroy() override { delete this; }

private:
    int* m_deleted;
};

TEST_F(ApplicationTest, WindowsThatAskDeleteThemselvesWhenDestroyed)
{
    int deleted = 0;
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    auto* first = new SelfDeletingWnd(&deleted);
    ASSERT_TRUE(first->Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 10, 10), &parent, 3));
    auto* second = new SelfDeletingWnd(&deleted);
    ASSERT_TRUE(second->CreateEx(0, nullptr, "alone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND secondHandle = second->m_hWnd;

    second->DestroyWindow();
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(secondHandle), nullptr);
    parent.DestroyWindow(); // takes the child and its object with it
    EXPECT_EQ(deleted, 2);
}

TEST_F(ApplicationTest, SubclassedWindowsKeepTheirOwnProcedureUnderTheMap)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    HWND child = CreateWindowExA(0, "AfxWnd", "original", WS_CHILD, 0, 0, 10, 10, parent.m_hWnd,
                                 reinterpret_cast<HMENU>(44), nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    CWnd* temporary = CWnd::FromHandle(child);
    EXPECT_EQ(CWnd::FromHandlePermanent(child), nullptr);
    EXPECT_EQ(temporary->GetWindowText(), "original");

    CWnd control;
    ASSERT_TRUE(control.SubclassDlgItem(44, &parent));
    EXPECT_EQ(CWnd::FromHandle(child), &control);
    control.SetWindowText("changed"); // answered by the window's own procedure
    EXPECT_EQ(parent.GetDlgItem(44)->GetWindowText(), "changed");
    EXPECT_EQ(control.UnsubclassWindow(), child);
    EXPECT_EQ(CWnd::FromHandlePermanent(child), nullptr);
}

TEST_F(ApplicationTest, ProfileValuesLiveUnderTheRegistryKeyAndApplication)
{
    TestApp app("Shotbox");
    RunApp({"shotbox"});
    EXPECT_EQ(app.GetProfileInt("Settings", "Interval", 9), 9u); // no key yet: defaults, nothing written
    EXPECT_FALSE(app.WriteProfileInt("Settings", "Interval", 3));
    app.SetRegistryKey("Kestrova");
    ASSERT_TRUE(app.WriteProfileInt("Settings", "Interval", 3));
    ASSERT_TRUE(app.WriteProfileString("Settings", "Folder", "C:\\Shots"));
    const BYTE bytes[] = {1, 0, 255};
    ASSERT_TRUE(app.WriteProfileBinary("Settings", "Place", bytes, sizeof bytes));
    EXPECT_EQ(app.GetProfileInt("Settings", "Interval", 9), 3u);
    EXPECT_EQ(app.GetProfileString("Settings", "Folder"), "C:\\Shots");
    BYTE* read = nullptr;
    UINT size = 0;
    ASSERT_TRUE(app.GetProfileBinary("Settings", "Place", &read, &size));
    ASSERT_EQ(size, sizeof bytes);
    EXPECT_EQ(std::memcmp(read, bytes, size), 0);
    delete[] read;
    EXPECT_FALSE(app.GetProfileBinary("Settings", "Missing", &read, &size));
    EXPECT_EQ(read, nullptr);
    EXPECT_EQ(zv::win32::ApplicationProfile().KeyName(), "Kestrova");
    EXPECT_EQ(zv::win32::ApplicationProfile().ApplicationName(), "Shotbox");
}

TEST_F(ApplicationTest, HelpFileFollowsTheProgramUntilSet)
{
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    ASSERT_GT(length, 0u);
    const std::string program(module, length);
    struct Case {
        bool html;
        LPCSTR set;
        std::string path;
    };
    const Case cases[] = {
        {false, nullptr, program + ".hlp"},
        {true, nullptr, program + ".chm"},
        {true, "zelvante.chm", "zelvante.chm"},
        {true, "manual.hlp", "manual.chm"},
    };
    for (const Case& c : cases) {
        TestApp app("help");
        RunApp({"help"});
        if (c.set)
            app.SetHelpFilePath(c.set);
        if (c.html)
            app.EnableHtmlHelp();
        EXPECT_EQ(std::string(app.m_pszHelpFilePath), c.path);
        EXPECT_EQ(app.m_eHelpType, c.html ? CWinApp::afxHTMLHelp : CWinApp::afxWinHelp);
    }
}

// Counts its WM_APP + 8 and posts itself one more the first time.
class PumpedWnd : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP + 8 && ++received == 1)
            PostMessage(WM_APP + 8);
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int received = 0;
};

TEST_F(ApplicationTest, PendingMessagesPumpEmptiesTheQueueAndKeepsTheQuit)
{
    TestApp app("pump");
    RunApp({"pump"});
    PumpedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "pump", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    wnd.PostMessage(WM_APP + 8);
    wnd.PostMessage(WM_APP + 8);
    EXPECT_TRUE(AfxPumpPendingMessages());
    EXPECT_EQ(wnd.received, 3); // one posted while pumping
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, wnd.m_hWnd, WM_APP + 8, WM_APP + 8, PM_NOREMOVE));

    wnd.PostMessage(WM_APP + 9);
    PostQuitMessage(7);
    EXPECT_FALSE(AfxPumpPendingMessages());
    // The loop outside still sees the quit.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    wnd.DestroyWindow();
}

} // namespace
