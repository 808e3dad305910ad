// The mouse over forms: hover and pressed looks, clicks on release over the same element, events
// to the sink of the control whose engine applied the form, tooltips after resting.
#include "platform/skin/skin_tooltip.h"
#include "platform/skin/tests/skin_test_support.h"
#include "platform/user/timers.h"

namespace zv::skin::test {
namespace {

class SkinInputTest : public SkinTest {
protected:
    static void MoveTo(HWND window, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(window, &p);
        user::DeliverMouseMove(p.x, p.y);
        Pump();
    }
    static void Button(bool down)
    {
        user::DeliverMouseButton(user::MouseButton::Left, down);
        Pump();
    }
};

TEST_F(SkinInputTest, ButtonsShowHoverAndPressAndClickOnlyOnReleaseOverThemselves)
{
    HWND window = NewWindow();
    RecordingSink sink;
    ISkinEngine* engine = NewControl(window, &sink);
    ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    ASSERT_EQ(engine->ApplyForm(window, u"Skin Main"), S_OK);
    const COLORREF normal = RGB(0x40, 0x40, 0x40), hover = RGB(0x60, 0x60, 0x60), pressed = RGB(0x20, 0x20, 0x20);
    EXPECT_EQ(FormPixel(window, 12, 12), normal);
    MoveTo(window, 20, 20);
    EXPECT_EQ(FormPixel(window, 12, 12), hover);
    Button(true);
    EXPECT_EQ(FormPixel(window, 12, 12), pressed);
    EXPECT_EQ(GetCapture(), window);
    MoveTo(window, 200, 280); // away, still pressed: looks normal, release there clicks nothing
    EXPECT_EQ(FormPixel(window, 12, 12), normal);
    Button(false);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(GetCapture(), nullptr);
    MoveTo(window, 20, 20);
    Button(true);
    Button(false);
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].id, kSkinEventClick);
    EXPECT_EQ(sink.events[0].element, "Button Play");
    // Pressing on one button and releasing over another clicks neither.
    Button(true);
    MoveTo(window, 125, 85); // "Button Inner"
    Button(false);
    EXPECT_EQ(sink.events.size(), 1u);
    engine->Release();
}

TEST_F(SkinInputTest, EventsGoToTheSinkOfTheControlWhoseEngineAppliedTheForm)
{
    HWND main = NewWindow(0, 0);
    HWND browser = NewWindow(420, 0);
    HWND message = NewWindow(420, 200); // has no control of its own
    RecordingSink mainSink, browserSink;
    ISkinEngine* mainEngine = NewControl(main, &mainSink);
    ISkinEngine* browserEngine = NewControl(browser, &browserSink);
    ASSERT_EQ(mainEngine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    ASSERT_EQ(browserEngine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    ASSERT_EQ(mainEngine->ApplyForm(main, u"Skin Main"), S_OK);
    ASSERT_EQ(mainEngine->ApplyForm(message, u"Skin Msg"), S_OK);
    ASSERT_EQ(browserEngine->ApplyForm(browser, u"Skin Msg"), S_OK);
    const struct {
        HWND window;
        POINT at;
        RecordingSink* sink;
        const char* element;
    } cases[] = {
        {main, {20, 20}, &mainSink, "Button Play"},
        {message, {20, 20}, &mainSink, "Button Msg OK"},
        {browser, {20, 20}, &browserSink, "Button Msg OK"},
    };
    for (const auto& c : cases) {
        mainSink.events.clear();
        browserSink.events.clear();
        ClickAt(c.window, c.at.x, c.at.y);
        ASSERT_EQ(c.sink->events.size(), 1u) << c.element;
        EXPECT_EQ(c.sink->events[0].element, c.element);
        EXPECT_EQ(mainSink.events.size() + browserSink.events.size(), 1u) << c.element;
    }
    // Once a control is gone its forms fire nowhere, and its sink is let go.
    browserEngine->Release();
    EXPECT_EQ(browserSink.Refs(), 1u);
    browserSink.events.clear();
    ClickAt(browser, 20, 20);
    EXPECT_TRUE(browserSink.events.empty());
    mainEngine->Release();
}

TEST_F(SkinInputTest, TheControlsWindowShowsTheFormUnderItAndPassesTheMouseOn)
{
    HWND window = NewWindow();
    RecordingSink sink;
    // The control's window lies over "Button Play" (10, 10, 90, 40).
    ISkinEngine* engine = NewControl(window, &sink, RECT{0, 0, 60, 60});
    ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    ASSERT_EQ(engine->ApplyForm(window, u"Skin Main"), S_OK);
    Pump();
    EXPECT_EQ(user::headless::ScreenPixel(12, 12), RGB(0x40, 0x40, 0x40));
    EXPECT_EQ(user::headless::ScreenPixel(5, 5), RGB(0x10, 0x20, 0x30));
    HWND controlWindow = nullptr;
    auto* own = As<ISkinElementWindow>(engine, IID_ISkinElementWindow);
    own->GetWindow(&controlWindow);
    own->Release();
    ASSERT_NE(controlWindow, nullptr);
    EXPECT_EQ(GetParent(controlWindow), window);
    EXPECT_EQ(GetDlgCtrlID(controlWindow), 1002);
    ClickAt(window, 20, 20);
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].element, "Button Play");
    engine->Release();
    EXPECT_FALSE(IsWindow(controlWindow)); // the control takes its window with it
}

