#include "layer_fixture.h"

#include <string>

namespace {

using zv::dshow::ComRef;

class DeviceEnumerator : public zv::dshow::testing::LayerTest {};

std::u16string ReadBstr(IPropertyBag* bag, const char16_t* name, HRESULT* result)
{
    VARIANT value;
    VariantInit(&value);
    *result = bag->Read(name, &value, nullptr);
    std::u16string text;
    if (value.vt == VT_BSTR) text.assign(value.bstrVal, SysStringLen(value.bstrVal));
    VariantClear(&value);
    return text;
}

TEST_F(DeviceEnumerator, ListsTheTestCamerasWithTheirProperties)
{
    auto devEnum = Create<ICreateDevEnum>(CLSID_SystemDeviceEnum, IID_ICreateDevEnum);
    IEnumMoniker* monikers = nullptr;
    ASSERT_EQ(S_OK, devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
    auto enumerator = ComRef<IEnumMoniker>::Adopt(monikers);
    IMoniker* batch[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, enumerator->Next(3, batch, &fetched)); // two cameras only
    ASSERT_EQ(2u, fetched);
    const char16_t* names[] = {u"Cam A", u"Cam B"};
    const char16_t* paths[] = {u"zv-test-camera:0", u"zv-test-camera:1"};
    for (ULONG i = 0; i < fetched; ++i) {
        auto moniker = ComRef<IMoniker>::Adopt(batch[i]);
        IPropertyBag* bag = nullptr;
        ASSERT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)));
        auto properties = ComRef<IPropertyBag>::Adopt(bag);
        HRESULT hr = E_FAIL;
        EXPECT_EQ(names[i], ReadBstr(bag, u"FriendlyName", &hr));
        EXPECT_EQ(S_OK, hr);
        EXPECT_EQ(paths[i], ReadBstr(bag, u"DevicePath", &hr));
        EXPECT_EQ(S_OK, hr);
        EXPECT_EQ(u"", ReadBstr(bag, u"Description", &hr));
        EXPECT_EQ(E_FAIL, hr); // test cameras have no description
        EXPECT_EQ(u"", ReadBstr(bag, u"CLSID", &hr));
        EXPECT_EQ(E_FAIL, hr);
        void* other = nullptr;
        EXPECT_EQ(E_NOINTERFACE, moniker->BindToStorage(nullptr, nullptr, IID_IBaseFilter, &other));
    }
    EXPECT_EQ(S_FALSE, enumerator->Next(1, batch, nullptr));
}

TEST_F(DeviceEnumerator, EmptyAndUnknownCategories)
{
    unsetenv("ZV_TEST_CAMERA");
    auto devEnum = Create<ICreateDevEnum>(CLSID_SystemDeviceEnum, IID_ICreateDevEnum);
    IEnumMoniker* monikers = reinterpret_cast<IEnumMoniker*>(1);
    EXPECT_EQ(S_FALSE, devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
    EXPECT_EQ(nullptr, monikers);
    EXPECT_EQ(S_FALSE, devEnum->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &monikers, 0));
    EXPECT_EQ(E_INVALIDARG, devEnum->CreateClassEnumerator(CLSID_FilterGraph, &monikers, 0));
    EXPECT_EQ(E_POINTER, devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, nullptr, 0));
}

TEST_F(DeviceEnumerator, AudioDevicesAreListedButNotOpened)
{
    setenv("ZV_TEST_MICROPHONE", "Mic", 1);
    auto devEnum = Create<ICreateDevEnum>(CLSID_SystemDeviceEnum, IID_ICreateDevEnum);
    IEnumMoniker* monikers = nullptr;
    ASSERT_EQ(S_OK, devEnum->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &monikers, 0));
    auto enumerator = ComRef<IEnumMoniker>::Adopt(monikers);
    IMoniker* moniker = nullptr;
    ASSERT_EQ(S_OK, enumerator->Next(1, &moniker, nullptr));
    auto held = ComRef<IMoniker>::Adopt(moniker);
    void* filter = nullptr;
    EXPECT_EQ(E_NOTIMPL, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, &filter));
    EXPECT_EQ(nullptr, filter);
}

TEST_F(DeviceEnumerator, ClassesAreInTheClassTable)
{
    for (const CLSID* clsid : {&CLSID_FilterGraph, &CLSID_CaptureGraphBuilder2, &CLSID_SystemDeviceEnum,
                               &CLSID_SampleGrabber, &CLSID_NullRenderer}) {
        IUnknown* object = nullptr;
        EXPECT_EQ(S_OK, CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         reinterpret_cast<void**>(&object)));
        ASSERT_NE(nullptr, object);
        object->Release();
    }
    IUnknown* outer = reinterpret_cast<IUnknown*>(1);
    IUnknown* object = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_FilterGraph, outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                      reinterpret_cast<void**>(&object)));
}

} // namespace
