#include "imagelib/PixMemStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kGrowStep = 4096;
constexpr int64_t kMaxLength = std::numeric_limits<int32_t>::max();

// size × count into bytes; false when the product does not fit a size_t.
bool MultiplyFits(size_t size, size_t count, size_t& bytes)
{
    if (size != 0 && count > std::numeric_limits<size_t>::max() / size)
        return false;
    bytes = size * count;
    return true;
}

} // namespace

CPixMemStream::CPixMemStream()
    : m_buffer(static_cast<BYTE*>(std::malloc(0)))
    , m_size(0)
    , m_owns(true)
    , m_position(0)
    , m_capacity(0)
{
}

CPixMemStream::CPixMemStream(BYTE* block, int32_t length)
    : m_buffer(block)
    , m_size(block != nullptr ? std::max<int32_t>(length, 0) : 0)
    , m_owns(block == nullptr)
    , m_position(0)
    , m_capacity(0)
{
}

CPixMemStream::~CPixMemStream()
{
    Close();
}

bool CPixMemStream::Close()
{
    if (m_owns) {
        std::free(m_buffer);
        m_buffer = nullptr;
        m_size = 0;
        m_capacity = 0;
    }
    return true;
}

size_t CPixMemStream::Read(void* buffer, size_t size, size_t count)
{
    size_t wanted = 0;
    if (buffer == nullptr || m_buffer == nullptr || m_position > m_size
        || !MultiplyFits(size, count, wanted) || wanted == 0)
        return 0;
    const size_t n = std::min(wanted, static_cast<size_t>(m_size - m_position));
    std::memcpy(buffer, m_buffer + m_position, n);
    m_position += static_cast<int32_t>(n);
    return n / size;
}

size_t CPixMemStream::Write(const void* buffer, size_t size, size_t count)
{
    size_t n = 0;
    if (buffer == nullptr || !MultiplyFits(size, count, n) || n == 0
        || n > static_cast<size_t>(kMaxLength))
        return 0;
    if (!PrepareWrite(int64_t{m_position} + static_cast<int64_t>(n)))
        return 0;
    std::memcpy(m_buffer + m_position, buffer, n);
    m_position += static_cast<int32_t>(n);
    m_size = std::max(m_size, m_position);
    return count;
}

bool CPixMemStream::PutC(BYTE c)
{
    if (!PrepareWrite(int64_t{m_position} + 1))
        return false;
    m_buffer[m_position++] = c;
    m_size = std::max(m_size, m_position);
    return true;
}

bool CPixMemStream::PrepareWrite(int64_t end)
{
    // A caller's block is neither reallocated nor written; nor is a closed or handed-over one.
    if (m_buffer == nullptr || !m_owns || end > kMaxLength || !Alloc(end))
        return false;
    if (m_position > m_size)
        std::memset(m_buffer + m_size, 0, static_cast<size_t>(m_position - m_size));
    return true;
}

bool CPixMemStream::Alloc(int64_t needed)
{
    if (needed <= m_capacity)
        return true;
    if (needed > kMaxLength || !m_owns)
        return false;
    const int64_t shortfall = needed - m_capacity;
    const int64_t grown = m_capacity + (shortfall + kGrowStep - 1) / kGrowStep * kGrowStep;
    // The last step may be cut short so the capacity still fits 32 bits.
    const int64_t capacity = std::min(grown, kMaxLength);
    void* block = std::realloc(m_buffer, static_cast<size_t>(capacity));
    if (block == nullptr)
        return false;
    m_buffer = static_cast<BYTE*>(block);
    m_capacity = static_cast<int32_t>(capacity);
    return true;
}

bool CPixMemStream::Seek(int32_t offset, int32_t origin)
{
    if (m_buffer == nullptr)
        return false;
    int64_t position;
    switch (origin) {
    case 0: position = offset; break;
    case 1: position = int64_t{m_position} + offset; break;
    case 2: position = int64_t{m_size} + offset; break;
    default: return false;
    }
    if (position < 0 || position > kMaxLength)
        return false;
    m_position = static_cast<int32_t>(position);
    return true;
}

int32_t CPixMemStream::Tell()
{
    return m_buffer != nullptr ? m_position : -1;
}

int32_t CPixMemStream::Size()
{
    return m_buffer != nullptr ? m_size : -1;
}

bool CPixMemStream::Flush()
{
    return m_buffer != nullptr;
}

bool CPixMemStream::Eof()
{
    return m_buffer == nullptr || m_position >= m_size;
}

int32_t CPixMemStream::Error()
{
    if (m_buffer == nullptr)
        return -1;
    return m_size < m_position ? 1 : 0;
}

int32_t CPixMemStream::GetC()
{
    if (Eof())
        return -1;
    return m_buffer[m_position++];
}

BYTE* CPixMemStream::Release()
{
    m_owns = false;
    m_capacity = 0;
    return m_buffer;
}
