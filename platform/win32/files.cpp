#include "platform/win32/files.h"

#include "platform/win32/device_namespace.h"
#include "platform/win32/file_attributes.h"
#include "platform/win32/io_object.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zv::win32 {

namespace {

class FileObject final : public IoObject {
public:
    explicit FileObject(int fd) : m_fd(fd) {}
    ~FileObject() override { close(m_fd); }

    int Fd() const { return m_fd; }

    IoResult Read(void* buffer, DWORD bytes) override
    {
        // Files give all that is asked for up to their end, as on Windows.
        IoResult result;
        auto* at = static_cast<char*>(buffer);
        while (result.bytes < bytes) {
            const ssize_t got = read(m_fd, at + result.bytes, bytes - result.bytes);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                // EBADF: the handle was opened without read access.
                result.error = errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno);
                break;
            }
            if (got == 0)
                break;
            result.bytes += static_cast<DWORD>(got);
        }
        return result;
    }

    IoResult Write(const void* buffer, DWORD bytes) override
    {
        IoResult result;
        const auto* at = static_cast<const char*>(buffer);
        while (result.bytes < bytes) {
            const ssize_t put = write(m_fd, at + result.bytes, bytes - result.bytes);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                result.error = errno == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno);
                break;
            }
            result.bytes += static_cast<DWORD>(put);
        }
        return result;
    }

private:
    const int m_fd;
};

std::string ParentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

bool CopyContents(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return false;
            done += put;
        }
    }
}

const char* LastComponent(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' && p[1] != '\0')
            name = p + 1;
    }
    return name;
}

} // namespace

