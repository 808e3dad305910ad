// The table of one module's resources, as the resource compiler (tools/zvrc) writes it into the
// program or shared library. Each module exports its own table under the symbol zv_resource_set.
#pragma once

#include <cstdint>

namespace zv::win32 {

// A type or name is an ordinal (1..65535) or, when the name pointer is set, an upper-case name.
struct ResourceEntry {
    std::uint16_t typeOrdinal;
    const char* typeName;
    std::uint16_t nameOrdinal;
    const char* nameName;
    const unsigned char* data;
    std::uint32_t size;
};

struct ResourceSet {
    std::uint32_t magic;
    std::uint32_t count;
    const ResourceEntry* entries;
};

constexpr std::uint32_t kResourceSetMagic = 0x53525a56; // "VZRS"
constexpr const char* kResourceSetSymbol = "zv_resource_set";

} // namespace zv::win32
