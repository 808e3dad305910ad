// Byte stream over a heap block: read from a caller's block, or written into a block that grows
// in 4096-byte steps and can then be handed to the caller.
#pragma once

#include "imagelib/PixStream.h"

#include <cstdint>

class CPixMemStream : public CPixStream {
public:
    // Empty, for writing.
    CPixMemStream();
    // Over a caller's block, for reading; the block is never freed nor written by the stream.
    CPixMemStream(BYTE* block, int32_t length);
    ~CPixMemStream() override;

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(int32_t offset, int32_t origin) override;
    int32_t Tell() override;
    int32_t Size() override;
    bool Flush() override;
    bool Eof() override;
    int32_t Error() override;
    bool PutC(BYTE c) override;
    int32_t GetC() override;

    // Grows the block to hold at least `needed` bytes; false leaves the block as it was.
    bool Alloc(int64_t needed);

    const BYTE* GetBuffer() const { return m_buffer; }
    int32_t Capacity() const { return m_capacity; }
    // Hands the block (Size() bytes) to the caller, who frees it with free(). The stream then
    // reads it like a caller's block and no longer writes or frees it.
    BYTE* Release();

private:
    // Ensures the block covers [m_position, end) and clears any gap left by a seek past the data.
    bool PrepareWrite(int64_t end);

    BYTE* m_buffer;
    int32_t m_size;
    bool m_owns;
    int32_t m_position;
    int32_t m_capacity;
};
