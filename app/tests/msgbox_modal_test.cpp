// The program's message box: modal on a worker thread (owned by the main window on this thread,
// plain, its countdown on the timers' virtual clock) and on the main window's thread with the
// skin's form, answered through the form's buttons as the main dialog's click handler passes them
// on.
#include "app/MsgBox.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "platform/afx/afxdisp.h"
#include "platform/skin/skin_control.h"
#include "platform/skin/skin_dispatch.h"
#include "platform/user/input_events.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/timers.h"
#include "platform/user/virtual_keys.h"
#include "platform/win32/com.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kSkinControlId = 1002;
constexpr int kTextStatic = 1019;
constexpr UINT kCountdownTimer = 10;
constexpr UINT kClickMessage = WM_APP + 0x300;
const char* const kText = "Error loading image file.";

// The main dialog's part: the skin control's clicks that nothing else claims go to the box.
class HostDialog : public CDialog {
public:
    HostDialog() : CDialog(kMainDialogTemplate) {}
    int unclaimed = 0;

protected:
    void OnSkinElementClick(IUnknown* element)
    {
        if (!CMsgBox::OnSkinEvent(element))
            ++unclaimed;
    }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(HostDialog, CDialog)
    ON_EVENT(HostDialog, kSkinControlId, 20, OnSkinElementClick, VTS_UNKNOWN)
END_EVENTSINK_MAP()

// What the form's message element shows.
std::string ShownSkinText(ISkinRootElement* root)
{
    auto text = FindSkinElement<ISkinText>(root, "Static Msg Message", IID_ISkinText);
    BSTR value = nullptr;
    if (!text || FAILED(text->GetText(&value)))
        return {};
    std::string shown = zv::skin::Utf8(value);
    SysFreeString(value);
    return shown;
}

// A box that tells what it looked like once open, counts its countdown ticks and, when asked,
// clicks one of its skin buttons once it is up.
class ProbeBox : public CMsgBox {
public:
    using CMsgBox::CMsgBox;

    std::atomic<int> ticks{0};
    std::atomic<bool> timerSet{false};
    std::atomic<bool> skinned{false};
    std::atomic<bool> plainTextShown{false};
    std::string skinText; // read after DoModal
    const char* clickElement = nullptr;
    UINT pressKey = 0; // a key pressed and let go once the box is up

    BOOL OnInitDialog() override
    {
        const BOOL result = CMsgBox::OnInitDialog();
        // Whether the countdown runs: restarted at once when it does.
        timerSet = ::KillTimer(m_hWnd, kCountdownTimer) != FALSE;
        if (timerSet)
            ::SetTimer(m_hWnd, kCountdownTimer, 1000, nullptr);
        skinned = m_pSkinRoot != nullptr;
        CWnd* text = GetDlgItem(kTextStatic);
        // The box itself is shown only after this: the static's own visibility counts.
        plainTextShown = text && (GetWindowLongA(text->GetSafeHwnd(), GWL_STYLE) & WS_VISIBLE) &&
                         text->GetWindowText() == m_strText;
        if (clickElement || pressKey)
            PostMessage(kClickMessage);
        return result;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kClickMessage) {
            skinText = ShownSkinText(m_pSkinRoot);
            if (clickElement)
                ClickSkinElement(clickElement);
            if (pressKey) {
                zv::user::DeliverKey(pressKey, true);
                zv::user::DeliverKey(pressKey, false);
            }
            return 0;
        }
        const LRESULT result = CMsgBox::WindowProc(message, wParam, lParam);
        if (message == WM_TIMER && wParam == kCountdownTimer)
            ++ticks;
        return result;
    }

private:
    // Presses and releases the mouse over the element, as the user does.
    void ClickSkinElement(const char* name)
    {
        auto element = FindSkinElement<IUnknown>(m_pSkinRoot, name, IID_IUnknown);
        RECT rect{};
        ASSERT_TRUE(element && SkinElementClientRect(element.get(), &rect)) << name;
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(&centre);
        zv::user::DeliverMouseMove(centre.x, centre.y);
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, true);
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, false);
    }
};

// Waits, serving this thread's windows meanwhile, until the condition holds or 20 s passed.
bool PumpUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        AfxPumpPendingMessages();
        std::this_thread::yield();
    }
    return true;
}

class MsgBoxTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        zv::skin::RegisterSkinControlClass();
        AfxEnableControlContainer();
        m_app = std::make_unique<CZelvanteApp>();
        ASSERT_TRUE(m_host.Create(kMainDialogTemplate));
        m_host.ShowWindow(SW_SHOW);
        m_app->m_pMainWnd = &m_host;
        const std::string skin = std::string(ZV_SKIN_DIR) + "/Zelvante.skn";
        ASSERT_TRUE(m_app->LoadSkinFile(m_host.GetDlgItem(kSkinControlId), skin.c_str()));
        AfxPumpPendingMessages();
    }
    void TearDown() override
    {
        zv::user::VirtualClock::Uninstall();
        m_app->m_pMainWnd = nullptr;
        m_host.DestroyWindow();
        AfxPumpPendingMessages();
        m_app.reset();
        CoUninitialize();
        WindowSystemTest::TearDown();
    }

    static HWND ShownBox()
    {
        HWND box = FindWindowA(nullptr, "Zelvante message");
        return box && IsWindowVisible(box) ? box : nullptr;
    }

    std::unique_ptr<CZelvanteApp> m_app;
    HostDialog m_host;
};

