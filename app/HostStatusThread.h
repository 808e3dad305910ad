// The status thread: polls the host server at once, then every five minutes, until stopped.
//
// The thread's handle and stop event are the application's StatusThread and StatusStopEvent.
// Stopping also cancels the poll under way, so the thread is always joined, never left running.
#pragma once

class CZelvanteApp;

// Starts the thread (nothing when it runs already); false when it could not be started.
bool StartStatusThread(CZelvanteApp& app);
// Signals the thread, stops its request, waits for it and closes both handles.
void StopStatusThread(CZelvanteApp& app);
