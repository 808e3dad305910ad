// Whole-buffer reads and writes for the format classes, which report a failure by throwing its text.
#pragma once

#include "imagelib/PixStream.h"

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
