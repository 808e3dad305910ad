// String resources: the string table of a module (see platform/win32/resources.h).
#pragma once

#include "platform/win32/resources.h"

#include <optional>
#include <string>

// Copies string `uID` of the module (NULL: the program) as UTF-8, cut to fit cchBufferMax - 1
// bytes between characters, and terminates it. Returns the bytes copied; 0 when the string is
// missing (buffer emptied; last error ERROR_RESOURCE_NAME_NOT_FOUND, or _TYPE_/_DATA_NOT_FOUND
// when the module has no string table / no resources) or the arguments are bad
// (ERROR_INVALID_PARAMETER for a null buffer or cchBufferMax < 1).
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

namespace zv::user {

// The whole string, for callers that keep their own strings; nullopt (with the last error) when
// it is missing.
std::optional<std::string> LoadResourceString(HINSTANCE module, UINT id);

} // namespace zv::user
