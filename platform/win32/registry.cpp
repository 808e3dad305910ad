#include "platform/win32/registry.h"

#include "platform/win32/files.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/run_key_autostart.h"

#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using zv::win32::RegistryKey;
using zv::win32::WithRegistry;

constexpr REGSAM GENERIC_ALL_RIGHTS = 0x10000000;

// An open key: the path from the machine down (hive name first) and the rights it was opened with.
struct OpenKey {
    std::vector<std::string> path;
    REGSAM access = 0;
    bool predefined = false;
};

class KeyHandles {
public:
    HKEY Insert(OpenKey key)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_next += 4;
        m_keys.emplace(m_next, std::move(key));
        return reinterpret_cast<HKEY>(m_next);
    }
    std::optional<OpenKey> Find(HKEY handle) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_keys.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == m_keys.end())
            return std::nullopt;
        return found->second;
    }
    bool Remove(HKEY handle)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_keys.erase(reinterpret_cast<std::uintptr_t>(handle)) != 0;
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::uintptr_t, OpenKey> m_keys;
    std::uintptr_t m_next = 0x100;
};

KeyHandles& Handles()
{
    static auto* handles = new KeyHandles();
    return *handles;
}

std::optional<OpenKey> Resolve(HKEY handle)
{
    if (handle == HKEY_LOCAL_MACHINE)
        return OpenKey{{"HKEY_LOCAL_MACHINE"}, KEY_ALL_ACCESS, true};
    if (handle == HKEY_CURRENT_USER)
        return OpenKey{{"HKEY_CURRENT_USER"}, KEY_ALL_ACCESS, true};
    if (handle == HKEY_CLASSES_ROOT)
        return OpenKey{{"HKEY_LOCAL_MACHINE", "Software", "Classes"}, KEY_ALL_ACCESS, true};
    return Handles().Find(handle);
}

// Rights asked for, with the generic rights and MAXIMUM_ALLOWED turned into key rights.
REGSAM KeyRights(REGSAM access)
{
    if (access & (MAXIMUM_ALLOWED | GENERIC_ALL_RIGHTS))
        return KEY_ALL_ACCESS;
    REGSAM rights = access & KEY_ALL_ACCESS;
    if (access & GENERIC_READ)
        rights |= KEY_READ;
    if (access & GENERIC_WRITE)
        rights |= KEY_WRITE;
    return rights;
}

// Splits a subkey path into names; a single trailing '\' is allowed.
LONG SplitSubkey(LPCSTR subKey, std::vector<std::string>& names)
{
    names.clear();
    if (!subKey || !*subKey)
        return ERROR_SUCCESS;
    std::string_view path(subKey);
    if (path.back() == '\\')
        path.remove_suffix(1);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const std::string_view name = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (name.empty())
            return ERROR_BAD_PATHNAME;
        names.emplace_back(name);
        if (end == std::string_view::npos)
            return ERROR_SUCCESS;
        start = end + 1;
    }
}

// The key of an open handle in the tree; a predefined key's path is made in memory when missing.
RegistryKey* Locate(RegistryKey& machine, const OpenKey& key)
{
    if (!key.predefined)
        return machine.Find(key.path);
    RegistryKey* current = &machine;
    bool created = false;
    for (const std::string& name : key.path)
        current = &current->ChildOrNew(name, created);
    return current;
}

std::string_view ValueName(LPCSTR name)
{
    return name ? std::string_view(name) : std::string_view();
}

