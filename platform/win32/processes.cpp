#include "platform/win32/processes.h"

#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/modules.h"
#include "platform/win32/threads.h"
#include "platform/win32/waitable_object.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace zv::win32 {
namespace {

// A started program; signalled once it has ended. Its end is found by polling waitpid.
class ProcessObject final : public WaitableObject {
public:
    explicit ProcessObject(pid_t pid) : m_pid(pid) {}
    ~ProcessObject() override { Reap(); }

    AcquireResult TryAcquire(DWORD) override { return Reap() ? AcquireResult::Acquired : AcquireResult::Unavailable; }
    void UndoAcquire(DWORD, AcquireResult) override {}
    bool NeedsPolling() const override { return true; }

    DWORD ExitCode()
    {
        std::lock_guard lock(WaitStateLock());
        return Reap() ? m_exitCode : STILL_ACTIVE;
    }

private:
    // True once the process has ended (WaitStateLock() held, or at destruction).
    bool Reap()
    {
        if (m_ended)
            return true;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return false;
        m_ended = true;
        m_exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
                                       : 128u + static_cast<DWORD>(WTERMSIG(status));
        return true;
    }

    const pid_t m_pid;
    bool m_ended = false;
    DWORD m_exitCode = STILL_ACTIVE;
};

bool IsFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The program a command line's first word names.
std::string FindProgram(std::string name)
{
    for (char& c : name)
        if (c == '\\')
            c = '/';
    std::vector<std::string> candidates{name};
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        candidates.push_back(name.substr(0, name.size() - 4));
    for (const std::string& candidate : candidates) {
        if (candidate.find('/') != std::string::npos) {
            if (IsFile(candidate))
                return candidate;
            continue;
        }
        std::string found = SearchModulePath(candidate);
        if (!found.empty())
            return found;
    }
    return {};
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == '\\') {
            std::size_t slashes = 0;
            while (i < commandLine.size() && commandLine[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < commandLine.size() && commandLine[i] == '"') {
                word.append(slashes / 2, '\\');
                if (slashes % 2) {
                    word += '"';
                } else {
                    quoted = !quoted;
                }
            } else {
                word.append(slashes, '\\');
                --i;
            }
            inWord = true;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

} // namespace zv::win32

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation)
{
    using namespace zv::win32;
    if (applicationName || inheritHandles || creationFlags || environment || currentDirectory) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (!commandLine || !startupInfo || !processInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> words = SplitCommandLine(commandLine);
    const std::string program = words.empty() ? std::string() : FindProgram(words.front());
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    auto object = std::make_shared<ProcessObject>(pid);
    HANDLE process = InsertHandle(object);
    HANDLE thread = process ? InsertHandle(object) : nullptr;
    if (!thread) {
        if (process)
            CloseHandle(process);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE; // the child runs on; it is reaped with the object
    }
    processInformation->hProcess = process;
    processInformation->hThread = thread;
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    auto object = zv::win32::LookupHandleAs<zv::win32::ProcessObject>(process);
    if (!object || !exitCode) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}
