// Late-bound calls into the skin objects: the name table behind GetIDsOfNames, reading the
// arguments of an Invoke (given last first) and filling its result, and text between the wide
// strings of the interfaces and the UTF-8 the forms keep.
#pragma once

#include "platform/win32/dispatch.h"

#include <string>

namespace zv::skin {

std::string Utf8(LPCOLESTR text);
// Null only when memory runs out.
BSTR NewBstr(const std::string& utf8);

// The dispatch id of a method name (any case), DISPID_UNKNOWN for none.
DISPID DispidOfName(LPCOLESTR name);
// GetIDsOfNames over that table: only the member name (the first) is looked up.
HRESULT NamesToDispids(LPOLESTR* names, UINT count, DISPID* ids);

// The argument at `position` counted from the first; DISP_E_BADPARAMCOUNT when missing,
// DISP_E_TYPEMISMATCH when of a kind that does not convert.
class InvokeArguments {
public:
    explicit InvokeArguments(const DISPPARAMS* params) : m_params(params) {}
    HRESULT Count(UINT wanted) const;
    HRESULT Long(UINT position, LONG* value) const;
    HRESULT Integer(UINT position, LONGLONG* value) const; // handles travel as VT_I8
    HRESULT Text(UINT position, std::u16string* value) const;
    HRESULT Bool(UINT position, VARIANT_BOOL* value) const;

private:
    const VARIANT* At(UINT position) const;
    const DISPPARAMS* m_params;
};

// Results. A null result VARIANT drops the value (an interface is released).
void ReturnLong(VARIANT* result, LONG value);
void ReturnInteger(VARIANT* result, LONGLONG value);
void ReturnText(VARIANT* result, BSTR owned);
void ReturnUnknown(VARIANT* result, IUnknown* owned);
void ReturnBool(VARIANT* result, bool value);

} // namespace zv::skin
