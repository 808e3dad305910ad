// Hosted controls end to end: a template names the control, the dialog makes it, the caller reaches
// it through GetControlUnknown, its events reach the dialog's event sink map, and it goes with
// its window. Failures leave nothing behind.
#include "platform/afx/afxdisp.h"
#include "platform/afx/tests/hosting/test_control.h"
#include "platform/user/dialog.h"
#include "platform/user/headless_display.h"
#include "platform/user/input_events.h"
#include "platform/win32/last_error.h"
#include "platform/win32/resources.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using zv::afx::test::ITestControl;
using zv::afx::test::TestControl;
using zv::win32::ComRef;

constexpr WORD kDialogWithControl = 300;
constexpr WORD kDialogWithMissingControl = 301;
constexpr WORD kEmptyDialog = 302;
constexpr int kControlId = 1002;

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A dialog with the sink map the skin's users have: clicks and scrolls of control 1002.
class HostDialog : public CWnd {
public:
    struct Event {
        DISPID dispid;
        IUnknown* element;
        LONG position;
        friend bool operator==(const Event&, const Event&) = default;
    };
    std::vector<Event> events;
    bool closeOnClick = false; // as the main dialog's "Exit" does

    bool Open(WORD templateId)
    {
        HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(templateId), nullptr, PlainDialog, 0);
        return dialog && SubclassWindow(dialog);
    }

protected:
    void OnElementClick(IUnknown* element)
    {
        events.push_back({20, element, 0});
        if (closeOnClick)
            DestroyWindow();
    }
    void OnElementScroll(IUnknown* element, LONG position) { events.push_back({31, element, position}); }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(HostDialog, CWnd)
    ON_EVENT(HostDialog, kControlId, 20, OnElementClick, VTS_UNKNOWN)
    ON_EVENT(HostDialog, kControlId, 31, OnElementScroll, VTS_UNKNOWN VTS_I4)
END_EVENTSINK_MAP()

ComRef<ITestControl> TestInterfaceOf(IUnknown* control)
{
    void* test = nullptr;
    if (!control || FAILED(control->QueryInterface(zv::afx::test::IID_ITestControl, &test)))
        return {};
    return ComRef<ITestControl>::Adopt(static_cast<ITestControl*>(test));
}

class ControlHostingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        ASSERT_TRUE(zv::user::headless::SetScreenSize(640, 480));
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        TestControl::RegisterClasses();
        AfxEnableControlContainer();
    }
    void TearDown() override
    {
        TestControl::s_keptSink = {};
        TestControl::s_keepSinkPastRelease = false;
        EXPECT_EQ(TestControl::s_live, 0) << "a control outlived its window";
        EXPECT_EQ(TestControl::s_freedHoldingSink, 0) << "the host never took its sink back";
        CoUninitialize();
        m_root.reset();
    }

private:
    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
};

TEST_F(ControlHostingTest, TemplateControlIsReachedAndItsEventsReachTheSinkMap)
{
    HostDialog dialog;
    ASSERT_TRUE(dialog.Open(kDialogWithControl));
    CWnd* item = dialog.GetDlgItem(kControlId);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->IsWindowVisible());
    RECT expected{10, 10, 190, 90};
    ASSERT_TRUE(MapDialogRect(dialog, &expected));
    RECT place;
    item->GetWindowRect(&place);
    dialog.ScreenToClient(&place);
    EXPECT_EQ(place.left, expected.left);
    EXPECT_EQ(place.top, expected.top);
    EXPECT_EQ(place.right, expected.right);
    EXPECT_EQ(place.bottom, expected.bottom);
    EXPECT_EQ(dialog.GetDlgItem(IDOK)->GetControlUnknown(), nullptr);

    IUnknown* control = item->GetControlUnknown();
    ASSERT_NE(control, nullptr);
    {
        ComRef<ITestControl> test = TestInterfaceOf(control);
        ASSERT_TRUE(test);
        EXPECT_EQ(test->FireClick(), S_OK);
        EXPECT_EQ(test->FireScroll(25), S_OK);
    }
    const std::vector<HostDialog::Event> expectedEvents{{20, control, 0}, {31, control, 25}};
    EXPECT_EQ(dialog.events, expectedEvents);

    // The dialog's own window going takes the control with it (TearDown counts).
    dialog.DestroyWindow();
    EXPECT_EQ(TestControl::s_live, 0);
}

TEST_F(ControlHostingTest, TwoDialogsHearOnlyTheirOwnControls)
{
    HostDialog first;
    HostDialog second;
    ASSERT_TRUE(first.Open(kDialogWithControl));
    ASSERT_TRUE(second.Open(kDialogWithControl));
    IUnknown* firstControl = first.GetDlgItem(kControlId)->GetControlUnknown();
    IUnknown* secondControl = second.GetDlgItem(kControlId)->GetControlUnknown();
    ASSERT_NE(firstControl, secondControl);
    TestInterfaceOf(secondControl)->FireScroll(7);
    TestInterfaceOf(firstControl)->FireScroll(3);
    TestInterfaceOf(secondControl)->FireClick();
    EXPECT_EQ(first.events, (std::vector<HostDialog::Event>{{31, firstControl, 3}}));
    EXPECT_EQ(second.events, (std::vector<HostDialog::Event>{{31, secondControl, 7}, {20, secondControl, 0}}));
}

