#include "platform/ks/devhost/device_paths.h"

#include "platform/ks/devhost/host_connection.h"
#include "platform/win32/device_namespace.h"

#include <limits>
#include <mutex>

namespace zv::devhost {

namespace {

DWORD WindowsErrorOf(NTSTATUS status)
{
    switch (status) {
    case STATUS_DEVICE_NOT_CONNECTED:
        return ERROR_DEVICE_NOT_CONNECTED;
    case STATUS_INVALID_PARAMETER:
        return ERROR_INVALID_PARAMETER;
    case STATUS_BUFFER_TOO_SMALL:
        return ERROR_INSUFFICIENT_BUFFER;
    case STATUS_INSUFFICIENT_RESOURCES:
        return ERROR_NOT_ENOUGH_MEMORY;
    case STATUS_NOT_SUPPORTED:
        return ERROR_NOT_SUPPORTED;
    case STATUS_INVALID_DEVICE_REQUEST:
        return ERROR_INVALID_FUNCTION;
    case STATUS_CANCELLED:
        return ERROR_OPERATION_ABORTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// One open handle on a device path: its own connection to the host.
class DeviceHandle : public zv::win32::IoObject {
public:
    explicit DeviceHandle(std::shared_ptr<HostConnection> connection) : m_connection(std::move(connection)) {}

    zv::win32::IoResult Read(void* buffer, DWORD bytes) override
    {
        ULONG_PTR moved = 0;
        const NTSTATUS status = m_connection->DeviceRead(buffer, bytes, &moved);
        return Result(status, moved);
    }
    zv::win32::IoResult Write(const void* buffer, DWORD bytes) override
    {
        ULONG_PTR moved = 0;
        const NTSTATUS status = m_connection->DeviceWrite(buffer, bytes, &moved);
        return Result(status, moved);
    }

private:
    static zv::win32::IoResult Result(NTSTATUS status, ULONG_PTR moved)
    {
        zv::win32::IoResult result;
        result.bytes = static_cast<DWORD>(std::min<ULONG_PTR>(moved, std::numeric_limits<DWORD>::max()));
        if (!NT_SUCCESS(status)) result.error = WindowsErrorOf(status);
        return result;
    }

    std::shared_ptr<HostConnection> m_connection;
};

class HostedDevices : public zv::win32::DeviceProvider {
public:
    std::shared_ptr<zv::win32::IoObject> Open(const std::string& path, DWORD, DWORD& error) override
    {
        auto connection = HostConnection::Open(path, &error);
        if (!connection) return nullptr;
        return std::make_shared<DeviceHandle>(std::move(connection));
    }
};

}  // namespace

void InstallDevicePaths()
{
    static std::once_flag installed;
    std::call_once(installed, [] { zv::win32::SetFallbackDeviceProvider(std::make_shared<HostedDevices>()); });
}

}  // namespace zv::devhost
