// Installing the virtual camera into an empty machine and capturing from it at once: a writer
// process (the main program's frame road) writes frames through the installed device and a client
// application captures "Zelvante Capture" with no other step.
#include "driver_install_fixture.h"

#include "capture/tests/e2e/child_process.h"
#include "platform/ks/devhost/device_records.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using namespace zv::driverinstall::testing;
using zv::capture::testing::ChildProcess;

// "frames N" -> N; -1 for any other answer.
int FramesIn(const std::string& answer)
{
    int frames = -1;
    return std::sscanf(answer.c_str(), "frames %d", &frames) == 1 ? frames : -1;
}

TEST_F(DriverInstallTest, AClientCapturesFromTheFreshlyInstalledDevice)
{
    setenv("ZV_DEVHOST_IDLE_MS", "1000", 1);
    ASSERT_EQ(1, InstallDriver(nullptr, config));

    ChildProcess writer(VCAM_WRITER_PATH, {});
    ASSERT_EQ("ready", writer.ReadLine());
    ChildProcess client(VCAM_CLIENT_PATH, {"176", "144"});
    ASSERT_EQ("ready", client.ReadLine());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int frames = 0;
    while ((frames = FramesIn(client.Ask("frames"))) < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(frames, 3);
    client.Send("quit");
    writer.Ask("stop");
}

}  // namespace
