#include "platform/skin/skin_dispatch.h"

#include "platform/skin/skin_interfaces.h"
#include "platform/win32/string_conversion.h"

#include <cctype>
#include <vector>

namespace zv::skin {

std::string Utf8(LPCOLESTR text)
{
    if (!text || !*text)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

BSTR NewBstr(const std::string& utf8)
{
    if (utf8.empty())
        return SysAllocString(u"");
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::vector<OLECHAR> wide(static_cast<std::size_t>(size));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(size));
}

namespace {

struct NamedDispid {
    const char* name;
    DISPID id;
};

constexpr NamedDispid kNames[] = {
    {"LoadSkin", kDispLoadSkin},
    {"ApplyForm", kDispApplyForm},
    {"GetRootElement", kDispGetRootElement},
    {"FindElement", kDispFindElement},
    {"GetRectPart", kDispGetRectPart},
    {"SetVisible", kDispSetVisible},
    {"Refresh", kDispRefresh},
    {"GetTooltip", kDispGetTooltip},
    {"SetTooltip", kDispSetTooltip},
    {"GetVisible", kDispGetVisible},
    {"GetChildCount", kDispGetChildCount},
    {"GetChild", kDispGetChild},
    {"GetName", kDispGetName},
    {"GetWindow", kDispGetWindow},
    {"GetParentElement", kDispGetParent},
    {"SetText", kDispSetText},
    {"GetText", kDispGetText},
    {"SetCaption", kDispSetCaption},
    {"GetOrientation", kDispGetOrientation},
    {"GetMinimum", kDispGetMinimum},
    {"GetMaximum", kDispGetMaximum},
    {"GetPosition", kDispGetPosition},
    {"SetPosition", kDispSetPosition},
    {"TrackPopupMenu", kDispTrackPopupMenu},
    {"GetValue", kDispGetValue},
    {"SetValue", kDispSetValue},
};

bool SameName(LPCOLESTR wide, const char* ascii)
{
    for (; *ascii; ++wide, ++ascii) {
        if (*wide > 0x7F || std::tolower(static_cast<unsigned char>(*wide)) != std::tolower(static_cast<unsigned char>(*ascii)))
            return false;
    }
    return *wide == 0;
}

} // namespace

DISPID DispidOfName(LPCOLESTR name)
{
    if (!name)
        return DISPID_UNKNOWN;
    for (const NamedDispid& entry : kNames) {
        if (SameName(name, entry.name))
            return entry.id;
    }
    return DISPID_UNKNOWN;
}

HRESULT NamesToDispids(LPOLESTR* names, UINT count, DISPID* ids)
{
    if (!names || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = i == 0 ? DispidOfName(names[0]) : DISPID_UNKNOWN;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

const VARIANT* InvokeArguments::At(UINT position) const
{
    if (!m_params || !m_params->rgvarg || position >= m_params->cArgs)
        return nullptr;
    const VARIANT* v = &m_params->rgvarg[m_params->cArgs - 1 - position];
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal)
        v = v->pvarVal;
    return v;
}

HRESULT InvokeArguments::Count(UINT wanted) const
{
    const UINT given = m_params ? m_params->cArgs : 0;
    return given == wanted ? S_OK : DISP_E_BADPARAMCOUNT;
}

HRESULT InvokeArguments::Integer(UINT position, LONGLONG* value) const
{
    const VARIANT* v = At(position);
    if (!v)
        return DISP_E_BADPARAMCOUNT;
    switch (v->vt) {
    case VT_I2: *value = v->iVal; return S_OK;
    case VT_I4:
    case VT_INT: *value = v->lVal; return S_OK;
    case VT_UI2: *value = v->uiVal; return S_OK;
    case VT_UI4:
    case VT_UINT: *value = v->ulVal; return S_OK;
    case VT_I8: *value = v->llVal; return S_OK;
    case VT_UI8: *value = static_cast<LONGLONG>(v->ullVal); return S_OK;
    case VT_BOOL: *value = v->boolVal; return S_OK;
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT InvokeArguments::Long(UINT position, LONG* value) const
{
    LONGLONG wide = 0;
    const HRESULT hr = Integer(position, &wide);
    if (SUCCEEDED(hr))
        *value = static_cast<LONG>(wide);
    return hr;
}

HRESULT InvokeArguments::Bool(UINT position, VARIANT_BOOL* value) const
{
    LONGLONG wide = 0;
    const HRESULT hr = Integer(position, &wide);
    if (SUCCEEDED(hr))
        *value = wide ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

HRESULT InvokeArguments::Text(UINT position, std::u16string* value) const
{
    const VARIANT* v = At(position);
    if (!v)
        return DISP_E_BADPARAMCOUNT;
    if (v->vt != VT_BSTR)
        return DISP_E_TYPEMISMATCH;
    value->assign(v->bstrVal ? v->bstrVal : u"", SysStringLen(v->bstrVal));
    return S_OK;
}

void ReturnLong(VARIANT* result, LONG value)
{
    if (!result)
        return;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = value;
}

void ReturnInteger(VARIANT* result, LONGLONG value)
{
    if (!result)
        return;
    VariantInit(result);
    result->vt = VT_I8;
    result->llVal = value;
}

void ReturnBool(VARIANT* result, bool value)
{
    if (!result)
        return;
    VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ReturnText(VARIANT* result, BSTR owned)
{
    if (!result) {
        SysFreeString(owned);
        return;
    }
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = owned;
}

void ReturnUnknown(VARIANT* result, IUnknown* owned)
{
    if (!result) {
        if (owned)
            owned->Release();
        return;
    }
    VariantInit(result);
    result->vt = VT_UNKNOWN;
    result->punkVal = owned;
}

} // namespace zv::skin
