#include "platform/win32/processes.h"

#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/modules.h"
#include "platform/win32/threads.h"
#include "platform/win32/waitable_object.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

    DWORD Id() const { return static_cast<DWORD>(m_pid); }

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

constexpr const char* kStartupVariable = "ZV_STARTUP=";

bool IsFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string BaseNameWithoutExe(const std::string& path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    return name;
}

const DesktopTool* DesktopToolFor(const std::string& path)
{
    const std::string name = BaseNameWithoutExe(path);
    for (const DesktopTool& tool : kDesktopTools)
        if (name == tool.windowsName)
            return &tool;
    return nullptr;
}

// This environment with the startup request in place of any this process was given.
std::vector<std::string> ChildEnvironment(const STARTUPINFOA* startup)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, kStartupVariable, std::strlen(kStartupVariable)) != 0)
            environment.emplace_back(*entry);
    constexpr DWORD kPassed = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION;
    if (startup && (startup->dwFlags & kPassed) != 0) {
        char value[96];
        std::snprintf(value, sizeof value, "%s%lu,%lu,%lu,%lu,%lu,%u", kStartupVariable,
                      static_cast<unsigned long>(startup->dwFlags & kPassed), static_cast<unsigned long>(startup->dwX),
                      static_cast<unsigned long>(startup->dwY), static_cast<unsigned long>(startup->dwXSize),
                      static_cast<unsigned long>(startup->dwYSize), static_cast<unsigned>(startup->wShowWindow));
        environment.emplace_back(value);
    }
    return environment;
}

pid_t Spawn(const std::string& program, std::vector<std::string>& argv, const std::string& folder,
            std::vector<std::string>& environment)
{
    std::vector<char*> args;
    for (std::string& word : argv)
        args.push_back(word.data());
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        errno = failed;
        return -1;
    }
    return pid;
}

} // namespace

std::string FindProgram(std::string name)
{
    name = ForwardSlashes(std::move(name));
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
    if (const DesktopTool* tool = DesktopToolFor(name))
        return SearchExecutablePath(tool->desktopProgram);
    return {};
}

std::string SearchExecutablePath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (IsFile(candidate) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

pid_t SpawnDetached(const std::string& program, std::vector<std::string> argv, const std::string& folder)
{
    std::vector<std::string> environment = ChildEnvironment(nullptr);
    const pid_t pid = Spawn(program, argv, folder, environment);
    if (pid > 0)
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    return pid;
}

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

std::string ProgramNameOfProcess(DWORD processId)
{
    std::error_code error;
    const auto target = std::filesystem::read_symlink("/proc/" + std::to_string(processId) + "/exe", error);
    return error ? std::string() : target.filename().string();
}

} // namespace zv::win32

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation)
{
    using namespace zv::win32;
    if (inheritHandles || creationFlags || environment) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if ((!applicationName && !commandLine) || !startupInfo || !processInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> words = commandLine ? SplitCommandLine(commandLine) : std::vector<std::string>{};
    if (words.empty() && applicationName)
        words.emplace_back(applicationName);
    std::string program = applicationName ? FindProgram(applicationName)
                                          : (words.empty() ? std::string() : FindProgram(words.front()));
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (const DesktopTool* tool = DesktopToolFor(applicationName ? applicationName : words.front()))
        words = {tool->desktopProgram};
    std::string folder = currentDirectory ? ForwardSlashes(currentDirectory) : std::string();
    struct stat info {};
    if (!folder.empty() && (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    // The program is found from this folder, not from the child's.
    std::error_code error;
    program = std::filesystem::absolute(program, error).string();
    std::vector<std::string> childEnvironment = ChildEnvironment(startupInfo);
    const pid_t pid = Spawn(program, words, folder, childEnvironment);
    if (pid < 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
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

DWORD GetProcessId(HANDLE process)
{
    auto object = zv::win32::LookupHandleAs<zv::win32::ProcessObject>(process);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return object->Id();
}

void GetStartupInfoA(LPSTARTUPINFOA startupInfo)
{
    if (!startupInfo)
        return;
    *startupInfo = STARTUPINFOA{};
    startupInfo->cb = sizeof *startupInfo;
    const char* value = std::getenv("ZV_STARTUP");
    unsigned long flags = 0, x = 0, y = 0, width = 0, height = 0;
    unsigned show = 0;
    if (!value || std::sscanf(value, "%lu,%lu,%lu,%lu,%lu,%u", &flags, &x, &y, &width, &height, &show) != 6)
        return;
    startupInfo->dwFlags = static_cast<DWORD>(flags);
    startupInfo->dwX = static_cast<DWORD>(x);
    startupInfo->dwY = static_cast<DWORD>(y);
    startupInfo->dwXSize = static_cast<DWORD>(width);
    startupInfo->dwYSize = static_cast<DWORD>(height);
    startupInfo->wShowWindow = static_cast<WORD>(show);
}
