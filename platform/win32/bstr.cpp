#include "platform/win32/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

using ByteLength = std::uint32_t;
constexpr std::size_t kPrefixBytes = sizeof(ByteLength);
// Two zero bytes after the text: the terminating code unit, also after an odd byte length.
constexpr std::size_t kTerminatorBytes = sizeof(OLECHAR);

ByteLength* PrefixOf(BSTR bstr)
{
    return reinterpret_cast<ByteLength*>(reinterpret_cast<char*>(bstr) - kPrefixBytes);
}

// The text bytes are copied from source when given, else zeroed.
BSTR AllocateBytes(const void* source, std::size_t byteLength)
{
    if (byteLength > std::numeric_limits<ByteLength>::max() - kPrefixBytes - kTerminatorBytes - 1)
        return nullptr;
    // Rounded up to whole code units so that an odd byte length still ends in a full 0 code unit.
    const std::size_t textBytes = (byteLength + 1) & ~std::size_t{1};
    auto* block = static_cast<char*>(std::malloc(kPrefixBytes + textBytes + kTerminatorBytes));
    if (block == nullptr) return nullptr;
    const ByteLength length = static_cast<ByteLength>(byteLength);
    std::memcpy(block, &length, kPrefixBytes);
    char* text = block + kPrefixBytes;
    if (source != nullptr && byteLength > 0)
        std::memcpy(text, source, byteLength);
    else
        std::memset(text, 0, byteLength);
    std::memset(text + byteLength, 0, textBytes - byteLength + kTerminatorBytes);
    return reinterpret_cast<BSTR>(text);
}

} // namespace

BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr) return nullptr;
    std::size_t length = 0;
    while (psz[length] != 0) ++length;
    return AllocateBytes(psz, length * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    return AllocateBytes(strIn, std::size_t{ui} * sizeof(OLECHAR));
}

void SysFreeString(BSTR bstrString)
{
    if (bstrString != nullptr) std::free(PrefixOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr)
{
    if (bstr == nullptr) return 0;
    ByteLength length;
    std::memcpy(&length, PrefixOf(bstr), kPrefixBytes);
    return length;
}

UINT SysStringLen(BSTR pbstr)
{
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}

namespace zv::win32 {

BSTR CopyBstr(BSTR source)
{
    if (source == nullptr) return nullptr;
    return AllocateBytes(source, SysStringByteLen(source));
}

} // namespace zv::win32