DWORD AttributesOf(const char* name, unsigned mode)
{
    DWORD attributes = 0;
    if (S_ISDIR(mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if ((mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    const std::string_view view(name);
    if (!view.empty() && view[0] == '.' && view != "." && view != ".." && view != "./" && view != "../")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

DWORD AttributesOfPath(const std::string& path, unsigned mode)
{
    DWORD attributes = AttributesOf(LastComponent(path.c_str()), mode);
    if (HasHiddenMark(path)) {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
        attributes &= ~FILE_ATTRIBUTE_NORMAL;
    }
    return attributes;
}

FILETIME FileTimeOf(const timespec& time)
{
    // 100-nanosecond steps since 1601-01-01.
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    const std::int64_t ticks = (static_cast<std::int64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000 +
                               time.tv_nsec / 100;
    const auto value = static_cast<std::uint64_t>(std::max<std::int64_t>(ticks, 0));
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

DWORD PathError(const char* path, int err)
{
    if (err == ENOENT && !IsFolder(ParentOf(path)))
        return ERROR_PATH_NOT_FOUND;
    return ErrorFromErrno(err);
}

} // namespace zv::win32

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                   DWORD, HANDLE)
{
    using namespace zv::win32;
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (IsDevicePath(fileName))
        return OpenDevicePath(fileName, desiredAccess);
    if (!*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    const bool reads = (desiredAccess & GENERIC_READ) != 0;
    const bool writes = (desiredAccess & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
    switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!writes) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_TRUNC;
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }

    struct stat before {};
    const bool existed = stat(fileName, &before) == 0;
    if (existed && S_ISDIR(before.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = open(fileName, flags, 0666);
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : PathError(fileName, errno));
        return INVALID_HANDLE_VALUE;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || S_ISDIR(opened.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = InsertHandle(std::make_shared<FileObject>(fd));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    const bool reportsExisting = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped)
{
    using namespace zv::win32;
    if (bytesRead)
        *bytesRead = 0;
    if (overlapped || (!buffer && bytesToRead != 0))
        return Fail(ERROR_INVALID_PARAMETER);
    auto object = LookupHandleAs<IoObject>(file);
    if (!object)
        return FALSE;
    const IoResult result = object->Read(buffer, bytesToRead);
    if (bytesRead)
        *bytesRead = result.bytes;
    if (!result.Ok())
        return Fail(result.error);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    using namespace zv::win32;
    if (bytesWritten)
        *bytesWritten = 0;
    if (overlapped || (!buffer && bytesToWrite != 0))
        return Fail(ERROR_INVALID_PARAMETER);
    auto object = LookupHandleAs<IoObject>(file);
    if (!object)
        return FALSE;
    const IoResult result = object->Write(buffer, bytesToWrite);
    if (bytesWritten)
        *bytesWritten = result.bytes;
    if (!result.Ok())
        return Fail(result.error);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod)
{
    using namespace zv::win32;
    auto object = LookupHandleAs<FileObject>(file);
    if (!object)
        return INVALID_SET_FILE_POINTER;
    off_t distance = distanceToMove;
    if (distanceToMoveHigh) {
        const auto combined = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceToMoveHigh)) << 32) |
                              static_cast<std::uint32_t>(distanceToMove);
        distance = static_cast<off_t>(combined);
    }
    int whence = SEEK_SET;
    switch (moveMethod) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
    }
    const off_t position = lseek(object->Fd(), distance, whence);
    if (position < 0) {
        SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    const auto unsignedPosition = static_cast<std::uint64_t>(position);
    if (distanceToMoveHigh)
        *distanceToMoveHigh = static_cast<LONG>(unsignedPosition >> 32);
    // The low part may itself be 0xFFFFFFFF: callers tell success by the last error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(unsignedPosition);
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh)
{
    using namespace zv::win32;
    auto object = LookupHandleAs<FileObject>(file);
    if (!object)
        return INVALID_FILE_SIZE;
    struct stat info {};
    if (fstat(object->Fd(), &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (fileSizeHigh)
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL DeleteFileA(LPCSTR fileName)
{
    using namespace zv::win32;
    if (!fileName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (unlink(fileName) != 0)
        return Fail(PathError(fileName, errno));
    return TRUE;
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists)
{
    using namespace zv::win32;
    if (!existingFileName || !newFileName)
        return Fail(ERROR_INVALID_PARAMETER);
    const int from = open(existingFileName, O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return Fail(PathError(existingFileName, errno));
    struct stat source {};
    if (fstat(from, &source) != 0 || S_ISDIR(source.st_mode)) {
        close(from);
        return Fail(ERROR_ACCESS_DENIED);
    }
    struct stat target {};
    if (stat(newFileName, &target) == 0) {
        DWORD error = ERROR_SUCCESS;
        if (target.st_dev == source.st_dev && target.st_ino == source.st_ino)
            error = ERROR_SHARING_VIOLATION; // copying a file onto itself would empty it
        else if (failIfExists)
            error = ERROR_FILE_EXISTS;
        else if (S_ISDIR(target.st_mode))
            error = ERROR_ACCESS_DENIED;
        if (error != ERROR_SUCCESS) {
            close(from);
            return Fail(error);
        }
    }
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    const int to = open(newFileName, flags, source.st_mode & 0777);
    if (to < 0) {
        const DWORD error = errno == EEXIST ? ERROR_FILE_EXISTS : PathError(newFileName, errno);
        close(from);
        return Fail(error);
    }
    const bool copied = CopyContents(from, to);
    const DWORD error = copied ? ERROR_SUCCESS : ErrorFromErrno(errno);
    if (copied) {
        const timespec times[2] = {source.st_atim, source.st_mtim};
        futimens(to, times);
    }
    close(from);
    const bool closed = close(to) == 0;
    if (!copied || !closed) {
        unlink(newFileName);
        return Fail(copied ? ERROR_WRITE_FAULT : error);
    }
    return TRUE;
}

BOOL MoveFileA(LPCSTR existingFileName, LPCSTR newFileName)
{
    using namespace zv::win32;
    if (!existingFileName || !newFileName)
        return Fail(ERROR_INVALID_PARAMETER);
    int result = renameat2(AT_FDCWD, existingFileName, AT_FDCWD, newFileName, RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL) {
        // The file system cannot refuse to replace by itself.
        struct stat target {};
        if (lstat(newFileName, &target) == 0)
            return Fail(ERROR_ALREADY_EXISTS);
        result = rename(existingFileName, newFileName);
    }
    if (result == 0)
        return TRUE;
    if (errno == EEXIST)
        return Fail(ERROR_ALREADY_EXISTS);
    if (errno == EXDEV) {
        if (IsFolder(existingFileName))
            return Fail(ERROR_NOT_SAME_DEVICE);
        if (!CopyFileA(existingFileName, newFileName, TRUE))
            return FALSE;
        if (unlink(existingFileName) != 0) {
            const int err = errno;
            unlink(newFileName);
            return Fail(ErrorFromErrno(err));
        }
        return TRUE;
    }
    const int err = errno;
    struct stat source {};
    const bool sourceThere = lstat(existingFileName, &source) == 0;
    return Fail(PathError(sourceThere ? newFileName : existingFileName, err));
}

DWORD GetFileAttributesA(LPCSTR fileName)
{
    using namespace zv::win32;
    if (!fileName || !*fileName) {
        SetLastError(fileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat info {};
    if (stat(fileName, &info) != 0) {
        SetLastError(PathError(fileName, errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOfPath(fileName, info.st_mode);
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES)
{
    using namespace zv::win32;
    if (!pathName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (mkdir(pathName, 0777) != 0)
        return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                                                             : ErrorFromErrno(errno));
    return TRUE;
}
