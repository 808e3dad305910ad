#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "platform/ks/devhost/frame_buffer.h"
#include "platform/ks/devhost/host_launcher.h"
#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <fcntl.h>

namespace zv::devhost {
namespace {

class LauncherTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("ZV_DEVHOST"); }
    win32::testing::TempZvRoot root;
};

TEST_F(LauncherTest, HostFilesAreShortPerInstanceAndIgnoreCase)
{
    const std::string longId = "ROOT\\MEDIA\\" + std::string(300, 'x');
    std::set<std::string> sockets;
    for (const std::string id : {"ROOT\\MEDIA\\0000", "ROOT\\MEDIA\\0001", longId.c_str()}) {
        const auto files = HostFilesFor(id);
        ASSERT_TRUE(files);
        EXPECT_EQ(files->socket.rfind(root.Path() + "/run/dh-", 0), 0u) << files->socket;
        EXPECT_EQ(files->socket.size(), root.Path().size() + 29);  // "/run/dh-" + 16 digits + ".sock"
        sockets.insert(files->socket);
    }
    EXPECT_EQ(sockets.size(), 3u);
    EXPECT_EQ(HostFilesFor("root\\media\\0000")->lock, HostFilesFor("ROOT\\MEDIA\\0000")->lock);
}

TEST(LauncherRootTest, ASocketPathTooLongForAnAddressIsRefused)
{
    win32::testing::TempZvRoot root;
    const std::string deep = root.Path() + "/" + std::string(100, 'd');
    setenv("ZV_ROOT", deep.c_str(), 1);
    DWORD error = 0;
    EXPECT_FALSE(HostFilesFor("ROOT\\MEDIA\\0000"));
    EXPECT_EQ(ConnectToHost("ROOT\\MEDIA\\0000", "/none.sys", &error), nullptr);
    EXPECT_EQ(error, ERROR_BAD_PATHNAME);
}

TEST_F(LauncherTest, AHostThatCannotStartFailsTheConnection)
{
    const struct {
        const char* program;
        DWORD error;
    } cases[] = {
        {"/bin/false", ERROR_DEVICE_NOT_CONNECTED},  // leaves at once
        {"/nonexistent/zvdevhost", ERROR_DEVICE_NOT_CONNECTED},  // exec fails in the child
    };
    for (const auto& c : cases) {
        setenv("ZV_DEVHOST", c.program, 1);
        DWORD error = 0;
        EXPECT_EQ(ConnectToHost("ROOT\\MEDIA\\0000", "/none.sys", &error), nullptr) << c.program;
        EXPECT_EQ(error, c.error) << c.program;
    }
    EXPECT_FALSE(StopHost("ROOT\\MEDIA\\0000"));
}

TEST(FrameBufferTest, BuffersAreSealedAgainstResizingAndDistinct)
{
    auto a = FrameBuffer::Create(10000);
    auto b = FrameBuffer::Create(10000);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Size(), 10000u);
    EXPECT_NE(a->Serial(), b->Serial());
    const int seals = fcntl(a->Fd(), F_GET_SEALS);
    EXPECT_EQ(seals & (F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL), F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL);
    EXPECT_NE(ftruncate(a->Fd(), 100), 0);
    a->Data()[9999] = 7;
    EXPECT_EQ(a->Data()[9999], 7);
    EXPECT_EQ(FrameBuffer::Create(0), nullptr);
}

}  // namespace
}  // namespace zv::devhost
