// Whole-buffer reads and writes for the format classes, which report a failure by throwing its text.
#pragma once

#include "imagelib/PixStream.h"

#include "platform/win32/types.h"

#include <cstddef>

inline void PixReadExactly(CPixStream* stream, void* buffer, std::size_t bytes, const char* error)
{
    if (bytes != 0 && stream->Read(buffer, 1, bytes) != bytes)
        throw error;
}

inline void PixWriteExactly(CPixStream* stream, const void* buffer, std::size_t bytes, const char* error)
{
    if (bytes != 0 && stream->Write(buffer, 1, bytes) != bytes)
        throw error;
}

// Bytes of coded data taken from the stream a block at a time; running dry throws `error`.
class PixByteReader {
public:
    PixByteReader(CPixStream* stream, const char* error)
        : m_stream(stream)
        , m_error(error)
    {
    }

    BYTE Take()
    {
        if (m_next == m_end) {
            m_end = m_stream->Read(m_buffer, 1, sizeof m_buffer);
            m_next = 0;
            if (m_end == 0)
                throw m_error;
        }
        return m_buffer[m_next++];
    }

private:
    CPixStream* m_stream;
    const char* m_error;
    BYTE m_buffer[4096];
    std::size_t m_next = 0;
    std::size_t m_end = 0;
};
