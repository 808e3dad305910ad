// The skin control as the program hosts it: a framework dialog made from a template holding control
// 1002 by class id, the engine reached through GetControlUnknown, the default skin applied, and real
// mouse input reaching the dialog's event sink map, also from forms applied to other windows.
#include "platform/afx/afx_dialog.h"
#include "platform/afx/afxdisp.h"
#include "platform/skin/skin_control.h"
#include "platform/skin/skin_dispatch.h"
#include "platform/user/headless_display.h"
#include "platform/user/input_events.h"
#include "platform/user/testing/screenshots.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using zv::win32::ComRef;

constexpr UINT kSkinnedDialog = 200;
constexpr int kSkinControlId = 1002;

template <class Interface>
ComRef<Interface> Query(IUnknown* object, REFIID iid)
{
    void* answer = nullptr;
    if (!object || FAILED(object->QueryInterface(iid, &answer)))
        return {};
    return ComRef<Interface>::Adopt(static_cast<Interface*>(answer));
}

std::string NameOf(IUnknown* element)
{
    const ComRef<ISkinElementName> named = Query<ISkinElementName>(element, IID_ISkinElementName);
    BSTR name = nullptr;
    if (!named || FAILED(named->GetName(&name)))
        return {};
    std::string text = zv::skin::Utf8(name);
    SysFreeString(name);
    return text;
}

// The main dialog's part in this: two skin events bound for control 1002.
class SkinnedDialog : public CDialog {
public:
    struct Event {
        DISPID dispid;
        std::string element;
        LONG position;
    };
    std::vector<Event> events;
    bool closeOnClick = false; // as "Button Close" ends the program

    SkinnedDialog() : CDialog(kSkinnedDialog) {}

protected:
    void OnSkinElementClick(IUnknown* element)
    {
        events.push_back({20, NameOf(element), 0});
        if (closeOnClick)
            DestroyWindow();
    }
    void OnSkinScroll(IUnknown* element, LONG position) { events.push_back({31, NameOf(element), position}); }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(SkinnedDialog, CDialog)
    ON_EVENT(SkinnedDialog, kSkinControlId, 20, OnSkinElementClick, VTS_UNKNOWN)
    ON_EVENT(SkinnedDialog, kSkinControlId, 31, OnSkinScroll, VTS_UNKNOWN VTS_I4)
END_EVENTSINK_MAP()

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Press(POINT at, bool down)
{
    zv::user::DeliverMouseMove(at.x, at.y);
    zv::user::DeliverMouseButton(zv::user::MouseButton::Left, down);
    Pump();
}

void ClickAt(POINT at)
{
    Press(at, true);
    Press(at, false);
}

class SkinHostingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        ASSERT_TRUE(zv::user::headless::SetScreenSize(1366, 768));
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        zv::skin::RegisterSkinControlClass();
        AfxEnableControlContainer();
    }
    void TearDown() override
    {
        for (HWND window : m_windows) {
            if (IsWindow(window))
                DestroyWindow(window);
        }
        CoUninitialize();
        m_root.reset();
    }

    // Opens the dialog and gives it the default skin's main form, as the program's start-up does.
    ComRef<ISkinEngine> OpenSkinned(SkinnedDialog& dialog)
    {
        if (!dialog.Create(kSkinnedDialog))
            return {};
        CWnd* control = dialog.GetDlgItem(kSkinControlId);
        ComRef<ISkinEngine> engine = Query<ISkinEngine>(control ? control->GetControlUnknown() : nullptr,
                                                        IID_ISkinEngine);
        if (!engine)
            return {};
        const std::string path = std::string(ZV_SKIN_DIR) + "/Zelvante.skn";
        EXPECT_EQ(engine->LoadSkin(std::u16string(path.begin(), path.end()).c_str()), S_OK);
        EXPECT_EQ(engine->ApplyForm(dialog.m_hWnd, u"Skin Main"), S_OK);
        Pump();
        return engine;
    }

    HWND NewWindow(int x, int y)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "SkinHostingTestWindow";
        RegisterClassA(&wc); // a second registration fails harmlessly
        HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, x, y, 50, 50, nullptr, nullptr,
                                      nullptr, nullptr);
        m_windows.push_back(window);
        return window;
    }

    // The element's rectangle, relative to its parent element; empty when it is missing.
    static RECT RectOf(ISkinEngine* engine, HWND window, const char16_t* name)
    {
        RECT rect{};
        ISkinRootElement* root = nullptr;
        if (FAILED(engine->GetRootElement(window, &root)))
            return rect;
        ISkinElement* element = nullptr;
        EXPECT_EQ(root->FindElement(name, &element), S_OK);
        root->Release();
        if (element) {
            element->GetRect(&rect);
            element->Release();
        }
        return rect;
    }

    // The middle of the element at the end of the path (a panel, then what it holds) on the screen.
    static POINT MiddleOf(ISkinEngine* engine, HWND window, std::initializer_list<const char16_t*> path)
    {
        POINT at{0, 0};
        RECT rect{};
        for (const char16_t* name : path) {
            rect = RectOf(engine, window, name);
            at.x += rect.left;
            at.y += rect.top;
        }
        at.x += (rect.right - rect.left) / 2;
        at.y += (rect.bottom - rect.top) / 2;
        ClientToScreen(window, &at);
        return at;
    }

