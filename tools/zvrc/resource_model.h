// What a resource script describes, before it is encoded into the binary layouts the program reads.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zvrc {

// A resource type or name: an ordinal, or a name (kept upper-case, as names match without case).
struct ResourceId {
    std::uint16_t ordinal = 0;
    std::string name;

    bool operator<(const ResourceId& other) const
    {
        return name != other.name ? name < other.name : ordinal < other.ordinal;
    }
    bool operator==(const ResourceId& other) const = default;
    std::string Describe() const { return name.empty() ? std::to_string(ordinal) : name; }
};

// One resource of the set: encoded bytes, or a file embedded as it stands.
struct CompiledResource {
    ResourceId type;
    ResourceId name;
    std::vector<std::uint8_t> data;
    std::string file;            // when set, the bytes are this file's (embedded by the assembler)
    std::uint64_t fileSize = 0;
};

struct MenuNode {
    std::string text;
    std::uint32_t id = 0;
    std::uint16_t flags = 0; // MF_* bits of the item (popup, separator, checked, grayed, ...)
    std::vector<MenuNode> children;
};

// A text or class field of a dialog template: empty, a string, or an ordinal.
struct NameOrOrdinal {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::string text;
};

struct DialogControl {
    NameOrOrdinal className;
    NameOrOrdinal text;
    std::uint32_t id = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogDefinition {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal className;
    std::string caption;
    bool hasFont = false;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 1;
    std::string typeface;
    std::vector<DialogControl> controls;
};

// A node of a version resource: a block with children, or a value (text, or 16-bit words).
struct VersionNode {
    std::string key;
    bool isText = false;
    std::string text;
    std::vector<std::uint16_t> words;
    std::vector<VersionNode> children;
};

struct VersionDefinition {
    std::uint32_t fixed[13] = {}; // VS_FIXEDFILEINFO, signature and structure version included
    std::vector<VersionNode> blocks;
};

// Binary layouts (those of the platform's own resource formats).
std::vector<std::uint8_t> EncodeStringBlock(const std::map<std::uint16_t, std::string>& strings, std::uint16_t block);
std::vector<std::uint8_t> EncodeMenu(const std::vector<MenuNode>& items);
std::vector<std::uint8_t> EncodeDialog(const DialogDefinition& dialog);
std::vector<std::uint8_t> EncodeVersionInfo(const VersionDefinition& version);

// UTF-8 to UTF-16; throws std::runtime_error on invalid UTF-8.
std::u16string Utf16(const std::string& text);

} // namespace zvrc