enum class Answer { None, PostOk, PostCancel, PressOkButton };

struct WorkerCase {
    const char* label;
    int countdown;
    int autoResult;
    int ticksBeforeAnswer; // countdown ticks let pass while the box is up
    Answer answer;
    INT_PTR result;
};

class MsgBoxWorkerTest : public MsgBoxTest, public ::testing::WithParamInterface<WorkerCase> {};

TEST_P(MsgBoxWorkerTest, RunsModalOnAWorkerThreadOwnedByTheMainWindow)
{
    const WorkerCase& c = GetParam();
    zv::user::VirtualClock::Install();
    ProbeBox box(kText);
    box.m_nCountdown = c.countdown;
    box.m_nAutoResult = c.autoResult;
    std::atomic<bool> done{false};
    INT_PTR result = -5;
    std::thread worker([&] {
        result = box.DoModal();
        done = true;
    });

    HWND shown = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return done || (shown = ShownBox()) != nullptr; }));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(GetWindow(shown, GW_OWNER), m_host.GetSafeHwnd());
    EXPECT_FALSE(m_host.IsWindowEnabled());
    // Plain on this thread, although the application has a skin: the skin engine is the main
    // window's thread's.
    EXPECT_FALSE(box.skinned);
    EXPECT_TRUE(box.plainTextShown);
    EXPECT_EQ(box.timerSet, c.autoResult != 0);
    // Its first message brings it to the front.
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == shown; }));

    for (int tick = 1; tick <= c.ticksBeforeAnswer; ++tick) {
        zv::user::VirtualClock::Advance(1000);
        ASSERT_TRUE(PumpUntil([&] { return box.ticks == tick; })) << "tick " << tick;
        if (tick < c.countdown) {
            EXPECT_TRUE(IsWindow(shown)) << "closed after " << tick << " of " << c.countdown << " seconds";
        }
    }
    switch (c.answer) {
    case Answer::None:
        break;
    case Answer::PostOk:
        PostMessageA(shown, CMsgBox::ButtonClickMessage(), 1, 0);
        break;
    case Answer::PostCancel:
        PostMessageA(shown, CMsgBox::ButtonClickMessage(), 2, 0);
        break;
    case Answer::PressOkButton: {
        RECT button;
        GetWindowRect(GetDlgItem(shown, IDOK), &button);
        zv::user::DeliverMouseMove((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, true);
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, false);
        break;
    }
    }
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();

    EXPECT_EQ(result, c.result);
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_TRUE(m_host.IsWindowEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MsgBoxWorkerTest,
    ::testing::Values(WorkerCase{"OkMessage", 0, 0, 0, Answer::PostOk, IDOK},
                      WorkerCase{"CancelMessage", 0, 0, 0, Answer::PostCancel, IDCANCEL},
                      WorkerCase{"OkButton", 0, 0, 0, Answer::PressOkButton, IDOK},
                      WorkerCase{"CountdownEndsWithItsResult", 3, 7, 3, Answer::None, 7},
                      WorkerCase{"AnswerBeforeTheCountdownEnds", 30, IDOK, 2, Answer::PostCancel, IDCANCEL}),
    [](const auto& info) { return std::string(info.param.label); });

struct SkinButtonCase {
    const char* element; // clicked; null: the key is pressed instead
    UINT key;
    INT_PTR result;
};

class MsgBoxSkinTest : public MsgBoxTest, public ::testing::WithParamInterface<SkinButtonCase> {};

TEST_P(MsgBoxSkinTest, OnTheMainWindowsThreadTheSkinsFormAnswers)
{
    const SkinButtonCase& c = GetParam();
    ProbeBox box(kText);
    box.clickElement = c.element;
    box.pressKey = c.key;
    const INT_PTR result = box.DoModal();

    EXPECT_TRUE(box.skinned);
    EXPECT_FALSE(box.plainTextShown);
    EXPECT_EQ(box.skinText, kText);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(m_host.unclaimed, 0);
    EXPECT_TRUE(m_host.IsWindowEnabled());
}

INSTANTIATE_TEST_SUITE_P(Buttons, MsgBoxSkinTest,
                         ::testing::Values(SkinButtonCase{"Button Msg OK", 0, IDOK},
                                           SkinButtonCase{"Button Msg Cancel", 0, IDCANCEL},
                                           SkinButtonCase{nullptr, VK_RETURN, IDOK},
                                           SkinButtonCase{nullptr, VK_ESCAPE, IDCANCEL}));

