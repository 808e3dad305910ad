// An open registry key that closes itself, with the reads and writes the device records and the
// device installation use. Keys open with full access.
#pragma once

#include "platform/win32/registry.h"

#include <optional>
#include <string>
#include <vector>

namespace zv::win32 {

class Key {
public:
    Key() = default;
    ~Key() { Close(); }
    Key(Key&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    Key& operator=(Key&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_key = other.m_key;
            other.m_key = nullptr;
        }
        return *this;
    }

    static Key Open(HKEY parent, const std::string& path)
    {
        Key key;
        if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key.m_key) != ERROR_SUCCESS) key.m_key = nullptr;
        return key;
    }
    // `created` (when given) tells whether the key is new.
    static Key Create(HKEY parent, const std::string& path, bool* created = nullptr)
    {
        Key key;
        DWORD disposition = 0;
        if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key.m_key, &disposition) != ERROR_SUCCESS)
            key.m_key = nullptr;
        if (created) *created = disposition == REG_CREATED_NEW_KEY;
        return key;
    }

    explicit operator bool() const { return m_key != nullptr; }
    HKEY Get() const { return m_key; }

    std::optional<std::string> String(const char* name) const
    {
        DWORD type = 0;
        DWORD size = 0;
        if (!m_key || RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        std::string value(size, '\0');
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(size);
        while (!value.empty() && value.back() == '\0') value.pop_back();
        return value;
    }

    bool SetString(const char* name, const std::string& value) const
    {
        return SetValue(name, REG_SZ, value.c_str(), value.size() + 1);
    }
    bool SetMultiString(const char* name, const std::string& single) const
    {
        const std::string value = single + '\0';  // one string, then the list's own end
        return SetValue(name, REG_MULTI_SZ, value.c_str(), value.size() + 1);
    }
    bool SetDword(const char* name, DWORD value) const { return SetValue(name, REG_DWORD, &value, sizeof value); }

    std::vector<std::string> Subkeys() const
    {
        std::vector<std::string> names;
        for (DWORD index = 0; m_key; ++index) {
            char name[256];
            DWORD size = sizeof name;
            if (RegEnumKeyExA(m_key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, size);
        }
        return names;
    }

    // A value's type and bytes as stored.
    std::optional<std::string> Raw(const char* name, DWORD* type) const
    {
        DWORD size = 0;
        if (!m_key || RegQueryValueExA(m_key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::string value(size, '\0');
        if (RegQueryValueExA(m_key, name, nullptr, type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(size);
        return value;
    }

    bool SetValue(const char* name, DWORD type, const void* data, std::size_t size) const
    {
        return m_key && RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
                            ERROR_SUCCESS;
    }
private:
    void Close()
    {
        if (m_key) RegCloseKey(m_key);
        m_key = nullptr;
    }

    HKEY m_key = nullptr;
};

// RegDeleteKeyA takes no key with subkeys: children first.
inline bool DeleteKeyTree(HKEY root, const std::string& path)
{
    {
        Key key = Key::Open(root, path);
        if (!key) return false;
        for (const std::string& child : key.Subkeys()) DeleteKeyTree(root, path + "\\" + child);
    }
    return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

} // namespace zv::win32
