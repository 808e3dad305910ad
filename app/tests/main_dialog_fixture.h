// A started main program for tests: a fresh machine in a temporary ZV_ROOT (newdev.dll in its
// system folder, the default skin chosen in the registry), the headless display, the built-in
// test camera, and the application object's own start-up and exit.
//
// The test program's one application object is TheTestApp(); every test starts and ends it.
#pragma once

#include "app/DlgZelvante.h"
#include "app/ProgramMessages.h"
#include "app/ZelvanteApp.h"
#include "app/driverinstall/DriverInstall.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "capture/PlayerState.h"
#include "capture/VirtualCameraChannel.h"
#include "capture/tests/test_camera.h"
#include "platform/inet/request_limits.h"
#include "platform/user/headless_display.h"
#include "platform/user/headless_tray.h"
#include "platform/user/message_box.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/zv_root.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zv::app::testing {

// The application with its start-up steps reachable by tests.
class TestApp : public CZelvanteApp {
public:
    using CZelvanteApp::MapSharedData;
    using CZelvanteApp::TakeInstanceMutex;
    using CZelvanteApp::UnmapSharedData;
};

inline TestApp& TheTestApp()
{
    static TestApp app;
    return app;
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!AfxPreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TheTestApp();
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        // Only the test camera: the machine's own devices stay out of the tests.
        m_devices = std::make_unique<zv::capture::testing::TestDevices>("Test Camera:320x240@30,640x480@30");
        ASSERT_TRUE(zv::win32::EnsureMachineFolders());
        std::filesystem::copy_file(NEWDEV_PATH, m_root->Path() + "/windows/system32/newdev.dll",
                                   std::filesystem::copy_options::overwrite_existing);
        ASSERT_TRUE(zv::user::headless::SetScreenSize(1366, 768));
        zv::user::headless::SetTrayPresent(true);
        zv::user::MessageBoxResponder::Reset();
        // What a fresh process starts with.
        g_nSourceKind = 1;
        g_nPlayerState = PlayerStopped;
        // The exit page is never reachable from a test: do not wait long for it.
        zv::inet::RequestLimits limits = zv::inet::GetRequestLimits();
        limits.connect = std::chrono::milliseconds(200);
        zv::inet::SetRequestLimits(limits);
        App().SetRegistryKey("Kestrova");
        App().WriteProfileString("Params", "SkinPath", SkinPath().c_str());
    }

    void TearDown() override
    {
        if (CDlgZelvante* dialog = Dialog(); dialog && dialog->GetSafeHwnd())
            dialog->SendMessage(CloseRequestMessage, 0, 0);
        Pump();
        if (m_started)
            App().ExitInstance();
        ConfigStore scratch;
        RemoveDriver(scratch); // stops the device host the start-up began
        m_devices.reset();
        m_root.reset();
    }

    static TestApp& App() { return TheTestApp(); }
    static std::string SkinPath() { return std::string(ZV_SKIN_DIR) + "/Zelvante.skn"; }

    // Runs the start-up with the given arguments; the result of InitInstance.
    bool Start(std::vector<std::string> arguments = {})
    {
        std::vector<char*> argv;
        std::string program = "Zelvante";
        argv.push_back(program.data());
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        App().SetCommandLine(static_cast<int>(argv.size()), argv.data());
        m_started = true;
        const BOOL started = App().InitInstance();
        Pump();
        return started != FALSE;
    }

    static CDlgZelvante* Dialog() { return static_cast<CDlgZelvante*>(App().m_pDlgMain); }

    static std::string ReadParam(const char* entry) { return App().GetProfileString("Params", entry, "<absent>"); }

    static std::vector<std::string> MessageTexts()
    {
        std::vector<std::string> texts;
        for (const auto& record : zv::user::MessageBoxResponder::History())
            texts.push_back(record.text);
        return texts;
    }

private:
    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
    std::unique_ptr<zv::capture::testing::TestDevices> m_devices;
    bool m_started = false;
};

} // namespace zv::app::testing
