// SetupDi* device information lists and the configuration manager's device ids.
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_launcher.h"
#include "platform/setupapi/device_store.h"
#include "platform/setupapi/driver_setup.h"
#include "platform/setupapi/inf_file.h"
#include "platform/setupapi/setupapi.h"
#include "platform/win32/last_error.h"
#include "platform/win32/registry_key.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <set>

namespace zv::setupapi {
namespace {

using zv::win32::Key;

struct Member {
    std::string instanceId;
    bool createdHere = false;  // a phantom until DIF_REGISTERDEVICE
    DWORD installFlags = 0;
};

struct DeviceInfoList {
    std::optional<GUID> classGuid;
    std::vector<Member> members;
};

std::mutex g_listsLock;
std::set<DeviceInfoList*> g_lists;

// The list behind a handle; null with ERROR_INVALID_HANDLE.
DeviceInfoList* ListOf(HDEVINFO handle)
{
    std::lock_guard lock(g_listsLock);
    auto* list = static_cast<DeviceInfoList*>(handle);
    if (!g_lists.count(list)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return list;
}

HDEVINFO NewList(std::optional<GUID> classGuid)
{
    auto list = std::make_unique<DeviceInfoList>();
    list->classGuid = classGuid;
    std::lock_guard lock(g_listsLock);
    g_lists.insert(list.get());
    return list.release();
}

std::optional<GUID> ClassOf(const std::string& instanceId)
{
    const auto text = Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId)).String("ClassGUID");
    return text ? zv::win32::ParseGuidText(*text) : std::nullopt;
}

void Describe(const Member& member, PSP_DEVINFO_DATA data)
{
    data->ClassGuid = ClassOf(member.instanceId).value_or(GUID_NULL);
    data->DevInst = DeviceNodeOf(member.instanceId);
}

// The member a caller's device data names; null with an error when none.
Member* MemberOf(DeviceInfoList* list, PSP_DEVINFO_DATA data)
{
    if (!list) return nullptr;
    if (!data || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto instance = InstanceOfDeviceNode(data->DevInst);
    for (Member& member : list->members)
        if (instance && SameText(member.instanceId, *instance)) return &member;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

Member* AddMember(DeviceInfoList* list, const std::string& instanceId, bool createdHere)
{
    for (Member& member : list->members)
        if (SameText(member.instanceId, instanceId)) return &member;
    list->members.push_back(Member{instanceId, createdHere, 0});
    return &list->members.back();
}

bool CopyText(const std::string& text, LPSTR buffer, DWORD size, DWORD* required)
{
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (required) *required = needed;
    if (!buffer || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memcpy(buffer, text.c_str(), needed);
    return true;
}

// Removes a device's records and its driver key. While its host runs (the driver is in use) the
// host is left to serve its clients and the removal asks for a restart.
bool RemoveDevice(Member& member)
{
    const auto driver = Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(member.instanceId)).String("Driver");
    const bool inUse = zv::devhost::HostRunning(member.instanceId);
    if (!zv::devhost::RemoveDeviceRecord(member.instanceId, !inUse)) {
        SetLastError(ERROR_NO_SUCH_DEVINST);
        return false;
    }
    if (driver && !driver->empty()) zv::win32::DeleteKeyTree(HKEY_LOCAL_MACHINE, DriverKeyPath(*driver));
    if (inUse) member.installFlags |= DI_NEEDREBOOT;
    return true;
}

}  // namespace
}  // namespace zv::setupapi

using namespace zv::setupapi;

HDEVINFO SetupDiCreateDeviceInfoList(const GUID* classGuid, HWND)
{
    return NewList(classGuid ? std::optional<GUID>(*classGuid) : std::nullopt);
}

HDEVINFO SetupDiCreateDeviceInfoListExA(const GUID* classGuid, HWND parent, LPCSTR machineName, void*)
{
    if (machineName && *machineName) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    return SetupDiCreateDeviceInfoList(classGuid, parent);
}

HDEVINFO SetupDiGetClassDevsExA(const GUID* classGuid, LPCSTR enumerator, HWND, DWORD flags, HDEVINFO deviceInfoSet,
                                LPCSTR machineName, void*)
{
    if ((machineName && *machineName) || deviceInfoSet || (flags & DIGCF_DEVICEINTERFACE)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    if (!(flags & DIGCF_ALLCLASSES) && !classGuid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool allClasses = flags & DIGCF_ALLCLASSES;
    HDEVINFO handle = NewList(allClasses ? std::nullopt : std::optional<GUID>(*classGuid));
    DeviceInfoList* list = static_cast<DeviceInfoList*>(handle);
    const std::string prefix = enumerator ? LowerCase(std::string(enumerator) + "\\") : std::string();
    for (const std::string& instance : ListPresentInstances()) {
        if (!prefix.empty() && LowerCase(instance).rfind(prefix, 0) != 0) continue;
        if (!allClasses && ClassOf(instance) != *classGuid) continue;
        AddMember(list, instance, false);
    }
    return handle;
}

BOOL SetupDiGetDeviceInfoListDetailA(HDEVINFO deviceInfoSet, PSP_DEVINFO_LIST_DETAIL_DATA_A detail)
{
    DeviceInfoList* list = ListOf(deviceInfoSet);
    if (!list) return FALSE;
    if (!detail || detail->cbSize != sizeof(SP_DEVINFO_LIST_DETAIL_DATA_A)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    detail->ClassGuid = list->classGuid.value_or(GUID_NULL);
    detail->RemoteMachineHandle = nullptr;
    detail->RemoteMachineName[0] = '\0';
    return TRUE;
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO deviceInfoSet, DWORD memberIndex, PSP_DEVINFO_DATA deviceInfoData)
{
    DeviceInfoList* list = ListOf(deviceInfoSet);
    if (!list) return FALSE;
    if (!deviceInfoData || deviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (memberIndex >= list->members.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    Describe(list->members[memberIndex], deviceInfoData);
    return TRUE;
}

BOOL SetupDiOpenDeviceInfoA(HDEVINFO deviceInfoSet, LPCSTR deviceInstanceId, HWND, DWORD, PSP_DEVINFO_DATA deviceInfoData)
{
    DeviceInfoList* list = ListOf(deviceInfoSet);
    if (!list) return FALSE;
    if (!deviceInstanceId || (deviceInfoData && deviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The id as the registry spells it.
    std::optional<std::string> found;
    for (const std::string& instance : ListPresentInstances())
        if (SameText(instance, deviceInstanceId)) found = instance;
    if (!found || (list->classGuid && ClassOf(*found) != *list->classGuid)) {
        SetLastError(found ? ERROR_INVALID_CLASS : ERROR_NO_SUCH_DEVINST);
        return FALSE;
    }
    const Member* member = AddMember(list, *found, false);
    if (deviceInfoData) Describe(*member, deviceInfoData);
    return TRUE;
}

BOOL SetupDiCreateDeviceInfoA(HDEVINFO deviceInfoSet, LPCSTR deviceName, const GUID* classGuid, LPCSTR deviceDescription,
                              HWND, DWORD creationFlags, PSP_DEVINFO_DATA deviceInfoData)
{
    DeviceInfoList* list = ListOf(deviceInfoSet);
    if (!list) return FALSE;
    if (!deviceName || !classGuid || !(creationFlags & DICD_GENERATE_ID) ||
        (deviceInfoData && deviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA))) {
        // Only generated root ids: no caller names an instance itself.
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (list->classGuid && *list->classGuid != *classGuid) {
        SetLastError(ERROR_INVALID_CLASS);
        return FALSE;
    }
    const auto instance = CreatePhantomInstance(deviceName);
    if (!instance) {
        SetLastError(ERROR_DEVINST_ALREADY_EXISTS);
        return FALSE;
    }
    const Key key = Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(*instance));
    if (!key.SetString("ClassGUID", zv::win32::GuidToText(*classGuid)) ||
        (deviceDescription && !key.SetString("DeviceDesc", deviceDescription))) {
        ForgetPhantomInstance(*instance);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const Member* member = AddMember(list, *instance, true);
    if (deviceInfoData) Describe(*member, deviceInfoData);
    return TRUE;
}

BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, DWORD property,
                                       DWORD* propertyRegDataType, BYTE* propertyBuffer, DWORD propertyBufferSize,
                                       DWORD* requiredSize)
{
    const Member* member = MemberOf(ListOf(deviceInfoSet), deviceInfoData);
    if (!member) return FALSE;
    const char* name = PropertyValueName(property);
    DWORD type = 0;
    const auto value = *name ? Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(member->instanceId)).Raw(name, &type)
                             : std::nullopt;
    if (!value) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (propertyRegDataType) *propertyRegDataType = type;
    if (requiredSize) *requiredSize = static_cast<DWORD>(value->size());
    if (!propertyBuffer || propertyBufferSize < value->size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(propertyBuffer, value->data(), value->size());
    return TRUE;
}

BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, DWORD property,
                                       const BYTE* propertyBuffer, DWORD propertyBufferSize)
{
    const Member* member = MemberOf(ListOf(deviceInfoSet), deviceInfoData);
    if (!member) return FALSE;
    DWORD type = REG_SZ;
    if (property == SPDRP_HARDWAREID || property == SPDRP_COMPATIBLEIDS) type = REG_MULTI_SZ;
    if (property == SPDRP_CONFIGFLAGS) type = REG_DWORD;
    const char* name = PropertyValueName(property);
    if (!*name || property == SPDRP_SERVICE || property == SPDRP_DRIVER || property == SPDRP_CLASS ||
        property == SPDRP_CLASSGUID) {
        // What only an installation writes.
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const Key key = Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(member->instanceId));
    if (!propertyBuffer || propertyBufferSize == 0) {
        if (key) RegDeleteValueA(key.Get(), name);
        return TRUE;
    }
    if (!key.SetValue(name, type, propertyBuffer, propertyBufferSize)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, LPSTR deviceInstanceId,
                                 DWORD deviceInstanceIdSize, DWORD* requiredSize)
{
    const Member* member = MemberOf(ListOf(deviceInfoSet), deviceInfoData);
    return member && CopyText(member->instanceId, deviceInstanceId, deviceInstanceIdSize, requiredSize);
}

BOOL SetupDiCallClassInstaller(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData)
{
    Member* member = MemberOf(ListOf(deviceInfoSet), deviceInfoData);
    if (!member) return FALSE;
    switch (installFunction) {
    case DIF_REGISTERDEVICE:
        if (!member->createdHere || InstanceRegistered(member->instanceId)) {
            SetLastError(ERROR_DEVINST_ALREADY_EXISTS);
            return FALSE;
        }
        if (!RegisterInstance(member->instanceId)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return TRUE;
    case DIF_REMOVE:
        return RemoveDevice(*member);
    default:
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
}

BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData,
                                    PSP_DEVINSTALL_PARAMS_A deviceInstallParams)
{
    DeviceInfoList* list = ListOf(deviceInfoSet);
    if (!list) return FALSE;
    if (!deviceInstallParams || deviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD flags = 0;
    if (deviceInfoData) {
        const Member* member = MemberOf(list, deviceInfoData);
        if (!member) return FALSE;
        flags = member->installFlags;
    }
    std::memset(deviceInstallParams, 0, sizeof *deviceInstallParams);
    deviceInstallParams->cbSize = sizeof *deviceInstallParams;
    deviceInstallParams->Flags = flags;
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet)
{
    std::unique_ptr<DeviceInfoList> list;
    {
        std::lock_guard lock(g_listsLock);
        auto* raw = static_cast<DeviceInfoList*>(deviceInfoSet);
        if (!g_lists.erase(raw)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        list.reset(raw);
    }
    for (const Member& member : list->members)
        if (member.createdHere) ForgetPhantomInstance(member.instanceId);
    return TRUE;
}

CONFIGRET CM_Get_Device_ID_ExA(DEVINST devInst, LPSTR buffer, ULONG bufferLen, ULONG, HMACHINE machine)
{
    if (!buffer) return CR_INVALID_POINTER;
    if (machine) return CR_INVALID_DEVNODE;
    const auto instance = InstanceOfDeviceNode(devInst);
    if (!instance) return CR_INVALID_DEVNODE;
    if (bufferLen < instance->size()) return CR_BUFFER_SMALL;
    // As the platform does: the id without a NUL when it exactly fills the buffer.
    std::memcpy(buffer, instance->c_str(), std::min<std::size_t>(instance->size() + 1, bufferLen));
    return CR_SUCCESS;
}
