// The main program as a process on a fresh machine, headless, on the built-in test camera: the
// first start installs the virtual camera and fans the camera out to two client programs at two
// sizes; "/min" keeps the window in the tray and "/play" starts playing; a second start brings the
// first forward and ends; the close request ends the program with its settings saved and black
// pictures left for the clients.
#include "app/ExternalControlWindow.h"
#include "app/ProgramMessages.h"
#include "app/tests/program_process.h"
#include "capture/FrameCallback.h"
#include "platform/dshow/testing/glib_quark_leak.h"
#include "platform/dshow/testing/media_file.h"
#include "platform/win32/registry_key.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace zv::app::testing {
namespace {

using zv::capture::testing::ReadFrameFile;

std::optional<DWORD> Dword(const zv::win32::Key& key, const char* name)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key || RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

// The machine's top-level windows of the snapshot manager.
std::vector<user::WindowEntry> SnapshotManagers()
{
    std::vector<user::WindowEntry> found;
    for (const user::WindowEntry& entry : user::TopLevelWindows()) {
        if (entry.caption.find("Snapshot manager") != std::string::npos)
            found.push_back(entry);
    }
    return found;
}

struct Client {
    int width;
    int height;
    std::unique_ptr<ChildProcess> process;
};

class ProgramE2eTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("ZV_DISPLAY", "headless", 1); }

    // The next picture the client receives.
    zv::capture::testing::FrameFile Dump(Client& client, const std::string& name)
    {
        const std::string path = m_machine.Root() + "/" + name;
        const std::string answer = client.process->Ask("dump " + path);
        EXPECT_EQ(answer, "dumped " + std::to_string(client.width) + " " + std::to_string(client.height));
        return ReadFrameFile(path);
    }

    InstalledProgram m_machine;
};

TEST_F(ProgramE2eTest, FirstStartInstallsTheCameraAndFeedsTwoClientsUntilClosed)
{
    auto first = m_machine.Start({"/min", "/play"});
    ASSERT_TRUE(first->Started());
    ASSERT_TRUE(Eventually([] { return MainWindows().size() == 1; })) << "no main window";
    const HWND window = HandleOf(MainWindows()[0]);
    // In the tray: no window shown.
    EXPECT_FALSE(MainWindows()[0].visible);

    // Two applications open the virtual camera at sizes of their own and get the camera's bars.
    std::vector<Client> clients;
    clients.push_back({320, 240, nullptr});
    clients.push_back({160, 120, nullptr});
    for (Client& client : clients) {
        // The window is up before its start-up has installed the camera: until then a client finds
        // no device and ends.
        ASSERT_TRUE(Eventually([&] {
            client.process = std::make_unique<ChildProcess>(
                VCAM_CLIENT_PATH, std::vector<std::string>{std::to_string(client.width), std::to_string(client.height)});
            return client.process->ReadLine() == "ready";
        })) << client.width << "x" << client.height << " never found the virtual camera";
    }
    for (Client& client : clients) {
        // The first pictures may predate the first frame of the camera.
        bool bars = false;
        for (int attempt = 0; attempt < 100 && !bars; ++attempt) {
            const auto frame = Dump(client, "frame.bin");
            ASSERT_EQ(frame.bytes.size(), static_cast<std::size_t>(client.width * client.height * 3));
            bars = ShowsColourBars(frame.bytes);
        }
        EXPECT_TRUE(bars) << client.width << "x" << client.height << " never showed the test camera";
    }

    // A second start gives way to the first and brings its window forward.
    auto second = m_machine.Start({});
    EXPECT_NE(second->Wait(std::chrono::seconds(60)), -1) << "the second start did not end";
    ASSERT_EQ(MainWindows().size(), 1u);
    EXPECT_EQ(HandleOf(MainWindows()[0]), window);
    EXPECT_TRUE(MainWindows()[0].visible);

    // The close request: an orderly end, the settings written, black pictures left behind.
    ASSERT_TRUE(PostMessageA(window, CloseRequestMessage, 0, 0));
    EXPECT_EQ(first->Wait(std::chrono::seconds(60)), 0);
    EXPECT_TRUE(MainWindows().empty());
    const auto params = zv::win32::Key::Open(HKEY_CURRENT_USER, "Software\\Kestrova\\Zelvante\\Params");
    EXPECT_EQ(Dword(params, "LastMode"), 1u);
    EXPECT_TRUE(Dword(params, "WndPosR").has_value());
    const auto machine = zv::win32::Key::Open(HKEY_LOCAL_MACHINE, "Software\\Kestrova\\Zelvante");
    EXPECT_EQ(machine.String("Directory"), m_machine.Folder());
    for (Client& client : clients) {
        // Pictures already on their way to the client come first.
        bool black = false;
        for (int attempt = 0; attempt < 100 && !black; ++attempt)
            black = AllBlack(Dump(client, "after.bin").bytes);
        EXPECT_TRUE(black) << client.width << "x" << client.height << " kept the last picture after the end";
        EXPECT_EQ(client.process->Ask("quit", std::chrono::seconds(1)), "");
        EXPECT_EQ(client.process->Wait(), 0);
    }
}

