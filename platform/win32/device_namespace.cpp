#include "platform/win32/device_namespace.h"

#include <cctype>
#include <map>
#include <mutex>

namespace zv::win32 {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<DeviceProvider>> providers;
    std::shared_ptr<DeviceProvider> fallback;
};

Registry& Providers()
{
    static auto* registry = new Registry();
    return *registry;
}

// The name after the prefix, lower-cased (ASCII), or empty for a path that is no device path.
std::string DeviceKey(std::string_view path)
{
    if (!IsDevicePath(path))
        return {};
    std::string key;
    for (char c : path.substr(4))
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

} // namespace

bool IsDevicePath(std::string_view path)
{
    return path.size() > 4 && path[0] == '\\' && path[1] == '\\' && (path[2] == '.' || path[2] == '?') &&
           path[3] == '\\';
}

bool RegisterDeviceProvider(std::string_view path, std::shared_ptr<DeviceProvider> provider)
{
    const std::string key = DeviceKey(path);
    if (key.empty() || !provider)
        return false;
    Registry& registry = Providers();
    std::lock_guard lock(registry.mutex);
    return registry.providers.emplace(key, std::move(provider)).second;
}

bool UnregisterDeviceProvider(std::string_view path)
{
    std::shared_ptr<DeviceProvider> removed; // released outside the lock
    Registry& registry = Providers();
    std::lock_guard lock(registry.mutex);
    auto it = registry.providers.find(DeviceKey(path));
    if (it == registry.providers.end())
        return false;
    removed = std::move(it->second);
    registry.providers.erase(it);
    return true;
}

void SetFallbackDeviceProvider(std::shared_ptr<DeviceProvider> provider)
{
    Registry& registry = Providers();
    std::lock_guard lock(registry.mutex);
    std::swap(registry.fallback, provider); // the old one is released outside the lock
}

HANDLE OpenDevicePath(std::string_view path, DWORD desiredAccess)
{
    std::shared_ptr<DeviceProvider> provider;
    {
        Registry& registry = Providers();
        std::lock_guard lock(registry.mutex);
        auto it = registry.providers.find(DeviceKey(path));
        if (it != registry.providers.end())
            provider = it->second;
        else if (IsDevicePath(path))
            provider = registry.fallback;
    }
    if (!provider) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = ERROR_SUCCESS;
    std::shared_ptr<IoObject> connection = provider->Open(std::string(path), desiredAccess, error);
    if (!connection) {
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = InsertHandle(std::move(connection));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

} // namespace zv::win32
