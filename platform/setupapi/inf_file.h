// A setup information file as the device installation reads it: sections of lines, each line an
// optional key and comma-separated fields. Section names and keys compare without regard to case;
// %name% is replaced from [Strings] (%% is a percent sign), quotes group a field, ';' starts a
// comment outside quotes, a trailing '\' joins the next line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zv::setupapi {

struct InfLine {
    std::string key;                  // empty when the line has no '='
    std::vector<std::string> fields;  // after '=' (or the whole line), strings substituted
};

class InfFile {
public:
    // Nothing when the file cannot be read.
    static std::optional<InfFile> Load(const std::string& path);
    static InfFile Parse(const std::string& text, const std::string& folder);

    bool HasSection(const std::string& name) const;
    // The section's lines in file order (several sections of one name are joined); empty when
    // there is no such section.
    std::vector<InfLine> Lines(const std::string& section) const;
    // The fields of the first line with this key.
    std::optional<std::vector<std::string>> Values(const std::string& section, const std::string& key) const;
    // The first field of the first line with this key, or empty.
    std::string Value(const std::string& section, const std::string& key) const;
    // Every field of every line with this key ("AddReg=a,b" twice gives a, b, ...).
    std::vector<std::string> AllValues(const std::string& section, const std::string& key) const;

    // The folder the file was read from (its source files live there).
    const std::string& Folder() const { return m_folder; }

private:
    struct RawLine {
        std::string section;  // lower case
        std::string key;
        std::vector<std::string> fields;  // raw, %strings% not yet replaced
    };
    std::string Substitute(const std::string& field) const;

    std::vector<RawLine> m_lines;
    std::string m_folder;
};

// Lower-case ASCII copy, and comparison without regard to case.
std::string LowerCase(std::string text);
bool SameText(const std::string& a, const std::string& b);

}  // namespace zv::setupapi
