// Dialog data exchange: members into controls and back for every kind of control, the checks
// that refuse a value (message, focus and selection on the control), and control objects
// attached through the exchange.
#include "platform/afx/afxwin.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using zv::user::MessageBoxResponder;

constexpr UINT kExchangeDialog = 153;
constexpr int kNumberEdit = 1001;
constexpr int kCountEdit = 1002;
constexpr int kStandard = 1010;
constexpr int kHighest = 1012;
constexpr int kAddress = 1007;

class ExchangeDialog : public CDialog {
public:
    ExchangeDialog() : CDialog(kExchangeDialog) {}

    int m_number = 0;
    UINT m_count = 0;
    int m_resolution = 0;
    DWORD m_address = 0;
    CIPAddressCtrl m_addressCtrl;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, kNumberEdit, m_number);
        DDX_Text(pDX, kCountEdit, m_count);
        DDX_Radio(pDX, kStandard, m_resolution);
        DDX_IPAddress(pDX, kAddress, m_address);
        DDX_Control(pDX, kAddress, m_addressCtrl);
    }
};

class DataExchangeTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        MessageBoxResponder::Reset();
    }
};

std::string TextOf(CWnd& dialog, int id)
{
    return dialog.GetDlgItem(id)->GetWindowText();
}

TEST_F(DataExchangeTest, MembersRoundTripThroughTheControls)
{
    ExchangeDialog dialog;
    dialog.m_number = -12;
    dialog.m_count = 4000000000u;
    dialog.m_resolution = 1;
    dialog.m_address = 0xC0A80105; // 192.168.1.5
    ASSERT_TRUE(dialog.Create(kExchangeDialog));

    EXPECT_EQ(TextOf(dialog, kNumberEdit), "-12");
    EXPECT_EQ(TextOf(dialog, kCountEdit), "4000000000");
    for (int id = kStandard; id <= kHighest; ++id)
        EXPECT_EQ(dialog.IsDlgButtonChecked(id), id == kStandard + 1 ? BST_CHECKED : BST_UNCHECKED) << id;
    BYTE a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(dialog.m_addressCtrl.GetSafeHwnd(), dialog.GetDlgItem(kAddress)->GetSafeHwnd());
    EXPECT_EQ(dialog.m_addressCtrl.GetAddress(a, b, c, d), 4);
    EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{192, 168, 1, 5}));

    dialog.SetDlgItemText(kNumberEdit, " 42 ");
    dialog.SetDlgItemText(kCountEdit, "+7");
    dialog.CheckRadioButton(kStandard, kHighest, kHighest);
    dialog.m_addressCtrl.SetAddress(10, 0, 0, 1);
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.m_number, 42);
    EXPECT_EQ(dialog.m_count, 7u);
    EXPECT_EQ(dialog.m_resolution, 2);
    EXPECT_EQ(dialog.m_address, 0x0A000001u);

    dialog.CheckDlgButton(kHighest, BST_UNCHECKED); // none checked
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.m_resolution, -1);
    EXPECT_TRUE(MessageBoxResponder::History().empty());
    dialog.DestroyWindow();
}

TEST_F(DataExchangeTest, NumbersThatDoNotFitAreRefusedAtTheirControl)
{
    char unsignedMax[32];
    std::snprintf(unsignedMax, sizeof unsignedMax, "%u", 4294967295u);
    struct Case {
        const char* number;
        const char* count;
        int failingId; // 0: accepted
        const char* prompt;
    };
    const Case cases[] = {
        {"-2147483648", unsignedMax, 0, nullptr},
        {"2147483647", "0", 0, nullptr},
        {"12x", "1", kNumberEdit, kDdxIntegerPrompt},
        {"", "1", kNumberEdit, kDdxIntegerPrompt},
        {"-", "1", kNumberEdit, kDdxIntegerPrompt},
        {"2147483648", "1", kNumberEdit, kDdxIntegerPrompt},
        {"1 2", "1", kNumberEdit, kDdxIntegerPrompt},
        {"5", "-1", kCountEdit, kDdxUnsignedPrompt},
        {"5", "4294967296", kCountEdit, kDdxUnsignedPrompt},
        {"5", "0x10", kCountEdit, kDdxUnsignedPrompt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.number) + " / " + c.count);
        MessageBoxResponder::Reset();
        ExchangeDialog dialog;
        dialog.m_count = 99;
        ASSERT_TRUE(dialog.Create(kExchangeDialog));
        dialog.ShowWindow(SW_SHOW);
        dialog.SetDlgItemText(kNumberEdit, c.number);
        dialog.SetDlgItemText(kCountEdit, c.count);
        EXPECT_EQ(dialog.UpdateData(TRUE), c.failingId == 0);
        const auto boxes = MessageBoxResponder::History();
        if (c.failingId == 0) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(std::to_string(dialog.m_count), c.count);
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, c.prompt);
            EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
            CWnd* focus = CWnd::GetFocus();
            ASSERT_NE(focus, nullptr);
            EXPECT_EQ(focus->GetDlgCtrlID(), c.failingId);
            EXPECT_EQ(focus->SendMessage(EM_GETSEL), MAKELONG(0, focus->GetWindowTextLength()));
            if (c.failingId == kCountEdit) {
                EXPECT_EQ(dialog.m_count, 99u) << "a refused value leaves the member";
            }
        }
        dialog.DestroyWindow();
    }
}

// A window with a name only the program knows, made from that name.
class CNamedView : public CWnd {
    DECLARE_DYNCREATE(CNamedView)
};
IMPLEMENT_DYNCREATE(CNamedView, CWnd)

TEST(RuntimeClassTest, CreatableClassesAreMadeFromTheirName)
{
    CObject* made = CRuntimeClass::CreateObject("CNamedView");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(CNamedView));
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, "CNamedView");
    delete made;

    EXPECT_EQ(CRuntimeClass::CreateObject("cnamedview"), nullptr);
    EXPECT_EQ(CRuntimeClass::CreateObject("CDialog"), nullptr); // known, not creatable
    EXPECT_EQ(RUNTIME_CLASS(CDialog)->CreateObject(), nullptr);
    CDialog dialog;
    EXPECT_TRUE(dialog.IsKindOf(RUNTIME_CLASS(CWnd)));
}

} // namespace
