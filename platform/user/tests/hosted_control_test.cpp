// Dialog items named by class id are made by the hosted-control maker; without one, or when it
// cannot make the control, the dialog fails as for a missing window class.
#include "platform/user/dialog.h"
#include "platform/user/hosted_control.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/last_error.h"
#include "platform/win32/resources.h"

#include <gtest/gtest.h>

namespace {

constexpr WORD kDialogWithControl = 102; // holds a control of class {1F3A5C7E-...}
constexpr const char* kCaption = "Snapshot manager";

HWND FailingMaker(HWND, const CLSID&, LPCSTR, DWORD, const RECT&, int)
{
    SetLastError(0x80040154); // the class is not registered
    return nullptr;
}

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class HostedDialogItemTest : public zv::user::test::WindowSystemTest {
protected:
    void TearDown() override
    {
        zv::user::SetHostedControlMaker(nullptr);
        WindowSystemTest::TearDown();
    }
};

TEST_F(HostedDialogItemTest, WithoutAControlTheDialogIsNotMade)
{
    struct Case {
        const char* name;
        zv::user::HostedControlMaker maker;
        DWORD error;
    };
    const Case cases[] = {
        {"no maker installed", nullptr, ERROR_CANNOT_FIND_WND_CLASS},
        {"the maker cannot make it", &FailingMaker, 0x80040154},
    };
    for (const Case& c : cases) {
        zv::user::SetHostedControlMaker(c.maker);
        SetLastError(0);
        HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kDialogWithControl), nullptr, PlainDialog, 0);
        EXPECT_EQ(dialog, nullptr) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(FindWindowA(nullptr, kCaption), nullptr) << c.name; // nothing half-made stays
    }
}

} // namespace
