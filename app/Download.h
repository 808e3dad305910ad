// Small downloads over the internet client: a whole body into memory, or into a new temporary file.
// A download counts only when the server answered 200 and the body arrived whole: a body that
// breaks off before the length the server announced fails (the internet layer reports the short
// read) and is never handed out as if complete.
#pragma once

#include "platform/inet/wininet.h"
#include "platform/win32/types.h"

#include <cstddef>
#include <optional>
#include <string>

// The most DownloadToMemory keeps: a longer body is refused.
constexpr std::size_t kMaxMemoryDownload = 1u << 20;

// Closes the handle when it is not null and clears it; the close's result, 0 for a null handle.
BOOL CloseInternetHandle(HINTERNET& handle);

// A new file "zv<number>.tmp" in the temporary folder, opened for reading and writing (shared for
// reading). Its path, or none (and an invalid handle) when a step fails.
std::optional<std::string> CreateTempDownloadFile(HANDLE& file);

// The request's HTTP status; 500 when it cannot be read.
int QueryHttpStatus(HINTERNET request);

// The whole body of the URL (at most `maxBytes`), or none: no URL or handle, no connection, a
// status other than 200, an empty, short or too long body.
std::optional<std::string> DownloadToMemory(const char* url, HINTERNET internet,
                                            std::size_t maxBytes = kMaxMemoryDownload);

// The body of the URL stored whole in a new temporary file: its path, or none (and no file left)
// when the request or the file fails or the body arrives short.
std::optional<std::string> DownloadToFile(HINTERNET internet, const char* url);
