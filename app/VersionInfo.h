// VersionInfo: the process-wide record of the program's and the driver's version numbers and of
// the update server's last reply. Versions are packed as first << 24 | second << 16 | third << 8 |
// fourth (each part's low 8 bits) and compared as unsigned numbers.
//
// The update thread writes the reply values while the user-interface thread may read them: every
// field is atomic and the reply's first word is kept under its own lock.
#pragma once

#include "platform/win32/types.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

// Packs the four parts of a version.
DWORD PackVersion(int first, int second, int third, int fourth);
// "%d.%d.%d.%d", the highest byte first.
std::string FormatVersion(DWORD version);

// The first word of the last update reply, at most kMaxLength characters. The advertisement view is
// shown only while it is non-empty.
class UpdateReplyToken {
public:
    static constexpr std::size_t kMaxLength = 512;

    std::string Get() const;
    // Keeps at most kMaxLength characters of the word.
    void Set(std::string_view word);

private:
    mutable std::mutex m_mutex;
    std::string m_word;
};

extern UpdateReplyToken g_updateReplyToken;

class VersionInfo {
public:
    // The instance, created by the first call and kept for the life of the process. Reading the
    // versions can fail: the CGenericException* thrown then reaches the caller and no instance is
    // kept, so the next call tries again.
    static VersionInfo& GetInstance();
    // The instance when one was created, else null.
    static VersionInfo* Existing();

    // The reply's first word (up to the first space) goes to g_updateReplyToken, then three
    // hexadecimal numbers separated by white space become the latest version and the two further
    // values. True only when all three were read; the word is stored either way.
    bool ParseUpdateReply(const char* text);

    DWORD ProgramVersion() const { return m_programVersion.load(); }
    DWORD DriverVersion() const { return m_driverVersion.load(); }
    DWORD LatestVersion() const { return m_latestVersion.load(); }
    DWORD ReplyValue(int index) const { return m_replyValues[index & 1].load(); }

    // The file's product version packed; CGenericException* when the file has no readable version
    // resource.
    static DWORD ReadFileVersion(const char* path);
    // The driver file "zelvante.sys": in the system folder's "drivers", else in the Windows folder's
    // "system32/drivers"; empty when in neither.
    static std::string FindDriverFile();

private:
    VersionInfo();
    void ReadVersions();

    std::atomic<DWORD> m_programVersion{0};
    std::atomic<DWORD> m_driverVersion{0};
    std::atomic<DWORD> m_latestVersion{0};
    std::atomic<DWORD> m_replyValues[2]{};
};
