// Test support shared by the internet client tests.
#pragma once

#include "platform/inet/request_limits.h"
#include "platform/inet/wininet.h"

#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace zv::inet::testing {

// The body the scripted server makes for body_size=<n>.
inline std::string PatternBody(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>(i % 251);
    return body;
}

// Reads until the end or a failure; `error` is 0 after the end, else the failing read's error.
inline std::string ReadBody(HINTERNET request, DWORD piece, DWORD& error)
{
    std::string body;
    std::string buffer(piece, '\0');
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, buffer.data(), piece, &read)) {
            error = GetLastError();
            return body;
        }
        if (read == 0) {
            error = 0;
            return body;
        }
        body.append(buffer.data(), read);
    }
}

inline std::string StatusText(HINTERNET request)
{
    char text[80] = {};
    DWORD length = sizeof text;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, text, &length, nullptr))
        return "error " + std::to_string(GetLastError());
    return std::string(text, length);
}

// A loopback port where nothing listens.
inline int ClosedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// Sets request limits for one test and puts the previous ones back.
class ScopedLimits {
public:
    explicit ScopedLimits(const RequestLimits& limits) : m_previous(GetRequestLimits()) { SetRequestLimits(limits); }
    ~ScopedLimits() { SetRequestLimits(m_previous); }
    ScopedLimits(const ScopedLimits&) = delete;
    ScopedLimits& operator=(const ScopedLimits&) = delete;

private:
    RequestLimits m_previous;
};

} // namespace zv::inet::testing
