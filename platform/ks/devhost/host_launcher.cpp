#include "platform/ks/devhost/host_launcher.h"

#include "platform/win32/last_error.h"
#include "platform/win32/zv_root.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace zv::devhost {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(10);
constexpr auto kPollInterval = std::chrono::milliseconds(10);

std::uint64_t HashOfLowerCased(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : text) {
        hash ^= static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
        hash *= 1099511628211ull;
    }
    return hash;
}

// Holds an flock for its life.
class FileLock {
public:
    explicit FileLock(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (!m_fd.Valid()) return;
        int result;
        do {
            result = ::flock(m_fd.Get(), LOCK_EX);
        } while (result != 0 && errno == EINTR);
        if (result != 0) m_fd.Reset();
    }
    bool Held() const { return m_fd.Valid(); }

private:
    UniqueFd m_fd;  // closing it releases the lock
};

// True while some process holds the lock file (a host runs).
bool LockHeld(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return false;
    if (::flock(fd.Get(), LOCK_SH | LOCK_NB) == 0) return false;
    return errno == EWOULDBLOCK;
}

// A child that has left: gone, or a zombie its new parent has not reaped yet.
bool ProcessGone(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && (line[close + 2] == 'Z' || line[close + 2] == 'X');
}

// Starts the host detached from this process (its own session, reparented away), with stdin on
// /dev/null and its output appended to the log. Returns its pid, or -1.
pid_t SpawnHost(const std::string& program, const std::string& driverFile, const HostFiles& files)
{
    // Everything the children need is made before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<std::string> arguments{program, "--driver", driverFile, "--socket", files.socket, "--lock", files.lock};
    if (const char* idle = std::getenv("ZV_DEVHOST_IDLE_MS"); idle && *idle) {
        arguments.emplace_back("--idle-ms");
        arguments.emplace_back(idle);
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    UniqueFd null(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    UniqueFd log(::open(files.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    int pidPipe[2];
    if (!null.Valid() || !log.Valid() || ::pipe2(pidPipe, O_CLOEXEC) != 0) return -1;
    UniqueFd pidReader(pidPipe[0]);
    UniqueFd pidWriter(pidPipe[1]);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;

    const pid_t middle = ::fork();
    if (middle < 0) return -1;
    if (middle == 0) {
        ::setsid();
        const pid_t host = ::fork();
        if (host == 0) {
            ::dup2(null.Get(), 0);
            ::dup2(log.Get(), 1);
            ::dup2(log.Get(), 2);
            ::close_range(3, ~0u, 0);
            // Signals blocked or ignored here would be the host's too, and it must hear SIGTERM.
            ::sigaction(SIGTERM, &defaultAction, nullptr);
            ::sigaction(SIGINT, &defaultAction, nullptr);
            ::sigaction(SIGPIPE, &defaultAction, nullptr);
            ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (host > 0) {
            [[maybe_unused]] const ssize_t written = ::write(pidWriter.Get(), &host, sizeof host);
        }
        ::_exit(host > 0 ? 0 : 1);
    }
    pidWriter.Reset();
    pid_t host = -1;
    ssize_t got;
    do {
        got = ::read(pidReader.Get(), &host, sizeof host);
    } while (got < 0 && errno == EINTR);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof host) ? host : -1;
}

}  // namespace

std::optional<HostFiles> HostFilesFor(const std::string& instanceId)
{
    const std::string run = zv::win32::ZvFolder("run");
    if (run.empty()) return std::nullopt;
    char name[32];
    std::snprintf(name, sizeof name, "dh-%016llx", static_cast<unsigned long long>(HashOfLowerCased(instanceId)));
    const std::string base = run + "/" + name;
    HostFiles files{base + ".sock", base + ".lock", base + ".start", base + ".log"};
    if (files.socket.size() >= sizeof(sockaddr_un{}.sun_path)) return std::nullopt;
    return files;
}

std::string FindHostProgram()
{
    if (const char* configured = std::getenv("ZV_DEVHOST"); configured && *configured) return configured;
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        std::string beside(self, static_cast<std::size_t>(length));
        beside = beside.substr(0, beside.rfind('/') + 1) + "zvdevhost";
        if (::access(beside.c_str(), X_OK) == 0) return beside;
    }
#ifdef ZV_DEVHOST_DEFAULT_PATH
    if (::access(ZV_DEVHOST_DEFAULT_PATH, X_OK) == 0) return ZV_DEVHOST_DEFAULT_PATH;
#endif
    return {};
}

std::unique_ptr<WireSocket> ConnectToHost(const std::string& instanceId, const std::string& driverFile, DWORD* error)
{
    const auto files = HostFilesFor(instanceId);
    if (!files) {
        *error = ERROR_BAD_PATHNAME;
        return nullptr;
    }
    if (auto socket = WireSocket::Connect(files->socket)) return socket;

    // One starter at a time, across threads and processes; whoever waited finds the host up.
    FileLock startLock(files->startLock);
    if (!startLock.Held()) {
        *error = ERROR_DEVICE_NOT_CONNECTED;
        return nullptr;
    }
    if (auto socket = WireSocket::Connect(files->socket)) return socket;
    const std::string program = FindHostProgram();
    if (program.empty()) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    const auto deadline = Clock::now() + kStartTimeout;
    pid_t host = SpawnHost(program, driverFile, *files);
    while (host > 0 && Clock::now() < deadline) {
        if (auto socket = WireSocket::Connect(files->socket)) return socket;
        if (ProcessGone(host)) {
            // A host on its way out may still hold the lock, so the new one left at once:
            // start another once it is gone. Any other early exit is a failure (see the log).
            if (!LockHeld(files->lock)) break;
            while (LockHeld(files->lock) && Clock::now() < deadline) std::this_thread::sleep_for(kPollInterval);
            host = SpawnHost(program, driverFile, *files);
            continue;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    *error = ERROR_DEVICE_NOT_CONNECTED;
    return nullptr;
}

bool HostRunning(const std::string& instanceId)
{
    const auto files = HostFilesFor(instanceId);
    return files && LockHeld(files->lock);
}

bool StopHost(const std::string& instanceId)
{
    const auto files = HostFilesFor(instanceId);
    if (!files || !LockHeld(files->lock)) return false;
    std::ifstream lockFile(files->lock);
    long pid = 0;
    if (!(lockFile >> pid) || pid <= 1) return false;
    if (::kill(static_cast<pid_t>(pid), SIGTERM) != 0) return false;
    const auto deadline = Clock::now() + kStopTimeout;
    while (LockHeld(files->lock)) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

}  // namespace zv::devhost
