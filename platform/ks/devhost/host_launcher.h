// Finding, starting and stopping the host of one device instance. Each instance has its files
// under ZV_ROOT/run, named by a hash of its lower-cased id so that any id fits a socket path:
// the host's socket, the lock the host holds for its whole life (its pid inside), the lock that
// serialises starts, and the host's log.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ks/devhost/wire/wire_socket.h"
#include "platform/win32/types.h"

namespace zv::devhost {

struct HostFiles {
    std::string socket;     // .../run/dh-<hash>.sock
    std::string lock;       // .../run/dh-<hash>.lock
    std::string startLock;  // .../run/dh-<hash>.start
    std::string log;        // .../run/dh-<hash>.log
};

// The files of an instance's host; nothing when ZV_ROOT/run cannot be made or the socket path
// would not fit a Unix socket address.
std::optional<HostFiles> HostFilesFor(const std::string& instanceId);

// The host program: $ZV_DEVHOST, else "zvdevhost" beside this program, else the one this build
// made. Empty when none is found.
std::string FindHostProgram();

// A connection to the instance's host, started with `driverFile` when none listens. Null with a
// Windows error (ERROR_DEVICE_NOT_CONNECTED when the host cannot be started or does not answer
// within about ten seconds, ERROR_FILE_NOT_FOUND when there is no host program, ERROR_BAD_PATHNAME
// when the run files cannot be placed).
std::unique_ptr<WireSocket> ConnectToHost(const std::string& instanceId, const std::string& driverFile, DWORD* error);

// True while a host of the instance runs (it exits once its last client has gone and it is idle).
bool HostRunning(const std::string& instanceId);

// Stops the instance's running host (SIGTERM) and waits, bounded, until it has let go of its
// lock. False when no host was running or it did not stop in time.
bool StopHost(const std::string& instanceId);

}  // namespace zv::devhost
