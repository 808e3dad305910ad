#include "platform/dshow/system_device_enum.h"

#include "platform/dshow/capture_filter.h"
#include "platform/dshow/class_ids.h"
#include "platform/dshow/virtual_camera_filter.h"
#include "platform/win32/dispatch.h"
#include "platform/win32/string_conversion.h"

#include <string>
#include <vector>

namespace zv::dshow {

namespace {

class MonikerEnumerator final : public ComObject<IEnumMoniker> {
public:
    explicit MonikerEnumerator(std::vector<DeviceEntry> devices) : m_devices(std::move(devices)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IEnumMoniker, this}}, riid, ppv);
    }

    HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override
    {
        if (rgelt == nullptr) return E_POINTER;
        if (pceltFetched == nullptr && celt != 1) return E_INVALIDARG;
        ULONG fetched = 0;
        while (fetched < celt && m_next < m_devices.size()) rgelt[fetched++] = new DeviceMoniker(m_devices[m_next++]);
        if (pceltFetched) *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }

private:
    ~MonikerEnumerator() = default;

    std::vector<DeviceEntry> m_devices;
    std::size_t m_next = 0;
};

class DevicePropertyBag final : public ComObject<IPropertyBag> {
public:
    explicit DevicePropertyBag(const DeviceEntry& device) : m_device(device) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IPropertyBag, this}}, riid, ppv);
    }

    HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override
    {
        if (pszPropName == nullptr || pVar == nullptr) return E_POINTER;
        if (pVar->vt != VT_EMPTY && pVar->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        const std::u16string name(pszPropName);
        const std::optional<std::string>* value = nullptr;
        const std::optional<std::string> friendlyName = m_device.friendlyName;
        if (name == u"FriendlyName") value = &friendlyName;
        else if (name == u"Description") value = &m_device.description;
        else if (name == u"DevicePath") value = &m_device.devicePath;
        if (value == nullptr || !value->has_value()) return E_FAIL;

        const std::string& text = **value;
        const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        BSTR converted = SysAllocStringLen(nullptr, static_cast<UINT>(units));
        if (converted == nullptr) return E_OUTOFMEMORY;
        if (units > 0)
            MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), converted, units);
        VariantClear(pVar);
        pVar->vt = VT_BSTR;
        pVar->bstrVal = converted;
        return S_OK;
    }

private:
    ~DevicePropertyBag() = default;

    DeviceEntry m_device;
};

} // namespace

HRESULT SystemDeviceEnum::Create(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return HandOutNewObject(new SystemDeviceEnum(), riid, ppv);
}

HRESULT SystemDeviceEnum::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IUnknown, this}, {IID_ICreateDevEnum, this}}, riid, ppv);
}

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker, DWORD)
{
    if (ppEnumMoniker == nullptr) return E_POINTER;
    *ppEnumMoniker = nullptr;
    DeviceCategory category;
    if (clsidDeviceClass == CLSID_VideoInputDeviceCategory) category = DeviceCategory::Video;
    else if (clsidDeviceClass == CLSID_AudioInputDeviceCategory) category = DeviceCategory::Audio;
    else return E_INVALIDARG;
    std::vector<DeviceEntry> devices = ListDevices(category);
    if (devices.empty()) return S_FALSE;
    *ppEnumMoniker = new MonikerEnumerator(std::move(devices));
    return S_OK;
}

HRESULT DeviceMoniker::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IUnknown, this}, {IID_IMoniker, this}}, riid, ppv);
}

HRESULT DeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID riidResult, void** ppvResult)
{
    if (ppvResult == nullptr) return E_POINTER;
    *ppvResult = nullptr;
    // Audio input is listed by name only: no graph of this system captures sound from a device.
    if (m_device.category != DeviceCategory::Video) return E_NOTIMPL;
    if (m_device.hosted) return VirtualCameraFilter::Create(m_device, riidResult, ppvResult);
    return VideoCaptureFilter::Create(m_device, riidResult, ppvResult);
}

HRESULT DeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppvObj)
{
    if (ppvObj == nullptr) return E_POINTER;
    *ppvObj = nullptr;
    if (riid != IID_IPropertyBag) return E_NOINTERFACE;
    *ppvObj = static_cast<IPropertyBag*>(new DevicePropertyBag(m_device));
    return S_OK;
}

} // namespace zv::dshow
