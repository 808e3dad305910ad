// Windows Sockets over BSD sockets: the calls the peer link makes, with Windows values and layouts.
//
// A SOCKET is a handle of this layer, not a descriptor. Every call reports failure through
// WSAGetLastError with the Windows code. Sends never raise SIGPIPE. Blocking calls wait with poll,
// bounded by the socket's SO_RCVTIMEO / SO_SNDTIMEO (milliseconds, 0 = no bound; connect honours
// the send time-out), and closesocket from another thread wakes them with WSAEINTR.
//
// This header and the system's socket headers name the same things differently: a source file
// includes one or the other.
#pragma once

#include "platform/win32/types.h"

#include <cstddef>

using SOCKET = UINT_PTR;
using USHORT = std::uint16_t;
using SHORT = std::int16_t;
using UCHAR = std::uint8_t;

constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2;
constexpr int SOCK_STREAM = 1;
constexpr int IPPROTO_TCP = 6;
constexpr ULONG INADDR_ANY = 0x00000000;
constexpr ULONG INADDR_LOOPBACK = 0x7F000001;
constexpr ULONG INADDR_NONE = 0xFFFFFFFF;
constexpr int SOMAXCONN = 0x7FFFFFFF;

constexpr int SOL_SOCKET = 0xFFFF;
constexpr int SO_REUSEADDR = 0x0004;
constexpr int SO_SNDTIMEO = 0x1005;
constexpr int SO_RCVTIMEO = 0x1006;

// shutdown
constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;

// WSAPoll
constexpr SHORT POLLERR = 0x0001;
constexpr SHORT POLLHUP = 0x0002;
constexpr SHORT POLLNVAL = 0x0004;
constexpr SHORT POLLWRNORM = 0x0010;
constexpr SHORT POLLRDNORM = 0x0100;
constexpr SHORT POLLOUT = POLLWRNORM;

// Error codes.
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSASYSNOTREADY = 10091;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;

struct IN_ADDR {
    ULONG s_addr; // network order
};

struct SOCKADDR {
    USHORT sa_family;
    char sa_data[14];
};

struct SOCKADDR_IN {
    SHORT sin_family;
    USHORT sin_port; // network order
    IN_ADDR sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(SOCKADDR_IN) == 16 && sizeof(SOCKADDR) == 16);

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    USHORT iMaxSockets;
    USHORT iMaxUdpDg;
    char* lpVendorInfo;
};

struct WSAPOLLFD {
    SOCKET fd;
    SHORT events;
    SHORT revents;
};

constexpr WORD MAKEWORD(BYTE low, BYTE high) { return static_cast<WORD>(low | (high << 8)); }

// Start-up and clean-up are counted; every other call fails with WSANOTINITIALISED outside them.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int af, int type, int protocol);
// Shuts the connection down first, so a call blocked on the socket in another thread returns
// WSAEINTR at once; the descriptor itself goes when the last such call has returned.
int closesocket(SOCKET s);
int shutdown(SOCKET s, int how);
int bind(SOCKET s, const SOCKADDR* name, int nameLength);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, SOCKADDR* address, int* addressLength);
int connect(SOCKET s, const SOCKADDR* name, int nameLength);
int send(SOCKET s, const char* buffer, int length, int flags);
int recv(SOCKET s, char* buffer, int length, int flags);
int setsockopt(SOCKET s, int level, int name, const char* value, int valueLength);
int getsockname(SOCKET s, SOCKADDR* name, int* nameLength);
// Number of sockets with events; timeout in milliseconds, negative waits without bound.
int WSAPoll(WSAPOLLFD* fds, ULONG count, INT timeout);

constexpr USHORT htons(USHORT v) { return static_cast<USHORT>((v << 8) | (v >> 8)); }
constexpr USHORT ntohs(USHORT v) { return htons(v); }
constexpr ULONG htonl(ULONG v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}
constexpr ULONG ntohl(ULONG v) { return htonl(v); }

// Only AF_INET. The text form is dotted decimal.
const char* inet_ntop(INT family, const void* address, char* text, std::size_t size);
INT inet_pton(INT family, const char* text, void* address);
