// Dialog items named by class id go to the hosted-control maker; without one the dialog fails.
#include "platform/user/dialog.h"
#include "platform/user/hosted_control.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/last_error.h"
#include "platform/win32/resources.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr WORD kDialogWithControl = 102; // holds class {1F3A5C7E-...} as item 1002 at 0, 0, 100 x 50 units
constexpr const char* kCaption = "Snapshot manager";

struct MakerCall {
    CLSID clsid{};
    std::string text;
    DWORD style = 0;
    RECT place{};
    int id = 0;
    HWND made = nullptr;
};
std::optional<MakerCall> g_call;

HWND RecordingMaker(HWND dialog, const CLSID& clsid, LPCSTR text, DWORD style, const RECT& place, int id)
{
    g_call = MakerCall{clsid, text, style, place, id, nullptr};
    g_call->made = CreateWindowExA(0, "Static", text, style, place.left, place.top, place.right - place.left,
                                   place.bottom - place.top, dialog,
                                   reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
    return g_call->made;
}

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
        g_call.reset();
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

TEST_F(HostedDialogItemTest, TheMakerGetsTheItemAsTheTemplateHasIt)
{
    zv::user::SetHostedControlMaker(&RecordingMaker);
    HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kDialogWithControl), nullptr, PlainDialog, 0);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(g_call);
    EXPECT_EQ(g_call->clsid, zv::win32::GuidFromText("{1F3A5C7E-0000-4000-8000-00AA00BB00CC}"));
    EXPECT_EQ(g_call->id, 1002);
    EXPECT_EQ(g_call->style, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    RECT units{0, 0, 100, 50};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(g_call->place.right, units.right);
    EXPECT_EQ(g_call->place.bottom, units.bottom);
    EXPECT_EQ(GetDlgItem(dialog, 1002), g_call->made);
    DestroyWindow(dialog);
}

} // namespace
