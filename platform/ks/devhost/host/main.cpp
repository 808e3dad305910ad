// zvdevhost --driver <driver file> --socket <socket path> --lock <lock path> [--idle-ms N]
//
// The kernel of one virtual camera device: loads its driver, starts the device and serves it
// to clients over a Unix socket. Exit codes: 0 after SIGTERM/SIGINT or the idle time, 1 for a
// bad command line or socket, 2 when the driver or the device fails, 3 when another host holds
// the device's lock.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ks/devhost/host/device_server.h"
#include "platform/ks/devhost/host/lock_file.h"
#include "platform/ks/stream_class_port.h"
#include "platform/ks/time_source.h"

namespace {

struct Options {
    std::string driver;
    std::string socket;
    std::string lock;
    long long idleMs = 10000;
};

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--driver") {
            options->driver = value;
        } else if (name == "--socket") {
            options->socket = value;
        } else if (name == "--lock") {
            options->lock = value;
        } else if (name == "--idle-ms") {
            char* end = nullptr;
            options->idleMs = std::strtoll(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || options->idleMs < 0) return false;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options->driver.empty() && !options->socket.empty() && !options->lock.empty();
}

int Fail(int code, const std::string& line)
{
    std::fprintf(stderr, "zvdevhost: %s\n", line.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace zv;
    Options options;
    if (!ParseOptions(argc, argv, &options))
        return Fail(1, "usage: zvdevhost --driver <file> --socket <path> --lock <path> [--idle-ms N]");

    // Before any thread exists, so that every thread inherits the mask and only the signalfd
    // sees these.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    ::signal(SIGPIPE, SIG_IGN);
    if (::sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return Fail(1, "cannot block signals");
    devhost::UniqueFd signalFd(::signalfd(-1, &signals, SFD_CLOEXEC));
    if (!signalFd.Valid()) return Fail(1, "cannot create signalfd");

    devhost::LockFile lock;
    std::string error;
    switch (lock.Acquire(options.lock, &error)) {
    case devhost::LockResult::Acquired: break;
    case devhost::LockResult::HeldByAnother: return 3;
    case devhost::LockResult::Failed: return Fail(1, error);
    }

    auto driver = ks::KernelDriver::Load(options.driver, &error);
    if (!driver) return Fail(2, "cannot load driver " + options.driver + ": " + error);
    ks::SteadyTimeSource time;
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto device = ks::StreamClassDevice::Start(*driver, time, &status);
    if (!device) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
        return Fail(2, std::string("device did not start: status ") + hex);
    }

    int code = 0;
    {
        devhost::HostDevice host(*device, time);
        devhost::DeviceServer server(host, std::chrono::milliseconds(options.idleMs));
        if (server.Listen(options.socket, &error))
            server.Serve(signalFd.Get());
        else
            code = Fail(1, error);
    }
    ::unlink(options.socket.c_str());
    device.reset();
    driver.reset();
    return code;
}
