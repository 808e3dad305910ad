// Whether a file is a program this machine can start: programs that arrive as downloads are
// named ".exe" by their Windows-minded callers, but only Linux programs run here.
#pragma once

#include <string>

namespace zv::win32 {

// True for an ELF executable built for this machine (class, byte order and architecture of the
// running program) and for a script that starts with "#!". A Windows program ("MZ") is not one.
bool IsRunnableProgram(const std::string& path);

// Gives a runnable program the execute permission wherever it has the read permission; false
// (nothing changed) when the file is not runnable here or its permissions cannot be changed.
bool MakeProgramRunnable(const std::string& path);

} // namespace zv::win32
