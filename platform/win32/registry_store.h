// The registry store: one file, ZV_ROOT/registry, shared by every process of that root.
//
// Each operation holds the store lock (an flock on ZV_ROOT/registry.lock) from reading the file
// to writing it back, so a change made by another process is never lost: the file is read again
// under the lock before every change. A changed tree is written whole to a temporary file that is
// renamed over the store, so readers see the old file or the new one, never a part.
//
// A store file that cannot be read as one is not wiped: it is renamed to registry.corrupt-<n>
// (the first free n), a line on standard error says so, and the registry starts empty.
#pragma once

#include "platform/win32/registry_tree.h"
#include "platform/win32/types.h"

#include <functional>
#include <string>

namespace zv::win32 {

// Runs `work` on the current registry under the store lock and returns its result. `work` sets
// `changed` when it modified the tree; the tree is then written back, and when that fails the
// result is ERROR_REGISTRY_IO_FAILED and the change is lost. Store failures before `work` runs
// are returned without running it.
LONG WithRegistry(const std::function<LONG(RegistryKey& machine, bool& changed)>& work);

// The store file of the current ZV_ROOT.
std::string RegistryStorePath();

} // namespace zv::win32
