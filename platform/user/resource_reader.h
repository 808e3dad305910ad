// Reading the binary layouts of resources (string blocks, menu and dialog templates): little-endian
// words and UTF-16 text, bounded by the resource's size. A read past the end yields 0 and leaves
// the reader failed, so a parser checks ok() once at the end.
#pragma once

#include "platform/win32/types.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zv::user {

class ResourceReader {
public:
    ResourceReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t offset() const { return offset_; }

    WORD PeekWord() const;
    WORD Word();
    DWORD Dword();
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte();
    std::vector<BYTE> Bytes(std::size_t count);
    // NUL-terminated UTF-16, as UTF-8.
    std::string String();
    // `count` UTF-16 units, as UTF-8.
    std::string Chars(std::size_t count);
    void Skip(std::size_t count);
    void AlignDword();

private:
    bool Need(std::size_t count);

    const unsigned char* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

} // namespace zv::user
