// The link between the kernel-object waits and the window layer.
//
// A thread that owns windows must keep serving messages that other threads send to it, also while
// it blocks in WaitForSingleObject and friends; otherwise a worker that sends to the user-interface
// thread while that thread waits for the worker deadlocks. The window layer installs a service
// routine; every blocking wait of the layer calls it before blocking and whenever the waiting thread
// is woken for service, and then goes on waiting for its objects.
#pragma once

#include <cstdint>

namespace zv::win32 {

// Identifies one thread's waiter. Valid for the life of that thread.
using ThreadToken = std::uintptr_t;

// The calling thread's token.
ThreadToken CurrentThreadToken();

// Wakes the thread's current wait (or its next one, when it is not waiting now) so that it runs the
// service routine. Callable from any thread.
void WakeThreadForService(ThreadToken thread);

// Installs the routine that serves messages sent to the calling thread. Called on the waiting thread
// itself; it must not block. Null removes it.
void SetSentMessageService(void (*serve)());

} // namespace zv::win32
