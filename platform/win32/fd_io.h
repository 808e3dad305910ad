// Whole reads and writes on a file descriptor, retried across interruptions and short counts.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace zv::win32 {

// Appends everything up to the end of the file to `text`; false (errno set) on a read failure or,
// with EFBIG, when more than `limit` bytes would be read.
bool ReadAll(int fd, std::string& text, std::size_t limit = std::numeric_limits<std::size_t>::max());
// Writes all of `data`; false (errno set) when it cannot.
bool WriteAll(int fd, std::string_view data);

} // namespace zv::win32
