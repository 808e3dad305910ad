#include "platform/winsock/wsa_errors.h"

#include "platform/winsock/winsock.h"

#include <cerrno>

namespace zv::winsock {

int WsaErrorFromErrno(int err)
{
    switch (err) {
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EMSGSIZE: return WSAEMSGSIZE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH:
    case EHOSTDOWN: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
    }
}

std::string WsaErrorText(int code)
{
    switch (code) {
    case WSAEINTR: return "A blocking operation was interrupted because the socket was closed.";
    case WSAEBADF: return "The socket handle is not valid.";
    case WSAEACCES: return "Access to the socket was denied.";
    case WSAEFAULT: return "An address or buffer given to a socket call is not valid.";
    case WSAEINVAL: return "An invalid argument was supplied.";
    case WSAEMFILE: return "Too many sockets are open.";
    case WSAEWOULDBLOCK: return "The operation would block.";
    case WSAEINPROGRESS: return "An operation is already in progress.";
    case WSAEALREADY: return "The operation is already under way on this socket.";
    case WSAENOTSOCK: return "The handle is not a socket.";
    case WSAEMSGSIZE: return "The message is too long.";
    case WSAENOPROTOOPT: return "The socket option is not known or not supported.";
    case WSAEPROTONOSUPPORT: return "The protocol is not supported.";
    case WSAESOCKTNOSUPPORT: return "The socket type is not supported.";
    case WSAEOPNOTSUPP: return "The operation is not supported on this socket.";
    case WSAEAFNOSUPPORT: return "The address family is not supported.";
    case WSAEADDRINUSE: return "The address and port are already in use.";
    case WSAEADDRNOTAVAIL: return "The requested address is not valid on this machine.";
    case WSAENETDOWN: return "The network is down.";
    case WSAENETUNREACH: return "The network cannot be reached.";
    case WSAENETRESET: return "The connection was reset by the network.";
    case WSAECONNABORTED: return "The connection was aborted on this machine.";
    case WSAECONNRESET: return "The connection was reset by the remote host.";
    case WSAENOBUFS: return "No buffer space is available for the socket.";
    case WSAEISCONN: return "The socket is already connected.";
    case WSAENOTCONN: return "The socket is not connected.";
    case WSAESHUTDOWN: return "The socket has been shut down.";
    case WSAETIMEDOUT: return "The operation timed out because the other side did not respond in time.";
    case WSAECONNREFUSED: return "The connection was refused: nothing listens at that address and port.";
    case WSAEHOSTUNREACH: return "The host cannot be reached.";
    case WSASYSNOTREADY: return "The network subsystem is not ready.";
    case WSAVERNOTSUPPORTED: return "The requested Windows Sockets version is not supported.";
    case WSANOTINITIALISED: return "Windows Sockets has not been started (WSAStartup).";
    default: return {};
    }
}

} // namespace zv::winsock
