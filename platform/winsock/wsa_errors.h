// Windows Sockets error codes from errno values, and their message texts.
#pragma once

#include <string>

namespace zv::winsock {

// The WSA code that stands for an errno value.
int WsaErrorFromErrno(int err);

// The system's message for a socket error code; empty for a code it does not know.
std::string WsaErrorText(int code);

} // namespace zv::winsock
