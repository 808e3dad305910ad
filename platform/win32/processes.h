// Starting programs: CreateProcessA over posix_spawn, and process handles that WaitForSingleObject
// waits on (signalled once the process has ended). The program is the application name when given,
// else the command line's first word (possibly quoted); a bare name is searched as LoadLibraryA
// does, with ".exe" taken off when no file has it. A few Windows tools map to the desktop's own
// (kDesktopTools). No inheritance, no creation flags, the parent's environment. Windows-style
// arguments are split by the usual quoting rules.
//
// The STARTUPINFO position, size and show command reach the child in its environment
// (ZV_STARTUP=<flags>,<x>,<y>,<width>,<height>,<show>), where GetStartupInfoA reads them back for
// its first top-level window.
#pragma once

#include "platform/win32/types.h"

#include <string>
#include <sys/types.h>
#include <vector>

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
constexpr DWORD STARTF_USESIZE = 0x00000002;
constexpr DWORD STARTF_USEPOSITION = 0x00000004;
constexpr DWORD STARTF_FORCEOFFFEEDBACK = 0x00000080;

constexpr DWORD ERROR_DIRECTORY = 267;

// ERROR_NOT_SUPPORTED for inheritance, creation flags or an environment; ERROR_FILE_NOT_FOUND when
// the program is not found; ERROR_DIRECTORY when the working folder is not one. hThread is a handle
// to the same process object (there are no foreign threads to wait on).
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);

// STILL_ACTIVE while it runs; its exit status, or 128 + the signal that ended it.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// 0 (ERROR_INVALID_HANDLE) when the handle is not a process started here.
DWORD GetProcessId(HANDLE process);
// What the parent's CreateProcessA asked for; zeroes but cb when it asked for nothing.
void GetStartupInfoA(LPSTARTUPINFOA startupInfo);

namespace zv::win32 {

// A command line's words by the Windows rules: spaces separate, quotes group, backslashes before
// a quote escape it.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Windows tools that stand for a desktop program here; a call that names one runs the desktop's
// program (found on PATH, without the Windows arguments) or fails with ERROR_FILE_NOT_FOUND.
struct DesktopTool {
    const char* windowsName;
    const char* desktopProgram;
};
inline constexpr DesktopTool kDesktopTools[] = {{"sndvol32", "pavucontrol"}};

// The program a command line's first word or an application name names, as CreateProcessA finds
// it; empty when none.
std::string FindProgram(std::string name);

// A program on PATH; empty when none.
std::string SearchExecutablePath(const std::string& name);

// Starts `program` with `argv` in `folder` (the current one when empty) and this environment, not
// waiting for it; the child is reaped when it ends. Returns the pid, or -1 with errno set.
pid_t SpawnDetached(const std::string& program, std::vector<std::string> argv, const std::string& folder);

// The file name (without its folder) of the program a process runs; empty when it cannot be read.
std::string ProgramNameOfProcess(DWORD processId);

} // namespace zv::win32
