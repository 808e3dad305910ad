// The dialog manager: templates made into dialogs, keyboard navigation, buttons under real
// input, modal loops on worker threads and dialogs that end before they are shown.
#include "platform/user/button.h"
#include "platform/user/dialog.h"
#include "platform/user/dialog_units.h"
#include "platform/user/input_events.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using zv::user::DeliverKey;
using zv::user::DeliverMouseButton;
using zv::user::DeliverMouseMove;

constexpr WORD kTestDialog = 110;
constexpr int kKeepCopy = 1001;
constexpr int kStandard = 1010;
constexpr int kHigh = 1011;

// What a test's dialog procedure saw; the dialog's DWLP_USER points at it.
struct DialogRecord {
    LPARAM initParam = 0;
    bool endInInit = false;
    std::vector<std::pair<int, int>> commands; // control id, notification
    int endOnCommand = 0;                      // this id ends the dialog with its id + 100
};

INT_PTR CALLBACK RecordingDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* record = reinterpret_cast<DialogRecord*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        record->initParam = lParam;
        if (record->endInInit)
            EndDialog(dialog, -1);
        return TRUE;
    }
    auto* record = reinterpret_cast<DialogRecord*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_COMMAND && record) {
        record->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        if (record->endOnCommand == LOWORD(wParam))
            EndDialog(dialog, LOWORD(wParam) + 100);
        return TRUE;
    }
    return FALSE;
}

void Pump(HWND dialog)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

POINT CentreOf(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class DialogTest : public zv::user::test::WindowSystemTest {
protected:
    HWND Open(DialogRecord& record)
    {
        HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kTestDialog), nullptr, RecordingDialog,
                                         reinterpret_cast<LPARAM>(&record));
        Pump(dialog);
        return dialog;
    }
};

TEST_F(DialogTest, ControlsSitWhereTheTemplateUnitsSay)
{
    DialogRecord record;
    HWND dialog = Open(record);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(record.initParam, reinterpret_cast<LPARAM>(&record));
    const auto layout = zv::user::LayoutInPixels(*zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCEA(kTestDialog)));
    ASSERT_TRUE(layout);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, layout->dialog.right - layout->dialog.left);
    EXPECT_EQ(client.bottom, layout->dialog.bottom - layout->dialog.top);
    // The OK button: 109, 99, 50 x 14 units.
    RECT units{109, 99, 159, 113};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    RECT ok;
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&ok), 2);
    EXPECT_EQ(ok.left, units.left);
    EXPECT_EQ(ok.top, units.top);
    EXPECT_EQ(ok.right, units.right);
    EXPECT_EQ(ok.bottom, units.bottom);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDOK, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kKeepCopy)); // the first tab stop
    EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
    DestroyWindow(dialog);
}

TEST_F(DialogTest, ModelessDialogEndedDuringInitialisationIsNotCreated)
{
    DialogRecord record;
    record.endInInit = true;
    SetLastError(0);
    HWND dialog = Open(record);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANCELLED);
    EXPECT_EQ(FindWindowA("#32770", "Dialog test"), nullptr);
}

TEST_F(DialogTest, KeyboardMovesFocusAndSendsCommands)
{
    struct Case {
        const char* name;
        int startFocus;
        std::vector<std::vector<UINT>> presses;
        int focusAfter;                           // 0: not checked
        std::vector<std::pair<int, int>> commands; // what the dialog procedure saw
        int checkedAfter;                         // a button that ends up checked (0: none checked)
    };
    const std::vector<Case> cases = {
        {"Tab", kKeepCopy, {{VK_TAB}}, kStandard, {}, 0},
        {"Tab twice reaches OK", kKeepCopy, {{VK_TAB}, {VK_TAB}}, IDOK, {}, 0},
        {"Shift+Tab wraps to Cancel", kKeepCopy, {{VK_SHIFT, VK_TAB}}, IDCANCEL, {}, 0},
        {"Down chooses the next radio", kStandard, {{VK_DOWN}}, kHigh, {{kHigh, BN_CLICKED}}, kHigh},
        {"Up wraps inside the group", kStandard, {{VK_UP}}, 1012, {{1012, BN_CLICKED}}, 1012},
        {"Space toggles the check box", kKeepCopy, {{VK_SPACE}}, kKeepCopy, {{kKeepCopy, BN_CLICKED}}, kKeepCopy},
        {"Enter presses the default", kKeepCopy, {{VK_RETURN}}, 0, {{IDOK, BN_CLICKED}}, 0},
        {"Enter on Cancel presses it", IDCANCEL, {{VK_RETURN}}, 0, {{IDCANCEL, BN_CLICKED}}, 0},
        {"Escape cancels", kStandard, {{VK_ESCAPE}}, 0, {{IDCANCEL, BN_CLICKED}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogRecord record;
        HWND dialog = Open(record);
        ASSERT_NE(dialog, nullptr);
        SetFocus(GetDlgItem(dialog, c.startFocus));
        Pump(dialog);
        record.commands.clear();
        for (const auto& keys : c.presses) {
            for (UINT key : keys)
                DeliverKey(key, true);
            for (auto it = keys.rbegin(); it != keys.rend(); ++it)
                DeliverKey(*it, false);
            Pump(dialog);
        }
        if (c.focusAfter) {
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, c.focusAfter));
        }
        EXPECT_EQ(record.commands, c.commands);
        for (int id : {kKeepCopy, kStandard, kHigh, 1012})
            EXPECT_EQ(IsDlgButtonChecked(dialog, id), id == c.checkedAfter ? BST_CHECKED : BST_UNCHECKED) << id;
        DestroyWindow(dialog);
    }
}