// Runs `work` on the key of `handle` when the handle is open and has `needed` rights.
template <class Work>
LONG WithKey(HKEY handle, REGSAM needed, Work work)
{
    const std::optional<OpenKey> key = Resolve(handle);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if ((key->access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return WithRegistry([&](RegistryKey& machine, bool& changed) -> LONG {
        RegistryKey* found = Locate(machine, *key);
        if (!found)
            return ERROR_KEY_DELETED;
        return work(*key, *found, changed);
    });
}

} // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::string> names;
    if (const LONG split = SplitSubkey(subKey, names); split != ERROR_SUCCESS)
        return split;
    OpenKey opened;
    const LONG status = WithKey(key, 0, [&](const OpenKey& base, RegistryKey& found, bool&) -> LONG {
        opened.path = base.path;
        RegistryKey* current = &found;
        for (const std::string& name : names) {
            current = current->Child(name);
            if (!current)
                return ERROR_FILE_NOT_FOUND;
            opened.path.push_back(name);
        }
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS)
        return status;
    opened.access = KeyRights(access);
    *result = Handles().Insert(std::move(opened));
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return RegOpenKeyExA(key, subKey, 0, MAXIMUM_ALLOWED, result);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES,
                        PHKEY result, LPDWORD disposition)
{
    if (!result || !subKey)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (options != REG_OPTION_NON_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    std::vector<std::string> names;
    if (const LONG split = SplitSubkey(subKey, names); split != ERROR_SUCCESS)
        return split;
    OpenKey opened;
    bool createdAny = false;
    const LONG status = WithKey(key, 0, [&](const OpenKey& base, RegistryKey& found, bool& changed) -> LONG {
        opened.path = base.path;
        RegistryKey* current = &found;
        for (const std::string& name : names) {
            if (RegistryKey* child = current->Child(name)) {
                current = child;
                continue;
            }
            if ((base.access & KEY_CREATE_SUB_KEY) == 0)
                return ERROR_ACCESS_DENIED;
            current = &current->ChildOrNew(name, createdAny);
            createdAny = true;
            changed = true;
        }
        opened.path.insert(opened.path.end(), names.begin(), names.end());
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS)
        return status;
    opened.access = KeyRights(access);
    *result = Handles().Insert(std::move(opened));
    if (disposition)
        *disposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT)
        return ERROR_SUCCESS;
    return Handles().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, BYTE* data, LPDWORD dataSize)
{
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    return WithKey(key, KEY_QUERY_VALUE, [&](const OpenKey&, RegistryKey& found, bool&) -> LONG {
        const zv::win32::RegistryValue* value = found.Value(ValueName(valueName));
        if (!value)
            return ERROR_FILE_NOT_FOUND;
        if (type)
            *type = value->type;
        const auto size = static_cast<DWORD>(value->data.size());
        if (!data) {
            if (dataSize)
                *dataSize = size;
            return ERROR_SUCCESS;
        }
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0)
            std::memcpy(data, value->data.data(), size);
        *dataSize = size;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    if (!data && dataSize > 0)
        return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> bytes(data, data + (data ? dataSize : 0));
    bool runKey = false;
    const LONG status = WithKey(key, KEY_SET_VALUE, [&](const OpenKey& open, RegistryKey& found, bool& changed) -> LONG {
        runKey = zv::win32::IsRunKeyPath(open.path);
        found.SetValue(ValueName(valueName), type, bytes);
        changed = true;
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS && runKey)
        zv::win32::MirrorRunValueSet(ValueName(valueName), type, bytes);
    return status;
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    bool runKey = false;
    const LONG status = WithKey(key, KEY_SET_VALUE, [&](const OpenKey& open, RegistryKey& found, bool& changed) -> LONG {
        runKey = zv::win32::IsRunKeyPath(open.path);
        changed = found.RemoveValue(ValueName(valueName));
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (status == ERROR_SUCCESS && runKey)
        zv::win32::MirrorRunValueDeleted(ValueName(valueName));
    return status;
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWriteTime)
{
    if (!name || !nameSize)
        return ERROR_INVALID_PARAMETER;
    return WithKey(key, KEY_ENUMERATE_SUB_KEYS, [&](const OpenKey&, RegistryKey& found, bool&) -> LONG {
        if (index >= found.Children().size())
            return ERROR_NO_MORE_ITEMS;
        const std::string& childName = std::next(found.Children().begin(), index)->first;
        if (*nameSize <= childName.size())
            return ERROR_MORE_DATA;
        std::memcpy(name, childName.c_str(), childName.size() + 1);
        *nameSize = static_cast<DWORD>(childName.size());
        if (keyClass && classSize && *classSize > 0)
            keyClass[0] = '\0';
        if (classSize)
            *classSize = 0;
        if (lastWriteTime)
            *lastWriteTime = FILETIME{};
        return ERROR_SUCCESS;
    });
}

LSTATUS RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize)
{
    return RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    std::vector<std::string> names;
    if (const LONG split = SplitSubkey(subKey, names); split != ERROR_SUCCESS)
        return split;
    const std::optional<OpenKey> base = Resolve(key);
    if (!base)
        return ERROR_INVALID_HANDLE;
    // An empty subkey names the handle's own key; the hives cannot go.
    if (names.empty() && base->predefined)
        return ERROR_ACCESS_DENIED;
    std::vector<std::string> parentPath = base->path;
    parentPath.insert(parentPath.end(), names.begin(), names.end());
    // The Run key's values go with it, and their autostart entries with them.
    const bool runKey = zv::win32::IsRunKeyPath(parentPath);
    std::vector<std::string> runValues;
    const std::string name = parentPath.back();
    parentPath.pop_back();
    const LONG status = WithRegistry([&](RegistryKey& machine, bool& changed) -> LONG {
        if (!base->predefined && !machine.Find(base->path))
            return ERROR_KEY_DELETED;
        RegistryKey* parent = machine.Find(parentPath);
        RegistryKey* target = parent ? parent->Child(name) : nullptr;
        if (!target)
            return ERROR_FILE_NOT_FOUND;
        if (!target->Children().empty())
            return ERROR_ACCESS_DENIED;
        if (runKey) {
            for (const zv::win32::RegistryValue& value : target->Values())
                runValues.push_back(value.name);
        }
        changed = parent->RemoveChild(name);
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS) {
        for (const std::string& value : runValues)
            zv::win32::MirrorRunValueDeleted(value);
    }
    return status;
}
