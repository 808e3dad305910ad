#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "platform/ks/devhost/host_launcher.h"
#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"

namespace zv::devhost {
namespace {

TEST(LauncherTest, HostFilesAreShortPerInstanceAndIgnoreCase)
{
    win32::testing::TempZvRoot root;
    std::set<std::string> sockets;
    for (const std::string& id : {std::string("ROOT\\MEDIA\\0000"), std::string("ROOT\\MEDIA\\0001"), "ROOT\\" + std::string(300, 'x')}) {
        const auto files = HostFilesFor(id);
        ASSERT_TRUE(files);
        EXPECT_EQ(files->socket.size(), root.Path().size() + 29);  // "/run/dh-" + 16 digits + ".sock"
        sockets.insert(files->socket);
    }
    EXPECT_EQ(sockets.size(), 3u);
    EXPECT_EQ(HostFilesFor("root\\media\\0000")->lock, HostFilesFor("ROOT\\MEDIA\\0000")->lock);

    // A root so deep that no socket address can hold the path is refused, not cut short.
    setenv("ZV_ROOT", (root.Path() + "/" + std::string(100, 'd')).c_str(), 1);
    DWORD error = 0;
    EXPECT_FALSE(HostFilesFor("ROOT\\MEDIA\\0000"));
    EXPECT_EQ(ConnectToHost("ROOT\\MEDIA\\0000", "/none.sys", &error), nullptr);
    EXPECT_EQ(error, ERROR_BAD_PATHNAME);
}

TEST(LauncherTest, AHostThatCannotStartFailsTheConnection)
{
    win32::testing::TempZvRoot root;
    for (const char* program : {"/bin/false", "/nonexistent/zvdevhost"}) {
        setenv("ZV_DEVHOST", program, 1);
        DWORD error = 0;
        EXPECT_EQ(ConnectToHost("ROOT\\MEDIA\\0000", "/none.sys", &error), nullptr) << program;
        EXPECT_EQ(error, ERROR_DEVICE_NOT_CONNECTED) << program;
    }
    unsetenv("ZV_DEVHOST");
    EXPECT_FALSE(StopHost("ROOT\\MEDIA\\0000"));
}

}  // namespace
}  // namespace zv::devhost
