// What the browser, studio and chat-view dialogs' tests share: the program's application object
// (never started: the tests make the dialogs themselves), a fresh machine, the controls the
// dialogs host registered, and a popup host window standing for the main window, which records
// the program messages it is sent or posted.
//
// The test programs carry the program's resources and have the default skin beside them, where
// the dialogs look for it.
#pragma once

#include "app/ProgramMessages.h"
#include "app/ZelvanteApp.h"
#include "platform/afx/afx_dialog.h"
#include "platform/afx/afxdisp.h"
#include "platform/afx/control_hosting.h"
#include "platform/browser/web_browser_control.h"
#include "platform/skin/skin_control.h"
#include "platform/skin/skin_interfaces.h"
#include "platform/user/message_box.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zv::app::testing {

inline CZelvanteApp& TheApp()
{
    static CZelvanteApp app;
    return app;
}

// Serves the thread's messages (through the framework's pre-translation, as the program's loop
// does) until `done`, at most `bound`: pages load in the web process.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds bound = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!AfxPreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

inline void Pump()
{
    PumpUntil([] { return true; });
}

// A plain popup (the play list's template) that keeps the program messages it gets.
class HostWindow : public CDialog {
public:
    HostWindow() : CDialog(176u) {}

    struct Received {
        UINT message;
        WPARAM wParam;
        std::string text; // OwnChatMessage: the text of its length
    };
    std::vector<Received> received;

    int Count(UINT message) const
    {
        int count = 0;
        for (const Received& r : received)
            count += r.message == message;
        return count;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == OwnChatMessage) {
            received.push_back({message, wParam, std::string(reinterpret_cast<const char*>(lParam), wParam)});
            return 0;
        }
        if (message == BrowserClosedMessage) {
            received.push_back({message, wParam, {}});
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

class BrowserDialogsTest : public ::testing::Test {
protected:
    // Call from SetUp once the display is chosen.
    void StartHost()
    {
        TheApp();
        if (!m_root)
            m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        zv::user::MessageBoxResponder::Reset();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        m_comStarted = true;
        AfxEnableControlContainer();
        zv::skin::RegisterSkinControlClass();
        zv::browser::RegisterWebBrowserClass();
        ASSERT_TRUE(host.Create(176u));
        TheApp().m_pMainWnd = &host;
    }
    void TearDown() override
    {
        TheApp().m_pMainWnd = nullptr;
        if (host.GetSafeHwnd())
            host.DestroyWindow();
        Pump();
        if (m_comStarted)
            CoUninitialize();
        m_root.reset();
    }

    // The named element of the skin form a dialog shows, through the dialog's skin control.
    static zv::win32::ComRef<IUnknown> SkinElement(CWnd& dialog, const char* name)
    {
        CWnd* control = dialog.GetDlgItem(1002);
        void* engine = nullptr;
        if (!control || !control->GetControlUnknown() ||
            FAILED(control->GetControlUnknown()->QueryInterface(IID_ISkinEngine, &engine)))
            return {};
        const auto held = zv::win32::ComRef<ISkinEngine>::Adopt(static_cast<ISkinEngine*>(engine));
        ISkinRootElement* root = nullptr;
        if (FAILED(held->GetRootElement(dialog.GetSafeHwnd(), &root)) || !root)
            return {};
        const auto form = zv::win32::ComRef<ISkinRootElement>::Adopt(root);
        const std::u16string wide(name, name + std::char_traits<char>::length(name));
        ISkinElement* element = nullptr;
        if (FAILED(form->FindElement(wide.c_str(), &element)) || !element)
            return {};
        return zv::win32::ComRef<IUnknown>::Adopt(element);
    }

    HostWindow host;
    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;

private:
    bool m_comStarted = false;
};

} // namespace zv::app::testing
