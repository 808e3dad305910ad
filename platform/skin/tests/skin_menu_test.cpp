// Skinned pop-up menus tracked through the root element's menu interface, driven by scripted keys
// and mouse input queued before the menu opens; the choice arrives as WM_COMMAND.
#include "platform/skin/tests/skin_test_support.h"
#include "platform/skin/skin_menu.h"
#include "platform/user/menu.h"

namespace zv::skin::test {
namespace {

enum : UINT { kPlay = 101, kGray = 102, kChecked = 103, kInnerA = 201, kInnerB = 202 };

struct Input {
    enum Kind { Key, Move, Click } kind;
    UINT key;
    POINT at;
};

class SkinMenuTest : public SkinTest {
protected:
    void SetUp() override
    {
        SkinTest::SetUp();
        window = NewWindow(0, 0);
        SetForegroundWindow(window);
        engine = NewControl(window, &sink);
        ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
        ASSERT_EQ(engine->ApplyForm(window, u"Skin Main"), S_OK);
        menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, kPlay, "&Play\tCtrl+P");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING | MF_GRAYED, kGray, "Gray");
        AppendMenuA(menu, MF_STRING | MF_CHECKED, kChecked, "Checked");
        HMENU sub = CreatePopupMenu();
        AppendMenuA(sub, MF_STRING, kInnerA, "Inner A");
        AppendMenuA(sub, MF_STRING, kInnerB, "Inner B");
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
    }
    void TearDown() override
    {
        DestroyMenu(menu);
        engine->Release();
        SkinTest::TearDown();
    }

    // Queues the input, tracks the menu at (100, 100) and returns the command that arrived (0: none).
    UINT Track(const std::vector<Input>& script)
    {
        for (const Input& input : script) {
            if (input.kind == Input::Key) {
                user::DeliverKey(input.key, true);
                user::DeliverKey(input.key, false);
            } else {
                user::DeliverMouseMove(input.at.x, input.at.y);
                if (input.kind == Input::Click) {
                    user::DeliverMouseButton(user::MouseButton::Left, true);
                    user::DeliverMouseButton(user::MouseButton::Left, false);
                }
            }
        }
        ISkinRootElement* root = nullptr;
        engine->GetRootElement(window, &root);
        auto* skinMenu = As<ISkinMenu>(root, IID_ISkinMenu);
        EXPECT_NE(skinMenu, nullptr);
        EXPECT_EQ(skinMenu->TrackPopupMenu(menu, 100, 100), S_OK);
        skinMenu->Release();
        root->Release();
        EXPECT_EQ(FindWindowA(kSkinMenuClass, nullptr), nullptr); // every level closed
        UINT command = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_COMMAND && msg.hwnd == window)
                command = static_cast<UINT>(msg.wParam);
            else
                DispatchMessageA(&msg);
        }
        return command;
    }

    RecordingSink sink;
    HWND window = nullptr;
    ISkinEngine* engine = nullptr;
    HMENU menu = nullptr;
};

Input K(UINT key) { return {Input::Key, key, {}}; }
Input MoveTo(int x, int y) { return {Input::Move, 0, {x, y}}; }
Input PressAt(int x, int y) { return {Input::Click, 0, {x, y}}; }

TEST_F(SkinMenuTest, ScriptedInputChoosesTheRightCommand)
{
    // Items from y = 104: Play 104-124, separator 124-133, Gray 133-153, Checked 153-173, Sub 173-193;
    // the sub-menu opens beside Sub with Inner A at 173-193 and Inner B at 193-213.
    const struct {
        const char* what;
        std::vector<Input> script;
        UINT expected;
    } cases[] = {
        {"first item by keys", {K(VK_DOWN), K(VK_RETURN)}, kPlay},
        {"down skips the separator; a grayed item is not chosen", {K(VK_DOWN), K(VK_DOWN), K(VK_RETURN), K(VK_ESCAPE)}, 0},
        {"checked item", {K(VK_DOWN), K(VK_DOWN), K(VK_DOWN), K(VK_RETURN)}, kChecked},
        {"into the sub-menu", {K(VK_UP), K(VK_RIGHT), K(VK_DOWN), K(VK_RETURN)}, kInnerB},
        {"left closes the sub-menu only", {K(VK_UP), K(VK_RIGHT), K(VK_LEFT), K(VK_RETURN), K(VK_RETURN)}, kInnerA},
        {"escape cancels", {K(VK_ESCAPE)}, 0},
        {"mouse on an item", {MoveTo(130, 110), PressAt(130, 110)}, kPlay},
        {"mouse on a grayed item, then outside", {PressAt(130, 140), PressAt(350, 250)}, 0},
        {"mouse into the sub-menu", {MoveTo(130, 180), MoveTo(300, 200), PressAt(300, 200)}, kInnerB},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Track(c.script), c.expected) << c.what;
}

TEST_F(SkinMenuTest, ABadHandleIsRefused)
{
    ISkinRootElement* root = nullptr;
    engine->GetRootElement(window, &root);
    auto* skinMenu = As<ISkinMenu>(root, IID_ISkinMenu);
    EXPECT_EQ(skinMenu->TrackPopupMenu(reinterpret_cast<HMENU>(0x7777), 10, 10), E_INVALIDARG);
    skinMenu->Release();
    root->Release();
    // Only the form's own element tracks menus.
    ISkinElement* button = Find(engine, window, "Button Play");
    EXPECT_EQ(As<ISkinMenu>(button, IID_ISkinMenu), nullptr);
    button->Release();
}

} // namespace
} // namespace zv::skin::test
