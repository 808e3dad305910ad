#include "app/HostStatusThread.h"

#include "app/HostClient.h"
#include "app/ZelvanteApp.h"
#include "platform/win32/events.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/threads.h"
#include "platform/win32/waits.h"

namespace {

constexpr DWORD kPollIntervalMs = 300'000;

// The request of the running thread's poll, cancelled by StopStatusThread.
RequestCanceller g_statusRequest;

DWORD StatusThreadMain(LPVOID stopEvent)
{
    do {
        PollHostStatus(&g_statusRequest);
    } while (WaitForSingleObject(static_cast<HANDLE>(stopEvent), kPollIntervalMs) == WAIT_TIMEOUT);
    return 0;
}

} // namespace

bool StartStatusThread(CZelvanteApp& app)
{
    if (app.StatusThread)
        return true;
    app.StatusStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!app.StatusStopEvent)
        return false;
    g_statusRequest.Reset();
    app.StatusThread = CreateThread(nullptr, 0, &StatusThreadMain, app.StatusStopEvent, 0, nullptr);
    if (!app.StatusThread) {
        CloseHandle(app.StatusStopEvent);
        app.StatusStopEvent = nullptr;
        return false;
    }
    return true;
}

void StopStatusThread(CZelvanteApp& app)
{
    if (app.StatusStopEvent)
        SetEvent(app.StatusStopEvent);
    g_statusRequest.Cancel();
    if (app.StatusThread) {
        // The cancelled request returns at once, so the wait is short and the thread never
        // outlives the shared block it writes.
        WaitForSingleObject(app.StatusThread, INFINITE);
        CloseHandle(app.StatusThread);
        app.StatusThread = nullptr;
    }
    if (app.StatusStopEvent) {
        CloseHandle(app.StatusStopEvent);
        app.StatusStopEvent = nullptr;
    }
}
