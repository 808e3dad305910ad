// The system's socket calls for this layer: descriptors and errno, no Windows names, so the
// system's socket headers stay inside posix_socket.cpp. Every failure returns -1 (or false) and
// leaves the errno value in `err`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zv::winsock::posix {

// An IPv4 address and port in network order, as they travel.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// A non-blocking TCP socket with close-on-exec; -1 on failure.
int CreateStreamSocket(int& err);
// An event descriptor that makes WaitFor return as soon as it is signalled; -1 on failure.
int CreateWakeDescriptor(int& err);
void SignalWake(int wakeFd);
void CloseDescriptor(int fd);

bool SetReuseAddress(int fd, int& err);
bool Bind(int fd, Endpoint local, int& err);
bool Listen(int fd, int backlog, int& err);
bool LocalEndpoint(int fd, Endpoint& local, int& err);
// Shuts both directions down; errors are of no interest to a closing socket.
void ShutdownBoth(int fd);
bool Shutdown(int fd, bool receive, bool send, int& err);

// The non-blocking steps; EAGAIN / EINPROGRESS come back in err.
int Accept(int fd, Endpoint& peer, int& err);
bool StartConnect(int fd, Endpoint remote, int& err);
bool FinishConnect(int fd, int& err);
long Send(int fd, const void* data, std::size_t length, int& err);
long Receive(int fd, void* data, std::size_t length, int& err);

enum class Readiness { Ready, TimedOut, Woken, Failed };
// Waits until fd is readable (or writable), wakeFd is signalled, or timeoutMs passes (negative:
// no bound). Readable includes end of stream and errors, so the next call reports them.
Readiness WaitFor(int fd, bool writable, int wakeFd, int timeoutMs, int& err);
// Results of PollMany.
constexpr int kPollReadable = 1;
constexpr int kPollWritable = 2;
constexpr int kPollError = 4;
constexpr int kPollWoken = 8;
// Polls several sockets at once, each with its wake descriptor; results are kPoll* bits. Returns
// the number of sockets with any result, -1 on failure.
int PollMany(const int* fds, const int* wakeFds, const bool* wantRead, const bool* wantWrite, int* results,
             std::size_t count, int timeoutMs, int& err);

const char* FormatAddress(std::uint32_t networkAddress, char* text, std::size_t size);
bool ParseAddress(const char* text, std::uint32_t& networkAddress);

} // namespace zv::winsock::posix
