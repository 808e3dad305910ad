// The lock that makes one host per device: an exclusive flock held for the host's whole life,
// with the holder's pid written into the file.
#pragma once

#include <string>

#include "platform/ks/devhost/wire/wire_socket.h"

namespace zv::devhost {

enum class LockResult { Acquired, HeldByAnother, Failed };

class LockFile {
public:
    LockResult Acquire(const std::string& path, std::string* error);

private:
    UniqueFd m_fd;
};

}  // namespace zv::devhost
