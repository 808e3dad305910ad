// Dialog templates (the layout of dialog resources, plain and extended) read into data: the
// dialog's styles, rectangle in dialog units, font, caption, menu and class, and its controls.
// Making windows from them is the dialog manager's work.
#pragma once

#include "platform/user/user_types.h"
#include "platform/win32/resources.h"

#include <optional>
#include <string>
#include <vector>

namespace zv::user {

// A menu, class or control text field: empty, a name, or an ordinal (a resource id).
struct TemplateName {
    std::string text;
    WORD ordinal = 0; // non-zero when the field holds an ordinal
};

struct DialogItemTemplate {
    // "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" for the predefined classes;
    // otherwise as written: "SysListView32", "msctls_updown32", "SysIPAddress32", or an ActiveX
    // control's class id in braces.
    std::string className;
    TemplateName text; // an ordinal names an icon or bitmap resource
    DWORD id = 0;      // 0xFFFF or 0xFFFFFFFF for "no id" statics, as the template stores it
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
    short x = 0, y = 0, cx = 0, cy = 0; // dialog units
    std::vector<BYTE> creationData;

    bool IsActiveXControl() const { return !className.empty() && className.front() == '{'; }
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
    short x = 0, y = 0, cx = 0, cy = 0; // dialog units
    TemplateName menu;
    TemplateName className;
    std::string caption;
    bool hasFont = false; // DS_SETFONT: the fields below are set
    WORD pointSize = 0;
    WORD weight = 0;
    bool italic = false;
    BYTE charset = 0;
    std::string typeface;
    std::vector<DialogItemTemplate> items;
};

// nullopt with ERROR_INVALID_DATA when the bytes are not a whole, well-formed template.
std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size);
// A dialog resource of the module (NULL: the program); the last error says what was missing.
std::optional<DialogTemplate> LoadDialogTemplate(HINSTANCE module, LPCSTR name);

} // namespace zv::user
