// Conversions between 8-bit text and UTF-16. The system's 8-bit text is UTF-8, so the ANSI code
// page CP_ACP and CP_UTF8 are the same here; other code pages are refused.
//
// A length of -1 means the input is NUL-terminated and the terminator is converted too. An output
// length of 0 asks for the needed size without writing. On failure the result is 0 and
// GetLastError tells why: ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS,
// ERROR_NO_UNICODE_TRANSLATION (invalid input under the ..._ERR_INVALID_CHARS flag). Without that
// flag, invalid input becomes U+FFFD, one per maximal invalid sequence.
#pragma once

#include "platform/win32/last_error.h"

#include "platform/win32/char_types.h"
#include "platform/win32/types.h"

using LPBOOL = BOOL*;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);

// lpDefaultChar and lpUsedDefaultChar must be null for CP_UTF8. For CP_ACP, lpDefaultChar (when
// given) is the text written for a character that cannot be converted instead of U+FFFD, and
// *lpUsedDefaultChar tells whether that happened.
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);
