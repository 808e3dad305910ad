// The virtual camera across processes: the main program's frame road in one process writing through
// the device host, client applications in others capturing "Zelvante Capture" at their own sizes.
#include "child_process.h"
#include "frame_file.h"

#include "capture/FrameSize.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_launcher.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace {

using namespace zv::capture::testing;

struct ClientCase {
    FrameSize size;
    // Where pixel (x, y) of the client's frame comes from in the written 320x240 frame.
    std::int32_t sourceRowOffset;  // rows skipped at the bottom (a smaller height shows the top rows)
    bool scaled;
};

// The client's expected frame: nearest neighbour from the 320x240 frame, or its top rows.
std::vector<BYTE> Reference(const FrameFile& written, const ClientCase& client)
{
    const FrameSize from = written.size;
    const std::size_t fromStride = FrameStride(from.width);
    const std::size_t stride = FrameStride(client.size.width);
    std::vector<BYTE> expected(FrameBytes(client.size));
    for (std::int32_t y = 0; y < client.size.height; ++y)
        for (std::int32_t x = 0; x < client.size.width; ++x) {
            const std::int32_t sx = client.scaled ? x * from.width / client.size.width : x;
            const std::int32_t sy = client.scaled ? y * from.height / client.size.height : y + client.sourceRowOffset;
            for (int c = 0; c < 3; ++c)
                expected[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3 + c] =
                    written.bytes[static_cast<std::size_t>(sy) * fromStride + static_cast<std::size_t>(sx) * 3 + c];
        }
    return expected;
}

// Asks until the answer satisfies `done` (or the time is up); the last answer.
template <typename Done>
std::string AskUntil(ChildProcess& child, const std::string& command, Done done)
{
    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    do {
        answer = child.Ask(command);
        if (done(answer)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return answer;
}

// The pid of the device's running host, from the lock it holds; 0 when none is known.
pid_t HostPid(const std::string& devicePath)
{
    const auto device = zv::devhost::FindDeviceByPath(devicePath);
    const auto files = device ? zv::devhost::HostFilesFor(device->instanceId) : std::nullopt;
    std::ifstream lock(files ? files->lock : std::string());
    pid_t pid = 0;
    lock >> pid;
    return pid;
}

int Count(const std::string& answer)
{
    std::istringstream words(answer);
    std::string word;
    int count = -1;
    words >> word >> count;
    return count;
}

TEST(VirtualCameraEndToEnd, ClientsReceiveTheWrittenFrameAtTheirSizesUntilTheHostDies)
{
    zv::win32::testing::TempZvRoot root;
    setenv("ZV_DEVHOST_IDLE_MS", "1000", 1); // hosts of this test end soon after it
    const std::optional<std::string> path = zv::devhost::CreateVirtualCameraRecord(ZV_DRIVER_PATH);
    ASSERT_TRUE(path);
    const std::vector<ClientCase> cases = {
        {{176, 144}, 0, true},
        {{320, 240}, 0, false},
        {{320, 200}, 40, false},
    };
    ChildProcess writer(VCAM_WRITER_PATH, {});
    ASSERT_EQ("ready", writer.ReadLine());
    std::vector<std::unique_ptr<ChildProcess>> clients;
    for (const ClientCase& client : cases) {
        clients.push_back(std::make_unique<ChildProcess>(
            VCAM_CLIENT_PATH, std::vector<std::string>{std::to_string(client.size.width), std::to_string(client.size.height)}));
        ASSERT_EQ("ready", clients.back()->ReadLine()) << client.size.width << "x" << client.size.height;
    }

    // The clients' pulls mark their sizes; the writer then writes those sizes and only those.
    const std::string inUse = "flags 0 1 0 0 1 0 0 0 0 0";
    EXPECT_EQ(inUse, AskUntil(writer, "flags", [&](const std::string& a) { return a == inUse; }));
    const int processed = Count(writer.Ask("frames"));
    AskUntil(writer, "frames", [&](const std::string& a) { return Count(a) >= processed + 10; });
    for (auto& client : clients) EXPECT_GT(Count(client->Ask("frames")), 0);

    // Once the writer stops, every client keeps receiving the last frame written.
    ASSERT_EQ("stopped", writer.Ask("stop"));
    const std::string writtenPath = root.Path() + "/written.frame";
    ASSERT_EQ("dumped 320 240", writer.Ask("dump " + writtenPath));
    const FrameFile written = ReadFrameFile(writtenPath);
    ASSERT_EQ(FrameBytes({320, 240}), written.bytes.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ClientCase& client = cases[i];
        const std::vector<BYTE> expected = Reference(written, client);
        for (int round = 0; round < 2; ++round) {
            const std::string path = root.Path() + "/client" + std::to_string(i) + ".frame";
            ASSERT_EQ("dumped " + std::to_string(client.size.width) + " " + std::to_string(client.size.height),
                      clients[i]->Ask("dump " + path));
            const FrameFile received = ReadFrameFile(path);
            ASSERT_EQ(expected.size(), received.bytes.size());
            // The first five bytes of a stored frame are the header of the block that filled it.
            const std::size_t from = client.sourceRowOffset == 0 ? 5 : 0;
            std::size_t wrong = 0;
            for (std::size_t b = from; b < expected.size(); ++b) wrong += expected[b] != received.bytes[b];
            EXPECT_EQ(0u, wrong) << client.size.width << "x" << client.size.height << " round " << round;
        }
    }
    EXPECT_EQ(inUse, writer.Ask("flags"));

    // The host dies: the clients' graphs report the device lost, the writer's flags read falls back
    // to "no device" (every format counts as in use), and opening again starts a new host.
    const pid_t host = HostPid(*path);
    ASSERT_GT(host, 0);
    ASSERT_EQ(0, kill(host, SIGKILL));
    for (auto& client : clients)
        EXPECT_EQ("lost 1", AskUntil(*client, "lost", [](const std::string& a) { return a == "lost 1"; }));
    const std::string noDevice = "flags none 255 255 255 255 255 255 255 255 255 255";
    EXPECT_EQ(noDevice, AskUntil(writer, "flags", [&](const std::string& a) { return a == noDevice; }));
    ASSERT_EQ("reopened", writer.Ask("reopen"));
    EXPECT_EQ("flags 0 0 0 0 0 0 0 0 0 0", writer.Ask("flags"));
    const pid_t newHost = HostPid(*path);
    EXPECT_GT(newHost, 0);
    EXPECT_NE(host, newHost);

    for (auto& client : clients) {
        client->Send("quit");
        EXPECT_EQ(0, client->Wait());
    }
    writer.Send("quit");
    EXPECT_EQ(0, writer.Wait());
}

} // namespace
