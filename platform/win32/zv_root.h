// The emulated machine: one folder, ZV_ROOT, holds what Windows keeps machine-wide (the Windows
// folder tree, the temporary folder, run/ for the lock files of named objects and for sockets).
#pragma once

#include <string>
#include <string_view>

namespace zv::win32 {

// $ZV_ROOT, else ${XDG_DATA_HOME:-$HOME/.local/share}/zelvante; absolute, without a trailing '/'.
// Read on every call, so a test can switch roots.
std::string ZvRoot();
// The root used when ZV_ROOT is not set.
std::string DefaultZvRoot();

// ZV_ROOT/relative, created with its parents when missing; empty (errno set) when it cannot be.
std::string ZvFolder(std::string_view relative);

// Creates the standard folders: windows, windows/system32, windows/system32/drivers, windows/inf,
// tmp and run. False (errno set) when one cannot be created.
bool EnsureMachineFolders();

// Start of the POSIX shared-memory names of objects under this root ("/zv-<hash of the root>-"),
// so that two roots never share a named object.
std::string ZvShmPrefix();

} // namespace zv::win32
