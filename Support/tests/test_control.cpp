// A COM library standing in for the skin control: its registration entries are its class id under
// HKEY_CLASSES_ROOT\CLSID.
#include "platform/win32/com_base.h"
#include "platform/win32/registry_key.h"

namespace {

constexpr const char* kClassKey = "CLSID\\{5A3C1E2D-7B44-4C1F-9E0A-3D2B6F8A9C11}";

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer()
{
    const zv::win32::Key key = zv::win32::Key::Create(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\InprocServer32");
    return key && key.SetString("", "zvskin.ocx") ? S_OK : E_FAIL;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer()
{
    return zv::win32::DeleteKeyTree(HKEY_CLASSES_ROOT, kClassKey) ? S_OK : E_FAIL;
}
