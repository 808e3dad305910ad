#include "platform/win32/file_mapping.h"

#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/named_objects.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::win32 {

namespace {

class MappingObject;

std::map<std::string, std::weak_ptr<MappingObject>>& NamedMappings()
{
    static auto* mappings = new std::map<std::string, std::weak_ptr<MappingObject>>();
    return *mappings;
}

// One block of shared memory. Handles and views keep it alive; when the last process lets go, the
// shared-memory object is removed.
class MappingObject final : public KernelObject {
public:
    MappingObject(std::string objectsFolder, std::string key, std::string shmName,
                  std::unique_ptr<PresenceLock> presence, int fd, std::uint64_t size)
        : m_objectsFolder(std::move(objectsFolder)), m_key(std::move(key)), m_shmName(std::move(shmName)), m_presence(std::move(presence)), m_fd(fd),
          m_size(size)
    {
    }

    ~MappingObject() override
    {
        close(m_fd);
        NamespaceGate gate(m_objectsFolder);
        if (m_presence->Leave(gate))
            shm_unlink(m_shmName.c_str());
        auto& named = NamedMappings();
        auto it = named.find(m_key);
        if (it != named.end() && it->second.expired())
            named.erase(it);
    }

    int Fd() const { return m_fd; }
    std::uint64_t Size() const { return m_size; }

private:
    const std::string m_objectsFolder;
    const std::string m_key;
    const std::string m_shmName;
    const std::unique_ptr<PresenceLock> m_presence;
    const int m_fd;
    const std::uint64_t m_size;
};

struct View {
    std::size_t length;
    std::shared_ptr<MappingObject> mapping;
};

struct ViewTable {
    std::mutex mutex;
    std::map<std::uintptr_t, View> views;
};

ViewTable& Views()
{
    static auto* views = new ViewTable();
    return *views;
}

std::uint64_t SizeOf(int fd)
{
    struct stat info {};
    return fstat(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// Opens or creates a named block under the gate. `createSize` 0 opens an existing block only.
// The mapping comes back in `result`, which the caller drops after the gate is released.
bool OpenNamedMapping(const std::string& name, std::uint64_t createSize, std::shared_ptr<MappingObject>& result,
                      bool& existed)
{
    const std::string folder = NamedObjectsFolder();
    NamespaceGate gate(folder);
    if (!gate.Ok())
        return false;
    const std::string presencePath = NamedObjectPath(folder, "mapping", name, ".presence");
    const std::string shmName = NamedObjectShmName("mapping", name);

    auto& named = NamedMappings();
    if (auto it = named.find(presencePath); it != named.end())
        result = it->second.lock();
    if (!result) {
        auto presence = std::make_unique<PresenceLock>();
        if (createSize == 0) {
            if (!presence->JoinExisting(gate, presencePath))
                return false;
            existed = true;
        } else if (!presence->Join(gate, presencePath, existed)) {
            return false;
        }
        int fd = -1;
        if (existed) {
            fd = shm_open(shmName.c_str(), O_RDWR | O_CLOEXEC, 0600);
        } else {
            // Whatever a dead process left under the name is not ours to reuse.
            shm_unlink(shmName.c_str());
            fd = shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0 && ftruncate(fd, static_cast<off_t>(createSize)) != 0) {
                const int error = errno;
                close(fd);
                shm_unlink(shmName.c_str());
                fd = -1;
                errno = error;
            }
        }
        if (fd < 0) {
            SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
            presence->Leave(gate);
            return false;
        }
        result = std::make_shared<MappingObject>(folder, presencePath, shmName, std::move(presence), fd, SizeOf(fd));
        named[presencePath] = result;
    } else {
        existed = true;
    }
    if (result->Size() < createSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

HANDLE HandleForNamedMapping(const std::string& name, std::uint64_t createSize)
{
    std::shared_ptr<MappingObject> mapping; // dropped after the gate: its last close takes the gate
    bool existed = false;
    if (!OpenNamedMapping(name, createSize, mapping, existed))
        return nullptr;
    HANDLE handle = InsertHandle(mapping);
    if (handle)
        SetLastError(existed && createSize != 0 ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

} // namespace

} // namespace zv::win32

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protection, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name)
{
    using namespace zv::win32;
    if (file != INVALID_HANDLE_VALUE || protection != PAGE_READWRITE || !name || !*name) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    const std::uint64_t size = (static_cast<std::uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
    if (size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return HandleForNamedMapping(name, size);
}

HANDLE OpenFileMappingA(DWORD, BOOL, LPCSTR name)
{
    using namespace zv::win32;
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return HandleForNamedMapping(name, 0);
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes)
{
    using namespace zv::win32;
    auto object = LookupHandleAs<MappingObject>(mapping);
    if (!object)
        return nullptr;
    const std::uint64_t offset = (static_cast<std::uint64_t>(offsetHigh) << 32) | offsetLow;
    const auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    if (offset % pageSize != 0) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (offset >= object->Size() || bytes > object->Size() - offset) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const std::size_t length = bytes != 0 ? bytes : static_cast<std::size_t>(object->Size() - offset);
    int protection = 0;
    if (desiredAccess & (FILE_MAP_READ | FILE_MAP_WRITE))
        protection |= PROT_READ;
    if (desiredAccess & FILE_MAP_WRITE)
        protection |= PROT_WRITE;
    if (protection == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* address = mmap(nullptr, length, protection, MAP_SHARED, object->Fd(), static_cast<off_t>(offset));
    if (address == MAP_FAILED) {
        SetLastError(ErrorFromErrno(errno));
        return nullptr;
    }
    ViewTable& views = Views();
    std::lock_guard lock(views.mutex);
    views.views[reinterpret_cast<std::uintptr_t>(address)] = View{length, std::move(object)};
    return address;
}

BOOL UnmapViewOfFile(LPCVOID baseAddress)
{
    using namespace zv::win32;
    View view{};
    {
        ViewTable& views = Views();
        std::lock_guard lock(views.mutex);
        auto it = views.views.find(reinterpret_cast<std::uintptr_t>(baseAddress));
        if (it == views.views.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        view = std::move(it->second);
        views.views.erase(it);
    }
    munmap(const_cast<void*>(baseAddress), view.length);
    return TRUE;
}
