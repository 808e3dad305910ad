// Byte stream that every image reader and writer works on, so one codec serves files and memory.
#pragma once

#include "platform/win32/types.h"

#include <cstddef>
#include <cstdint>

class CPixStream {
public:
    CPixStream() = default;
    CPixStream(const CPixStream&) = delete;
    CPixStream& operator=(const CPixStream&) = delete;
    virtual ~CPixStream() = default;

    virtual bool Close() = 0;
    // Both return whole elements transferred.
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
    // origin: 0 from start, 1 from current, 2 from end.
    virtual bool Seek(int32_t offset, int32_t origin) = 0;
    virtual int32_t Tell() = 0;
    virtual int32_t Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual int32_t Error() = 0;
    virtual bool PutC(BYTE c) { return Write(&c, 1, 1) == 1; }
    // Byte value 0-255, or -1.
    virtual int32_t GetC() = 0;

    // Bytes from the position to the end, or -1 when the stream cannot tell. Decoders weigh a
    // header's picture size against it before allocating the picture.
    int64_t BytesLeft()
    {
        const int32_t size = Size();
        const int32_t here = Tell();
        if (size < 0 || here < 0)
            return -1;
        return size >= here ? int64_t{size} - here : 0;
    }
};
