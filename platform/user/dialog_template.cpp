#include "platform/user/dialog_template.h"

#include "platform/user/dialog.h"
#include "platform/user/menu.h"
#include "platform/user/resource_reader.h"

namespace zv::user {

namespace {

const char* const kPredefinedClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};

// 0x0000: empty; 0xFFFF and a word: an ordinal; else a string.
TemplateName NameOrOrdinal(ResourceReader& in)
{
    if (in.PeekWord() == 0xFFFF) {
        in.Word();
        return TemplateName{{}, in.Word()};
    }
    return TemplateName{in.String(), 0};
}

std::string ClassName(const TemplateName& name)
{
    if (name.ordinal >= 0x80 && name.ordinal <= 0x85)
        return kPredefinedClasses[name.ordinal - 0x80];
    if (name.ordinal) {
        std::string text = "#";
        text += std::to_string(name.ordinal);
        return text;
    }
    return name.text;
}

DialogItemTemplate ReadItem(ResourceReader& in, bool extended)
{
    DialogItemTemplate item;
    in.AlignDword();
    if (extended) {
        item.helpId = in.Dword();
        item.exStyle = in.Dword();
        item.style = in.Dword();
    } else {
        item.style = in.Dword();
        item.exStyle = in.Dword();
    }
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    item.id = extended ? in.Dword() : in.Word();
    item.className = ClassName(NameOrOrdinal(in));
    item.text = NameOrOrdinal(in);
    item.creationData = in.Bytes(in.Word());
    return item;
}

} // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    ResourceReader in(static_cast<const unsigned char*>(data), size);
    DialogTemplate dialog;
    const WORD version = in.Word();
    const WORD signature = in.Word();
    dialog.extended = version == 1 && signature == 0xFFFF;
    if (dialog.extended) {
        dialog.helpId = in.Dword();
        dialog.exStyle = in.Dword();
        dialog.style = in.Dword();
    } else {
        dialog.style = static_cast<DWORD>(version) | (static_cast<DWORD>(signature) << 16);
        dialog.exStyle = in.Dword();
    }
    const WORD count = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    dialog.menu = NameOrOrdinal(in);
    dialog.className = NameOrOrdinal(in);
    dialog.caption = in.String();
    if (dialog.style & DS_SETFONT) {
        dialog.hasFont = true;
        dialog.pointSize = in.Word();
        if (dialog.extended) {
            dialog.weight = in.Word();
            dialog.italic = in.Byte() != 0;
            dialog.charset = in.Byte();
        }
        dialog.typeface = in.String();
    }
    for (WORD i = 0; i < count && in.ok(); ++i)
        dialog.items.push_back(ReadItem(in, dialog.extended));
    if (!in.ok()) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    return dialog;
}

std::optional<DialogTemplate> LoadDialogTemplate(HINSTANCE module, LPCSTR name)
{
    const win32::ResourceBytes bytes = win32::FindResourceBytes(module, name, RT_DIALOG);
    if (!bytes.data)
        return std::nullopt;
    return ParseDialogTemplate(bytes.data, bytes.size);
}

} // namespace zv::user
