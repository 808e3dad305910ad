#include "platform/inet/wininet.h"

#include "platform/inet/internet_handles.h"
#include "platform/inet/url_parts.h"

#include <cstring>
#include <string>

using zv::inet::HttpExchange;
using zv::inet::HttpRequest;
using zv::inet::InternetConnection;
using zv::inet::InternetObject;
using zv::inet::InternetSession;
using zv::inet::LookupInternetObject;

namespace {

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

HINTERNET FailHandle(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

// The request flags this layer honours; nothing is cached, so the cache flags hold as they are.
constexpr DWORD kKnownRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_TRANSFER_ASCII;

std::string_view TextOf(LPCSTR text, DWORD length)
{
    if (!text)
        return {};
    return length == static_cast<DWORD>(-1) ? std::string_view(text) : std::string_view(text, length);
}

} // namespace

HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR, LPCSTR, DWORD dwFlags)
{
    // No asynchronous or offline mode: a session with either would only pretend.
    if ((dwAccessType != INTERNET_OPEN_TYPE_PRECONFIG && dwAccessType != INTERNET_OPEN_TYPE_DIRECT) || dwFlags != 0)
        return FailHandle(ERROR_INVALID_PARAMETER);
    auto session = std::make_shared<InternetSession>(lpszAgent ? lpszAgent : "",
                                                     dwAccessType == INTERNET_OPEN_TYPE_PRECONFIG);
    return zv::inet::InsertInternetObject(nullptr, std::move(session));
}

HINTERNET InternetOpenUrlA(HINTERNET hInternet, LPCSTR lpszUrl, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                           DWORD dwFlags, DWORD_PTR)
{
    const auto session = LookupInternetObject<InternetSession>(hInternet);
    if (!session)
        return nullptr;
    if (!lpszUrl || (dwFlags & ~kKnownRequestFlags) != 0)
        return FailHandle(ERROR_INVALID_PARAMETER);
    const auto url = zv::inet::ParseUrl(lpszUrl);
    if (!url)
        return FailHandle(ERROR_INTERNET_INVALID_URL);
    if (!zv::inet::IsHttpScheme(url->scheme))
        return FailHandle(ERROR_INTERNET_UNRECOGNIZED_SCHEME);

    HttpExchange exchange;
    exchange.url = zv::inet::BuildRequestUrl(url->scheme, url->host, url->port, url->object);
    exchange.agent = session->agent;
    exchange.useProxySettings = session->useProxySettings;
    exchange.basicAuth = url->hasUserInfo;
    exchange.userName = url->userName;
    exchange.password = url->password;
    auto request = std::make_shared<HttpRequest>(std::move(exchange));
    if (const DWORD error = request->AddHeaders(TextOf(lpszHeaders, dwHeadersLength)))
        return FailHandle(error);
    HINTERNET handle = zv::inet::InsertInternetObject(session, request);
    if (!handle)
        return nullptr;
    if (const DWORD error = request->Send({})) {
        InternetCloseHandle(handle);
        return FailHandle(error);
    }
    return handle;
}

HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD, DWORD_PTR)
{
    const auto session = LookupInternetObject<InternetSession>(hInternet);
    if (!session)
        return nullptr;
    if (dwService != INTERNET_SERVICE_HTTP)
        return FailHandle(ERROR_INVALID_PARAMETER);
    const INTERNET_PORT port = nServerPort == INTERNET_INVALID_PORT_NUMBER ? INTERNET_DEFAULT_HTTP_PORT : nServerPort;
    // A bad server name shows here rather than as a failed send later.
    if (!lpszServerName || !zv::inet::ParseUrl(zv::inet::BuildRequestUrl("http", lpszServerName, port, "/")))
        return FailHandle(ERROR_INTERNET_INVALID_URL);
    auto connection = std::make_shared<InternetConnection>();
    connection->agent = session->agent;
    connection->useProxySettings = session->useProxySettings;
    connection->server = lpszServerName;
    connection->port = port;
    connection->basicAuth = lpszUserName && *lpszUserName;
    connection->userName = lpszUserName ? lpszUserName : "";
    connection->password = lpszPassword ? lpszPassword : "";
    return zv::inet::InsertInternetObject(session, std::move(connection));
}

HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR, LPCSTR,
                           LPCSTR*, DWORD dwFlags, DWORD_PTR)
{
    const auto connection = LookupInternetObject<InternetConnection>(hConnect);
    if (!connection)
        return nullptr;
    if ((dwFlags & ~kKnownRequestFlags) != 0)
        return FailHandle(ERROR_INVALID_PARAMETER);
    HttpExchange exchange;
    exchange.method = lpszVerb && *lpszVerb ? lpszVerb : "GET";
    exchange.url = zv::inet::BuildRequestUrl("http", connection->server, connection->port,
                                             lpszObjectName ? lpszObjectName : "/");
    exchange.agent = connection->agent;
    exchange.useProxySettings = connection->useProxySettings;
    exchange.basicAuth = connection->basicAuth;
    exchange.userName = connection->userName;
    exchange.password = connection->password;
    return zv::inet::InsertInternetObject(connection, std::make_shared<HttpRequest>(std::move(exchange)));
}

BOOL HttpAddRequestHeadersA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, DWORD dwModifiers)
{
    const auto request = LookupInternetObject<HttpRequest>(hRequest);
    if (!request)
        return FALSE;
    if (!lpszHeaders || dwModifiers != HTTP_ADDREQ_FLAG_ADD)
        return Fail(ERROR_INVALID_PARAMETER);
    if (const DWORD error = request->AddHeaders(TextOf(lpszHeaders, dwHeadersLength)))
        return Fail(error);
    return TRUE;
}

BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                      DWORD dwOptionalLength)
{
    const auto request = LookupInternetObject<HttpRequest>(hRequest);
    if (!request)
        return FALSE;
    if (const DWORD error = request->AddHeaders(TextOf(lpszHeaders, dwHeadersLength)))
        return Fail(error);
    std::vector<char> body;
    if (lpOptional && dwOptionalLength > 0) {
        const auto* bytes = static_cast<const char*>(lpOptional);
        body.assign(bytes, bytes + dwOptionalLength);
    }
    if (const DWORD error = request->Send(body))
        return Fail(error);
    return TRUE;
}

BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpdwBufferLength, LPDWORD)
{
    const auto request = LookupInternetObject<HttpRequest>(hRequest);
    if (!request)
        return FALSE;
    if (!lpdwBufferLength)
        return Fail(ERROR_INVALID_PARAMETER);
    if (dwInfoLevel != HTTP_QUERY_STATUS_CODE)
        return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
    const long status = request->StatusCode();
    if (status == 0)
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    const std::string text = std::to_string(status);
    if (!lpBuffer || *lpdwBufferLength < text.size() + 1) {
        *lpdwBufferLength = static_cast<DWORD>(text.size() + 1);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    *lpdwBufferLength = static_cast<DWORD>(text.size());
    return TRUE;
}

BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                      LPDWORD lpdwNumberOfBytesRead)
{
    if (lpdwNumberOfBytesRead)
        *lpdwNumberOfBytesRead = 0;
    const auto request = LookupInternetObject<HttpRequest>(hFile);
    if (!request)
        return FALSE;
    if (!lpdwNumberOfBytesRead || (!lpBuffer && dwNumberOfBytesToRead > 0))
        return Fail(ERROR_INVALID_PARAMETER);
    if (const DWORD error = request->Read(static_cast<char*>(lpBuffer), dwNumberOfBytesToRead,
                                          *lpdwNumberOfBytesRead))
        return Fail(error);
    return TRUE;
}

BOOL InternetCloseHandle(HINTERNET hInternet)
{
    if (!LookupInternetObject<InternetObject>(hInternet))
        return FALSE;
    const auto object = std::dynamic_pointer_cast<InternetObject>(zv::win32::RemoveHandle(hInternet));
    if (!object)
        return Fail(ERROR_INVALID_HANDLE);
    object->Close();
    return TRUE;
}

BOOL InternetGetLastResponseInfoA(LPDWORD lpdwError, LPSTR lpszBuffer, LPDWORD lpdwBufferLength)
{
    if (!lpdwError || !lpdwBufferLength)
        return Fail(ERROR_INVALID_PARAMETER);
    *lpdwError = 0;
    if (lpszBuffer && *lpdwBufferLength > 0)
        lpszBuffer[0] = '\0';
    *lpdwBufferLength = 0;
    return TRUE;
}
