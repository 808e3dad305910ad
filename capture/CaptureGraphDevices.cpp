#include "capture/CaptureGraph.h"

#include "capture/ComRelease.h"
#include "platform/win32/com.h"
#include "platform/win32/string_conversion.h"

#include <optional>

namespace {

// A property of the bag in the ANSI code page; nothing when the device does not have it.
std::optional<std::string> ReadOptionalProperty(IPropertyBag* pBag, const char16_t* name)
{
    VARIANT value;
    VariantInit(&value);
    std::optional<std::string> text;
    if (SUCCEEDED(pBag->Read(name, &value, nullptr)) && value.vt == VT_BSTR) {
        text.emplace();
        const int units = static_cast<int>(SysStringLen(value.bstrVal));
        const int bytes = WideCharToMultiByte(CP_ACP, 0, value.bstrVal, units, nullptr, 0, nullptr, nullptr);
        if (units > 0 && bytes > 0) {
            text->resize(static_cast<std::size_t>(bytes));
            WideCharToMultiByte(CP_ACP, 0, value.bstrVal, units, text->data(), bytes, nullptr, nullptr);
        }
    }
    VariantClear(&value);
    return text;
}

std::string ReadProperty(IPropertyBag* pBag, const char16_t* name)
{
    return ReadOptionalProperty(pBag, name).value_or(std::string());
}

DeviceInfo ReadDevice(IPropertyBag* pBag)
{
    DeviceInfo device;
    device.m_strFriendlyName = ReadProperty(pBag, u"FriendlyName");
    device.m_strDescription = ReadProperty(pBag, u"Description");
    device.m_strDevicePath = ReadProperty(pBag, u"DevicePath");
    return device;
}

// The monikers of a device category. S_FALSE (and no enumerator) for an empty category.
HRESULT EnumerateCategory(REFCLSID category, ICreateDevEnum** ppDevEnum, IEnumMoniker** ppEnum)
{
    *ppDevEnum = nullptr;
    *ppEnum = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  reinterpret_cast<void**>(ppDevEnum));
    if (FAILED(hr)) return hr;
    return (*ppDevEnum)->CreateClassEnumerator(category, ppEnum, 0);
}

IPropertyBag* BindPropertyBag(IMoniker* pMoniker)
{
    IPropertyBag* pBag = nullptr;
    if (FAILED(pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&pBag))))
        return nullptr;
    return pBag;
}

} // namespace

HRESULT CCaptureGraph::FindCaptureDevice(const DeviceInfo& device, IBaseFilter** ppFilter, std::string& strError)
{
    strError.clear();
    if (ppFilter == nullptr) return E_POINTER;
    ICreateDevEnum* pDevEnum = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  reinterpret_cast<void**>(&pDevEnum));
    if (FAILED(hr)) {
        strError = "Can't create an instance of system device enumerator.";
        return hr;
    }
    IEnumMoniker* pEnum = nullptr;
    hr = pDevEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &pEnum, 0);
    ReleaseAndClear(pDevEnum);
    if (FAILED(hr)) {
        strError = "Can't create an instance of enumerator for video capture category.";
        return hr;
    }
    if (pEnum != nullptr) {
        IMoniker* pMoniker = nullptr;
        while (pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
            IPropertyBag* pBag = BindPropertyBag(pMoniker);
            if (pBag != nullptr) {
                const DeviceInfo found = ReadDevice(pBag);
                ReleaseAndClear(pBag);
                if (found.m_strDescription == device.m_strDescription &&
                    found.m_strFriendlyName == device.m_strFriendlyName &&
                    found.m_strDevicePath == device.m_strDevicePath) {
                    hr = pMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
                    ReleaseAndClear(pMoniker);
                    ReleaseAndClear(pEnum);
                    return hr;
                }
            }
            ReleaseAndClear(pMoniker);
        }
        ReleaseAndClear(pEnum);
    }
    strError = "Device not found";
    return E_FAIL;
}

int CCaptureGraph::EnumVideoDevices(DeviceInfo* pDevices, int* pnCount)
{
    if (pnCount == nullptr) return 1;
    ICreateDevEnum* pDevEnum = nullptr;
    IEnumMoniker* pEnum = nullptr;
    const HRESULT hr = EnumerateCategory(CLSID_VideoInputDeviceCategory, &pDevEnum, &pEnum);
    ReleaseAndClear(pDevEnum);
    if (FAILED(hr)) return 1;
    const int capacity = *pnCount;
    int count = 0;
    if (pEnum != nullptr) {
        IMoniker* pMoniker = nullptr;
        while (pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
            if (IPropertyBag* pBag = BindPropertyBag(pMoniker)) {
                // Devices beyond the capacity are counted, not stored.
                if (pDevices != nullptr && count < capacity) pDevices[count] = ReadDevice(pBag);
                ++count;
                pBag->Release();
            }
            ReleaseAndClear(pMoniker);
        }
        ReleaseAndClear(pEnum);
    }
    *pnCount = count;
    return capacity < count ? 2 : 0;
}

int CCaptureGraph::EnumAudioDevices(std::vector<std::string>& names)
{
    names.clear();
    ICreateDevEnum* pDevEnum = nullptr;
    IEnumMoniker* pEnum = nullptr;
    const HRESULT hr = EnumerateCategory(CLSID_AudioInputDeviceCategory, &pDevEnum, &pEnum);
    ReleaseAndClear(pDevEnum);
    if (FAILED(hr)) return 0;
    int count = 0;
    if (pEnum != nullptr) {
        IMoniker* pMoniker = nullptr;
        while (pEnum->Next(1, &pMoniker, nullptr) == S_OK) {
            if (IPropertyBag* pBag = BindPropertyBag(pMoniker)) {
                ++count;
                if (std::optional<std::string> name = ReadOptionalProperty(pBag, u"FriendlyName"))
                    names.push_back(std::move(*name));
                pBag->Release();
            }
            ReleaseAndClear(pMoniker);
        }
        ReleaseAndClear(pEnum);
    }
    return count;
}
