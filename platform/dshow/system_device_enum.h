// The system device enumerator (CLSID_SystemDeviceEnum) with its monikers and property bags.
#pragma once

#include "platform/dshow/com_object.h"
#include "platform/dshow/device_catalog.h"
#include "platform/dshow/device_enum.h"

namespace zv::dshow {

class SystemDeviceEnum final : public ComObject<ICreateDevEnum> {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    // The devices present now; unknown categories give E_INVALIDARG.
    HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker, DWORD dwFlags) override;

private:
    SystemDeviceEnum() = default;
    ~SystemDeviceEnum() = default;

};

// A moniker of one device.
class DeviceMoniker final : public ComObject<IMoniker> {
public:
    explicit DeviceMoniker(DeviceEntry device) : m_device(std::move(device)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult, void** ppvResult) override;
    HRESULT BindToStorage(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) override;

private:
    ~DeviceMoniker() = default;

    DeviceEntry m_device;
};

} // namespace zv::dshow
