// Registered window messages are machine-wide: every process of one ZV_ROOT gets the same value
// for a name, so programs can talk to each other's windows with them. The values live in
// ZV_ROOT/run/window_messages, one record per name ("<value in hex> <name length>\n<name>\n", the
// name folded to lower case), read and extended under an exclusive flock of the file.
#include "platform/user/messages.h"
#include "platform/user/window_table.h"
#include "platform/win32/fd_io.h"
#include "platform/win32/file_lock.h"
#include "platform/win32/last_error.h"
#include "platform/win32/zv_root.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

constexpr UINT kFirstValue = 0xC000;
constexpr UINT kLastValue = 0xFFFF;
// Far more than the 16384 names there can be, each at most a few hundred bytes.
constexpr std::size_t kLongestTable = 64u << 20;

struct Table {
    std::map<std::string, UINT> values;
    UINT highest = 0;
    std::size_t goodLength = 0; // where the last whole record ends
};

// Stops at the first record that is not whole (a writer that died halfway through).
Table ParseTable(const std::string& text)
{
    Table table;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;
        unsigned value = 0;
        std::size_t length = 0;
        if (std::sscanf(text.c_str() + at, "%x %zu", &value, &length) != 2 || value < kFirstValue ||
            value > kLastValue || length == 0 || length > text.size() - end - 1 ||
            end + 1 + length >= text.size() || text[end + 1 + length] != '\n')
            break;
        table.values.emplace(text.substr(end + 1, length), value);
        table.highest = std::max(table.highest, value);
        at = end + 1 + length + 1;
        table.goodLength = at;
    }
    return table;
}

// The machine's value for the folded name, given a new one when the name is new; 0 with the last
// error set when the table cannot be read or written or the values are used up.
UINT MachineValue(const std::string& folder, const std::string& name)
{
    const zv::win32::FileLock file(folder + "/window_messages");
    std::string text;
    if (file.Fd() < 0 || !zv::win32::ReadAll(file.Fd(), text, kLongestTable)) {
        SetLastError(zv::win32::ErrorFromErrno(errno));
        return 0;
    }
    const Table table = ParseTable(text);
    if (const auto found = table.values.find(name); found != table.values.end())
        return found->second;
    const UINT value = table.highest == 0 ? kFirstValue : table.highest + 1;
    if (value > kLastValue) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    char header[32];
    std::snprintf(header, sizeof header, "%x %zu\n", value, name.size());
    // A torn record left by a writer that died goes, so the new one can be read.
    if (ftruncate(file.Fd(), static_cast<off_t>(table.goodLength)) != 0 ||
        lseek(file.Fd(), static_cast<off_t>(table.goodLength), SEEK_SET) < 0 ||
        !zv::win32::WriteAll(file.Fd(), header + name + "\n")) {
        SetLastError(zv::win32::ErrorFromErrno(errno));
        return 0;
    }
    return value;
}

} // namespace

UINT RegisterWindowMessageA(LPCSTR lpString)
{
    if (!lpString || !*lpString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string folder = zv::win32::ZvFolder("run");
    if (folder.empty()) {
        SetLastError(zv::win32::ErrorFromErrno(errno));
        return 0;
    }
    // Values never change once given, so each process remembers those it asked for (per root:
    // tests switch roots).
    static std::mutex mutex;
    static auto* known = new std::map<std::pair<std::string, std::string>, UINT>();
    const auto key = std::make_pair(folder, zv::user::FoldCase(lpString));
    std::lock_guard lock(mutex);
    if (const auto found = known->find(key); found != known->end())
        return found->second;
    const UINT value = MachineValue(folder, key.second);
    if (value != 0)
        known->emplace(key, value);
    return value;
}