TEST_F(DialogTest, ButtonClicksOnlyWhenReleasedOverIt)
{
    DialogRecord record;
    HWND dialog = Open(record);
    ASSERT_NE(dialog, nullptr);
    const POINT keep = CentreOf(GetDlgItem(dialog, kKeepCopy));
    const POINT cancel = CentreOf(GetDlgItem(dialog, IDCANCEL));

    DeliverMouseMove(keep.x, keep.y);
    DeliverMouseButton(zv::user::MouseButton::Left, true);
    DeliverMouseButton(zv::user::MouseButton::Left, false);
    Pump(dialog);
    EXPECT_EQ(record.commands, (std::vector<std::pair<int, int>>{{kKeepCopy, BN_CLICKED}}));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kKeepCopy), BST_CHECKED);

    record.commands.clear();
    DeliverMouseMove(cancel.x, cancel.y);
    DeliverMouseButton(zv::user::MouseButton::Left, true);
    Pump(dialog);
    DeliverMouseMove(keep.x, keep.y); // dragged off before release
    DeliverMouseButton(zv::user::MouseButton::Left, false);
    Pump(dialog);
    EXPECT_TRUE(record.commands.empty());
    DestroyWindow(dialog);
}

TEST_F(DialogTest, ALateActivationNoticeMovesNoFocus)
{
    // The dialog hears of its activation only after another window became active: the keys
    // stay with that window.
    DialogRecord record;
    HWND dialog = Open(record);
    ASSERT_NE(dialog, nullptr);
    zv::user::test::RecordingWindow otherWindow;
    HWND other = otherWindow.Create("Other", WS_POPUP | WS_VISIBLE);
    ASSERT_NE(other, nullptr);
    SetActiveWindow(other);
    Pump(dialog);
    ASSERT_EQ(GetActiveWindow(), other);
    PostMessageA(dialog, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(other));
    Pump(dialog);
    EXPECT_EQ(GetActiveWindow(), other);
    EXPECT_EQ(GetFocus(), other);
    DestroyWindow(other);
    DestroyWindow(dialog);
}

TEST_F(DialogTest, ModalDialogOnWorkerThreadDisablesItsOwnerMeanwhile)
{
    zv::user::test::RecordingWindow ownerWindow;
    HWND owner = ownerWindow.Create("Owner", WS_POPUP | WS_VISIBLE);
    ASSERT_NE(owner, nullptr);
    std::atomic<HWND> shown{nullptr};
    std::atomic<bool> done{false};
    INT_PTR result = 0;
    DialogRecord record;
    record.endOnCommand = IDOK;
    std::thread worker([&] {
        result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kTestDialog), owner, RecordingDialog,
                                 reinterpret_cast<LPARAM>(&record));
        done = true;
    });
    // The owner's thread keeps serving (the dialog disables the owner through it).
    HWND dialog = nullptr;
    while (!dialog && !done) {
        Pump(owner);
        dialog = FindWindowA("#32770", "Dialog test");
        std::this_thread::yield();
    }
    ASSERT_NE(dialog, nullptr);
    while (IsWindowEnabled(owner) && !done)
        Pump(owner);
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    // Sent from the owner's thread, served by the modal loop.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    while (!done)
        Pump(owner);
    worker.join();
    EXPECT_EQ(result, IDOK + 100);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(dialog));
    DestroyWindow(owner);
}

TEST_F(DialogTest, TemplateDialogScreenshot)
{
    DialogRecord record;
    HWND dialog = Open(record);
    ASSERT_NE(dialog, nullptr);
    CheckDlgButton(dialog, kKeepCopy, BST_CHECKED);
    CheckRadioButton(dialog, kStandard, 1012, kHigh);
    UpdateWindow(dialog);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        UpdateWindow(child);
    Pump(dialog);
    // The default button's accent edge shows at its top-left corner.
    RECT ok;
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    EXPECT_EQ(zv::user::headless::ScreenPixel(ok.left, ok.top), RGB(0, 103, 192));
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        EXPECT_FALSE(zv::user::testing::KeepScreenshot("user_template_dialog", dialog).empty());
    }
    DestroyWindow(dialog);
}

} // namespace