private:
    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
    std::vector<HWND> m_windows;
};

TEST_F(SkinHostingTest, ClicksOnTheMainFormReachTheDialogsSinkMapByName)
{
    SkinnedDialog dialog;
    const ComRef<ISkinEngine> engine = OpenSkinned(dialog);
    ASSERT_TRUE(engine);
    HWND controlWindow = dialog.GetDlgItem(kSkinControlId)->m_hWnd;
    const std::string picture = zv::user::testing::KeepScreenshot("skin-hosted-main", dialog.m_hWnd);
    if (!picture.empty())
        std::printf("picture: %s\n", picture.c_str());

    // One button lies under the control's own window, one beside it on the dialog.
    const struct {
        const char16_t* name;
        bool underControl;
    } cases[] = {{u"Menu File", true}, {u"Button Play", false}};
    for (const auto& c : cases) {
        const std::string name = zv::skin::Utf8(c.name);
        const POINT at = MiddleOf(engine.get(), dialog.m_hWnd, {c.name});
        RECT control;
        GetWindowRect(controlWindow, &control);
        const bool under = at.x >= control.left && at.x < control.right && at.y >= control.top && at.y < control.bottom;
        EXPECT_EQ(under, c.underControl) << name;
        dialog.events.clear();
        ClickAt(at);
        ASSERT_EQ(dialog.events.size(), 1u) << name;
        EXPECT_EQ(dialog.events[0].dispid, 20) << name;
        EXPECT_EQ(dialog.events[0].element, name);
    }
    dialog.DestroyWindow();
}

TEST_F(SkinHostingTest, DraggingASliderFiresScrollWithItsPositions)
{
    SkinnedDialog dialog;
    const ComRef<ISkinEngine> engine = OpenSkinned(dialog);
    ASSERT_TRUE(engine);
    ISkinRootElement* root = nullptr;
    ASSERT_EQ(engine->GetRootElement(dialog.m_hWnd, &root), S_OK);
    ISkinElement* element = nullptr;
    ASSERT_EQ(root->FindElement(u"scroll brightness", &element), S_OK);
    root->Release();
    const ComRef<ISkinScrollBar> slider = Query<ISkinScrollBar>(element, IID_ISkinScrollBar);
    element->Release();
    ASSERT_TRUE(slider);
    LONG minimum = 0, maximum = 0, orientation = 0;
    slider->GetMinimum(&minimum);
    slider->GetMaximum(&maximum);
    slider->GetOrientation(&orientation);
    ASSERT_EQ(orientation, 0);

    // Pressed on the track's left end, dragged past its right end.
    const POINT middle = MiddleOf(engine.get(), dialog.m_hWnd, {u"Tab Panel 1", u"Scroll Brightness"});
    const RECT track = RectOf(engine.get(), dialog.m_hWnd, u"Scroll Brightness");
    const int half = (track.right - track.left) / 2;
    Press({middle.x - half, middle.y}, true);
    for (int x = middle.x - half; x <= middle.x + half + 20; x += 15)
        zv::user::DeliverMouseMove(x, middle.y);
    Pump();
    Press({middle.x + half + 20, middle.y}, false);

    ASSERT_GE(dialog.events.size(), 2u);
    for (const SkinnedDialog::Event& event : dialog.events) {
        EXPECT_EQ(event.dispid, 31);
        EXPECT_EQ(event.element, "Scroll Brightness");
    }
    EXPECT_EQ(dialog.events.front().position, minimum);
    EXPECT_EQ(dialog.events.back().position, maximum);
    LONG position = -1;
    slider->GetPosition(&position);
    EXPECT_EQ(position, maximum);
    dialog.DestroyWindow();
}

