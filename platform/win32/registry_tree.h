// The registry in memory: keys with subkeys and typed values. Names are compared without regard
// to ASCII case and kept as they were first written.
#pragma once

#include "platform/win32/types.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv::win32 {

// Equal names under ASCII case folding; other bytes (UTF-8) must match exactly.
bool SameRegistryName(std::string_view a, std::string_view b);

struct RegistryNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

struct RegistryValue {
    std::string name; // empty: the key's default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

class RegistryKey {
public:
    using Subkeys = std::map<std::string, std::unique_ptr<RegistryKey>, RegistryNameLess>;

    // Subkeys in name order (case ignored), which is also the order of enumeration.
    const Subkeys& Children() const { return m_subkeys; }
    RegistryKey* Child(std::string_view name) const;
    // The existing child of that name, or a new one; `created` tells which.
    RegistryKey& ChildOrNew(std::string_view name, bool& created);
    // The child's name as stored; empty when there is none.
    std::string ChildName(std::string_view name) const;
    bool RemoveChild(std::string_view name);

    // Values in the order they were first set.
    const std::vector<RegistryValue>& Values() const { return m_values; }
    const RegistryValue* Value(std::string_view name) const;
    // Replaces the data and type of a value of that name (keeping its stored name), or adds it.
    void SetValue(std::string_view name, DWORD type, std::vector<BYTE> data);
    bool RemoveValue(std::string_view name);

    // The key at the end of `path` (names from this key down), or null.
    RegistryKey* Find(const std::vector<std::string>& path);

private:
    Subkeys m_subkeys;
    std::vector<RegistryValue> m_values;
};

} // namespace zv::win32
