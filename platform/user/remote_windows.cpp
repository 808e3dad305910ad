#include "platform/user/remote_windows.h"

#include "platform/user/await_serving.h"
#include "platform/user/window_server.h"
#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"
#include "platform/win32/zv_root.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zv::user {

namespace {

// Handles are taken from the machine's counter this many at a time.
constexpr std::uint32_t kHandleBlock = 64;
constexpr std::uintptr_t kLowestHandle = 0x10000;
constexpr int kListenBacklog = 64;

std::atomic<std::int64_t> g_boundMilliseconds{30000};

// This process's place in the registry of the current ZV_ROOT. A test that switches roots gets a
// fresh one: handles, lock and socket of the new root.
struct MachineLink {
    std::string root;
    std::optional<WindowRegistry> registry;
    std::uint32_t nextHandle = 0;
    std::uint32_t handlesLeft = 0;
    int ownerLock = -1;
};

std::mutex g_linkMutex;
MachineLink& Link()
{
    static auto* link = new MachineLink();
    return *link;
}

// Under g_linkMutex. Null (last error set) when the registry's folder cannot be made.
WindowRegistry* CurrentRegistryLocked()
{
    MachineLink& link = Link();
    std::string root = win32::ZvRoot();
    if (root != link.root || !link.registry) {
        if (link.ownerLock >= 0)
            close(link.ownerLock); // the old root's entries of ours now read as dead
        link = MachineLink{};
        link.root = std::move(root);
        link.registry = WindowRegistry::ForCurrentRoot();
    }
    return link.registry ? &*link.registry : nullptr;
}

std::optional<WindowRegistry> CurrentRegistry()
{
    std::lock_guard lock(g_linkMutex);
    WindowRegistry* registry = CurrentRegistryLocked();
    return registry ? std::optional<WindowRegistry>(*registry) : std::nullopt;
}

int ListenAt(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        SetLastError(ERROR_BAD_PATHNAME);
        return -1;
    }
    path.copy(address.sun_path, path.size());
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    unlink(path.c_str()); // a dead process's, swept or not
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, kListenBacklog) != 0) {
        SetLastError(win32::ErrorFromErrno(errno));
        close(fd);
        return -1;
    }
    return fd;
}

// The registry once this process is a live owner in it, serving its socket.
std::optional<WindowRegistry> OwnersRegistry()
{
    std::lock_guard lock(g_linkMutex);
    WindowRegistry* registry = CurrentRegistryLocked();
    if (!registry)
        return std::nullopt;
    MachineLink& link = Link();
    if (link.ownerLock < 0) {
        link.ownerLock = registry->JoinAsOwner();
        if (link.ownerLock < 0)
            return std::nullopt;
        // Without a socket the windows are still listed; calls on them then fail at once.
        const int listenFd = ListenAt(registry->SocketPath(static_cast<DWORD>(getpid())));
        if (listenFd >= 0)
            WindowServer::Instance().Listen(listenFd);
    }
    return *registry;
}

// This process's published windows: their z-order stamps (kept falling along the local z-order)
// and the entries last written for them. Under g_publishMutex.
std::mutex g_publishMutex;
std::map<DWORD, std::uint64_t>& Stamps()
{
    static auto* stamps = new std::map<DWORD, std::uint64_t>();
    return *stamps;
}
std::map<DWORD, WindowEntry>& Written()
{
    static auto* written = new std::map<DWORD, WindowEntry>();
    return *written;
}

bool SameEntry(const WindowEntry& a, const WindowEntry& b)
{
    return a.threadId == b.threadId && a.visible == b.visible && a.iconic == b.iconic && a.stamp == b.stamp &&
           a.className == b.className && a.caption == b.caption;
}

// Stamps order the machine's windows: the monotonic clock is the same for every process.
std::uint64_t NextStamp()
{
    static std::uint64_t last = 0; // under g_publishMutex
    const auto now = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
    last = std::max(last + 1, now);
    return last;
}

// Under g_publishMutex: the published windows as they stand, in the local z-order (top first). A
// window that went up past others gets a new stamp, so that stamps fall along the order.
std::vector<WindowEntry> LocalEntriesLocked()
{
    std::vector<WindowEntry> entries;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        for (HWND hwnd : table.TopLevels()) {
            const WindowRecord* record = table.Find(hwnd);
            auto stamp = Stamps().find(HandleToDword(hwnd));
            if (!record || stamp == Stamps().end())
                continue; // still being created
            WindowEntry entry;
            entry.handle = HandleToDword(hwnd);
            entry.processId = static_cast<DWORD>(getpid());
            entry.threadId = record->threadId;
            entry.visible = (record->style & WS_VISIBLE) != 0;
            entry.iconic = (record->style & WS_MINIMIZE) != 0;
            entry.stamp = stamp->second;
            entry.className = record->windowClass->name;
            entry.caption = record->text;
            entries.push_back(std::move(entry));
        }
    }
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (i + 1 < entries.size() && entries[i].stamp <= entries[i + 1].stamp)
            entries[i].stamp = Stamps()[entries[i].handle] = NextStamp();
    }
    return entries;
}

