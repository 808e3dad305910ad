#include "app/VersionInfo.h"

#include "app/FileVersion.h"
#include "app/GenericException.h"
#include "platform/win32/files.h"
#include "platform/win32/paths.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

UpdateReplyToken g_updateReplyToken;

namespace {

std::mutex g_instanceMutex;
std::atomic<VersionInfo*> g_instance{nullptr};

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

[[noreturn]] void Fail(const char* what)
{
    throw new CGenericException(what);
}

// The short form of an existing file's path, which the version calls are given.
std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    if (length == 0 || length >= sizeof shortPath)
        Fail("Cannot get the short path of a version file.");
    return std::string(shortPath, length);
}

// Reads a hexadecimal number after optional white space; false when there is none or it does not
// fit 32 bits.
bool ReadHex(const char*& cursor, const char* end, DWORD& value)
{
    while (cursor < end && std::isspace(static_cast<unsigned char>(*cursor)))
        ++cursor;
    const auto [next, error] = std::from_chars(cursor, end, value, 16);
    if (error != std::errc())
        return false;
    cursor = next;
    return true;
}

} // namespace

DWORD PackVersion(int first, int second, int third, int fourth)
{
    return static_cast<DWORD>(first & 0xFF) << 24 | static_cast<DWORD>(second & 0xFF) << 16 |
           static_cast<DWORD>(third & 0xFF) << 8 | static_cast<DWORD>(fourth & 0xFF);
}

std::string FormatVersion(DWORD version)
{
    char text[24];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(version >> 24 & 0xFF),
                  static_cast<int>(version >> 16 & 0xFF), static_cast<int>(version >> 8 & 0xFF),
                  static_cast<int>(version & 0xFF));
    return text;
}

std::string UpdateReplyToken::Get() const
{
    std::lock_guard lock(m_mutex);
    return m_word;
}

void UpdateReplyToken::Set(std::string_view word)
{
    std::lock_guard lock(m_mutex);
    m_word.assign(word.substr(0, kMaxLength));
}

VersionInfo& VersionInfo::GetInstance()
{
    if (VersionInfo* existing = g_instance.load())
        return *existing;
    std::lock_guard lock(g_instanceMutex);
    if (VersionInfo* existing = g_instance.load())
        return *existing;
    // Kept for the life of the process: the update thread may still read it while the program ends.
    auto* created = new VersionInfo;
    g_instance = created;
    return *created;
}

VersionInfo* VersionInfo::Existing()
{
    return g_instance.load();
}

VersionInfo::VersionInfo()
{
    ReadVersions();
    g_updateReplyToken.Set({});
}

DWORD VersionInfo::ReadFileVersion(const char* path)
{
    VS_FIXEDFILEINFO info{};
    if (!ReadFixedVersion(path, info))
        Fail("Cannot read the version of a file.");
    const VersionParts parts = ProductVersion(info);
    return PackVersion(parts.major, parts.minor, parts.third, parts.fourth);
}

std::string VersionInfo::FindDriverFile()
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        Fail("Cannot get the system folder.");
    std::string driver = std::string(folder, length) + "/drivers/zelvante.sys";
    if (FileExists(driver))
        return driver;
    const UINT windowsLength = GetWindowsDirectoryA(folder, sizeof folder);
    if (windowsLength == 0 || windowsLength >= sizeof folder)
        Fail("Cannot get the Windows folder.");
    driver = std::string(folder, windowsLength) + "/system32/drivers/zelvante.sys";
    return FileExists(driver) ? driver : std::string();
}

void VersionInfo::ReadVersions()
{
    const std::string program = ProgramPath();
    if (program.empty())
        Fail("Cannot get the program's path.");
    m_programVersion = ReadFileVersion(ShortPath(program).c_str());
    const std::string driver = FindDriverFile();
    if (!driver.empty())
        m_driverVersion = ReadFileVersion(ShortPath(driver).c_str());
}

bool VersionInfo::ParseUpdateReply(const char* text)
{
    const std::string_view reply = text ? text : "";
    const std::size_t space = reply.find(' ');
    g_updateReplyToken.Set(reply.substr(0, space));
    if (space == std::string_view::npos)
        return false;
    const char* cursor = reply.data() + space + 1;
    const char* end = reply.data() + reply.size();
    DWORD latest = 0;
    DWORD values[2] = {};
    if (!ReadHex(cursor, end, latest) || !ReadHex(cursor, end, values[0]) || !ReadHex(cursor, end, values[1]))
        return false;
    m_latestVersion = latest;
    m_replyValues[0] = values[0];
    m_replyValues[1] = values[1];
    return true;
}
