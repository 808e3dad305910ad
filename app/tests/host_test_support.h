// The host client's tests: a fresh machine, the shared block mapped, the application logged out,
// and the host server's requests sent to a loopback server that answers as each test scripts.
#pragma once

#include "app/FileVersion.h"
#include "app/HostClient.h"
#include "app/HostReplies.h"
#include "app/HostStatusThread.h"
#include "app/ProgramMessages.h"
#include "app/ZelvanteApp.h"
#include "app/tests/main_dialog_fixture.h"
#include "capture/FrameCallback.h"
#include "platform/inet/tests/scripted_http_server.h"
#include "platform/user/message_box.h"
#include "platform/user/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zv::app::testing {

inline constexpr const char* kLoginRoute = "site_zelv_login.asp";
inline constexpr const char* kStatusRoute = "site_zelv_check_status.asp";

// A reply with the given params under the reply element, inside a document element of any name.
inline std::string Reply(const char* element, const std::vector<std::pair<std::string, std::string>>& params)
{
    std::string xml = "<?xml version=\"1.0\"?>\r\n<response>\r\n<" + std::string(element) + ">\r\n";
    for (const auto& [name, value] : params)
        xml += "  <param name=\"" + name + "\" value=\"" + value + "\"/>\r\n";
    return xml + "</" + element + ">\r\n</response>\r\n";
}

// A route answering 200 with this body.
inline std::string Answer(const std::string& body)
{
    return "status=200\n\n" + body;
}

class HostClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TheTestApp();
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        m_server = std::make_unique<zv::inet::testing::ScriptedHttpServer>();
        zv::user::MessageBoxResponder::Reset();
        App().SetRegistryKey("Kestrova");
        App().WriteProfileString("Servers", "host.zelvante.example",
                                 ("127.0.0.1:" + std::to_string(m_server->Port())).c_str());
        App().MapSharedData();
        ASSERT_NE(g_pSharedData.load(), nullptr);
        App().Credentials.Set({});
        App().UserType = 0;
        App().UnreadMessages = 0;
        App().HiddenMenuBits = 0;
        App().ProfilePhoto = 0;
        App().HostGroup = 0;
        App().OkStartSession = 0;
        App().ActiveForSession = 1;
        App().m_Config.Init();
        m_window = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        g_hWndMain = m_window;
    }

    void TearDown() override
    {
        StopStatusThread(App());  // a test that failed half-way leaves no poll writing the block
        g_hWndMain = nullptr;
        DestroyWindow(m_window);
        App().UnmapSharedData();
        SetHostLoginBound(std::chrono::seconds(30));
        m_server.reset();
        m_root.reset();
    }

    static TestApp& App() { return TheTestApp(); }

    // Status messages posted to the main window since the last call.
    int TakeStatusMessages() const
    {
        int count = 0;
        MSG msg;
        while (PeekMessageA(&msg, m_window, HostStatusMessage, HostStatusMessage, PM_REMOVE))
            ++count;
        return count;
    }

    static std::vector<std::string> MessageBoxTexts()
    {
        std::vector<std::string> texts;
        for (const auto& record : zv::user::MessageBoxResponder::History())
            texts.push_back(record.text);
        return texts;
    }

    static std::string ProgramString(UINT id)
    {
        std::string text;
        EXPECT_TRUE(AfxLoadString(id, text)) << id;
        return text;
    }

    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
    std::unique_ptr<zv::inet::testing::ScriptedHttpServer> m_server;
    HWND m_window = nullptr;
};

} // namespace zv::app::testing
