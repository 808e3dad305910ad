#include "platform/win32/resources.h"

#include "platform/win32/paths.h"
#include "platform/win32/resource_set.h"

#include <cctype>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <string>
#include <string_view>

namespace zv::win32 {

namespace {

void* ProgramHandle()
{
    // The program stays loaded for the life of the process; one reference is enough.
    static void* const handle = dlopen(nullptr, RTLD_LAZY);
    return handle;
}

link_map* LinkMapOf(void* handle)
{
    link_map* map = nullptr;
    if (!handle || dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0)
        return nullptr;
    return map;
}

// The module's own set: dlsym also searches the libraries a module loaded, so the set found must
// lie in the module itself.
const ResourceSet* SetOf(HMODULE module)
{
    void* handle = module ? static_cast<void*>(module) : ProgramHandle();
    link_map* own = LinkMapOf(handle);
    if (!own)
        return nullptr;
    void* symbol = dlsym(handle, kResourceSetSymbol);
    if (!symbol)
        return nullptr;
    Dl_info info{};
    link_map* owner = nullptr;
    if (!dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) || owner != own)
        return nullptr;
    const auto* set = static_cast<const ResourceSet*>(symbol);
    return set->magic == kResourceSetMagic ? set : nullptr;
}

// A type or name as asked for: an ordinal (MAKEINTRESOURCE or "#123"), or a name.
struct WantedId {
    std::uint16_t ordinal = 0;
    std::string_view name;
};

WantedId ParseWanted(LPCSTR text)
{
    if (IS_INTRESOURCE(text))
        return WantedId{static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(text)), {}};
    if (text[0] == '#' && text[1] != '\0') {
        unsigned long value = 0;
        const char* p = text + 1;
        for (; std::isdigit(static_cast<unsigned char>(*p)) && value <= 0xFFFF; ++p)
            value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (*p == '\0' && value >= 1 && value <= 0xFFFF)
            return WantedId{static_cast<std::uint16_t>(value), {}};
    }
    return WantedId{0, text};
}

bool Matches(const WantedId& wanted, std::uint16_t ordinal, const char* name)
{
    if (wanted.name.empty())
        return !name && ordinal == wanted.ordinal;
    if (!name || std::strlen(name) != wanted.name.size())
        return false;
    for (std::size_t i = 0; i < wanted.name.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(wanted.name[i])) != static_cast<unsigned char>(name[i]))
            return false;
    }
    return true;
}

bool SameFileName(std::string_view wanted, std::string_view path)
{
    if (wanted == path)
        return true;
    const std::size_t slash = path.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (base.size() != wanted.size())
        return false;
    for (std::size_t i = 0; i < base.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(base[i])) != std::tolower(static_cast<unsigned char>(wanted[i])))
            return false;
    }
    return true;
}

// A handle for a loaded object without keeping an extra reference to it.
HMODULE HandleOfLoaded(const char* path)
{
    if (!path || !*path)
        return static_cast<HMODULE>(ProgramHandle());
    void* handle = dlopen(path, RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return static_cast<HMODULE>(handle);
}

} // namespace

HMODULE ModuleOfAddress(const void* address)
{
    Dl_info info{};
    link_map* owner = nullptr;
    if (!dladdr1(address, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) || !owner) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return HandleOfLoaded(owner->l_name);
}

ResourceBytes FindResourceBytes(HMODULE module, LPCSTR name, LPCSTR type)
{
    const HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return {};
    const auto* entry = reinterpret_cast<const ResourceEntry*>(found);
    return ResourceBytes{entry->data, entry->size};
}

} // namespace zv::win32

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    using namespace zv::win32;
    const ResourceSet* set = SetOf(hModule);
    if (!set) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const WantedId type = ParseWanted(lpType);
    const WantedId name = ParseWanted(lpName);
    bool typeFound = false;
    for (std::uint32_t i = 0; i < set->count; ++i) {
        const ResourceEntry& entry = set->entries[i];
        if (!Matches(type, entry.typeOrdinal, entry.typeName))
            continue;
        typeFound = true;
        if (Matches(name, entry.nameOrdinal, entry.nameName))
            return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&entry));
    }
    SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE /*hModule: the handle is the entry of that module*/, HRSRC hResInfo)
{
    if (!hResInfo) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const auto* entry = reinterpret_cast<const zv::win32::ResourceEntry*>(hResInfo);
    return const_cast<unsigned char*>(entry->data);
}

LPVOID LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD SizeofResource(HMODULE /*hModule*/, HRSRC hResInfo)
{
    if (!hResInfo) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return reinterpret_cast<const zv::win32::ResourceEntry*>(hResInfo)->size;
}

BOOL FreeResource(HGLOBAL /*hResData*/)
{
    return FALSE;
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    using namespace zv::win32;
    if (!lpModuleName)
        return static_cast<HMODULE>(ProgramHandle());
    struct Search {
        std::string_view wanted;
        std::string path;
        bool found = false;
    } search{lpModuleName, {}, false};
    char programPath[4096];
    const DWORD length = GetModuleFileNameA(nullptr, programPath, sizeof programPath);
    if (length > 0 && length < sizeof programPath && SameFileName(search.wanted, programPath))
        return static_cast<HMODULE>(ProgramHandle());
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (info->dlpi_name && *info->dlpi_name && SameFileName(s->wanted, info->dlpi_name)) {
                s->path = info->dlpi_name;
                s->found = true;
                return 1;
            }
            return 0;
        },
        &search);
    HMODULE module = search.found ? HandleOfLoaded(search.path.c_str()) : nullptr;
    if (!module)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return module;
}
