#include "platform/win32/find_files.h"

#include "platform/win32/file_record.h"
#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace zv::win32 {

namespace {

// One character: a whole UTF-8 sequence, ASCII letters folded to lower case.
std::vector<std::string> Characters(std::string_view text)
{
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
        length = std::min(length, text.size() - i);
        std::string character(text.substr(i, length));
        if (length == 1)
            character[0] = static_cast<char>(std::tolower(lead));
        characters.push_back(std::move(character));
        i += length;
    }
    return characters;
}

std::string Folded(std::string_view text)
{
    std::string folded;
    for (char c : text)
        folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

class FindObject final : public KernelObject {
public:
    explicit FindObject(std::vector<WIN32_FIND_DATAA> matches) : m_matches(std::move(matches)) {}

    // The next match, or false when none is left.
    bool Next(WIN32_FIND_DATAA& data)
    {
        std::lock_guard lock(m_mutex);
        if (m_next >= m_matches.size())
            return false;
        data = m_matches[m_next++];
        return true;
    }

private:
    const std::vector<WIN32_FIND_DATAA> m_matches;
    std::mutex m_mutex;
    std::size_t m_next = 0;
};

std::vector<WIN32_FIND_DATAA> FindMatches(const std::string& folder, std::string_view pattern)
{
    std::vector<WIN32_FIND_DATAA> matches;
    std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(folder.c_str()), closedir);
    if (!directory)
        return matches;
    while (const dirent* entry = readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || name.size() >= MAX_PATH || !MatchesWindowsPattern(pattern, name))
            continue;
        struct stat info {};
        if (stat((folder + "/" + std::string(name)).c_str(), &info) != 0)
            continue; // vanished, or a dangling link
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            continue;
        WIN32_FIND_DATAA data {};
        FillFileRecord(data, folder + "/" + std::string(name), info);
        std::memcpy(data.cFileName, name.data(), name.size());
        matches.push_back(data);
    }
    std::sort(matches.begin(), matches.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
        const std::string foldedA = Folded(a.cFileName), foldedB = Folded(b.cFileName);
        if (foldedA != foldedB)
            return foldedA < foldedB;
        return std::strcmp(a.cFileName, b.cFileName) < 0;
    });
    return matches;
}

} // namespace

bool MatchesWindowsPattern(std::string_view pattern, std::string_view name)
{
    if (pattern == "*.*")
        pattern = "*";
    const auto p = Characters(pattern);
    const auto n = Characters(name);
    std::size_t pi = 0, ni = 0;
    std::size_t starAt = std::string::npos, starName = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == "*") {
            starAt = pi++;
            starName = ni;
        } else if (pi < p.size() && (p[pi] == "?" || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (starAt != std::string::npos) {
            // Let the last star take one more character and try again.
            pi = starAt + 1;
            ni = ++starName;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == "*")
        ++pi;
    return pi == p.size();
}

} // namespace zv::win32

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData)
{
    using namespace zv::win32;
    if (!fileName || !findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = fileName;
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<WIN32_FIND_DATAA> matches;
    if (!pattern.empty())
        matches = FindMatches(folder, pattern);
    if (matches.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<FindObject>(std::move(matches));
    search->Next(*findData);
    HANDLE handle = InsertHandle(std::move(search));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData)
{
    using namespace zv::win32;
    auto search = LookupHandleAs<FindObject>(findFile);
    if (!search)
        return FALSE;
    if (!findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!search->Next(*findData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE findFile)
{
    using namespace zv::win32;
    if (!LookupHandleAs<FindObject>(findFile))
        return FALSE;
    return CloseHandle(findFile);
}
