// An exclusive flock on a file (created when missing), held for the object's life. Threads of one
// process each open the file anew, so the lock keeps them apart as it keeps processes apart.
#pragma once

#include <string>

namespace zv::win32 {

class FileLock {
public:
    // Waits for the lock; Held() tells whether it was had (errno says why not).
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return m_fd >= 0; }
    // The locked file, open for reading and writing; -1 when not held.
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

} // namespace zv::win32
