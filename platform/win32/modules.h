// Loading libraries by name: LoadLibraryA over dlopen. A name with a folder is taken as it stands
// ('\' and '/' alike); a bare file name is searched beside the program, then in the system folder
// ZV_ROOT/windows/system32, then in the Windows folder. A library keeps its Windows file name
// ("newdev.dll"); the file is a shared object. File names match without regard to case, as on
// Windows (the folders are taken as they stand).
#pragma once

#include "platform/win32/types.h"

#include <string>

using FARPROC = void (*)();

// ERROR_MOD_NOT_FOUND when no such file loads.
HMODULE LoadLibraryA(LPCSTR fileName);
// ERROR_PROC_NOT_FOUND when the library has no such export.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

namespace zv::win32 {

// Where LoadLibraryA and CreateProcessA find a bare file name: beside the program, the system
// folder, the Windows folder. Empty when none holds it.
std::string SearchModulePath(const std::string& fileName);

// The file `fileName` in `folder`, its name matched without regard to case (the exact name
// first, else the first in name order). Empty when there is none.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& fileName);

// The folder of the running program, without a trailing '/'; empty when it cannot be had.
std::string ProgramFolder();

// A Windows path with '/' for every backslash.
std::string ForwardSlashes(std::string path);

} // namespace zv::win32