// Under g_publishMutex: rewrites the entries that changed; the local windows, top first.
std::vector<WindowEntry> SyncLocked()
{
    std::vector<WindowEntry> entries = LocalEntriesLocked();
    std::optional<WindowRegistry> registry;
    for (const WindowEntry& entry : entries) {
        auto written = Written().find(entry.handle);
        if (written != Written().end() && SameEntry(written->second, entry))
            continue;
        if (!registry)
            registry = OwnersRegistry();
        if (!registry || !registry->Write(entry))
            continue; // tried again at the next change
        Written()[entry.handle] = entry;
    }
    return entries;
}

struct RemoteReply {
    LRESULT result;
    std::string text;
};

// Sends the request to the window's owner and waits for the reply (serving sent messages when
// `serve`). None, with the last error set, when the owner died, hung past the bound or refused.
std::optional<RemoteReply> CallRemote(const WindowEntry& target, remote::RequestHeader request, const std::string& text,
                                      bool serve, std::optional<std::chrono::milliseconds> bound = std::nullopt)
{
    const auto registry = CurrentRegistry();
    if (!registry)
        return std::nullopt;
    const std::string path = registry->SocketPath(target.processId);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        SetLastError(ERROR_BAD_PATHNAME);
        return std::nullopt;
    }
    path.copy(address.sun_path, path.size());
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(win32::ErrorFromErrno(errno));
        return std::nullopt;
    }
    request.textBytes = static_cast<std::uint32_t>(text.size());
    std::string packet(reinterpret_cast<const char*>(&request), sizeof request);
    packet += text;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        send(fd, packet.data(), packet.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(packet.size())) {
        // A full backlog is a peer that stopped accepting; anything else, one that is gone.
        SetLastError(errno == EAGAIN ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE);
        close(fd);
        return std::nullopt;
    }
    auto call = std::make_shared<RemoteCall>(fd);
    call->caller = win32::ThreadWaiter::FromToken(win32::CurrentThreadToken());
    WindowServer::Instance().Watch(call);
    std::chrono::milliseconds wait(g_boundMilliseconds.load(std::memory_order_relaxed));
    if (bound && *bound < wait)
        wait = *bound;
    const auto deadline = win32::ThreadWaiter::Clock::now() + wait;
    if (!AwaitServing(call->done, deadline, serve)) {
        call->abandoned.store(true, std::memory_order_release);
        WindowServer::Instance().Wake();
        SetLastError(ERROR_TIMEOUT);
        return std::nullopt;
    }
    if (!call->answered) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE); // it died before it answered
        return std::nullopt;
    }
    if (call->reply.error != ERROR_SUCCESS)
        SetLastError(call->reply.error);
    return RemoteReply{static_cast<LRESULT>(call->reply.result), std::move(call->text)};
}

remote::RequestHeader Request(remote::RequestKind kind, HWND hwnd)
{
    remote::RequestHeader request{};
    request.kind = kind;
    request.hwnd = HandleToDword(hwnd);
    return request;
}

// The remote window, or none with ERROR_INVALID_WINDOW_HANDLE.
std::optional<WindowEntry> RemoteTarget(HWND hwnd)
{
    auto target = RemoteWindow(hwnd);
    if (!target)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return target;
}

} // namespace

bool IsLocalWindow(HWND hwnd)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    return table.Find(hwnd) != nullptr;
}

DWORD AllocateWindowHandle()
{
    std::lock_guard lock(g_linkMutex);
    WindowRegistry* registry = CurrentRegistryLocked();
    if (!registry)
        return 0;
    MachineLink& link = Link();
    if (link.handlesLeft == 0) {
        if (!registry->AllocateHandles(kHandleBlock, link.nextHandle))
            return 0;
        link.handlesLeft = kHandleBlock;
    }
    const DWORD handle = link.nextHandle;
    link.nextHandle += 2;
    --link.handlesLeft;
    return handle;
}

void PublishWindow(HWND hwnd)
{
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        const WindowRecord* record = table.Find(hwnd);
        if (!record || record->IsChild())
            return;
    }
    std::lock_guard lock(g_publishMutex);
    Stamps()[HandleToDword(hwnd)] = NextStamp();
    SyncLocked();
}

