// Version resources of the program and of other files, and the program's own folder.
#pragma once

#include "platform/win32/modules.h"
#include "platform/win32/version_info.h"

#include <string>

// The fixed version information of a file's version resource; false when it has none.
bool ReadFixedVersion(const char* path, VS_FIXEDFILEINFO& info);
// The four parts of a version, most significant first.
struct VersionParts {
    int major, minor, third, fourth;
};
VersionParts ProductVersion(const VS_FIXEDFILEINFO& info);
VersionParts FileVersion(const VS_FIXEDFILEINFO& info);
// The running program's full path; empty when it cannot be had.
std::string ProgramPath();
// The fixed version information of the running program, read through its short path.
bool ReadProgramFixedVersion(VS_FIXEDFILEINFO& info);
// The program's folder without a trailing separator.
using zv::win32::ProgramFolder;
