// Reads a resource script (string tables, menus, dialog templates, and files to embed) into the
// resources of one set. Every mistake is a ScriptError naming the file and line.
#pragma once

#include "resource_model.h"
#include "script_lexer.h"

#include <vector>

namespace zvrc {

// Files named by the script are found relative to the script's folder.
std::vector<CompiledResource> CompileScript(const std::string& scriptPath);

} // namespace zvrc