void SyncPublishedWindows()
{
    std::lock_guard lock(g_publishMutex);
    SyncLocked();
}

void WithdrawWindow(HWND hwnd)
{
    std::lock_guard lock(g_publishMutex);
    const DWORD handle = HandleToDword(hwnd);
    Stamps().erase(handle);
    if (Written().erase(handle) == 0)
        return;
    if (const auto registry = CurrentRegistry())
        registry->Remove(handle);
}

std::optional<WindowEntry> RemoteWindow(HWND hwnd)
{
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if (value < kLowestHandle || value > 0xFFFFFFFFu || IsLocalWindow(hwnd))
        return std::nullopt;
    const auto registry = CurrentRegistry();
    if (!registry)
        return std::nullopt;
    auto entry = registry->LiveEntry(HandleToDword(hwnd));
    if (!entry || entry->processId == static_cast<DWORD>(getpid()))
        return std::nullopt;
    return entry;
}

std::vector<WindowEntry> TopLevelWindows()
{
    std::vector<WindowEntry> windows;
    {
        std::lock_guard lock(g_publishMutex);
        windows = SyncLocked();
    }
    if (const auto registry = CurrentRegistry()) {
        const auto self = static_cast<DWORD>(getpid());
        for (WindowEntry& entry : registry->LiveEntries()) {
            if (entry.processId != self)
                windows.push_back(std::move(entry));
        }
    }
    std::stable_sort(windows.begin(), windows.end(),
                     [](const WindowEntry& a, const WindowEntry& b) { return a.stamp > b.stamp; });
    return windows;
}

LRESULT SendRemoteMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          std::optional<std::chrono::milliseconds> bound, bool serve, bool* answered)
{
    if (answered)
        *answered = false;
    const auto target = RemoteTarget(hwnd);
    if (!target)
        return 0;
    if (!remote::CrossesProcesses(message)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    remote::RequestHeader request = Request(remote::RequestKind::Send, hwnd);
    request.message = message;
    request.wParam = wParam;
    std::string text;
    if (message == WM_SETTEXT) {
        text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        if (text.size() > remote::kMaxTextBytes) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    } else if (message == WM_GETTEXT) {
        if (!lParam || wParam == 0)
            return 0;
    } else {
        request.lParam = lParam;
    }
    const auto reply = CallRemote(*target, request, text, serve, bound);
    if (!reply)
        return 0;
    if (answered)
        *answered = true;
    if (message != WM_GETTEXT)
        return reply->result;
    // The buffer takes at most wParam - 1 characters and the terminator.
    const std::size_t count = std::min<std::size_t>(reply->text.size(), wParam - 1);
    std::memcpy(reinterpret_cast<char*>(lParam), reply->text.data(), count);
    reinterpret_cast<char*>(lParam)[count] = '\0';
    return static_cast<LRESULT>(count);
}

BOOL PostRemoteMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto target = RemoteTarget(hwnd);
    if (!target)
        return FALSE;
    if (message == WM_SETTEXT || message == WM_GETTEXT) {
        SetLastError(ERROR_MESSAGE_SYNC_ONLY);
        return FALSE;
    }
    if (!remote::CrossesProcesses(message)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    remote::RequestHeader request = Request(remote::RequestKind::Post, hwnd);
    request.message = message;
    request.wParam = wParam;
    request.lParam = lParam;
    // Posting never runs a window procedure of the caller's.
    const auto reply = CallRemote(*target, request, {}, false);
    return reply && reply->result ? TRUE : FALSE;
}

BOOL ForwardToOwner(HWND hwnd, remote::RequestKind kind, int command)
{
    const auto target = RemoteTarget(hwnd);
    if (!target)
        return FALSE;
    remote::RequestHeader request = Request(kind, hwnd);
    request.command = command;
    const auto reply = CallRemote(*target, request, {}, true);
    return reply && reply->result ? TRUE : FALSE;
}

std::optional<std::string> RemoteCaption(HWND hwnd)
{
    auto target = RemoteWindow(hwnd);
    if (!target)
        return std::nullopt;
    return std::move(target->caption);
}

} // namespace zv::user

namespace zv::user::testing {

void SetRemoteCallBound(std::chrono::milliseconds bound)
{
    g_boundMilliseconds.store(bound.count(), std::memory_order_relaxed);
}

} // namespace zv::user::testing

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam)
{
    if (!lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A list taken first: the callback may create or destroy windows.
    for (const zv::user::WindowEntry& entry : zv::user::TopLevelWindows()) {
        if (!lpEnumFunc(zv::user::HandleFromDword(entry.handle), lParam))
            return FALSE;
    }
    return TRUE;
}
