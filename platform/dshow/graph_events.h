// The event queue of a filter graph: filled from GStreamer's threads, read by the application,
// announced to a window by posted messages.
#pragma once

#include "platform/dshow/dshow_types.h"
#include "platform/user/user_types.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace zv::dshow {

class GraphEvents {
public:
    GraphEvents() = default;
    GraphEvents(const GraphEvents&) = delete;
    GraphEvents& operator=(const GraphEvents&) = delete;
    // Events still queued give back what their parameters hold.
    ~GraphEvents();

    // Queues an event and posts the notify message. The queue takes over what the parameters hold
    // (the filter reference of EC_DEVICE_LOST).
    void Add(LONG code, LONG_PTR param1, LONG_PTR param2);
    // E_ABORT when no event arrives within the time-out (INFINITE = -1 waits for ever).
    HRESULT Next(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout);
    void SetNotifyWindow(HWND window, UINT message, LONG_PTR instanceData);

    static void FreeParams(LONG code, LONG_PTR param1, LONG_PTR param2);

private:
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Event> m_queue;
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = 0;
    LONG_PTR m_instanceData = 0;
};

} // namespace zv::dshow
