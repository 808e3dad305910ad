// The Windows internet client calls the programs make, over libcurl (HTTP and HTTPS only).
//
// Handles come from the process's handle table. Every request runs on the calling thread, is bounded
// (see request_limits.h) and can be stopped from any thread by closing its handle or a handle above
// it (connection, session): the blocked call then fails with ERROR_INTERNET_OPERATION_CANCELLED.
// A call that fails returns NULL or FALSE and leaves the reason in GetLastError().
#pragma once

#include "platform/win32/last_error.h"
#include "platform/win32/types.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;

// Access types of InternetOpenA. The preconfigured access honours the proxy settings of the
// environment (http_proxy, https_proxy, no_proxy).
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

constexpr DWORD INTERNET_SERVICE_HTTP = 3;

// Request flags: any other flag makes the call fail with ERROR_INVALID_PARAMETER.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_EXISTING_CONNECT = 0x20000000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr DWORD INTERNET_FLAG_DONT_CACHE = INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD INTERNET_FLAG_TRANSFER_ASCII = 0x00000001;

constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;

constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;

// Error codes of the internet client.
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;

// Synchronous sessions only: dwFlags must be 0.
HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy, LPCSTR lpszProxyBypass,
                        DWORD dwFlags);

// GET of an http or https URL; user information in the URL is sent as Basic authorisation. Succeeds
// once the reply's status line and headers are in, whatever the status: HttpQueryInfoA tells it.
HINTERNET InternetOpenUrlA(HINTERNET hInternet, LPCSTR lpszUrl, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                           DWORD dwFlags, DWORD_PTR dwContext);

HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD dwFlags,
                           DWORD_PTR dwContext);

HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR lpszVersion,
                           LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes, DWORD dwFlags, DWORD_PTR dwContext);

// Header lines separated by CR LF; a length of (DWORD)-1 means up to the NUL.
BOOL HttpAddRequestHeadersA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, DWORD dwModifiers);

BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                      DWORD dwOptionalLength);

// Only HTTP_QUERY_STATUS_CODE, as text. *lpdwBufferLength: in, the buffer's size in bytes; out, the
// text's length without the NUL, or the size needed (with ERROR_INSUFFICIENT_BUFFER).
BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpdwBufferLength,
                    LPDWORD lpdwIndex);

// Fills the buffer unless the body ends first; 0 bytes read means the end of the body. A body that
// breaks off, times out or passes the cap fails after the bytes that did arrive.
BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                      LPDWORD lpdwNumberOfBytesRead);

// Closing a handle also stops every request under it; each handle is still closed on its own.
BOOL InternetCloseHandle(HINTERNET hInternet);

// HTTP has no extended error text: the text is always empty.
BOOL InternetGetLastResponseInfoA(LPDWORD lpdwError, LPSTR lpszBuffer, LPDWORD lpdwBufferLength);

namespace zv::inet {
// The text of an error code this layer reports; null for a code it does not know.
const char* InternetErrorText(DWORD code);
} // namespace zv::inet
