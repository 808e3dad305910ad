// What the tests share that start copies of the main program on the X screen (Xvfb in CI) with the
// gtk display: skipped without a display; the screen open for reading; each copy on a machine of
// its own, its main window waited for, sent commands, and ended by its close request after the
// test. Included last: it brings Xlib, whose macros would spoil headers after it.
#pragma once

#include "app/ProgramMessages.h"
#include "app/tests/program_process.h"
#include "platform/user/gtk/tests/gtk_desktop_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tests/main_window_screen.h" // Xlib last: its macros would spoil our headers

namespace zv::app::testing {

// A copy of the program installed on a fresh machine, and, once started, its process.
class ProgramCopy {
public:
    const InstalledProgram& Machine() const { return m_machine; }

    bool Start(const std::vector<std::string>& arguments)
    {
        m_process = m_machine.Start(arguments);
        return m_process->Started();
    }

    // Posts the command to the copy's main window.
    void Command(UINT id) const { ASSERT_TRUE(PostToMainWindow(WM_COMMAND, id)); }

    // Asks the copy to close as the companion programs do: it exits with 0 within `bound`.
    void End(std::chrono::seconds bound)
    {
        if (!m_process)
            return;
        ASSERT_TRUE(PostToMainWindow(CloseRequestMessage, 0));
        EXPECT_EQ(m_process->Wait(bound), 0);
    }

private:
    // False when the copy's machine lists other than one main window, or the post failed.
    bool PostToMainWindow(UINT message, WPARAM wParam) const
    {
        OnMachine on(m_machine);
        const std::vector<user::WindowEntry> windows = MainWindows();
        EXPECT_EQ(windows.size(), 1u) << "main windows listed";
        return windows.size() == 1 && PostMessageA(HandleOf(windows[0]), message, wParam, 0);
    }

    InstalledProgram m_machine;
    std::unique_ptr<ChildProcess> m_process;
};

class ProgramOnScreenTest : public ::testing::Test {
protected:
    // A derived SetUp calls this first and returns unless Ready().
    void SetUp() override
    {
        zv::user::gtk::test::UseGtkDisplayOrSkip();
        if (IsSkipped())
            return;
        screen = &SharedScreen();
        ASSERT_TRUE(screen->IsOpen());
        XSetErrorHandler(IgnoreGoneWindows);
    }

    // The copies end and go in the opposite order of their making: each machine restores the
    // ZV_ROOT that was before it.
    void TearDown() override
    {
        while (!m_copies.empty()) {
            m_copies.back()->End(exitBound);
            m_copies.pop_back();
        }
    }

    bool Ready() const { return !IsSkipped() && !HasFatalFailure(); }

    // A copy on a fresh machine, which this process's calls go to from now on.
    ProgramCopy& NewCopy()
    {
        m_copies.push_back(std::make_unique<ProgramCopy>());
        return *m_copies.back();
    }

    // Waits until the one copy's main window shows on the screen and is listed on its machine,
    // and `also` holds of its place; false when it never did. Its place is `main` then.
    bool WaitForMainWindow(const std::function<bool(const RECT&)>& also = {})
    {
        return Eventually([&] {
            const std::vector<Window> shown = MainXWindows(*screen);
            main = shown.size() == 1 && MainWindows().size() == 1 ? screen->PlaceOf(shown[0]) : RECT{};
            return main.right > main.left && (!also || also(main));
        });
    }

    // The skin element's place on the screen, in the main window at `main`.
    RECT OnScreen(const std::string& element) const { return ElementOnScreen(element, main); }

    XScreen* screen = nullptr;
    RECT main{};
    // How long a copy may take to exit once asked to close.
    std::chrono::seconds exitBound{60};

private:
    // One connection for the whole test program: the X server resets when its last client leaves,
    // and a connection made during the reset fails.
    static XScreen& SharedScreen()
    {
        static XScreen shared;
        return shared;
    }

    std::vector<std::unique_ptr<ProgramCopy>> m_copies;
};

} // namespace zv::app::testing
