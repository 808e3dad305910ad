#include "platform/setupapi/inf_registry.h"

#include "platform/setupapi/setupapi.h"
#include "platform/win32/last_error.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/zv_root.h"

#include <cstdlib>

namespace zv::setupapi {
namespace {

using zv::win32::Key;

// AddReg flags (FLG_ADDREG_*).
constexpr DWORD kBinaryValue = 0x1;
constexpr DWORD kNoClobber = 0x2;
constexpr DWORD kDeleteValue = 0x4;
constexpr DWORD kKeyOnly = 0x10;
constexpr DWORD kTypeMask = 0xFFFF0001;
constexpr DWORD kTypeString = 0x0;
constexpr DWORD kTypeMultiString = 0x10000;
constexpr DWORD kTypeExpandString = 0x20000;
constexpr DWORD kTypeDword = 0x10001;

bool ParseNumber(const std::string& text, DWORD* value)
{
    if (text.empty()) {
        *value = 0;
        return true;
    }
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xFFFFFFFFul) return false;
    *value = static_cast<DWORD>(parsed);
    return true;
}

HKEY RootOf(const std::string& name, HKEY relativeRoot)
{
    if (SameText(name, "HKR")) return relativeRoot;
    if (SameText(name, "HKLM")) return HKEY_LOCAL_MACHINE;
    if (SameText(name, "HKCU")) return HKEY_CURRENT_USER;
    if (SameText(name, "HKCR")) return HKEY_CLASSES_ROOT;
    return nullptr;
}

// The data of an AddReg line's value fields in the registry's form.
bool ValueData(DWORD type, const std::vector<std::string>& fields, std::size_t first, std::string* data)
{
    data->clear();
    if (type == REG_BINARY) {
        for (std::size_t i = first; i < fields.size(); ++i) {
            DWORD byte = 0;
            if (!ParseNumber("0x" + fields[i], &byte) || byte > 0xFF) return false;
            data->push_back(static_cast<char>(byte));
        }
        return true;
    }
    if (type == REG_DWORD) {
        DWORD value = 0;
        if (first < fields.size() && !ParseNumber(fields[first], &value)) return false;
        data->assign(reinterpret_cast<const char*>(&value), sizeof value);
        return true;
    }
    if (type == REG_MULTI_SZ) {
        for (std::size_t i = first; i < fields.size(); ++i) *data += fields[i] + '\0';
        *data += '\0';
        return true;
    }
    if (first < fields.size()) *data = fields[first];
    *data += '\0';
    return true;
}

bool AddRegLine(const InfLine& line, HKEY relativeRoot)
{
    std::vector<std::string> f = line.fields;
    if (!line.key.empty()) f.insert(f.begin(), line.key);  // a line never has '=' here; be lenient
    f.resize(std::max<std::size_t>(f.size(), 4));
    const HKEY root = RootOf(f[0], relativeRoot);
    DWORD flags = 0;
    if (!root || !ParseNumber(f[3], &flags)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const Key key = Key::Create(root, f[1]);
    if (!key) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (flags & kKeyOnly) return true;
    const char* name = f[2].c_str();
    if (flags & kDeleteValue) {
        RegDeleteValueA(key.Get(), name);
        return true;
    }
    DWORD existingType = 0;
    if ((flags & kNoClobber) && key.Raw(name, &existingType)) return true;
    DWORD type = REG_SZ;
    switch (flags & kTypeMask) {
    case kTypeString: type = REG_SZ; break;
    case kTypeMultiString: type = REG_MULTI_SZ; break;
    case kTypeExpandString: type = 2; break;  // REG_EXPAND_SZ
    case kTypeDword: type = REG_DWORD; break;
    default: type = (flags & kBinaryValue) ? REG_BINARY : (flags >> 16); break;
    }
    std::string data;
    if (!ValueData(type, f, 4, &data)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    if (!key.SetValue(name, type, data.data(), data.size())) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool DelRegLine(const InfLine& line, HKEY relativeRoot)
{
    std::vector<std::string> f = line.fields;
    f.resize(std::max<std::size_t>(f.size(), 3));
    const HKEY root = RootOf(f[0], relativeRoot);
    if (!root) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    if (f[2].empty()) {
        zv::win32::DeleteKeyTree(root, f[1]);
        return true;
    }
    const Key key = Key::Open(root, f[1]);
    if (key) RegDeleteValueA(key.Get(), f[2].c_str());
    return true;
}

std::optional<InfFile> LoadIncluded(const InfFile& inf, const std::string& name)
{
    if (auto beside = InfFile::Load(inf.Folder() + "/" + name)) return beside;
    if (!EnsureSystemInfFiles()) return std::nullopt;
    return InfFile::Load(zv::win32::ZvRoot() + "/windows/inf/" + name);
}

}  // namespace

bool ApplyRegistryDirectives(const InfFile& inf, const std::string& section, HKEY relativeRoot)
{
    for (const std::string& addReg : inf.AllValues(section, "AddReg")) {
        if (!inf.HasSection(addReg)) {
            SetLastError(ERROR_SECTION_NOT_FOUND);
            return false;
        }
        for (const InfLine& line : inf.Lines(addReg))
            if (!AddRegLine(line, relativeRoot)) return false;
    }
    for (const std::string& delReg : inf.AllValues(section, "DelReg"))
        for (const InfLine& line : inf.Lines(delReg))
            if (!DelRegLine(line, relativeRoot)) return false;
    return true;
}

bool LoadIncludedInfs(const InfFile& inf, const std::string& section, std::vector<InfFile>* included)
{
    for (const std::string& name : inf.AllValues(section, "Include")) {
        auto file = LoadIncluded(inf, name);
        if (!file) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        included->push_back(std::move(*file));
    }
    return true;
}

bool ApplyNeededSections(const InfFile& inf, const std::string& section, HKEY relativeRoot)
{
    std::vector<InfFile> included;
    if (!LoadIncludedInfs(inf, section, &included)) return false;
    for (const std::string& needed : inf.AllValues(section, "Needs")) {
        const InfFile* owner = inf.HasSection(needed) ? &inf : nullptr;
        for (const InfFile& other : included)
            if (!owner && other.HasSection(needed)) owner = &other;
        if (!owner) {
            SetLastError(ERROR_SECTION_NOT_FOUND);
            return false;
        }
        if (!ApplyRegistryDirectives(*owner, needed, relativeRoot)) return false;
    }
    return true;
}

}  // namespace zv::setupapi
