// Character and string pointer types of the Windows API. Wide text is UTF-16 in 16-bit code units,
// as on Windows, so it is char16_t here (wchar_t is 32 bits on Linux): write wide literals as u"...".
#pragma once

using CHAR = char;
using WCHAR = char16_t;
using OLECHAR = WCHAR;

using LPSTR = CHAR*;
using LPCSTR = const CHAR*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
