// What a file record (WIN32_FILE_ATTRIBUTE_DATA, WIN32_FIND_DATAA) tells of a file, from its stat
// result.
#pragma once

#include "platform/win32/files.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace zv::win32 {

// Attributes, times (the creation time reads as the last change: Linux keeps none) and, for a
// regular file, its size; the record's other fields stay as they are.
template <class Record>
void FillFileRecord(Record& record, const std::string& path, const struct stat& info)
{
    record.dwFileAttributes = AttributesOfPath(path, info.st_mode);
    record.ftCreationTime = FileTimeOf(info.st_mtim);
    record.ftLastAccessTime = FileTimeOf(info.st_atim);
    record.ftLastWriteTime = FileTimeOf(info.st_mtim);
    if (S_ISREG(info.st_mode)) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        record.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        record.nFileSizeLow = static_cast<DWORD>(size);
    }
}

} // namespace zv::win32
