// Test support: steps run inside a modal dialog's own loop, so that tests can type into and click a
// modal dialog and note what it shows. One file per test program includes it.
#pragma once

#include "platform/user/window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <thread>

namespace zv::app::testing {

// Runs steps inside whatever modal loop this thread is in: each step is posted to a hidden window
// and runs after everything queued before it (the keys the step before typed). A step may wait for
// a dialog to be shown: a watcher thread posts it once the dialog's window exists (a modal loop
// that is ending still serves what is queued, so the step cannot simply be posted again). When the
// steps run out, whatever dialog is still active is cancelled, so that a failed test cannot hang.
class ModalScript {
public:
    ModalScript()
    {
        static const bool registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = &ModalScript::Proc;
            windowClass.lpszClassName = kClassName;
            return RegisterClassA(&windowClass) != 0;
        }();
        EXPECT_TRUE(registered);
        m_window = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ModalScript()
    {
        if (m_watcher.joinable())
            m_watcher.join();
        DestroyWindow(m_window);
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& Then(std::function<void()> step) { return ThenWhenShown(nullptr, std::move(step)); }
    // The step once a window with that caption exists (at most 10 s later).
    ModalScript& ThenWhenShown(const char* caption, std::function<void()> step)
    {
        m_steps.push_back({caption, std::move(step)});
        return *this;
    }
    // Call before the modal run.
    void Start() { PostMessageA(m_window, kStepMessage, 0, 0); }
    int cancelled = 0;  // dialogs the script had to end itself

private:
    static constexpr const char* kClassName = "ZvModalScript";
    static constexpr UINT kStepMessage = WM_APP + 77;
    static constexpr int kMaxCancels = 4;

    struct Step {
        const char* waitFor;
        std::function<void()> run;
    };

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* script = reinterpret_cast<ModalScript*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message != kStepMessage || !script)
            return DefWindowProcA(window, message, wParam, lParam);
        if (!script->m_steps.empty()) {
            const char* waitFor = script->m_steps.front().waitFor;
            if (waitFor && !FindWindowA(nullptr, waitFor) && !script->m_waited) {
                script->Watch(waitFor);
                return 0;
            }
            script->m_waited = false;
            auto step = std::move(script->m_steps.front().run);
            script->m_steps.pop_front();
            step();
        } else if (const HWND active = GetActiveWindow(); active && script->cancelled < kMaxCancels) {
            ++script->cancelled;
            SendMessageA(active, WM_COMMAND, IDCANCEL, 0);
        } else {
            return 0;
        }
        PostMessageA(window, kStepMessage, 0, 0);
        return 0;
    }

    void Watch(const char* caption)
    {
        if (m_watcher.joinable())
            m_watcher.join();
        m_waited = true;  // the step runs when the watcher posts it, shown or not
        m_watcher = std::thread([window = m_window, caption] {
            for (int i = 0; i < 2000 && !FindWindowA(nullptr, caption); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            PostMessageA(window, kStepMessage, 0, 0);
        });
    }

    HWND m_window = nullptr;
    std::deque<Step> m_steps;
    bool m_waited = false;
    std::thread m_watcher;
};

} // namespace zv::app::testing
