#include "platform/dshow/graph_events.h"

#include "platform/user/messages.h"

#include <chrono>

namespace zv::dshow {

GraphEvents::~GraphEvents()
{
    for (const Event& event : m_queue) FreeParams(event.code, event.param1, event.param2);
}

void GraphEvents::Add(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    HWND window = nullptr;
    UINT message = 0;
    LONG_PTR instanceData = 0;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({code, param1, param2});
        window = m_notifyWindow;
        message = m_notifyMessage;
        instanceData = m_instanceData;
    }
    // Posted outside the lock (posting takes the receiving queue's lock), and before waiters wake,
    // so that whoever takes the event finds its message already on the way.
    if (window != nullptr) PostMessageA(window, message, 0, instanceData);
    m_arrived.notify_all();
}

HRESULT GraphEvents::Next(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout)
{
    if (code == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
    std::unique_lock lock(m_mutex);
    const auto ready = [this] { return !m_queue.empty(); };
    if (msTimeout < 0) {
        m_arrived.wait(lock, ready);
    } else if (!m_arrived.wait_for(lock, std::chrono::milliseconds(msTimeout), ready)) {
        *code = 0;
        *param1 = 0;
        *param2 = 0;
        return E_ABORT;
    }
    const Event event = m_queue.front();
    m_queue.pop_front();
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}

void GraphEvents::SetNotifyWindow(HWND window, UINT message, LONG_PTR instanceData)
{
    std::lock_guard lock(m_mutex);
    m_notifyWindow = window;
    m_notifyMessage = message;
    m_instanceData = instanceData;
}

void GraphEvents::FreeParams(LONG code, LONG_PTR param1, LONG_PTR)
{
    if (code == EC_DEVICE_LOST && param1 != 0) reinterpret_cast<IUnknown*>(param1)->Release();
}

} // namespace zv::dshow
