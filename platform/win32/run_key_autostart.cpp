#include "platform/win32/run_key_autostart.h"

#include "platform/win32/modules.h"
#include "platform/win32/processes.h"
#include "platform/win32/registry.h"
#include "platform/win32/registry_tree.h"
#include "platform/win32/zv_root.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace zv::win32 {
namespace {

constexpr std::array<std::string_view, 6> kRunKeyPath = {"HKEY_CURRENT_USER", "Software",       "Microsoft",
                                                         "Windows",           "CurrentVersion", "Run"};
constexpr std::string_view kEntryPrefix = "zelvante-run-";

// Characters that make an Exec argument need quotes.
bool NeedsQuotes(std::string_view word)
{
    return word.empty() || word.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
}

// One Exec argument: quoted when needed (with ", `, $ and \ escaped inside), a literal % doubled.
std::string ExecArgument(std::string_view word)
{
    std::string quoted;
    const bool quote = NeedsQuotes(word);
    if (quote)
        quoted += '"';
    for (const char c : word) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    if (quote)
        quoted += '"';
    return quoted;
}

// A string value of the entry file: backslashes and line breaks escaped, a leading space kept.
std::string EntryValue(std::string_view text)
{
    std::string escaped;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        case '\t': escaped += "\\t"; break;
        case ' ': escaped += i == 0 ? "\\s" : " "; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

// The program of an unquoted command line: the shortest prefix ending before a space that names
// a program, as Windows tries them; else the first word. `rest` gets what follows.
std::string UnquotedProgram(std::string_view line, std::string_view& rest)
{
    for (std::size_t end = line.find(' '); end != std::string_view::npos; end = line.find(' ', end + 1)) {
        if (!FindProgram(std::string(line.substr(0, end))).empty()) {
            rest = line.substr(end);
            return std::string(line.substr(0, end));
        }
    }
    if (!FindProgram(std::string(line)).empty()) {
        rest = {};
        return std::string(line);
    }
    const std::size_t end = line.find_first_of(" \t");
    rest = end == std::string_view::npos ? std::string_view() : line.substr(end);
    return std::string(line.substr(0, end));
}

// The Linux path of a program named on a command line.
std::string ProgramPath(const std::string& name)
{
    std::string found = FindProgram(name);
    if (found.empty())
        return ForwardSlashes(name);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(found, error);
    return error ? found : absolute.lexically_normal().string();
}

bool IsDefaultRoot()
{
    return ZvRoot() == std::filesystem::path(DefaultZvRoot()).lexically_normal().string();
}

void Report(const char* action, const std::string& path, int error)
{
    std::fprintf(stderr, "registry: cannot %s the autostart entry %s: %s\n", action, path.c_str(),
                 std::strerror(error));
}

// Written to a temporary file renamed over the entry, so the desktop never reads half of one.
bool WriteEntry(const std::string& path, const std::string& text)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error) {
        Report("write", path, error.value());
        return false;
    }
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            const int failure = errno ? errno : EIO;
            std::filesystem::remove(temporary, error);
            Report("write", path, failure);
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int failure = errno;
        std::filesystem::remove(temporary, error);
        Report("write", path, failure);
        return false;
    }
    return true;
}

void RemoveEntry(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR)
        Report("remove", path, errno);
}

} // namespace

bool IsRunKeyPath(const std::vector<std::string>& path)
{
    if (path.size() != kRunKeyPath.size())
        return false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (!SameRegistryName(path[i], kRunKeyPath[i]))
            return false;
    }
    return true;
}

std::string AutostartFolder()
{
    // A relative XDG_CONFIG_HOME is to be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return std::string(config) + "/autostart";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/autostart";
    return {};
}

std::string AutostartEntryPath(std::string_view name)
{
    const std::string folder = AutostartFolder();
    if (folder.empty() || name.empty())
        return {};
    // Lower case for the registry's case-blind names; every other byte outside [a-z0-9-] as _XX,
    // so two different names never share a file and the file name stays a valid desktop id.
    std::string file(kEntryPrefix);
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 'A' && byte <= 'Z') {
            file += static_cast<char>(byte - 'A' + 'a');
        } else if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '-') {
            file += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "_%02x", byte);
            file += escape;
        }
    }
    return folder + "/" + file + ".desktop";
}

std::string AutostartExec(std::string_view commandLine)
{
    const std::size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    std::string_view line = commandLine.substr(start);
    std::string_view rest;
    std::string program;
    if (line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        program = std::string(line.substr(1, close == std::string_view::npos ? close : close - 1));
        rest = close == std::string_view::npos ? std::string_view() : line.substr(close + 1);
    } else {
        program = UnquotedProgram(line, rest);
    }
    if (program.empty())
        return {};
    std::string exec;
    if (!IsDefaultRoot())
        exec = "env " + ExecArgument("ZV_ROOT=" + ZvRoot()) + " ";
    exec += ExecArgument(ProgramPath(program));
    for (const std::string& word : SplitCommandLine(std::string(rest))) {
        exec += ' ';
        exec += ExecArgument(word);
    }
    return exec;
}

std::string AutostartEntryText(std::string_view name, std::string_view commandLine)
{
    const std::string exec = AutostartExec(commandLine);
    if (exec.empty())
        return {};
    return "[Desktop Entry]\nType=Application\nName=" + EntryValue(name) + "\nExec=" + EntryValue(exec) + "\n";
}

void MirrorRunValueSet(std::string_view name, DWORD type, const std::vector<BYTE>& data)
{
    const std::string path = AutostartEntryPath(name);
    if (path.empty())
        return;
    // Only a string names a program to start; the stored bytes end at their first NUL, if any.
    std::string commandLine;
    if (type == REG_SZ) {
        commandLine.assign(data.begin(), data.end());
        commandLine.resize(std::strlen(commandLine.c_str()));
    }
    const std::string text = AutostartEntryText(name, commandLine);
    if (text.empty())
        RemoveEntry(path);
    else
        WriteEntry(path, text);
}

void MirrorRunValueDeleted(std::string_view name)
{
    const std::string path = AutostartEntryPath(name);
    if (!path.empty())
        RemoveEntry(path);
}

} // namespace zv::win32