TEST_F(SkinInputTest, TooltipsShowAfterRestingAndNotWhenEmpty)
{
    user::VirtualClock::Install();
    HWND window = NewWindow();
    RecordingSink sink;
    ISkinEngine* engine = NewControl(window, &sink);
    ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    ASSERT_EQ(engine->ApplyForm(window, u"Skin Main"), S_OK);
    const auto shownTooltip = []() -> std::string {
        HWND tip = FindWindowA(kSkinTooltipClass, nullptr);
        if (!tip || !IsWindowVisible(tip))
            return {};
        char text[256] = {};
        GetWindowTextA(tip, text, sizeof text);
        return text;
    };
    MoveTo(window, 20, 20);
    EXPECT_EQ(shownTooltip(), ""); // not before the delay
    user::VirtualClock::Advance(1000);
    Pump();
    EXPECT_EQ(shownTooltip(), "Play it");
    MoveTo(window, 200, 280); // onto the bare form
    EXPECT_EQ(shownTooltip(), "");

    // Tooltips off: every tooltip set empty; resting shows nothing.
    ISkinElement* play = Find(engine, window, "Button Play");
    play->SetTooltip(u"");
    BSTR text = nullptr;
    play->GetTooltip(&text);
    EXPECT_EQ(SysStringLen(text), 0u);
    SysFreeString(text);
    MoveTo(window, 20, 20);
    user::VirtualClock::Advance(1000);
    Pump();
    EXPECT_EQ(shownTooltip(), "");
    play->SetTooltip(u"Back on");
    MoveTo(window, 200, 280);
    MoveTo(window, 21, 21);
    user::VirtualClock::Advance(1000);
    Pump();
    EXPECT_EQ(shownTooltip(), "Back on");
    play->Release();
    engine->Release();
    user::VirtualClock::Uninstall();
}

TEST_F(SkinInputTest, TheWheelMovesASliderAndFiresScroll)
{
    HWND window = NewWindow();
    RecordingSink sink;
    ISkinEngine* engine = NewControl(window, &sink);
    ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    ASSERT_EQ(engine->ApplyForm(window, u"Skin Main"), S_OK);
    const struct {
        int y;
        int delta;
        LONG expected;
    } cases[] = {
        {220, WHEEL_DELTA, 30},      // away: right, towards the maximum
        {250, WHEEL_DELTA, 20},      // reversed: right is towards the minimum
        {220, -2 * WHEEL_DELTA, 20}, // two notches back
    };
    for (const auto& c : cases) {
        sink.events.clear();
        MoveTo(window, 100, c.y);
        user::DeliverMouseWheel(c.delta);
        Pump();
        ASSERT_EQ(sink.events.size(), 1u) << c.y;
        EXPECT_EQ(sink.events[0].position, c.expected) << c.y;
    }
    engine->Release();
}

} // namespace
} // namespace zv::skin::test