TEST_F(ProgramE2eTest, TheSnapshotRequestStartsShotboxBesideItAndTheCloseEndsBoth)
{
    auto program = m_machine.Start({"/min"});
    ASSERT_TRUE(program->Started());
    ASSERT_TRUE(Eventually([] { return MainWindows().size() == 1; })) << "no main window";
    const HWND window = HandleOf(MainWindows()[0]);

    // "Button Snapshot", the menu command and the frame road's request all come down to this.
    ASSERT_TRUE(PostMessageA(window, SnapshotMessage, 0, 0));
    ASSERT_TRUE(Eventually([] { return SnapshotManagers().size() == 1; })) << "Shotbox did not start";
    EXPECT_NE(SnapshotManagers()[0].processId, MainWindows()[0].processId);

    // The main program's close asks the snapshot manager to close first.
    ASSERT_TRUE(PostMessageA(window, CloseRequestMessage, 0, 0));
    EXPECT_EQ(program->Wait(std::chrono::seconds(60)), 0);
    EXPECT_TRUE(Eventually([] { return SnapshotManagers().empty(); })) << "Shotbox outlived the program";
}

TEST_F(ProgramE2eTest, AnotherProgramDrivesItThroughTheExternalControlWindow)
{
    const std::string movie = m_machine.Root() + "/clip.avi";
    ASSERT_TRUE(zv::dshow::testing::WriteMediaFile(
        "videotestsrc num-buffers=50 ! video/x-raw,width=320,height=240,framerate=10/1 ! jpegenc ! avimux ! "
        "filesink location=" + movie));
    auto program = m_machine.Start({"/min"});
    ASSERT_TRUE(program->Started());
    HWND control = nullptr;
    ASSERT_TRUE(Eventually([&] { return (control = FindWindowA(kExternalControlClassName, nullptr)) != nullptr; }));
    const auto command = [&](WPARAM number) { return SendMessageA(control, ExternalControlMessage, number, 0); };
    const auto title = [&] {
        char text[512] = {};
        GetWindowTextA(control, text, sizeof text);
        return std::string(text);
    };
    // Refused while the start-up runs; answered once it is done.
    ASSERT_TRUE(Eventually([&] { return command(ExternalVersionTitle) == 1; }));
    // Its value is checked where the program's own version resource can be read (in process).
    unsigned parts[4] = {};
    ASSERT_EQ(std::sscanf(title().c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]), 4) << title();
    EXPECT_EQ(title(), std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) +
                           "." + std::to_string(parts[3]));

    ASSERT_TRUE(SetWindowTextA(control, movie.c_str()));
    EXPECT_EQ(command(ExternalOpenFromTitle), 1);
    ASSERT_TRUE(SetWindowTextA(control, ""));
    EXPECT_EQ(command(ExternalFileTitle), 1);
    EXPECT_EQ(title(), movie);
    for (const WPARAM number : {ExternalPause, ExternalStop, ExternalPlay})
        EXPECT_EQ(command(number), 1) << number;
    EXPECT_EQ(command(ExternalClose + 1), 0);

    EXPECT_EQ(command(ExternalClose), 1);
    EXPECT_EQ(program->Wait(std::chrono::seconds(60)), 0);
    EXPECT_EQ(FindWindowA(kExternalControlClassName, nullptr), nullptr);
    // The opened file became the remembered video source.
    const auto params = zv::win32::Key::Open(HKEY_CURRENT_USER, "Software\\Kestrova\\Zelvante\\Params");
    EXPECT_EQ(params.String("LastVideo"), movie);
    EXPECT_EQ(Dword(params, "LastMode"), 3u);
}

} // namespace
} // namespace zv::app::testing
