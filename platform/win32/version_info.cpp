#include "platform/win32/version_info.h"

#include "platform/win32/paths.h"
#include "platform/win32/resources.h"
#include "platform/win32/string_conversion.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <string>
#include <vector>

namespace zv::win32 {

namespace {

constexpr WORD kVersionInfoId = 1;

std::optional<std::string> RealPath(const char* path)
{
    char resolved[PATH_MAX];
    if (!path || !realpath(path, resolved))
        return std::nullopt;
    return std::string(resolved);
}

// The version resource's bytes, copied before a module loaded only for reading is let go.
std::optional<std::vector<unsigned char>> VersionResourceOf(LPCSTR fileName)
{
    const auto path = RealPath(fileName);
    if (!path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    char program[PATH_MAX];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    const auto programPath = length > 0 && length < sizeof program ? RealPath(program) : std::nullopt;
    void* library = nullptr;
    HMODULE module = nullptr;
    if (programPath != path) {
        library = dlopen(path->c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (!library) {
            SetLastError(ERROR_BAD_FORMAT);
            return std::nullopt;
        }
        module = static_cast<HMODULE>(library);
    }
    const ResourceBytes bytes = FindResourceBytes(module, MAKEINTRESOURCEA(kVersionInfoId), RT_VERSION);
    std::optional<std::vector<unsigned char>> copy;
    if (bytes.data && bytes.size >= 6)
        copy.emplace(bytes.data, bytes.data + bytes.size);
    const DWORD error = GetLastError();
    if (library)
        dlclose(library);
    SetLastError(bytes.data && !copy ? ERROR_RESOURCE_DATA_NOT_FOUND : error);
    return copy;
}

WORD WordAt(const unsigned char* block, std::size_t at)
{
    return static_cast<WORD>(block[at] | (block[at + 1] << 8));
}

struct VersionNode {
    std::size_t start = 0;
    std::size_t end = 0;       // start + wLength
    std::size_t value = 0;     // offset of the value
    std::size_t valueSize = 0; // bytes
    WORD valueLength = 0;
    bool text = false;
    std::u16string key;
    std::size_t children = 0;  // offset of the first child
};

std::size_t Aligned(std::size_t offset)
{
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

// The node at `start`, checked to lie within `limit`.
std::optional<VersionNode> ReadNode(const unsigned char* block, std::size_t start, std::size_t limit)
{
    if (start + 6 > limit)
        return std::nullopt;
    VersionNode node;
    node.start = start;
    node.end = start + WordAt(block, start);
    node.valueLength = WordAt(block, start + 2);
    node.text = WordAt(block, start + 4) == 1;
    if (node.end > limit || node.end < start + 6)
        return std::nullopt;
    std::size_t at = start + 6;
    for (;;) {
        if (at + 2 > node.end)
            return std::nullopt;
        const WORD c = WordAt(block, at);
        at += 2;
        if (c == 0)
            break;
        node.key += static_cast<char16_t>(c);
    }
    node.value = Aligned(at);
    node.valueSize = node.text ? 2u * node.valueLength : node.valueLength;
    if (node.value + node.valueSize > node.end)
        return std::nullopt;
    node.children = Aligned(node.value + node.valueSize);
    return node;
}

bool KeyMatches(const std::u16string& key, const std::string& wanted)
{
    if (key.size() != wanted.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] > 0x7F ||
            std::tolower(static_cast<int>(key[i])) != std::tolower(static_cast<unsigned char>(wanted[i])))
            return false;
    }
    return true;
}

// Where a text value's UTF-8 copy lives: after the resource, at twice the value's offset.
unsigned char* TextCopyOf(unsigned char* block, std::size_t rawSize, const VersionNode& node)
{
    return block + rawSize + 2 * node.value;
}

void WriteTextCopies(unsigned char* block, std::size_t rawSize, std::size_t start, std::size_t limit)
{
    const auto node = ReadNode(block, start, limit);
    if (!node)
        return;
    if (node->text && node->valueLength > 0) {
        std::u16string wide(node->valueLength, u'\0');
        for (WORD i = 0; i < node->valueLength; ++i)
            wide[i] = static_cast<char16_t>(WordAt(block, node->value + 2u * i));
        wide.back() = u'\0';
        // Room: four bytes per UTF-16 unit, never fewer than UTF-8 needs.
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, reinterpret_cast<char*>(TextCopyOf(block, rawSize, *node)),
                            static_cast<int>(4u * node->valueLength), nullptr, nullptr);
    }
    for (std::size_t child = node->children; child + 6 <= node->end;) {
        const auto inner = ReadNode(block, child, node->end);
        if (!inner)
            break;
        WriteTextCopies(block, rawSize, child, node->end);
        child = Aligned(inner->end);
    }
}

} // namespace

} // namespace zv::win32

DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle)
{
    if (lpdwHandle)
        *lpdwHandle = 0;
    const auto resource = zv::win32::VersionResourceOf(lptstrFilename);
    if (!resource)
        return 0;
    return static_cast<DWORD>(3 * resource->size());
}

BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD /*dwHandle*/, DWORD dwLen, LPVOID lpData)
{
    using namespace zv::win32;
    const auto resource = VersionResourceOf(lptstrFilename);
    if (!resource)
        return FALSE;
    const std::size_t rawSize = resource->size();
    if (!lpData || dwLen < 3 * rawSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* block = static_cast<unsigned char*>(lpData);
    std::memcpy(block, resource->data(), rawSize);
    std::memset(block + rawSize, 0, 2 * rawSize);
    WriteTextCopies(block, rawSize, 0, rawSize);
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen)
{
    using namespace zv::win32;
    if (!pBlock || !lpSubBlock || !lplpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* block = static_cast<unsigned char*>(const_cast<void*>(pBlock));
    const std::size_t rawSize = WordAt(block, 0);
    auto node = ReadNode(block, 0, rawSize);
    const std::string path = lpSubBlock;
    std::size_t at = 0;
    while (node && at < path.size()) {
        while (at < path.size() && path[at] == '\\')
            ++at;
        if (at == path.size())
            break;
        const std::size_t next = path.find('\\', at);
        const std::string key = path.substr(at, next == std::string::npos ? std::string::npos : next - at);
        at = next == std::string::npos ? path.size() : next;
        std::optional<VersionNode> found;
        for (std::size_t child = node->children; child + 6 <= node->end;) {
            const auto inner = ReadNode(block, child, node->end);
            if (!inner)
                break;
            if (KeyMatches(inner->key, key)) {
                found = inner;
                break;
            }
            child = Aligned(inner->end);
        }
        node = found;
    }
    if (!node || node->valueLength == 0) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *lplpBuffer = node->text ? TextCopyOf(block, rawSize, *node) : block + node->value;
    if (puLen)
        *puLen = node->valueLength;
    return TRUE;
}
