#include "platform/win32/file_attributes.h"

#include "platform/win32/file_record.h"
#include "platform/win32/files.h"
#include "platform/win32/last_error.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace zv::win32 {
namespace {

constexpr const char* kHiddenAttribute = "user.zelvante.hidden";

} // namespace

bool HasHiddenMark(const std::string& path)
{
    char value = 0;
    return ::getxattr(path.c_str(), kHiddenAttribute, &value, 1) == 1 && value == '1';
}

bool SetHiddenMark(const std::string& path, bool hidden)
{
    if (hidden)
        return ::setxattr(path.c_str(), kHiddenAttribute, "1", 1, 0) == 0;
    if (::removexattr(path.c_str(), kHiddenAttribute) == 0)
        return true;
    return errno == ENODATA || errno == ENOTSUP; // nothing to take away
}

} // namespace zv::win32

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel, LPVOID fileInformation)
{
    using namespace zv::win32;
    if (!fileName || !fileInformation || infoLevel != GetFileExInfoStandard) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct stat info {};
    if (::stat(fileName, &info) != 0) {
        SetLastError(PathError(fileName, errno));
        return FALSE;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FillFileRecord(data, fileName, info);
    std::memcpy(fileInformation, &data, sizeof data);
    return TRUE;
}

BOOL SetFileAttributesA(LPCSTR fileName, DWORD fileAttributes)
{
    using namespace zv::win32;
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct stat info {};
    if (::stat(fileName, &info) != 0) {
        SetLastError(PathError(fileName, errno));
        return FALSE;
    }
    // The mark first: a file no longer writable takes no extended attribute.
    if (!SetHiddenMark(fileName, (fileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0)) {
        SetLastError(errno == ENOTSUP ? ERROR_NOT_SUPPORTED : ErrorFromErrno(errno));
        return FALSE;
    }
    // A folder's read-only attribute means nothing on Windows either; its permissions stay.
    if (!S_ISDIR(info.st_mode)) {
        const mode_t writable = (fileAttributes & FILE_ATTRIBUTE_READONLY) ? info.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)
                                                                          : info.st_mode | S_IWUSR;
        if (::chmod(fileName, writable & 07777) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
    }
    return TRUE;
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD bufferSize)
{
    using namespace zv::win32;
    if (!longPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    struct stat info {};
    if (::stat(longPath, &info) != 0) {
        SetLastError(PathError(longPath, errno));
        return 0;
    }
    const std::size_t length = std::strlen(longPath);
    if (!shortPath || length >= bufferSize)
        return static_cast<DWORD>(length + 1);
    std::memmove(shortPath, longPath, length + 1); // the same buffer may be given for both
    return static_cast<DWORD>(length);
}
