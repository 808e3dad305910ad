#include "platform/win32/registry_format.h"

#include <charconv>
#include <vector>

namespace zv::win32 {

namespace {

constexpr std::string_view kHeader = "ZELVANTE-REGISTRY 1";
constexpr std::string_view kEnd = "END";
constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, std::string_view name)
{
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F || c == '%' || c == '\\') {
            out += '%';
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0xF];
        } else {
            out += c;
        }
    }
}

void AppendKey(std::string& out, const RegistryKey& key, const std::string& path)
{
    out += "K ";
    out += path;
    out += '\n';
    for (const RegistryValue& value : key.Values()) {
        out += "V ";
        out += std::to_string(value.type);
        out += " =";
        AppendEscaped(out, value.name);
        out += " =";
        for (BYTE byte : value.data) {
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0xF];
        }
        out += '\n';
    }
    for (const auto& [name, child] : key.Children()) {
        std::string childPath = path;
        childPath += '\\';
        AppendEscaped(childPath, name);
        AppendKey(out, *child, childPath);
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string& name)
{
    name.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool ParseHex(std::string_view text, std::vector<BYTE>& data)
{
    if (text.size() % 2 != 0)
        return false;
    data.clear();
    data.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        data.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// A key line: the parent must have been listed already and the key itself must be new.
RegistryKey* ParseKeyLine(std::string_view pathText, RegistryKey& machine)
{
    std::vector<std::string> path;
    for (std::string_view part : Split(pathText, '\\')) {
        std::string name;
        if (part.empty() || !Unescape(part, name))
            return nullptr;
        path.push_back(std::move(name));
    }
    const std::string last = path.back();
    path.pop_back();
    RegistryKey* parent = machine.Find(path);
    if (!parent)
        return nullptr;
    bool created = false;
    RegistryKey& key = parent->ChildOrNew(last, created);
    return created ? &key : nullptr;
}

bool ParseValueLine(std::string_view line, RegistryKey& key)
{
    const std::vector<std::string_view> fields = Split(line, ' ');
    if (fields.size() != 3 || fields[1].empty() || fields[1][0] != '=' || fields[2].empty() || fields[2][0] != '=')
        return false;
    DWORD type = 0;
    const auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), type);
    if (error != std::errc() || end != fields[0].data() + fields[0].size())
        return false;
    std::string name;
    std::vector<BYTE> data;
    if (!Unescape(fields[1].substr(1), name) || !ParseHex(fields[2].substr(1), data) || key.Value(name))
        return false;
    key.SetValue(name, type, std::move(data));
    return true;
}

} // namespace

std::string FormatRegistry(const RegistryKey& machine)
{
    std::string out(kHeader);
    out += '\n';
    for (const auto& [name, hive] : machine.Children()) {
        std::string path;
        AppendEscaped(path, name);
        AppendKey(out, *hive, path);
    }
    out += kEnd;
    out += '\n';
    return out;
}

bool ParseRegistry(std::string_view text, RegistryKey& machine)
{
    if (text.empty() || text.back() != '\n')
        return false;
    std::vector<std::string_view> lines = Split(text.substr(0, text.size() - 1), '\n');
    if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kEnd)
        return false;
    RegistryKey* current = nullptr;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.size() < 2 || line[1] != ' ')
            return false;
        if (line[0] == 'K') {
            current = ParseKeyLine(line.substr(2), machine);
            if (!current)
                return false;
        } else if (line[0] == 'V') {
            if (!current || !ParseValueLine(line.substr(2), *current))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace zv::win32
