// Programs named under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run start at
// login on Windows. Here the registry mirrors each such value into an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/zelvante-run-<name>.desktop (XDG_CONFIG_HOME defaults to ~/.config),
// so the desktop starts the program at login in the same emulated machine: a ZV_ROOT other than
// the default one is passed in the entry's command.
//
// The mirror never fails a registry call: a file that cannot be written or removed is reported on
// standard error and the value stays as it was set.
#pragma once

#include "platform/win32/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace zv::win32 {

// Whether a key's path (hive first, names as the caller spelled them) is the Run key.
bool IsRunKeyPath(const std::vector<std::string>& path);

// A Run value was set: a string value gets its entry (written anew), any other type loses it.
void MirrorRunValueSet(std::string_view name, DWORD type, const std::vector<BYTE>& data);
// A Run value (or the whole key with it) was deleted.
void MirrorRunValueDeleted(std::string_view name);

// The autostart folder; empty when neither XDG_CONFIG_HOME (absolute) nor HOME is set.
std::string AutostartFolder();
// The entry of a value. Names differing only in ASCII case share one, as they share the value.
std::string AutostartEntryPath(std::string_view name);
// The Exec line of a Windows command line: the program (quoted, or the longest unquoted prefix
// that names one) found as CreateProcessA finds it, then the arguments split by the Windows rules,
// each quoted as the desktop entry format wants.
std::string AutostartExec(std::string_view commandLine);
// The whole entry of a value.
std::string AutostartEntryText(std::string_view name, std::string_view commandLine);

} // namespace zv::win32
