// The start every test on a real X display shares: skipped without one, on the gtk display, in a
// fresh machine folder.
#pragma once

#include "platform/user/display.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace zv::user::gtk::test {

// Skips the test without an X display; otherwise the windows of this process and of the programs
// it starts from now on show on the desktop (the gtk display). The caller returns when IsSkipped().
inline void UseGtkDisplayOrSkip()
{
    if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X display (the gui tests run under xvfb-run)";
    setenv("ZV_DISPLAY", "gtk", 1);
}

class GtkDesktopTest : public ::testing::Test {
protected:
    // Call first in SetUp; return from SetUp when the test was skipped or failed here.
    void StartOnGtkDisplay()
    {
        UseGtkDisplayOrSkip();
        if (IsSkipped())
            return;
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        ASSERT_STREQ(zv::user::Display().Name(), "gtk");
    }
    bool Started() const { return !IsSkipped() && !HasFatalFailure(); }

    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
};

} // namespace zv::user::gtk::test
