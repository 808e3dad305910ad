// The binary layouts of string tables, menu templates and extended dialog templates.
#include "resource_model.h"

#include <stdexcept>

namespace zvrc {

namespace {

constexpr std::uint16_t MF_POPUP = 0x10;
constexpr std::uint16_t MF_END = 0x80;

class ByteWriter {
public:
    void Word(std::uint16_t value)
    {
        bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void Dword(std::uint32_t value)
    {
        Word(static_cast<std::uint16_t>(value & 0xFFFF));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Byte(std::uint8_t value) { bytes_.push_back(value); }
    void Chars(const std::u16string& text)
    {
        for (char16_t c : text)
            Word(static_cast<std::uint16_t>(c));
    }
    // A NUL-terminated UTF-16 string.
    void String(const std::string& text)
    {
        Chars(Utf16(text));
        Word(0);
    }
    // Empty (one zero word), 0xFFFF and an ordinal, or a string.
    void NameOrOrdinalField(const NameOrOrdinal& field)
    {
        if (field.isOrdinal) {
            Word(0xFFFF);
            Word(field.ordinal);
        } else {
            String(field.text);
        }
    }
    void AlignDword()
    {
        while (bytes_.size() % 4 != 0)
            bytes_.push_back(0);
    }
    std::size_t Size() const { return bytes_.size(); }
    void PatchWord(std::size_t at, std::uint16_t value)
    {
        bytes_[at] = static_cast<std::uint8_t>(value & 0xFF);
        bytes_[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

void EncodeMenuItems(ByteWriter& out, const std::vector<MenuNode>& items)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuNode& item = items[i];
        std::uint16_t flags = item.flags;
        if (i + 1 == items.size())
            flags |= MF_END;
        out.Word(flags);
        if (!(item.flags & MF_POPUP))
            out.Word(static_cast<std::uint16_t>(item.id));
        out.String(item.text);
        if (item.flags & MF_POPUP)
            EncodeMenuItems(out, item.children);
    }
}

// A version node: its length (patched in afterwards: node and children, without trailing
// padding), the value's length (characters with the NUL for text, else bytes), the type (1 text,
// 0 binary), the key; the value and each child start on four-byte boundaries. `binary`, when not
// empty, is the value instead of the node's words.
void EncodeVersionNode(ByteWriter& out, const VersionNode& node, const std::vector<std::uint8_t>& binary = {})
{
    out.AlignDword();
    const std::size_t start = out.Size();
    const std::u16string text = node.isText ? Utf16(node.text) : std::u16string();
    std::vector<std::uint8_t> value = binary;
    for (std::uint16_t word : node.words) {
        value.push_back(static_cast<std::uint8_t>(word & 0xFF));
        value.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    out.Word(0);
    out.Word(static_cast<std::uint16_t>(node.isText ? text.size() + 1 : value.size()));
    out.Word(node.isText ? 1 : 0);
    out.String(node.key);
    out.AlignDword();
    if (node.isText) {
        out.Chars(text);
        out.Word(0);
    }
    for (std::uint8_t byte : value)
        out.Byte(byte);
    for (const VersionNode& child : node.children)
        EncodeVersionNode(out, child);
    const std::size_t length = out.Size() - start;
    if (length > 0xFFFF)
        throw std::runtime_error("version block \"" + node.key + "\" is too long");
    out.PatchWord(start, static_cast<std::uint16_t>(length));
}

} // namespace

std::u16string Utf16(const std::string& text)
{
    std::u16string result;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::uint32_t code = 0;
        int extra = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            extra = 3;
        } else {
            throw std::runtime_error("text is not valid UTF-8");
        }
        if (i + static_cast<std::size_t>(extra) >= text.size() && extra > 0)
            throw std::runtime_error("text is not valid UTF-8");
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                throw std::runtime_error("text is not valid UTF-8");
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            throw std::runtime_error("text is not valid UTF-8");
        if (code >= 0x10000) {
            code -= 0x10000;
            result += static_cast<char16_t>(0xD800 + (code >> 10));
            result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            result += static_cast<char16_t>(code);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return result;
}

// Sixteen counted strings (ids block*16 .. block*16+15), absent ones with length 0.
std::vector<std::uint8_t> EncodeStringBlock(const std::map<std::uint16_t, std::string>& strings, std::uint16_t block)
{
    ByteWriter out;
    for (unsigned index = 0; index < 16; ++index) {
        const auto found = strings.find(static_cast<std::uint16_t>(block * 16 + index));
        if (found == strings.end()) {
            out.Word(0);
            continue;
        }
        const std::u16string text = Utf16(found->second);
        if (text.size() > 0xFFFF)
            throw std::runtime_error("string " + std::to_string(found->first) + " is too long");
        out.Word(static_cast<std::uint16_t>(text.size()));
        out.Chars(text);
    }
    return out.Take();
}

// Header (version 0, offset 0), then the items; the last item of each level carries MF_END.
std::vector<std::uint8_t> EncodeMenu(const std::vector<MenuNode>& items)
{
    ByteWriter out;
    out.Word(0);
    out.Word(0);
    EncodeMenuItems(out, items);
    return out.Take();
}

// The extended dialog template: version 1, signature 0xFFFF, then items aligned on four bytes.
std::vector<std::uint8_t> EncodeDialog(const DialogDefinition& dialog)
{
    ByteWriter out;
    out.Word(1);
    out.Word(0xFFFF);
    out.Dword(0); // help id
    out.Dword(dialog.exStyle);
    out.Dword(dialog.style);
    out.Word(static_cast<std::uint16_t>(dialog.controls.size()));
    out.Word(static_cast<std::uint16_t>(dialog.x));
    out.Word(static_cast<std::uint16_t>(dialog.y));
    out.Word(static_cast<std::uint16_t>(dialog.cx));
    out.Word(static_cast<std::uint16_t>(dialog.cy));
    out.NameOrOrdinalField(dialog.menu);
    out.NameOrOrdinalField(dialog.className);
    out.String(dialog.caption);
    if (dialog.hasFont) {
        out.Word(dialog.pointSize);
        out.Word(dialog.weight);
        out.Byte(dialog.italic);
        out.Byte(dialog.charset);
        out.String(dialog.typeface);
    }
    for (const DialogControl& control : dialog.controls) {
        out.AlignDword();
        out.Dword(0); // help id
        out.Dword(control.exStyle);
        out.Dword(control.style);
        out.Word(static_cast<std::uint16_t>(control.x));
        out.Word(static_cast<std::uint16_t>(control.y));
        out.Word(static_cast<std::uint16_t>(control.cx));
        out.Word(static_cast<std::uint16_t>(control.cy));
        out.Dword(control.id);
        out.NameOrOrdinalField(control.className);
        out.NameOrOrdinalField(control.text);
        out.Word(0); // no creation data
    }
    return out.Take();
}

} // namespace zvrc

namespace zvrc {

// VS_VERSIONINFO: the fixed file information as the root's value, the blocks as its children.
std::vector<std::uint8_t> EncodeVersionInfo(const VersionDefinition& version)
{
    std::vector<std::uint8_t> fixed;
    for (std::uint32_t value : version.fixed) {
        for (int shift = 0; shift < 32; shift += 8)
            fixed.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    VersionNode root;
    root.key = "VS_VERSION_INFO";
    root.children = version.blocks;
    ByteWriter out;
    EncodeVersionNode(out, root, fixed);
    return out.Take();
}

} // namespace zvrc