TEST_F(MsgBoxTest, ClicksOfOtherFormsAreNotTheBoxs)
{
    ISkinEngine* engine = m_app->SkinEngine();
    ASSERT_NE(engine, nullptr);
    ASSERT_EQ(engine->ApplyForm(m_host.GetSafeHwnd(), u"Skin Main"), S_OK);
    ISkinRootElement* root = nullptr;
    ASSERT_EQ(engine->GetRootElement(m_host.GetSafeHwnd(), &root), S_OK);
    const auto held = SkinRef<ISkinRootElement>::Adopt(root);

    for (const char* name : {"Button Play", "Frame Video", "Static FPS"}) {
        auto element = FindSkinElement<IUnknown>(root, name, IID_IUnknown);
        ASSERT_TRUE(element) << name;
        EXPECT_FALSE(CMsgBox::OnSkinEvent(element.get())) << name;
    }
    EXPECT_FALSE(CMsgBox::OnSkinEvent(nullptr));
    MSG posted;
    EXPECT_FALSE(PeekMessageA(&posted, nullptr, CMsgBox::ButtonClickMessage(), CMsgBox::ButtonClickMessage(), PM_REMOVE));
}

TEST_F(MsgBoxTest, SetMessageReplacesTheTextOfTheSkinsForm)
{
    // A box that changes its text once open, then closes.
    class Changing : public CMsgBox {
    public:
        using CMsgBox::CMsgBox;
        std::string shown, afterChange, afterNull;
        BOOL OnInitDialog() override
        {
            CMsgBox::OnInitDialog();
            shown = ShownSkinText(m_pSkinRoot);
            SetMessage("Second text");
            afterChange = ShownSkinText(m_pSkinRoot);
            SetMessage(nullptr);
            afterNull = ShownSkinText(m_pSkinRoot) + "|" + m_strText;
            EndDialog(IDCANCEL);
            return TRUE;
        }
    };
    Changing box("First text");
    box.SetMessage("Set before the window"); // no window yet: only kept
    EXPECT_EQ(box.DoModal(), IDCANCEL);
    EXPECT_EQ(box.shown, "Set before the window");
    EXPECT_EQ(box.afterChange, "Second text");
    EXPECT_EQ(box.afterNull, "|");
}

// Where the form's element lies in the box's client area; empty when it is not there.
RECT ElementPlace(ISkinRootElement* root, const char* name)
{
    RECT rect{};
    auto element = FindSkinElement<IUnknown>(root, name, IID_IUnknown);
    if (!element || !SkinElementClientRect(element.get(), &rect))
        return RECT{};
    return rect;
}

TEST_F(MsgBoxTest, ALongTextGrowsTheSkinnedBoxAndAShortOneKeepsItsSize)
{
    const std::string aboutLike = "A camera program\r\nMade by us\r\n\r\nProgram version: 1.2.3.4\r\n"
                                  "Driver version: 1.2.3.4\r\n\r\nMail: help@example.org\r\nWeb: www.example.org";
    struct Shown {
        RECT client{}, text{}, ok{}, cancel{};
    };
    // A box that notes its layout for each text it is given, then closes.
    class Measuring : public CMsgBox {
    public:
        using CMsgBox::CMsgBox;
        std::vector<std::string> texts;
        std::vector<Shown> shown;
        BOOL OnInitDialog() override
        {
            CMsgBox::OnInitDialog();
            for (const std::string& text : texts) {
                SetMessage(text.c_str());
                Shown now;
                GetClientRect(&now.client);
                now.text = ElementPlace(m_pSkinRoot, "Static Msg Message");
                now.ok = ElementPlace(m_pSkinRoot, "Button Msg OK");
                now.cancel = ElementPlace(m_pSkinRoot, "Button Msg Cancel");
                shown.push_back(now);
            }
            EndDialog(IDCANCEL);
            return TRUE;
        }
    };
    Measuring box("");
    box.texts = {kText, aboutLike, kText};
    EXPECT_EQ(box.DoModal(), IDCANCEL);
    ASSERT_EQ(box.shown.size(), 3u);

    const Shown& shortText = box.shown[0];
    const Shown& longText = box.shown[1];
    // A short text: the skin's own layout.
    EXPECT_EQ(shortText.client.bottom, 180);
    EXPECT_EQ(shortText.text.bottom - shortText.text.top, 90);
    EXPECT_EQ(shortText.ok.top, 130);
    // Eight lines: the element holds them all, the buttons keep their distance below it and the
    // box grows by as much.
    constexpr int kLineHeight = 14; // the skin's message style, in pixels at least
    EXPECT_GE(longText.text.bottom - longText.text.top, 8 * kLineHeight);
    const int grown = static_cast<int>(longText.text.bottom - shortText.text.bottom);
    EXPECT_EQ(longText.ok.top, shortText.ok.top + grown);
    EXPECT_EQ(longText.cancel.top, shortText.cancel.top + grown);
    EXPECT_EQ(longText.client.bottom, shortText.client.bottom + grown);
    EXPECT_EQ(longText.client.right, shortText.client.right);
    // Back to a short text: back to the skin's layout.
    const Shown& again = box.shown[2];
    EXPECT_EQ(again.client.bottom, 180);
    EXPECT_EQ(again.ok.top, 130);
    EXPECT_EQ(again.text.bottom, shortText.text.bottom);
}

} // namespace
