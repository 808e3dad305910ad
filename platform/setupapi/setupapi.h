// Device installation over the emulated machine's registry (ZV_ROOT): the SetupDi* device
// information lists, the configuration manager's device ids, the INF calls the callers use, and the
// published constants and layouts. Devices are the instances recorded under
// SYSTEM\CurrentControlSet\Enum (docs/device-records.md); every recorded device is present (root
// devices need no hardware). UpdateDriverForPlugAndPlayDevicesA lives in the library "newdev.dll"
// (newdev/), which callers load by name.
#pragma once

#include "platform/user/user_types.h"
#include "platform/win32/last_error.h"
#include "platform/win32/guid.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/registry.h"
#include "platform/win32/types.h"

using HDEVINFO = void*;
using HINF = void*;
using DEVINST = DWORD;
using CONFIGRET = DWORD;
using HMACHINE = HANDLE;
using DI_FUNCTION = UINT;

constexpr DWORD DIGCF_DEFAULT = 0x1;
constexpr DWORD DIGCF_PRESENT = 0x2;
constexpr DWORD DIGCF_ALLCLASSES = 0x4;
constexpr DWORD DIGCF_PROFILE = 0x8;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;

constexpr DWORD DICD_GENERATE_ID = 0x1;
constexpr DWORD DIOD_INHERIT_CLASSDRVS = 0x2;

constexpr DWORD SPDRP_DEVICEDESC = 0x0;
constexpr DWORD SPDRP_HARDWAREID = 0x1;
constexpr DWORD SPDRP_COMPATIBLEIDS = 0x2;
constexpr DWORD SPDRP_SERVICE = 0x4;
constexpr DWORD SPDRP_CLASS = 0x7;
constexpr DWORD SPDRP_CLASSGUID = 0x8;
constexpr DWORD SPDRP_DRIVER = 0x9;
constexpr DWORD SPDRP_CONFIGFLAGS = 0xA;
constexpr DWORD SPDRP_MFG = 0xB;
constexpr DWORD SPDRP_FRIENDLYNAME = 0xC;

constexpr DI_FUNCTION DIF_REMOVE = 0x5;
constexpr DI_FUNCTION DIF_REGISTERDEVICE = 0x19;

constexpr DWORD DI_NEEDRESTART = 0x80;
constexpr DWORD DI_NEEDREBOOT = 0x100;

constexpr DWORD INSTALLFLAG_FORCE = 0x1;

constexpr DWORD INF_STYLE_OLDNT = 0x1;
constexpr DWORD INF_STYLE_WIN4 = 0x2;

constexpr UINT SPINST_LOGCONFIG = 0x1;
constexpr UINT SPINST_INIFILES = 0x2;
constexpr UINT SPINST_REGISTRY = 0x4;
constexpr UINT SPINST_INI2REG = 0x8;
constexpr UINT SPINST_FILES = 0x10;

constexpr DWORD SP_COPY_LANGUAGEAWARE = 0x20;
constexpr DWORD SP_COPY_NEWER_ONLY = 0x10000;

// Setup notifications of a file queue (SPFILENOTIFY_*).
constexpr UINT SPFILENOTIFY_STARTQUEUE = 0x1;
constexpr UINT SPFILENOTIFY_ENDQUEUE = 0x2;
constexpr UINT SPFILENOTIFY_STARTSUBQUEUE = 0x3;
constexpr UINT SPFILENOTIFY_ENDSUBQUEUE = 0x4;
constexpr UINT SPFILENOTIFY_STARTDELETE = 0x5;
constexpr UINT SPFILENOTIFY_ENDDELETE = 0x6;
constexpr UINT SPFILENOTIFY_DELETEERROR = 0x7;
constexpr UINT SPFILENOTIFY_STARTRENAME = 0x8;
constexpr UINT SPFILENOTIFY_ENDRENAME = 0x9;
constexpr UINT SPFILENOTIFY_RENAMEERROR = 0xA;
constexpr UINT SPFILENOTIFY_STARTCOPY = 0xB;
constexpr UINT SPFILENOTIFY_ENDCOPY = 0xC;
constexpr UINT SPFILENOTIFY_COPYERROR = 0xD;
constexpr UINT SPFILENOTIFY_NEEDMEDIA = 0xE;
constexpr UINT SPFILENOTIFY_QUEUESCAN = 0xF;
constexpr UINT SPFILENOTIFY_CABINETINFO = 0x10;
constexpr UINT SPFILENOTIFY_FILEINCABINET = 0x11;
constexpr UINT SPFILENOTIFY_NEEDNEWCABINET = 0x12;
constexpr UINT SPFILENOTIFY_FILEEXTRACTED = 0x13;
constexpr UINT SPFILENOTIFY_FILEOPDELAYED = 0x14;
constexpr UINT SPFILENOTIFY_QUEUESCAN_EX = 0x18;
constexpr UINT SPFILENOTIFY_STARTREGISTRATION = 0x19;
constexpr UINT SPFILENOTIFY_ENDREGISTRATION = 0x20;
constexpr UINT SPFILENOTIFY_LANGMISMATCH = 0x10000;
constexpr UINT SPFILENOTIFY_TARGETEXISTS = 0x20000;
constexpr UINT SPFILENOTIFY_TARGETNEWER = 0x40000;

constexpr CONFIGRET CR_SUCCESS = 0x0;
constexpr CONFIGRET CR_INVALID_POINTER = 0x3;
constexpr CONFIGRET CR_INVALID_DEVNODE = 0x5;
constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;
constexpr DWORD MAX_DEVICE_ID_LEN = 200;

