// Keys whose text the display knows: TranslateMessage gives that text, byte by byte.
#include "platform/user/input_events.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/virtual_keys.h"

#include <gtest/gtest.h>

namespace {

using zv::user::DeliverKey;
using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::DrainQueue;
using zv::user::test::RecordingWindow;

class TypedTextTest : public zv::user::test::WindowSystemTest {};

// The WM_CHAR bytes the window received since `from` (index into its log).
std::string CharactersOf(const RecordingWindow& window, std::size_t from = 0)
{
    std::string characters;
    const auto log = window.Log();
    for (std::size_t i = from; i < log.size(); ++i) {
        if (log[i].message == WM_CHAR)
            characters += static_cast<char>(log[i].wParam);
    }
    return characters;
}

TEST_F(TypedTextTest, TheDisplaysTextWinsOverTheVirtualKey)
{
    RecordingWindow window;
    const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE, 10, 10, 100, 60);
    SetFocus(hwnd);
    DrainQueue();
    struct Case {
        UINT key;
        std::optional<std::string> typed;
        std::string characters;
    };
    const Case cases[] = {
        {'1', std::string("!"), "!"},                     // Shift+1 on a US layout
        {'1', std::nullopt, "1"},                         // the display does not know: the key's own
        {VK_PACKET, std::string("\xC3\xA9"), "\xC3\xA9"}, // one character, two bytes, in order
        {VK_F1 + 1, std::string(), ""},                   // a key that types nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.characters);
        const std::size_t before = window.Log().size();
        DeliverKey(c.key, true, c.typed);
        DeliverKey(c.key, false);
        DispatchQueued();
        EXPECT_EQ(CharactersOf(window, before), c.characters);
    }
    DestroyWindow(hwnd);
}

} // namespace