TEST_F(SkinHostingTest, FormsAppliedThroughTheMainEngineReportToTheMainDialog)
{
    SkinnedDialog dialog;
    const ComRef<ISkinEngine> engine = OpenSkinned(dialog);
    ASSERT_TRUE(engine);
    HWND panel = NewWindow(1040, 0);
    HWND message = NewWindow(900, 400);
    ASSERT_EQ(engine->ApplyForm(panel, u"Skin ControlPanel"), S_OK);
    ASSERT_EQ(engine->ApplyForm(message, u"Skin Msg"), S_OK);
    Pump();
    const struct {
        HWND window;
        const char16_t* name;
    } cases[] = {{panel, u"Check 320x240"}, {panel, u"Button Control Ok"}, {message, u"Button Msg OK"}};
    for (const auto& c : cases) {
        dialog.events.clear();
        ClickAt(MiddleOf(engine.get(), c.window, {c.name}));
        ASSERT_EQ(dialog.events.size(), 1u) << zv::skin::Utf8(c.name);
        EXPECT_EQ(dialog.events[0].element, zv::skin::Utf8(c.name));
    }
    dialog.DestroyWindow();
}

TEST_F(SkinHostingTest, AClickHandlerMayDestroyTheDialog)
{
    HWND panel = nullptr;
    POINT panelOk{};
    {
        SkinnedDialog dialog;
        const ComRef<ISkinEngine> engine = OpenSkinned(dialog);
        ASSERT_TRUE(engine);
        panel = NewWindow(1040, 0);
        ASSERT_EQ(engine->ApplyForm(panel, u"Skin ControlPanel"), S_OK);
        panelOk = MiddleOf(engine.get(), panel, {u"Button Control Ok"});
        const POINT close = MiddleOf(engine.get(), dialog.m_hWnd, {u"Button Close"});
        dialog.closeOnClick = true;
        ClickAt(close);
        ASSERT_EQ(dialog.events.size(), 1u);
        EXPECT_EQ(dialog.events[0].element, "Button Close");
        EXPECT_EQ(dialog.m_hWnd, nullptr);
    }
    // The form the gone dialog's engine applied elsewhere stays usable and fires nowhere.
    ASSERT_TRUE(IsWindow(panel));
    ClickAt(panelOk);
}

TEST_F(SkinHostingTest, TheControlsWindowFollowsTheContract)
{
    SkinnedDialog dialog;
    ASSERT_TRUE(dialog.Create(kSkinnedDialog));
    IUnknown* control = dialog.GetDlgItem(kSkinControlId)->GetControlUnknown();
    HWND controlWindow = dialog.GetDlgItem(kSkinControlId)->m_hWnd;
    EXPECT_TRUE(GetWindowLongA(controlWindow, GWL_STYLE) & WS_TABSTOP);
    EXPECT_TRUE(IsWindowVisible(controlWindow));
    const ComRef<ISkinElementWindow> own = Query<ISkinElementWindow>(control, IID_ISkinElementWindow);
    HWND answered = nullptr;
    ASSERT_EQ(own->GetWindow(&answered), S_OK);
    EXPECT_EQ(answered, controlWindow);

    const ComRef<IZvHostedControl> hosted = Query<IZvHostedControl>(control, IID_IZvHostedControl);
    const RECT place{0, 0, 10, 10};
    HWND second = nullptr;
    EXPECT_EQ(hosted->CreateControlWindow(dialog.m_hWnd, &place, 7, 0, "", nullptr), E_INVALIDARG);
    EXPECT_EQ(hosted->CreateControlWindow(dialog.m_hWnd, &place, 7, 0, "", &second), E_UNEXPECTED);
    EXPECT_EQ(second, nullptr);
    dialog.DestroyWindow();
    // The control outlives its window here (the test holds it) and no longer names it.
    EXPECT_EQ(own->GetWindow(&answered), S_OK);
    EXPECT_EQ(answered, nullptr);
}

} // namespace
