// The system device enumerator: device categories, monikers and their property bags.
#pragma once

#include "platform/dshow/filter_graph.h"
#include "platform/win32/variant.h"

inline constexpr IID IID_ICreateDevEnum = zv::win32::GuidFromText("{29840822-5B84-11D0-BD3B-00A0C911CE86}");
inline constexpr IID IID_IEnumMoniker = zv::win32::GuidFromText("{00000102-0000-0000-C000-000000000046}");
inline constexpr IID IID_IMoniker = zv::win32::GuidFromText("{0000000F-0000-0000-C000-000000000046}");
inline constexpr IID IID_IPropertyBag = zv::win32::GuidFromText("{55272A00-42CB-11CE-8135-00AA004BB851}");

struct IBindCtx;
struct IErrorLog;

struct IPropertyBag : IUnknown {
    // A property as VT_BSTR; E_FAIL when the device does not have it.
    virtual HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) = 0;

protected:
    ~IPropertyBag() = default;
};

struct IMoniker : IUnknown {
    // IID_IBaseFilter: the device's capture filter.
    virtual HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult, void** ppvResult) = 0;
    // IID_IPropertyBag: the device's properties.
    virtual HRESULT BindToStorage(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) = 0;

protected:
    ~IMoniker() = default;
};

struct IEnumMoniker : IUnknown {
    // S_OK when celt monikers came, S_FALSE when fewer did.
    virtual HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) = 0;

protected:
    ~IEnumMoniker() = default;
};

struct ICreateDevEnum : IUnknown {
    // S_FALSE and a null enumerator when the category has no device.
    virtual HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker, DWORD dwFlags) = 0;

protected:
    ~ICreateDevEnum() = default;
};
