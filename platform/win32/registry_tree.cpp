#include "platform/win32/registry_tree.h"

#include <algorithm>

namespace zv::win32 {

namespace {

unsigned char Folded(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

} // namespace

bool SameRegistryName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Folded(x) == Folded(y); });
}

bool RegistryNameLess::operator()(std::string_view a, std::string_view b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Folded(x) < Folded(y); });
}

RegistryKey* RegistryKey::Child(std::string_view name) const
{
    const auto found = m_subkeys.find(name);
    return found == m_subkeys.end() ? nullptr : found->second.get();
}

RegistryKey& RegistryKey::ChildOrNew(std::string_view name, bool& created)
{
    auto found = m_subkeys.find(name);
    created = found == m_subkeys.end();
    if (created)
        found = m_subkeys.emplace(std::string(name), std::make_unique<RegistryKey>()).first;
    return *found->second;
}

std::string RegistryKey::ChildName(std::string_view name) const
{
    const auto found = m_subkeys.find(name);
    return found == m_subkeys.end() ? std::string() : found->first;
}

bool RegistryKey::RemoveChild(std::string_view name)
{
    const auto found = m_subkeys.find(name);
    if (found == m_subkeys.end())
        return false;
    m_subkeys.erase(found);
    return true;
}

const RegistryValue* RegistryKey::Value(std::string_view name) const
{
    for (const RegistryValue& value : m_values) {
        if (SameRegistryName(value.name, name))
            return &value;
    }
    return nullptr;
}

void RegistryKey::SetValue(std::string_view name, DWORD type, std::vector<BYTE> data)
{
    for (RegistryValue& value : m_values) {
        if (SameRegistryName(value.name, name)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    m_values.push_back(RegistryValue{std::string(name), type, std::move(data)});
}

bool RegistryKey::RemoveValue(std::string_view name)
{
    const auto found = std::find_if(m_values.begin(), m_values.end(),
                                    [&](const RegistryValue& value) { return SameRegistryName(value.name, name); });
    if (found == m_values.end())
        return false;
    m_values.erase(found);
    return true;
}

RegistryKey* RegistryKey::Find(const std::vector<std::string>& path)
{
    RegistryKey* key = this;
    for (const std::string& name : path) {
        key = key->Child(name);
        if (!key)
            return nullptr;
    }
    return key;
}

} // namespace zv::win32
