// The registry directives of INF sections: AddReg and DelReg lines, and the sections that
// Include/Needs bring in from other INFs (ks.inf and kscaptur.inf of the machine's inf folder).
#pragma once

#include "platform/setupapi/inf_file.h"
#include "platform/win32/registry.h"

#include <string>
#include <vector>

namespace zv::setupapi {

// Writes the AddReg sections a section names (and removes what its DelReg sections name); HKR
// lines go under `relativeRoot` (lines for HKR fail when it is null). False on the first line
// that cannot be written (ERROR_* as the last error).
bool ApplyRegistryDirectives(const InfFile& inf, const std::string& section, HKEY relativeRoot);

// The INFs an install section includes, read from the INF's own folder or the machine's inf
// folder; false when one cannot be read.
bool LoadIncludedInfs(const InfFile& inf, const std::string& section, std::vector<InfFile>* included);

// Applies the registry directives of every section the install section Needs, found in the
// included INFs; false when one is missing or fails.
bool ApplyNeededSections(const InfFile& inf, const std::string& section, HKEY relativeRoot);

// Writes the machine's own ks.inf and kscaptur.inf into ZV_ROOT/windows/inf when missing; false
// when they cannot be written.
bool EnsureSystemInfFiles();

}  // namespace zv::setupapi
