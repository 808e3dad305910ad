#include "platform/setupapi/inf_file.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace zv::setupapi {

std::string LowerCase(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool SameText(const std::string& a, const std::string& b) { return LowerCase(a) == LowerCase(b); }

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Splits a line into fields at commas outside quotes; drops a comment; "" inside quotes is one quote.
std::vector<std::string> SplitFields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
            any = true;
        } else if (c == ';' && !quoted) {
            break;
        } else if (c == ',' && !quoted) {
            fields.push_back(Trim(field));
            field.clear();
            any = true;
        } else {
            field += c;
            any = any || (c != ' ' && c != '\t' && c != '\r');
        }
    }
    if (any) fields.push_back(Trim(field));
    return fields;
}

// The position of the first '=' outside quotes and before a comment.
std::size_t FindEquals(const std::string& text)
{
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        if (!quoted && text[i] == ';') return std::string::npos;
        if (!quoted && text[i] == '=') return i;
    }
    return std::string::npos;
}

}  // namespace

std::optional<InfFile> InfFile::Load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    const auto slash = path.find_last_of("/\\");
    return Parse(text.str(), slash == std::string::npos ? "." : path.substr(0, slash));
}

InfFile InfFile::Parse(const std::string& text, const std::string& folder)
{
    InfFile inf;
    inf.m_folder = folder;
    std::string section;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r')) line.pop_back();
        while (!line.empty() && line.back() == '\\') {  // continued on the next line
            line.pop_back();
            std::string next;
            if (!std::getline(lines, next)) break;
            while (!next.empty() && next.back() == '\r') next.pop_back();
            line += next;
        }
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed[0] == '[') {
            const auto close = trimmed.find(']');
            section = LowerCase(Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            continue;
        }
        if (section.empty()) continue;
        RawLine raw;
        raw.section = section;
        const auto equals = FindEquals(trimmed);
        if (equals != std::string::npos) {
            const auto keyFields = SplitFields(trimmed.substr(0, equals));
            raw.key = keyFields.empty() ? std::string() : keyFields.front();
            raw.fields = SplitFields(trimmed.substr(equals + 1));
        } else {
            raw.fields = SplitFields(trimmed);
            if (raw.fields.empty()) continue;
        }
        inf.m_lines.push_back(std::move(raw));
    }
    return inf;
}

bool InfFile::HasSection(const std::string& name) const
{
    const std::string wanted = LowerCase(name);
    for (const RawLine& line : m_lines)
        if (line.section == wanted) return true;
    return false;  // a section without entries counts as missing: nothing would be installed from it
}

std::string InfFile::Substitute(const std::string& field) const
{
    std::string result;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            result += field[i];
            continue;
        }
        const auto close = field.find('%', i + 1);
        if (close == std::string::npos) {
            result += field.substr(i);
            break;
        }
        const std::string name = field.substr(i + 1, close - i - 1);
        if (name.empty()) {
            result += '%';
        } else {
            // Unknown names stay as they are (dirids such as %12% are resolved by their users).
            const auto value = Values("Strings", name);
            result += value && !value->empty() ? value->front() : field.substr(i, close - i + 1);
        }
        i = close;
    }
    return result;
}

std::vector<InfLine> InfFile::Lines(const std::string& section) const
{
    const std::string wanted = LowerCase(section);
    const bool strings = wanted == "strings";
    std::vector<InfLine> result;
    for (const RawLine& raw : m_lines) {
        if (raw.section != wanted) continue;
        InfLine line{strings ? raw.key : Substitute(raw.key), {}};
        for (const std::string& field : raw.fields) line.fields.push_back(strings ? field : Substitute(field));
        result.push_back(std::move(line));
    }
    return result;
}

std::optional<std::vector<std::string>> InfFile::Values(const std::string& section, const std::string& key) const
{
    const std::string wantedSection = LowerCase(section);
    for (const RawLine& raw : m_lines) {
        if (raw.section != wantedSection || !SameText(raw.key, key)) continue;
        if (wantedSection == "strings") return raw.fields;
        std::vector<std::string> fields;
        for (const std::string& field : raw.fields) fields.push_back(Substitute(field));
        return fields;
    }
    return std::nullopt;
}

std::string InfFile::Value(const std::string& section, const std::string& key) const
{
    const auto fields = Values(section, key);
    return fields && !fields->empty() ? fields->front() : std::string();
}

std::vector<std::string> InfFile::AllValues(const std::string& section, const std::string& key) const
{
    std::vector<std::string> values;
    for (const InfLine& line : Lines(section))
        if (SameText(line.key, key))
            for (const std::string& field : line.fields)
                if (!field.empty()) values.push_back(field);
    return values;
}

}  // namespace zv::setupapi
