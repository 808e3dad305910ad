#include "platform/user/gtk/key_map.h"
#include "platform/user/virtual_keys.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

namespace {

using zv::user::gtk::VirtualKeyOf;

TEST(GtkKeyMap, KeysGiveTheirVirtualKeys)
{
    struct Case {
        unsigned keyval;
        UINT key;
    };
    const Case cases[] = {
        {GDK_KEY_a, 'A'},
        {GDK_KEY_z, 'Z'},
        {GDK_KEY_Q, 'Q'},
        {GDK_KEY_0, '0'},
        {GDK_KEY_9, '9'},
        {GDK_KEY_KP_0, VK_NUMPAD0},
        {GDK_KEY_KP_7, VK_NUMPAD0 + 7},
        {GDK_KEY_F1, VK_F1},
        {GDK_KEY_F12, VK_F1 + 11},
        {GDK_KEY_F24, VK_F24},
        {GDK_KEY_Shift_R, VK_SHIFT},
        {GDK_KEY_Control_L, VK_CONTROL},
        {GDK_KEY_Alt_R, VK_MENU},
        {GDK_KEY_ISO_Left_Tab, VK_TAB},
        {GDK_KEY_KP_Enter, VK_RETURN},
        {GDK_KEY_KP_Home, VK_HOME},
        {GDK_KEY_Page_Down, VK_NEXT},
        {GDK_KEY_KP_Delete, VK_DELETE},
        {GDK_KEY_apostrophe, VK_OEM_7},
        {GDK_KEY_grave, VK_OEM_3},
        // Keys the system has no virtual key for.
        {GDK_KEY_VoidSymbol, 0},
        {GDK_KEY_exclam, 0},
        {GDK_KEY_eacute, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyOf(c.keyval), c.key) << "keyval 0x" << std::hex << c.keyval;
}

} // namespace
