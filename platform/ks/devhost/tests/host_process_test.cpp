// The host as a process: one per lock, exit codes, idle exit, and what it leaves behind.
#include <sys/stat.h>

#include <fstream>

#include "platform/ks/devhost/tests/HostTestClient.h"

namespace zv::devhost::test {
namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

TEST(HostProcessTest, ExitCodes)
{
    struct Case {
        const char* name;
        long long idleMs;
        const char* driver;  // null: the real one
        bool signal;
        int expected;
    };
    const Case cases[] = {
        {"SIGTERM", 60000, nullptr, true, 0},
        {"idle", 200, nullptr, false, 0},
        {"driver that does not load", 60000, "/nonexistent/zelvante.sys", false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win32::testing::TempZvRoot root;
        HostProcess host(root.Path(), c.idleMs, c.driver != nullptr ? c.driver : ZV_DRIVER_PATH);
        if (c.expected == 0) {
            ASSERT_TRUE(host.WaitReady());
            std::ifstream lock(host.lockPath);
            pid_t pid = 0;
            lock >> pid;
            EXPECT_GT(pid, 0);
        }
        EXPECT_EQ(c.signal ? host.Terminate() : host.WaitExit(), c.expected);
        EXPECT_FALSE(Exists(host.socketPath));
    }
}

TEST(HostProcessTest, ASecondHostForTheSameLockExitsThree)
{
    win32::testing::TempZvRoot root;
    HostProcess first(root.Path());
    ASSERT_TRUE(first.WaitReady());
    HostProcess second(root.Path());
    EXPECT_EQ(second.WaitExit(), 3);
    // The first still serves.
    TestClient client(first.socketPath);
    ASSERT_TRUE(client.Connected());
    const wire::HelloRequest hello{wire::kProtocolVersion, 0};
    EXPECT_EQ(client.Call<wire::HelloReply>(MessageType::Hello, {BytesOf(hello)}).result.status, STATUS_SUCCESS);
    EXPECT_EQ(first.Terminate(), 0);
}

TEST(HostProcessTest, IdleTimeCountsOnlyWithoutConnections)
{
    win32::testing::TempZvRoot root;
    HostProcess host(root.Path(), 300);
    ASSERT_TRUE(host.WaitReady());
    {
        // A connection held past the idle time keeps the host.
        TestClient client(host.socketPath);
        std::this_thread::sleep_for(600ms);
        const wire::StreamRequest stream{0, 0};
        EXPECT_EQ(client.Status(MessageType::GetDataRanges, {BytesOf(stream)}), STATUS_SUCCESS);
    }
    EXPECT_EQ(host.WaitExit(), 0);
}

TEST(HostProcessTest, OnSigtermPendingReadsAreAnsweredCancelled)
{
    win32::testing::TempZvRoot root;
    HostProcess host(root.Path());
    ASSERT_TRUE(host.WaitReady());
    TestClient client(host.socketPath);
    SharedBuffer frame(k160x120);
    const std::uint32_t buffer = client.Register(frame);
    const std::uint32_t pin = client.OpenPin(VideoFormat(160, 120).DataFormat);
    ASSERT_EQ(client.SetState(pin, KSSTATE_PAUSE), STATUS_SUCCESS);
    const std::uint32_t read = client.SubmitRead(pin, buffer, 0, k160x120);
    EXPECT_EQ(client.SetState(pin, KSSTATE_PAUSE), STATUS_SUCCESS);  // the read is in
    EXPECT_EQ(host.Terminate(), 0);
    EXPECT_EQ(client.AwaitRead(read).result.status, STATUS_CANCELLED);
}

}  // namespace
}  // namespace zv::devhost::test
