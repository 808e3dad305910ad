// BSTR: a counted UTF-16 string. The pointer addresses the first code unit; the 32-bit byte length
// sits in front of it and a 0 code unit follows the text, so a BSTR can also be read as a C string
// up to its first embedded NUL. A null BSTR is the empty string.
#pragma once

#include "platform/win32/char_types.h"
#include "platform/win32/types.h"

using BSTR = OLECHAR*;

// Null when psz is null or memory runs out.
BSTR SysAllocString(const OLECHAR* psz);
// Copies ui code units from strIn, embedded NULs included; a null strIn gives ui zeroed code units.
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
void SysFreeString(BSTR bstrString);
// Length in code units, not counting the terminating 0; 0 for a null BSTR.
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR bstr);

namespace zv::win32 {
// An exact copy, odd byte lengths included; null for a null source or when memory runs out.
BSTR CopyBstr(BSTR source);
} // namespace zv::win32
