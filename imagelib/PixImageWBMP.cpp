#include "imagelib/PixImageWBMP.h"

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixStream.h"
#include "imagelib/PixStreamExact.h"

#include <cstdint>
#include <new>
#include <vector>

namespace {

constexpr const char* kCorrupted = "Corrupted WBMP";
constexpr const char* kWriteFailed = "Error writing WBMP";
// Five groups of seven bits hold any 32-bit side; a longer number is no picture size.
constexpr int kMaxIntegerBytes = 5;

std::uint64_t ReadInteger(CPixStream* stream)
{
    std::uint64_t value = 0;
    for (int i = 0; i < kMaxIntegerBytes; ++i) {
        BYTE byte = 0;
        PixReadExactly(stream, &byte, 1, "Not a WBMP");
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return value;
    }
    throw kCorrupted;
}

void PutInteger(std::vector<BYTE>& out, DWORD value)
{
    BYTE groups[kMaxIntegerBytes];
    int count = 0;
    do {
        groups[count++] = static_cast<BYTE>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count-- > 0)
        out.push_back(static_cast<BYTE>(groups[count] | (count > 0 ? 0x80 : 0)));
}

} // namespace

bool CPixImageWBMP::Decode(CPixStream* stream)
{
    return PixRunCodec(*this, [&] {
        if (!stream)
            throw "Not a WBMP";
        if (ReadInteger(stream) != 0)
            throw "Unsupported WBMP type";
        BYTE fixedHeader = 0;
        PixReadExactly(stream, &fixedHeader, 1, "Not a WBMP");
        const std::uint64_t width = ReadInteger(stream);
        const std::uint64_t height = ReadInteger(stream);
        if (width == 0 || height == 0)
            throw kCorrupted;
        // The rows must all be there; checking before allocating keeps a few bytes from claiming
        // a huge picture.
        const std::uint64_t rowBytes = (width + 7) / 8;
        const std::int64_t left = stream->BytesLeft();
        if (left >= 0 && rowBytes * height > static_cast<std::uint64_t>(left))
            throw kCorrupted;
        if (m_info.escape)
            throw "Cancelled";
        if (width > 0xFFFFFFFFu || height > 0xFFFFFFFFu ||
            !Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 1, PIXIMAGE_WBMP))
            throw "WBMP Create failed";
        SetGrayRamp();
        for (std::uint64_t row = 0; row < height; ++row) {
            if (m_info.escape)
                throw "Cancelled";
            PixReadExactly(stream, GetRowPointer(static_cast<DWORD>(height - 1 - row)), rowBytes, kCorrupted);
        }
        return true;
    });
}

bool CPixImageWBMP::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    return PixRunCodec(*this, [&] {
        if (m_header.biBitCount != 1)
            throw "Can't save this image as WBMP";
        std::vector<BYTE> header = {0, 0};
        PutInteger(header, static_cast<DWORD>(m_header.biWidth));
        PutInteger(header, static_cast<DWORD>(m_header.biHeight));
        PixWriteExactly(stream, header.data(), header.size(), kWriteFailed);
        // Index bits as they stand, from the top row.
        const std::size_t rowBytes = (static_cast<std::size_t>(m_header.biWidth) + 7) / 8;
        for (LONG row = m_header.biHeight - 1; row >= 0; --row)
            PixWriteExactly(stream, GetRowPointer(static_cast<DWORD>(row)), rowBytes, kWriteFailed);
        return true;
    });
}

PixFormat PixWbmpFormat()
{
    return PixFormatOf<CPixImageWBMP>();
}
