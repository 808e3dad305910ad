// Windows across processes: the machine-wide handles, this process's top-level windows published
// in the window registry, and the calls on another process's windows that the public functions
// fall back to when a handle is not one of this process's.
//
// A window's handle is unique on the machine. A process that owns a top-level window holds its
// lock in the registry and serves its socket (window_server.h); its entries are rewritten whenever
// a window's caption, visibility or place in the z-order changes. Calls that run on the other
// window's thread (sends, ShowWindow, ...) wait for its answer while serving messages sent to the
// calling thread; they return at once when the other process dies and give up after a bound when
// it hangs (ERROR_TIMEOUT).
#pragma once

#include "platform/user/remote_protocol.h"
#include "platform/user/window.h"
#include "platform/user/window_registry.h"

#include <chrono>
#include <optional>
#include <vector>

namespace zv::user {

// Whether the window is one of this process's (it may be in its destruction).
bool IsLocalWindow(HWND hwnd);

// A handle no window of the machine has had; 0 with the last error set when none can be had.
DWORD AllocateWindowHandle();

// This process's top-level windows in the registry. Call them without the window table's lock.
// Once the window is created (a child window is never published).
void PublishWindow(HWND hwnd);
// Rewrites the entries whose caption, visibility, state or place in the z-order changed.
void SyncPublishedWindows();
// It is gone.
void WithdrawWindow(HWND hwnd);

// Another live process's top-level window.
std::optional<WindowEntry> RemoteWindow(HWND hwnd);
// Every top-level window of the machine, the top of the z-order first.
std::vector<WindowEntry> TopLevelWindows();

// The public functions' counterparts for another process's window. Each fails with
// ERROR_INVALID_WINDOW_HANDLE when the handle is not a live window of another process.
// A send gives up at `bound` when that comes before the machine's bound, serves messages sent to
// the calling thread meanwhile only when `serve`, and tells through `answered` whether the owner
// answered.
LRESULT SendRemoteMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          std::optional<std::chrono::milliseconds> bound = std::nullopt, bool serve = true,
                          bool* answered = nullptr);
BOOL PostRemoteMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// ShowWindow (with its command), SetForegroundWindow or BringWindowToTop, run by the owner.
BOOL ForwardToOwner(HWND hwnd, remote::RequestKind kind, int command = 0);
// The caption of another process's window as its owner last published it (as the system does:
// no WM_GETTEXT, so a hung owner never blocks the caller); none for any other handle.
std::optional<std::string> RemoteCaption(HWND hwnd);

} // namespace zv::user

namespace zv::user::testing {

// How long a call on another process's window waits for a hung peer (30 s unless set).
void SetRemoteCallBound(std::chrono::milliseconds bound);

} // namespace zv::user::testing
