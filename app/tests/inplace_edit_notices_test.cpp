// The in-place editor over the main window: what it shows, and the notices each way of ending an
// edit sends (Enter: the text, then the end; Escape or a click elsewhere: the end alone), exactly
// once, the box gone afterwards.
#include "app/InplaceEdit.h"
#include "app/ProgramMessages.h"
#include "platform/afx/afx_app.h"
#include "platform/user/input_events.h"
#include "platform/user/system_metrics.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Notice = std::pair<WPARAM, std::optional<std::string>>;

// The main dialog's part: it hears LabelEditedMessage.
class MainWindow : public CWnd {
public:
    std::vector<Notice> notices;

protected:
    LRESULT OnLabelEdited(WPARAM item, LPARAM text)
    {
        notices.emplace_back(item, text ? std::optional<std::string>(reinterpret_cast<const char*>(text)) : std::nullopt);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MainWindow, CWnd)
    ON_MESSAGE(LabelEditedMessage, OnLabelEdited)
END_MESSAGE_MAP()

const CRect kOverButton(20, 20, 140, 44);
const POINT kElsewhere{60, 200}; // inside the other edit box, in client coordinates

class InplaceEditTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        m_app = std::make_unique<CWinApp>("Zelvante");
        ASSERT_TRUE(m_main.CreateEx(0, nullptr, "Zelvante", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
        m_app->m_pMainWnd = &m_main;
        ASSERT_TRUE(m_other.Create(WS_VISIBLE | WS_BORDER, CRect(10, 190, 200, 214), &m_main, 702));
        Pump();
    }
    void TearDown() override
    {
        m_app->m_pMainWnd = nullptr;
        m_main.DestroyWindow();
        Pump();
        m_app.reset();
        WindowSystemTest::TearDown();
    }

    static void Pump() { AfxPumpPendingMessages(); }
    static void Key(UINT key, const char* typed = nullptr)
    {
        zv::user::DeliverKey(key, true, typed ? std::optional<std::string>(typed) : std::nullopt);
        zv::user::DeliverKey(key, false);
        Pump();
    }
    void ClickElsewhere()
    {
        POINT at = kElsewhere;
        m_main.ClientToScreen(&at);
        zv::user::DeliverMouseMove(at.x, at.y);
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, true);
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, false);
        Pump();
    }

    // Opens an editor as the slideshow and overlay commands do; its window handle.
    HWND Open(DWORD style, double scale, const char* text, int item)
    {
        auto* edit = new CInplaceEdit(style, scale, text);
        edit->m_nItemId = item;
        const HWND window = edit->GetSafeHwnd();
        edit->ShowAt(kOverButton);
        Pump();
        return window;
    }

    std::unique_ptr<CWinApp> m_app;
    MainWindow m_main;
    CEdit m_other;
};

TEST_F(InplaceEditTest, ShowsTheTextSelectedOverTheButtonWithTheFocus)
{
    const HWND edit = Open(ES_AUTOHSCROLL, 0.8, "15", 0);
    ASSERT_TRUE(IsWindow(edit));
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_EQ(GetParent(edit), m_main.GetSafeHwnd());
    EXPECT_EQ(GetDlgCtrlID(edit), 701);
    EXPECT_EQ(GetFocus(), edit);
    char text[16] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "15");
    const auto selection = static_cast<DWORD>(SendMessageA(edit, EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 2);
    RECT placed;
    GetWindowRect(edit, &placed);
    MapWindowPoints(nullptr, m_main.GetSafeHwnd(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(CRect(placed).Width(), kOverButton.Width());
    EXPECT_EQ(placed.left, kOverButton.left);
    EXPECT_EQ(placed.top, kOverButton.top);

    // The menu font at four fifths of its height.
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
    LOGFONTA font{};
    ASSERT_NE(GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(edit, WM_GETFONT, 0, 0)), sizeof font, &font), 0);
    EXPECT_EQ(font.lfHeight, static_cast<LONG>(metrics.lfMenuFont.lfHeight * 0.8));
    EXPECT_TRUE(m_main.notices.empty());
    Key(VK_ESCAPE);
}

enum class Ending { Enter, Escape, ClickElsewhere, EnterThenClick };

struct EndingCase {
    const char* label;
    DWORD style;
    int item;
    Ending ending;
    std::vector<Notice> notices;
};

class InplaceEditEndingTest : public InplaceEditTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(InplaceEditEndingTest, SendsTheNoticesOnceAndGoes)
{
    const EndingCase& c = GetParam();
    const HWND edit = Open(c.style, 1.0, "5", c.item);
    ASSERT_TRUE(IsWindow(edit));
    Key('7', "7"); // replaces the selected text

    switch (c.ending) {
    case Ending::Enter:
        Key(VK_RETURN);
        break;
    case Ending::Escape:
        Key(VK_ESCAPE);
        break;
    case Ending::ClickElsewhere:
        ClickElsewhere();
        break;
    case Ending::EnterThenClick:
        // Both before the box handles its end.
        zv::user::DeliverKey(VK_RETURN, true);
        ClickElsewhere();
        break;
    }
    Pump();

    EXPECT_EQ(m_main.notices, c.notices);
    EXPECT_FALSE(IsWindow(edit));
    char other[8] = {};
    m_other.GetWindowText(other, sizeof other);
    EXPECT_STREQ(other, ""); // the keys went to the editor alone
}

const DWORD kOneLine = ES_AUTOHSCROLL;
const DWORD kOverlayText = ES_MULTILINE | ES_WANTRETURN;

INSTANTIATE_TEST_SUITE_P(
    Endings, InplaceEditEndingTest,
    ::testing::Values(
        EndingCase{"Enter", kOneLine, 0, Ending::Enter, {{0, "7"}, {0, std::nullopt}}},
        EndingCase{"EnterInOverlayText", kOverlayText, 1, Ending::Enter, {{1, "7"}, {1, std::nullopt}}},
        EndingCase{"Escape", kOneLine, 0, Ending::Escape, {{0, std::nullopt}}},
        EndingCase{"ClickElsewhere", kOneLine, 1, Ending::ClickElsewhere, {{1, std::nullopt}}},
        EndingCase{"EnterThenClick", kOneLine, 0, Ending::EnterThenClick, {{0, "7"}, {0, std::nullopt}}}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
