#include "imagelib/PixFileStream.h"

#include <cstdint>
#include <limits>

namespace {

bool ElementBytesFit(size_t size, size_t count)
{
    return size == 0 || count <= std::numeric_limits<size_t>::max() / size;
}

bool FitsInt32(long value)
{
    return value >= 0 && value <= std::numeric_limits<int32_t>::max();
}

} // namespace

CPixFileStream::CPixFileStream(FILE* file)
    : m_file(file)
    , m_owns(file == nullptr)
{
}

CPixFileStream::~CPixFileStream()
{
    Close();
}

bool CPixFileStream::Close()
{
    // Only a FILE the stream holds and owns is closed; without one there is nothing to do.
    if (!m_owns || m_file == nullptr)
        return true;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return closed;
}

size_t CPixFileStream::Read(void* buffer, size_t size, size_t count)
{
    if (m_file == nullptr || buffer == nullptr || !ElementBytesFit(size, count))
        return 0;
    return std::fread(buffer, size, count, m_file);
}

size_t CPixFileStream::Write(const void* buffer, size_t size, size_t count)
{
    if (m_file == nullptr || buffer == nullptr || !ElementBytesFit(size, count))
        return 0;
    return std::fwrite(buffer, size, count, m_file);
}

bool CPixFileStream::Seek(int32_t offset, int32_t origin)
{
    if (m_file == nullptr)
        return false;
    int whence;
    switch (origin) {
    case 0: whence = SEEK_SET; break;
    case 1: whence = SEEK_CUR; break;
    case 2: whence = SEEK_END; break;
    default: return false;
    }
    const long before = std::ftell(m_file);
    if (before < 0 || std::fseek(m_file, offset, whence) != 0)
        return false;
    // Positions are 32-bit signed to the callers: refuse to land where Tell could not say.
    if (!FitsInt32(std::ftell(m_file))) {
        std::fseek(m_file, before, SEEK_SET);
        return false;
    }
    return true;
}

int32_t CPixFileStream::Tell()
{
    if (m_file == nullptr)
        return 0;
    const long position = std::ftell(m_file);
    return FitsInt32(position) ? static_cast<int32_t>(position) : -1;
}

int32_t CPixFileStream::Size()
{
    if (m_file == nullptr)
        return -1;
    const long position = std::ftell(m_file);
    if (position < 0 || std::fseek(m_file, 0, SEEK_END) != 0)
        return -1;
    const long end = std::ftell(m_file);
    if (std::fseek(m_file, position, SEEK_SET) != 0)
        return -1;
    return FitsInt32(end) ? static_cast<int32_t>(end) : -1;
}

bool CPixFileStream::Flush()
{
    return m_file != nullptr && std::fflush(m_file) == 0;
}

bool CPixFileStream::Eof()
{
    return m_file == nullptr || std::feof(m_file) != 0;
}

int32_t CPixFileStream::Error()
{
    if (m_file == nullptr)
        return -1;
    return std::ferror(m_file) != 0 ? 1 : 0;
}

bool CPixFileStream::PutC(BYTE c)
{
    return m_file != nullptr && std::fputc(c, m_file) == c;
}

int32_t CPixFileStream::GetC()
{
    if (m_file == nullptr)
        return -1;
    return std::getc(m_file);
}
