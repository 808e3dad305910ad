#include "platform/user/dialog_template.h"

#include "platform/user/menu.h"
#include "platform/win32/string_conversion.h"

namespace zv::user {

namespace {

constexpr DWORD DS_SETFONT = 0x40;
const char* const kPredefinedClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};

// Little-endian reads that fail past the end instead of reading on.
class TemplateReader {
public:
    TemplateReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }

    WORD Word()
    {
        if (!Need(2))
            return 0;
        const WORD value = static_cast<WORD>(data_[offset_] | (data_[offset_ + 1] << 8));
        offset_ += 2;
        return value;
    }
    DWORD Dword()
    {
        const DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte()
    {
        if (!Need(1))
            return 0;
        return data_[offset_++];
    }
    std::vector<BYTE> Bytes(std::size_t count)
    {
        if (!Need(count))
            return {};
        std::vector<BYTE> bytes(data_ + offset_, data_ + offset_ + count);
        offset_ += count;
        return bytes;
    }

    std::string String()
    {
        std::u16string wide;
        for (;;) {
            const WORD c = Word();
            if (!ok_ || c == 0)
                break;
            wide += static_cast<char16_t>(c);
        }
        if (wide.empty())
            return {};
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                              nullptr, nullptr);
        std::string text(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes, nullptr,
                            nullptr);
        return text;
    }

    // 0x0000: empty; 0xFFFF and a word: an ordinal; else a string.
    TemplateName NameOrOrdinal()
    {
        if (!Need(2))
            return {};
        const WORD first = static_cast<WORD>(data_[offset_] | (data_[offset_ + 1] << 8));
        if (first == 0xFFFF) {
            offset_ += 2;
            return TemplateName{{}, Word()};
        }
        return TemplateName{String(), 0};
    }

    void AlignDword()
    {
        offset_ = (offset_ + 3) & ~static_cast<std::size_t>(3);
        if (offset_ > size_)
            ok_ = false;
    }

private:
    bool Need(std::size_t count)
    {
        if (!ok_ || count > size_ - offset_) {
            ok_ = false;
            return false;
        }
        return true;
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

std::string ClassName(const TemplateName& name)
{
    if (name.ordinal >= 0x80 && name.ordinal <= 0x85)
        return kPredefinedClasses[name.ordinal - 0x80];
    if (name.ordinal)
        return "#" + std::to_string(name.ordinal);
    return name.text;
}

DialogItemTemplate ReadItem(TemplateReader& in, bool extended)
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
    item.className = ClassName(in.NameOrOrdinal());
    item.text = in.NameOrOrdinal();
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
    TemplateReader in(static_cast<const unsigned char*>(data), size);
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
    dialog.menu = in.NameOrOrdinal();
    dialog.className = in.NameOrOrdinal();
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
