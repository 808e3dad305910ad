// The text form of the registry store file:
//
//   ZELVANTE-REGISTRY 1
//   K HKEY_CURRENT_USER\Software\Kestrova          one line per key, parents first
//   V 1 =Name =48656C6C6F00                        a value of the key above: type, name, data in hex
//   END
//
// Names escape bytes up to the space, '%', '\' and DEL as %XX. The END line tells a complete file
// from a cut one.
#pragma once

#include "platform/win32/registry_tree.h"

#include <string>
#include <string_view>

namespace zv::win32 {

// `machine` holds the hives (HKEY_LOCAL_MACHINE, ...) as its subkeys.
std::string FormatRegistry(const RegistryKey& machine);

// Fills an empty `machine` from the text; false when the text is not a whole, well-formed store
// file (`machine` then holds what was read up to the fault).
bool ParseRegistry(std::string_view text, RegistryKey& machine);

} // namespace zv::win32
