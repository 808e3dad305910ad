#include "platform/win32/registry_store.h"

#include "platform/win32/fd_io.h"
#include "platform/win32/file_lock.h"
#include "platform/win32/registry.h"
#include "platform/win32/registry_format.h"
#include "platform/win32/zv_root.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zv::win32 {

namespace {

constexpr const char* kStoreName = "registry";

// Threads of this process queue here before taking the file lock.
std::mutex& ProcessLock()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    // Closes now and tells whether the close succeeded.
    bool Close() { return close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// The whole file; false on a read failure. A missing file reads as absent.
bool ReadFile(const std::string& path, bool& exists, std::string& text)
{
    exists = false;
    text.clear();
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        return errno == ENOENT;
    exists = true;
    return ReadAll(file.Get(), text);
}

// Writes the text to a temporary file beside the store and renames it over the store.
bool ReplaceFile(const std::string& folder, const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    FileDescriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (file.Get() < 0)
        return false;
    const bool written = WriteAll(file.Get(), text) && fsync(file.Get()) == 0 && file.Close();
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    FileDescriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() >= 0)
        fsync(directory.Get());
    return true;
}

// Moves a store file that cannot be parsed out of the way; false when it could not be moved.
bool SetAside(const std::string& path)
{
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = path + ".corrupt-" + std::to_string(n);
        struct stat info {};
        if (lstat(aside.c_str(), &info) == 0)
            continue;
        if (rename(path.c_str(), aside.c_str()) != 0)
            return false;
        std::fprintf(stderr, "zelvante: the registry store %s could not be read; kept as %s, starting empty\n",
                     path.c_str(), aside.c_str());
        return true;
    }
    return false;
}

} // namespace

std::string RegistryStorePath()
{
    return ZvRoot() + "/" + kStoreName;
}

LONG WithRegistry(const std::function<LONG(RegistryKey& machine, bool& changed)>& work)
{
    const std::string folder = ZvFolder("");
    if (folder.empty())
        return static_cast<LONG>(ERROR_REGISTRY_IO_FAILED);
    const std::string path = folder + "/" + kStoreName;

    std::lock_guard<std::mutex> inProcess(ProcessLock());
    FileLock lock(path + ".lock");
    if (!lock.Held())
        return static_cast<LONG>(ERROR_REGISTRY_IO_FAILED);

    bool exists = false;
    std::string text;
    if (!ReadFile(path, exists, text))
        return static_cast<LONG>(ERROR_REGISTRY_IO_FAILED);
    RegistryKey machine;
    if (exists && !ParseRegistry(text, machine)) {
        if (!SetAside(path))
            return static_cast<LONG>(ERROR_REGISTRY_CORRUPT);
        machine = RegistryKey();
    }

    bool changed = false;
    const LONG result = work(machine, changed);
    if (changed && !ReplaceFile(folder, path, FormatRegistry(machine)))
        return static_cast<LONG>(ERROR_REGISTRY_IO_FAILED);
    return result;
}

} // namespace zv::win32
