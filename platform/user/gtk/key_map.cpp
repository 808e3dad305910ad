#include "platform/user/gtk/key_map.h"

#include "platform/user/virtual_keys.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <array>
#include <utility>

namespace zv::user::gtk {
namespace {

// Keys whose value is not a letter, digit or function key.
constexpr std::array<std::pair<unsigned, UINT>, 61> kNamedKeys = {{
    {GDK_KEY_BackSpace, VK_BACK},       {GDK_KEY_Tab, VK_TAB},
    {GDK_KEY_ISO_Left_Tab, VK_TAB},     {GDK_KEY_Return, VK_RETURN},
    {GDK_KEY_KP_Enter, VK_RETURN},      {GDK_KEY_Shift_L, VK_SHIFT},
    {GDK_KEY_Shift_R, VK_SHIFT},        {GDK_KEY_Control_L, VK_CONTROL},
    {GDK_KEY_Control_R, VK_CONTROL},    {GDK_KEY_Alt_L, VK_MENU},
    {GDK_KEY_Alt_R, VK_MENU},           {GDK_KEY_Meta_L, VK_MENU},
    {GDK_KEY_Meta_R, VK_MENU},          {GDK_KEY_ISO_Level3_Shift, VK_MENU},
    {GDK_KEY_Pause, VK_PAUSE},          {GDK_KEY_Caps_Lock, VK_CAPITAL},
    {GDK_KEY_Escape, VK_ESCAPE},        {GDK_KEY_space, VK_SPACE},
    {GDK_KEY_KP_Space, VK_SPACE},       {GDK_KEY_Page_Up, VK_PRIOR},
    {GDK_KEY_KP_Page_Up, VK_PRIOR},     {GDK_KEY_Page_Down, VK_NEXT},
    {GDK_KEY_KP_Page_Down, VK_NEXT},    {GDK_KEY_End, VK_END},
    {GDK_KEY_KP_End, VK_END},           {GDK_KEY_Home, VK_HOME},
    {GDK_KEY_KP_Home, VK_HOME},         {GDK_KEY_Left, VK_LEFT},
    {GDK_KEY_KP_Left, VK_LEFT},         {GDK_KEY_Up, VK_UP},
    {GDK_KEY_KP_Up, VK_UP},             {GDK_KEY_Right, VK_RIGHT},
    {GDK_KEY_KP_Right, VK_RIGHT},       {GDK_KEY_Down, VK_DOWN},
    {GDK_KEY_KP_Down, VK_DOWN},         {GDK_KEY_Insert, VK_INSERT},
    {GDK_KEY_KP_Insert, VK_INSERT},     {GDK_KEY_Delete, VK_DELETE},
    {GDK_KEY_KP_Delete, VK_DELETE},     {GDK_KEY_Print, VK_SNAPSHOT},
    {GDK_KEY_Super_L, VK_LWIN},         {GDK_KEY_Super_R, VK_RWIN},
    {GDK_KEY_Menu, VK_APPS},            {GDK_KEY_KP_Multiply, VK_MULTIPLY},
    {GDK_KEY_KP_Add, VK_ADD},           {GDK_KEY_KP_Subtract, VK_SUBTRACT},
    {GDK_KEY_KP_Decimal, VK_DECIMAL},   {GDK_KEY_KP_Divide, VK_DIVIDE},
    {GDK_KEY_Num_Lock, VK_NUMLOCK},     {GDK_KEY_Scroll_Lock, VK_SCROLL},
    {GDK_KEY_semicolon, VK_OEM_1},      {GDK_KEY_equal, VK_OEM_PLUS},
    {GDK_KEY_comma, VK_OEM_COMMA},      {GDK_KEY_minus, VK_OEM_MINUS},
    {GDK_KEY_period, VK_OEM_PERIOD},    {GDK_KEY_slash, VK_OEM_2},
    {GDK_KEY_grave, VK_OEM_3},          {GDK_KEY_bracketleft, VK_OEM_4},
    {GDK_KEY_backslash, VK_OEM_5},      {GDK_KEY_bracketright, VK_OEM_6},
    {GDK_KEY_apostrophe, VK_OEM_7},
}};

} // namespace

UINT VirtualKeyOf(unsigned keyval)
{
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z)
        return 'A' + (keyval - GDK_KEY_a);
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z)
        return keyval;
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9)
        return keyval;
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
        return VK_NUMPAD0 + (keyval - GDK_KEY_KP_0);
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24)
        return VK_F1 + (keyval - GDK_KEY_F1);
    const auto named = std::find_if(kNamedKeys.begin(), kNamedKeys.end(),
                                    [keyval](const auto& entry) { return entry.first == keyval; });
    return named != kNamedKeys.end() ? named->second : 0;
}

} // namespace zv::user::gtk
