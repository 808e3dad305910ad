// Files: open, read, write, seek, size, delete, copy, move, attributes, folders. Paths use '/'.
// CreateFileA also opens device paths through the device namespace (device_namespace.h).
// Share modes are accepted; Linux does not enforce them.
#pragma once

#include "platform/win32/types.h"

#include <ctime>
#include <string>

struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;

constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD FILE_SHARE_DELETE = 0x00000004;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);

// Synchronous only: an OVERLAPPED structure is refused (ERROR_INVALID_PARAMETER).
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);

BOOL DeleteFileA(LPCSTR fileName);
BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);
// Never replaces an existing target; moves files across file systems by copying.
BOOL MoveFileA(LPCSTR existingFileName, LPCSTR newFileName);
// Dot-names read as hidden, as do files SetFileAttributesA made hidden; a file without the owner's
// write permission reads as read-only.
DWORD GetFileAttributesA(LPCSTR fileName);

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0 };

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};
static_assert(sizeof(WIN32_FILE_ATTRIBUTE_DATA) == 36);

// Linux keeps no creation time: it reads as the last write.
BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel, LPVOID fileInformation);
// Read-only maps to the owner's write permission. Hidden is kept as the extended attribute
// "user.zelvante.hidden" (ERROR_NOT_SUPPORTED where the file system has none); a dot-name stays
// hidden whatever is set. Other attributes (archive, system...) are accepted and not kept.
BOOL SetFileAttributesA(LPCSTR fileName, DWORD fileAttributes);
// Linux has no short names: the long path is the short one. Returns the length copied (without the
// terminator), or the size needed (with it) when `buffer` is too small; 0 with the last error set
// when the path does not exist.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD bufferSize);
BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES attributes);

namespace zv::win32 {
// The attributes of a stat result for a file called `name` (its last component).
DWORD AttributesOf(const char* name, unsigned mode);
// AttributesOf the last component, with the hidden mark SetFileAttributesA keeps.
DWORD AttributesOfPath(const std::string& path, unsigned mode);
// A file time (100 ns steps since 1601) from a Linux one.
FILETIME FileTimeOf(const timespec& time);
// The Windows error of a failed call on `path` with errno `err`: a missing folder on the way reads
// as ERROR_PATH_NOT_FOUND, a missing last component as ERROR_FILE_NOT_FOUND.
DWORD PathError(const char* path, int err);
} // namespace zv::win32