// Setup errors (customer bit and facility, as published).
constexpr DWORD ERROR_LINE_NOT_FOUND = 0xE0000102;
constexpr DWORD ERROR_SECTION_NOT_FOUND = 0xE0000101;
constexpr DWORD ERROR_INVALID_CLASS = 0xE0000209;
constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020B;
constexpr DWORD ERROR_DEVINST_ALREADY_EXISTS = 0xE0000207;
constexpr DWORD ERROR_DI_BAD_PATH = 0xE0000214;
constexpr DWORD ERROR_NO_DRIVER_SELECTED = 0xE0000203;
constexpr DWORD ERROR_NO_COMPAT_DRIVERS = 0xE0000228;

using PSP_FILE_CALLBACK_A = UINT (*)(void* context, UINT notification, UINT_PTR param1, UINT_PTR param2);

struct SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};
using PSP_DEVINFO_DATA = SP_DEVINFO_DATA*;

struct SP_DEVINFO_LIST_DETAIL_DATA_A {
    DWORD cbSize;
    GUID ClassGuid;
    HANDLE RemoteMachineHandle;
    char RemoteMachineName[263];
};
using PSP_DEVINFO_LIST_DETAIL_DATA_A = SP_DEVINFO_LIST_DETAIL_DATA_A*;

struct SP_DEVINSTALL_PARAMS_A {
    DWORD cbSize;
    DWORD Flags;
    DWORD FlagsEx;
    HWND hwndParent;
    PSP_FILE_CALLBACK_A InstallMsgHandler;
    void* InstallMsgHandlerContext;
    void* FileQueue;
    ULONG_PTR ClassInstallReserved;
    DWORD Reserved;
    char DriverPath[MAX_PATH];
};
using PSP_DEVINSTALL_PARAMS_A = SP_DEVINSTALL_PARAMS_A*;

// Device information lists. A device created in a list becomes a recorded device with
// DIF_REGISTERDEVICE; one never registered is forgotten when its list is destroyed.
HDEVINFO SetupDiGetClassDevsExA(const GUID* classGuid, LPCSTR enumerator, HWND parent, DWORD flags,
                                HDEVINFO deviceInfoSet, LPCSTR machineName, void* reserved);
HDEVINFO SetupDiCreateDeviceInfoList(const GUID* classGuid, HWND parent);
HDEVINFO SetupDiCreateDeviceInfoListExA(const GUID* classGuid, HWND parent, LPCSTR machineName, void* reserved);
BOOL SetupDiGetDeviceInfoListDetailA(HDEVINFO deviceInfoSet, PSP_DEVINFO_LIST_DETAIL_DATA_A detail);
BOOL SetupDiEnumDeviceInfo(HDEVINFO deviceInfoSet, DWORD memberIndex, PSP_DEVINFO_DATA deviceInfoData);
BOOL SetupDiOpenDeviceInfoA(HDEVINFO deviceInfoSet, LPCSTR deviceInstanceId, HWND parent, DWORD openFlags,
                            PSP_DEVINFO_DATA deviceInfoData);
BOOL SetupDiCreateDeviceInfoA(HDEVINFO deviceInfoSet, LPCSTR deviceName, const GUID* classGuid,
                              LPCSTR deviceDescription, HWND parent, DWORD creationFlags,
                              PSP_DEVINFO_DATA deviceInfoData);
BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, DWORD property,
                                       DWORD* propertyRegDataType, BYTE* propertyBuffer, DWORD propertyBufferSize,
                                       DWORD* requiredSize);
BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, DWORD property,
                                       const BYTE* propertyBuffer, DWORD propertyBufferSize);
BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, LPSTR deviceInstanceId,
                                 DWORD deviceInstanceIdSize, DWORD* requiredSize);
// DIF_REGISTERDEVICE records a created device; DIF_REMOVE removes a device's records and stops
// its host, or, while the host serves clients, leaves the host running and sets DI_NEEDREBOOT.
BOOL SetupDiCallClassInstaller(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData);
BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData,
                                    PSP_DEVINSTALL_PARAMS_A deviceInstallParams);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet);

// The class of an INF's [Version] section.
BOOL SetupDiGetINFClassA(LPCSTR infName, GUID* classGuid, LPSTR className, DWORD classNameSize, DWORD* requiredSize);

// INF files. SetupInstallFromInfSectionA does the registry part (SPINST_REGISTRY: AddReg and
// DelReg of the section and of the sections it Needs); other flags fail with ERROR_NOT_SUPPORTED.
HINF SetupOpenInfFileA(LPCSTR fileName, LPCSTR infClass, DWORD infStyle, UINT* errorLine);
void SetupCloseInfFile(HINF infHandle);
BOOL SetupInstallFromInfSectionA(HWND owner, HINF infHandle, LPCSTR sectionName, UINT flags, HKEY relativeKeyRoot,
                                 LPCSTR sourceRootPath, UINT copyFlags, PSP_FILE_CALLBACK_A msgHandler,
                                 void* context, HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData);

// The configuration manager: the instance id of a device node.
CONFIGRET CM_Get_Device_ID_ExA(DEVINST devInst, LPSTR buffer, ULONG bufferLen, ULONG flags, HMACHINE machine);

// The signature of newdev.dll's export.
using UpdateDriverForPlugAndPlayDevicesAProc = BOOL (*)(HWND parent, LPCSTR hardwareId, LPCSTR fullInfPath,
                                                        DWORD installFlags, BOOL* rebootRequired);
