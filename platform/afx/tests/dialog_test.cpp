// Framework dialogs: modal and modeless lives (ended before they were shown included), keys
// through PreTranslateMessage to the dialog manager, the owner disabled meanwhile, focus chosen by
// OnInitDialog, and a picture of a filled template dialog.
#include "platform/afx/tests/sign_in_dialog.h"
#include "platform/user/input_events.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

namespace {

using zv::user::DeliverKey;
using zv::user::MessageBoxResponder;

void Press(UINT key)
{
    DeliverKey(key, true);
    DeliverKey(key, false);
}

class DialogTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        MessageBoxResponder::Reset();
    }
};

enum class Step { Enter, Escape, Tab, TypePassword, LongName, ClickAdult, NoteFocus, NoteOwnerEnabled };

TEST_F(DialogTest, ModalDialogsEndWithWhatTheirButtonsAndKeysSay)
{
    struct Case {
        const char* name;
        std::string nameIn;
        int endInInit;
        bool focusPassword;
        bool swallowEscape;
        std::vector<Step> steps;
        INT_PTR result;
        std::string nameOut;
        std::vector<int> noted; // focus ids, and 0/1 for the owner's state
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases = {
        {"Enter presses OK", "ann", 0, false, false, {Step::TypePassword, Step::Enter}, IDOK, "ann", {}, {}},
        {"Enter with OK disabled does nothing", "", 0, false, false, {Step::Enter, Step::NoteOwnerEnabled, Step::Escape},
         IDCANCEL, "", {0}, {}},
        {"Escape cancels without reading", "ann", 0, false, false, {Step::LongName, Step::Escape}, IDCANCEL, "ann", {}, {}},
        {"a sign-up button ends with its id", "ann", 0, false, false, {Step::ClickAdult}, kAdultButton, "ann", {}, {}},
        {"Tab moves on from the first tab stop", "", 0, false, false, {Step::NoteFocus, Step::Tab, Step::NoteFocus, Step::Escape},
         IDCANCEL, "", {kNameEdit, kPasswordEdit}, {}},
        {"focus set by OnInitDialog stays", "ann", 0, true, false, {Step::NoteFocus, Step::Escape}, IDCANCEL, "ann",
         {kPasswordEdit}, {}},
        {"PreTranslateMessage sees keys first", "ann", 0, false, true, {Step::TypePassword, Step::Escape, Step::Enter},
         IDOK, "ann", {}, {}},
        {"a failed check keeps the dialog open", "ann", 0, false, false,
         {Step::TypePassword, Step::LongName, Step::Enter, Step::NoteFocus, Step::Escape}, IDCANCEL,
         "abcdefghijklmnopqrstuvwxy", // read before its check failed
         {kNameEdit}, {"Please enter no more than 20 characters."}},
        {"ended in OnInitDialog", "ann", -1, false, false, {Step::Enter}, -1, "ann", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxResponder::Reset();
        CWnd owner;
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr));
        SignInDialog dialog(&owner);
        dialog.m_name = c.nameIn;
        dialog.endInInit = c.endInInit;
        dialog.focusPassword = c.focusPassword;
        dialog.swallowEscape = c.swallowEscape;
        std::vector<int> noted;
        for (Step step : c.steps) {
            dialog.steps.push_back([step, &noted, &owner](SignInDialog& d) {
                switch (step) {
                case Step::Enter: Press(VK_RETURN); break;
                case Step::Escape: Press(VK_ESCAPE); break;
                case Step::Tab: Press(VK_TAB); break;
                case Step::TypePassword: d.SetDlgItemText(kPasswordEdit, "secret"); break;
                case Step::LongName: d.SetDlgItemText(kNameEdit, "abcdefghijklmnopqrstuvwxy"); break;
                case Step::ClickAdult: d.GetDlgItem(kAdultButton)->SendMessage(BM_CLICK); break;
                case Step::NoteFocus: noted.push_back(CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : -1); break;
                case Step::NoteOwnerEnabled: noted.push_back(owner.IsWindowEnabled() ? 1 : 0); break;
                }
            });
        }
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
        EXPECT_EQ(FindWindowA(nullptr, "Sign in"), nullptr);
        EXPECT_TRUE(owner.IsWindowEnabled());
        EXPECT_EQ(dialog.m_name, c.nameOut);
        EXPECT_EQ(noted, c.noted);
        std::vector<std::string> boxes;
        for (const auto& box : MessageBoxResponder::History())
            boxes.push_back(box.text);
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(dialog.steps.empty(), c.endInInit == 0) << "steps run only while the dialog is up";
    }
}

// A modeless dialog that deletes itself when its window goes, as programs keep them.
class HeapDialog : public SignInDialog {
public:
    explicit HeapDialog(int* deleted) : m_deleted(deleted) {}
    ~HeapDialog() override { ++*m_deleted; }

protected:
    void PostNcDestroy() override { delete this; }

private:
    int* m_deleted;
};

TEST_F(DialogTest, ModelessDialogsHideOnOkAndFailWhenEndedDuringInitialisation)
{
    SignInDialog dialog;
    dialog.m_name = "ann";
    dialog.m_password = "secret";
    ASSERT_TRUE(dialog.Create(kSignInDialog));
    dialog.ShowWindow(SW_SHOW);
    dialog.SetDlgItemText(kNameEdit, "bob");
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_EQ(dialog.m_name, "bob");
    EXPECT_TRUE(IsWindow(dialog.GetSafeHwnd()));
    EXPECT_FALSE(dialog.IsWindowVisible());
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);

    // Ended with -1 before it was shown: no window is left that nothing could close.
    SignInDialog ended;
    ended.endInInit = -1;
    EXPECT_FALSE(ended.Create(kSignInDialog));
    EXPECT_EQ(ended.GetSafeHwnd(), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "Sign in"), nullptr);

    int deleted = 0;
    auto* onHeap = new HeapDialog(&deleted);
    onHeap->endInInit = -1;
    EXPECT_FALSE(onHeap->Create(kSignInDialog));
    EXPECT_EQ(deleted, 1);

    SignInDialog missing;
    EXPECT_FALSE(missing.Create(999u));
}

TEST_F(DialogTest, FilledTemplateDialogPicture)
{
    SignInDialog dialog;
    dialog.m_name = "ann";
    dialog.m_password = "secret";
    dialog.m_rememberName = 1;
    ASSERT_TRUE(dialog.Create(kSignInDialog));
    dialog.ShowWindow(SW_SHOW);
    PumpQueued();
    // The exchange filled both edits, and their change notifications reached the map meanwhile.
    EXPECT_TRUE(dialog.GetDlgItem(IDOK)->IsWindowEnabled());
    EXPECT_EQ(dialog.IsDlgButtonChecked(kRememberName), BST_CHECKED);
    EXPECT_FALSE(dialog.GetDlgItem(kRememberPassword)->IsWindowVisible());
    for (int edit : {kNameEdit, kPasswordEdit})
        EXPECT_EQ(dialog.GetDlgItem(edit)->SendMessage(EM_GETLIMITTEXT), 20) << edit;

    dialog.UpdateWindow();
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        UpdateWindow(child);
    PumpQueued();
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        EXPECT_FALSE(zv::user::testing::KeepScreenshot("afx_sign_in_dialog", dialog).empty());
    }
    dialog.DestroyWindow();
}

} // namespace
