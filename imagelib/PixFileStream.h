// Byte stream over a C FILE that the caller opened; the caller also closes it.
#pragma once

#include "imagelib/PixStream.h"

#include <cstdio>

class CPixFileStream : public CPixStream {
public:
    explicit CPixFileStream(FILE* file = nullptr);
    ~CPixFileStream() override;

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

private:
    FILE* m_file;
    // Set only for a stream built without a FILE; it never makes the stream close a caller's FILE.
    bool m_owns;
};
