#include "app/Download.h"

#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/paths.h"

#include <charconv>

namespace {

constexpr DWORD kPieceBytes = 4096;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD_PTR kRequestContext = 1;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x00000100;

// The URL's request when it answered 200; null otherwise (and nothing left open).
HINTERNET OpenOkRequest(const char* url, HINTERNET internet)
{
    if (!url || !internet)
        return nullptr;
    HINTERNET request = InternetOpenUrlA(internet, url, nullptr, 0, kRequestFlags, kRequestContext);
    if (request && QueryHttpStatus(request) != 200)
        CloseInternetHandle(request);
    return request;
}

// Reads the body piece by piece into `take` until its end. False when a read fails (the body
// broke off, stalled or passed the layer's cap) or `take` refuses a piece.
template <typename Take>
bool ReadWholeBody(HINTERNET request, Take take)
{
    char piece[kPieceBytes];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, piece, sizeof piece, &read))
            return false;
        if (read == 0)
            return true;
        if (!take(piece, read))
            return false;
    }
}

} // namespace

BOOL CloseInternetHandle(HINTERNET& handle)
{
    if (!handle)
        return 0;
    const BOOL closed = InternetCloseHandle(handle);
    handle = nullptr;
    return closed;
}

std::optional<std::string> CreateTempDownloadFile(HANDLE& file)
{
    file = INVALID_HANDLE_VALUE;
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return std::nullopt;
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder, "zv", 0, name) == 0)
        return std::nullopt;
    file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(name);
        return std::nullopt;
    }
    return std::string(name);
}

int QueryHttpStatus(HINTERNET request)
{
    char text[80] = {};
    DWORD length = sizeof text - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, text, &length, nullptr) || length >= sizeof text)
        return 500;
    int status = 0;
    const auto [end, error] = std::from_chars(text, text + length, status);
    if (error != std::errc() || end != text + length)
        return 500;
    return status;
}

std::optional<std::string> DownloadToMemory(const char* url, HINTERNET internet, std::size_t maxBytes)
{
    HINTERNET request = OpenOkRequest(url, internet);
    if (!request)
        return std::nullopt;
    std::string body;
    const bool whole = ReadWholeBody(request, [&](const char* piece, DWORD read) {
        if (read > maxBytes - body.size())
            return false;
        body.append(piece, read);
        return true;
    });
    CloseInternetHandle(request);
    if (!whole || body.empty())
        return std::nullopt;
    return body;
}

std::optional<std::string> DownloadToFile(HINTERNET internet, const char* url)
{
    HINTERNET request = OpenOkRequest(url, internet);
    if (!request)
        return std::nullopt;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::optional<std::string> path = CreateTempDownloadFile(file);
    if (path) {
        const bool whole = ReadWholeBody(request, [&](const char* piece, DWORD read) {
            DWORD written = 0;
            return WriteFile(file, piece, read, &written, nullptr) && written == read;
        });
        CloseHandle(file);
        if (!whole) {
            DeleteFileA(path->c_str());
            path.reset();
        }
    }
    CloseInternetHandle(request);
    return path;
}
