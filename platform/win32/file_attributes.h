// The attributes Linux has no place for, kept beside the file: the hidden mark SetFileAttributesA
// sets lives in the extended attribute "user.zelvante.hidden".
#pragma once

#include <string>

namespace zv::win32 {

bool HasHiddenMark(const std::string& path);
// False with errno set when the file system keeps no extended attributes (ENOTSUP) or the file is
// not writable.
bool SetHiddenMark(const std::string& path, bool hidden);

} // namespace zv::win32