TEST_F(ControlHostingTest, HandlerMayCloseTheDialogOfTheControlThatFired)
{
    HostDialog dialog;
    ASSERT_TRUE(dialog.Open(kDialogWithControl));
    dialog.closeOnClick = true;
    RECT place;
    dialog.GetDlgItem(kControlId)->GetWindowRect(&place);
    zv::user::DeliverMouseMove((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    zv::user::DeliverMouseButton(zv::user::MouseButton::Left, true);
    zv::user::DeliverMouseButton(zv::user::MouseButton::Left, false);
    Pump();
    ASSERT_EQ(dialog.events.size(), 1u);
    EXPECT_EQ(dialog.events[0].dispid, 20);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(TestControl::s_live, 0);
}

TEST_F(ControlHostingTest, ControlMadeByNameBelongsToItsWrapperAndReportsToItsParent)
{
    HostDialog host;
    ASSERT_TRUE(host.Open(kEmptyDialog));
    CWnd wrapper;
    ASSERT_TRUE(wrapper.CreateControl(zv::afx::test::kTestControlName, "HTML Data View", WS_VISIBLE,
                                      CRect(5, 6, 105, 56), &host, kControlId));
    EXPECT_EQ(host.GetDlgItem(kControlId), &wrapper);
    EXPECT_EQ(wrapper.GetWindowText(), "HTML Data View");
    EXPECT_TRUE(GetWindowLongA(wrapper, GWL_STYLE) & static_cast<LONG>(WS_CHILD));
    IUnknown* control = wrapper.GetControlUnknown();
    ASSERT_NE(control, nullptr);
    TestInterfaceOf(control)->FireScroll(-4);
    EXPECT_EQ(host.events, (std::vector<HostDialog::Event>{{31, control, -4}}));

    ASSERT_TRUE(wrapper.DestroyWindow());
    EXPECT_EQ(wrapper.m_hWnd, nullptr);
    EXPECT_EQ(TestControl::s_live, 0);
}

TEST_F(ControlHostingTest, ControlsThatCannotBeMadeLeaveNothingBehind)
{
    struct Case {
        const char* name;
        CLSID clsid;
        DWORD error;
    };
    const Case cases[] = {
        {"unregistered class", zv::afx::test::kUnregisteredControl, static_cast<DWORD>(REGDB_E_CLASSNOTREG)},
        {"not a hosted control", zv::afx::test::kControlWithoutHosting, static_cast<DWORD>(E_NOINTERFACE)},
        {"window fails", zv::afx::test::kControlWithoutWindow, static_cast<DWORD>(E_FAIL)},
        {"window elsewhere", zv::afx::test::kControlWindowElsewhere, static_cast<DWORD>(E_UNEXPECTED)},
    };
    HostDialog host;
    ASSERT_TRUE(host.Open(kEmptyDialog));
    for (const Case& c : cases) {
        CWnd wrapper;
        SetLastError(0);
        EXPECT_FALSE(wrapper.CreateControl(c.clsid, "", WS_VISIBLE, CRect(0, 0, 10, 10), &host, kControlId)) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(wrapper.m_hWnd, nullptr) << c.name;
        EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr) << c.name;
        EXPECT_EQ(FindWindowA("ZvTestHostedControl", nullptr), nullptr) << c.name;
        EXPECT_EQ(TestControl::s_live, 0) << c.name;
    }
    CWnd unnamed;
    EXPECT_FALSE(unnamed.CreateControl("Zelvante.NoSuchControl", "", 0, CRect(0, 0, 10, 10), &host, kControlId));
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);

    // In a template the missing control fails the whole dialog, as a missing window class does.
    HostDialog missing;
    EXPECT_FALSE(missing.Open(kDialogWithMissingControl));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(REGDB_E_CLASSNOTREG));
    EXPECT_EQ(FindWindowA(nullptr, "Missing control"), nullptr);
}

TEST_F(ControlHostingTest, SinkKeptPastItsControlReachesNobody)
{
    TestControl::s_keepSinkPastRelease = true;
    {
        HostDialog dialog;
        ASSERT_TRUE(dialog.Open(kDialogWithControl));
        dialog.DestroyWindow();
        EXPECT_TRUE(dialog.events.empty());
    }
    ASSERT_TRUE(TestControl::s_keptSink);
    VARIANT position{};
    position.vt = VT_I4;
    VARIANT arguments[2]{position, {}};
    arguments[1].vt = VT_UNKNOWN;
    DISPPARAMS params{arguments, nullptr, 2, 0};
    EXPECT_EQ(TestControl::s_keptSink->Invoke(31, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              E_UNEXPECTED);
}

} // namespace
