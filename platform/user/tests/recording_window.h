// A test window whose procedure records every message and can answer chosen ones.
#pragma once

#include "platform/user/message_box.h"
#include "platform/user/timers.h"
#include "platform/user/window.h"

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace zv::user::test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread;
};

class RecordingWindow {
public:
    // Answers a message instead of the default window procedure when it returns a value.
    std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> answer;

    // Creates the window on the calling thread, this object as its creation parameter.
    HWND Create(const char* caption = "", DWORD style = 0, HWND parent = nullptr, HMENU menu = nullptr)
    {
        return CreateWindowExA(0, ClassName(), caption, style, 0, 0, 10, 10, parent, menu, nullptr, this);
    }

    std::vector<Received> Log() const
    {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    std::vector<UINT> Messages() const
    {
        std::vector<UINT> messages;
        for (const Received& r : Log())
            messages.push_back(r.message);
        return messages;
    }
    // The messages of the program's own range (WM_USER and up), in the order received.
    std::vector<UINT> UserMessages() const
    {
        std::vector<UINT> messages;
        for (const Received& r : Log()) {
            if (r.message >= WM_USER)
                messages.push_back(r.message);
        }
        return messages;
    }

    static const char* ClassName()
    {
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Procedure;
            wc.cbWndExtra = 16;
            wc.lpszClassName = "ZvTestRecordingWindow";
            return RegisterClassA(&wc) != 0;
        }();
        return registered ? "ZvTestRecordingWindow" : nullptr;
    }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self) {
            {
                std::lock_guard lock(self->m_mutex);
                self->m_log.push_back(Received{hwnd, message, wParam, lParam, CurrentThreadId()});
            }
            if (self->answer) {
                if (auto result = self->answer(hwnd, message, wParam, lParam))
                    return *result;
            }
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    mutable std::mutex m_mutex;
    std::vector<Received> m_log;
};

// Takes every queued message without waiting and dispatches it; returns the messages taken.
inline std::vector<MSG> DrainQueue()
{
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        taken.push_back(msg);
        DispatchMessageA(&msg);
    }
    return taken;
}

} // namespace zv::user::test
