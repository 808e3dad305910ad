// Starting programs: CreateProcessA over posix_spawn, and process handles that WaitForSingleObject
// waits on (signalled once the process has ended). Only what callers use: no application name (the
// command line's first word, possibly quoted, names the program, searched as LoadLibraryA does, with
// ".exe" taken off when no file has it), no inheritance, no creation flags, the default environment
// and folder. Windows-style arguments are split by the usual quoting rules.
#pragma once

#include "platform/win32/types.h"

#include <string>
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

// ERROR_NOT_SUPPORTED for an application name, inheritance, creation flags, an environment or a
// folder; ERROR_FILE_NOT_FOUND when the program is not found. hThread is a handle to the same
// process object (there are no foreign threads to wait on).
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);

// STILL_ACTIVE while it runs; its exit status, or 128 + the signal that ended it.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

namespace zv::win32 {

// A command line's words by the Windows rules: spaces separate, quotes group, backslashes before
// a quote escape it.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

} // namespace zv::win32
