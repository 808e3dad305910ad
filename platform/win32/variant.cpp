#include "platform/win32/variant.h"

#include "platform/win32/dispatch.h"

namespace {

bool IsKnownType(VARTYPE vt)
{
    switch (vt & ~VT_BYREF) {
    case VT_EMPTY:
    case VT_NULL:
        return (vt & VT_BYREF) == 0;
    case VT_VARIANT:
        return (vt & VT_BYREF) != 0;
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

} // namespace

void VariantInit(VARIANTARG* pvarg)
{
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->ullVal = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (pvarg == nullptr) return E_INVALIDARG;
    if (!IsKnownType(pvarg->vt)) return DISP_E_BADVARTYPE;
    switch (pvarg->vt) {
    case VT_BSTR:
        SysFreeString(pvarg->bstrVal);
        break;
    case VT_UNKNOWN:
        if (pvarg->punkVal != nullptr) pvarg->punkVal->Release();
        break;
    case VT_DISPATCH:
        if (pvarg->pdispVal != nullptr) pvarg->pdispVal->Release();
        break;
    default:
        break;
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    if (!IsKnownType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    // Build the copy first so that a failure leaves the destination as it was.
    VARIANT copy = *pvargSrc;
    copy.wReserved1 = copy.wReserved2 = copy.wReserved3 = 0;
    if (copy.vt == VT_BSTR && pvargSrc->bstrVal != nullptr) {
        copy.bstrVal = zv::win32::CopyBstr(pvargSrc->bstrVal);
        if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    }
    // Take the new reference before the destination lets go of its own, which may be the same object.
    if (copy.vt == VT_UNKNOWN && copy.punkVal != nullptr) copy.punkVal->AddRef();
    if (copy.vt == VT_DISPATCH && copy.pdispVal != nullptr) copy.pdispVal->AddRef();
    const HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *pvargDest = copy;
    return S_OK;
}
