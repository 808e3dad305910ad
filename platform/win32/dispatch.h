// IDispatch: late-bound calls by dispatch id, the way automation controls are driven and the way
// they fire events into a container's sink. Arguments arrive in DISPPARAMS in reverse order: the
// last argument is rgvarg[0].
#pragma once

#include "platform/win32/char_types.h"
#include "platform/win32/com_base.h"
#include "platform/win32/variant.h"

using DISPID = LONG;
using LCID = DWORD;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHresultConstant(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresultConstant(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHresultConstant(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresultConstant(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresultConstant(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeHresultConstant(0x80020007);
constexpr HRESULT DISP_E_EXCEPTION = MakeHresultConstant(0x80020009);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHresultConstant(0x8002000E);

struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

inline constexpr IID IID_IDispatch = zv::win32::GuidFromText("{00020400-0000-0000-C000-000000000046}");

struct IDispatch : IUnknown {
    // Maps member names to dispatch ids; unknown names get DISPID_UNKNOWN and DISP_E_UNKNOWNNAME.
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
    // riid is reserved and must be IID_NULL.
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};
