// Loading libraries by name: LoadLibraryA over dlopen. A name with a folder is taken as it stands
// ('\' and '/' alike); a bare file name is searched beside the program, then in the system folder
// ZV_ROOT/windows/system32, then in the Windows folder. A library keeps its Windows file name
// ("newdev.dll"); the file is a shared object.
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

// A Windows path with '/' for every backslash.
std::string ForwardSlashes(std::string path);

} // namespace zv::win32
