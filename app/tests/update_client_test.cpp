// The update client against the loopback HTTP server: the reply, the query across the servers, the
// downloads, the start of the installer, and the update thread's prompts and reports.
#include "app/Download.h"
#include "app/MsgBox.h"
#include "app/ProgramMessages.h"
#include "app/UpdateClient.h"
#include "app/tests/update_test_support.h"
#include "platform/afx/afx_app.h"
#include "platform/inet/tests/inet_test_support.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using namespace zv::app::testing;
using zv::inet::testing::ClosedPort;
using zv::inet::testing::PatternBody;
using zv::inet::testing::ScriptedHttpServer;

constexpr int kBoxText = 1019;

class UpdateClientTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        m_app = std::make_unique<CZelvanteApp>();
        m_app->SetRegistryKey("Kestrova");
        m_server = std::make_unique<ScriptedHttpServer>();
        for (int server = 0; server < 3; ++server)
            MapServer(server, "/s" + std::to_string(server + 1));
    }
    void TearDown() override
    {
        StopUpdateThread();
        m_server.reset();
        m_app.reset();
        WindowSystemTest::TearDown();
    }

    // Points update server `index` (0: strings 333 and 110) at the loopback server under `prefix`,
    // or at a port where nothing listens.
    void MapServer(int index, const std::string& prefix, bool down = false) const
    {
        const int port = down ? ClosedPort() : m_server->Port();
        m_app->WriteProfileString("Servers", kUpdateHosts[index], ("127.0.0.1:" + std::to_string(port) + prefix).c_str());
    }
    // The route of update server `index`'s query.
    static std::string QueryRoute(int index) { return "s" + std::to_string(index + 1) + "_setup_in322.php"; }
    static std::string QueryRouteOfThird() { return "s3_zelvante_setup_in322.php"; }
    static std::string InstallerRoute() { return "s1_setup_zvupdate.exe"; }

    std::unique_ptr<CZelvanteApp> m_app;
    std::unique_ptr<ScriptedHttpServer> m_server;
};

struct ReplyCase {
    const char* label;
    std::string reply;
    bool parsed;
    std::string token;
    DWORD latest; // when parsed
};

TEST_F(UpdateClientTest, ParseUpdateReplyKeepsTheWordAndReadsThreeNumbers)
{
    const std::string longWord(600, 'w');
    const ReplyCase cases[] = {
        {"ThreeNumbers", "ads 3020100 1 2", true, "ads", 0x03020100},
        {"EmptyWord", " 4000000 0 0", true, "", 0x04000000},
        {"OtherWhiteSpace", "x\t5010000\n0\r\n0", false, "x\t5010000\n0\r\n0", 0},
        {"NumbersAfterTabs", "x \t5010000\t0  0", true, "x", 0x05010000},
        {"LongWordIsCut", longWord + " 6000000 0 0", true, longWord.substr(0, 512), 0x06000000},
        {"TwoNumbers", "two 7000000 0", false, "two", 0},
        {"TooLarge", "big 100000000 0 0", false, "big", 0},
        {"NoSpace", "alone", false, "alone", 0},
        {"NotHex", "w zz 0 0", false, "w", 0},
    };
    VersionInfo& info = VersionInfo::GetInstance();
    ASSERT_TRUE(info.ParseUpdateReply("reset 1 2 3"));
    for (const ReplyCase& c : cases) {
        EXPECT_EQ(info.ParseUpdateReply(c.reply.c_str()), c.parsed) << c.label;
        EXPECT_EQ(g_updateReplyToken.Get(), c.token) << c.label;
        // A reply that does not parse leaves the values of the last one that did.
        EXPECT_EQ(info.LatestVersion(), c.parsed ? c.latest : 1u) << c.label;
        ASSERT_TRUE(info.ParseUpdateReply("reset 1 2 3"));
    }
    EXPECT_EQ(info.ReplyValue(0), 2u);
    EXPECT_EQ(info.ReplyValue(1), 3u);
}

TEST_F(UpdateClientTest, VersionsArePackedFromTheirLowBytes)
{
    EXPECT_EQ(PackVersion(3, 2, 1, 0), 0x03020100u);
    EXPECT_EQ(PackVersion(0x1FF, 0x102, 255, 7), 0xFF02FF07u);
    EXPECT_EQ(FormatVersion(0xFF02FF07u), "255.2.255.7");
    EXPECT_EQ(VersionInfo::GetInstance().ProgramVersion(), ProgramVersion());
    EXPECT_NE(ProgramVersion(), 0u);
}

enum class Server { Answers, Unparsable, NotFound, Failing, EmptyBody, Down };

struct QueryCase {
    const char* label;
    Server servers[3];
    bool result;
    bool asked[3];
};

TEST_F(UpdateClientTest, TheFirstServerThatAnswersWithABodyDecides)
{
    const QueryCase cases[] = {
        {"FirstAnswers", {Server::Answers, Server::Answers, Server::Answers}, true, {true, false, false}},
        {"FirstDown", {Server::Down, Server::Answers, Server::Answers}, true, {false, true, false}},
        {"FirstNotFound", {Server::NotFound, Server::Answers, Server::Answers}, true, {true, true, false}},
        {"FirstUnparsable", {Server::Unparsable, Server::Answers, Server::Answers}, false, {true, false, false}},
        {"OnlyTheThird", {Server::Failing, Server::EmptyBody, Server::Answers}, true, {true, true, true}},
        {"NoneAnswers", {Server::Down, Server::NotFound, Server::Failing}, false, {false, true, true}},
    };
    const DWORD newer = ProgramVersion() + 0x100;
    int number = 0;
    for (const QueryCase& c : cases) {
        // Each case under paths of its own on the one server.
        const std::string prefix = "/c" + std::to_string(++number);
        auto routeOf = [&](int index) {
            return prefix.substr(1) + (index == 2 ? "_" + QueryRouteOfThird() : "_" + QueryRoute(index));
        };
        for (int index = 0; index < 3; ++index) {
            MapServer(index, prefix + "/s" + std::to_string(index + 1), c.servers[index] == Server::Down);
            const std::string route = routeOf(index);
            switch (c.servers[index]) {
            case Server::Answers: m_server->Route(route, "body=w" + std::to_string(index) + " " + Hex(newer) + " 0 0\n"); break;
            case Server::Unparsable: m_server->Route(route, "body=w 1 2\n"); break;
            case Server::NotFound: m_server->Route(route, "status=404\nbody=w 1 2 3\n"); break;
            case Server::Failing: m_server->Route(route, "status=500\nbody=w 1 2 3\n"); break;
            case Server::EmptyBody: m_server->Route(route, "status=200\n"); break;
            case Server::Down: break;
            }
        }
        EXPECT_EQ(QueryUpdateServer(), c.result) << c.label;
        for (int index = 0; index < 3; ++index) {
            const auto request = m_server->Recorded(routeOf(index));
            EXPECT_EQ(request.has_value(), c.asked[index]) << c.label << " server " << index + 1;
        }
        if (c.result) {
            EXPECT_EQ(VersionInfo::GetInstance().LatestVersion(), newer) << c.label;
            EXPECT_EQ(g_updateReplyToken.Get().substr(0, 1), "w") << c.label;
        }
    }
}

TEST_F(UpdateClientTest, TheQueryCarriesBothVersionsAndTheServersCredentials)
{
    m_server->Route(QueryRoute(0), "body=w 1 0 0\n");
    EXPECT_TRUE(QueryUpdateServer());
    auto request = m_server->Recorded(QueryRoute(0));
    ASSERT_TRUE(request);
    char expected[64];
    std::snprintf(expected, sizeof expected, "/s1/setup/in322.php?pv=0x%08X&dv=0x00000000",
                  static_cast<unsigned>(ProgramVersion()));
    EXPECT_EQ(request->target, expected);
    EXPECT_EQ(request->headers["authorization"], "Basic c3RhZ2U6bWludA==");
    EXPECT_EQ(request->headers["user-agent"], "Zelvante");
}

struct DownloadCase {
    const char* label;
    std::string route;
    bool whole;
};

TEST_F(UpdateClientTest, OnlyWholeBodiesAreDownloaded)
{
    const std::string body = PatternBody(20000);
    const DownloadCase cases[] = {
        {"Whole", "body_size=20000\n", true},
        {"WithoutLength", "body_size=20000\nno_length=1\n", true},
        {"Chunked", "body_size=20000\nchunked=1\n", true},
        {"CutShort", "body_size=20000\ncut_after=9000\n", false},
        {"NotFound", "status=404\nbody_size=20000\n", false},
        {"Empty", "status=200\n", false},
    };
    HINTERNET internet = InternetOpenA("Zelvante", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_NE(internet, nullptr);
    for (const DownloadCase& c : cases) {
        m_server->Route("file", c.route);
        const std::string url = m_server->Url("/file");
        const auto memory = DownloadToMemory(url.c_str(), internet);
        EXPECT_EQ(memory.has_value(), c.whole) << c.label;
        if (memory) {
            EXPECT_EQ(*memory, body) << c.label;
        }

        const auto before = std::distance(std::filesystem::directory_iterator(TempFolder()), {});
        const auto file = DownloadToFile(internet, url.c_str());
        // A short body leaves no file behind; an empty one is a whole (empty) file.
        const bool expectFile = c.whole || std::string(c.label) == "Empty";
        EXPECT_EQ(file.has_value(), expectFile) << c.label;
        if (file) {
            const std::string name = std::filesystem::path(*file).filename().string();
            EXPECT_EQ(name.substr(0, 2), "zv") << name;
            EXPECT_EQ(std::filesystem::path(*file).extension(), ".tmp") << name;
            EXPECT_EQ(ReadFile(*file), c.whole ? body : "") << c.label;
            std::filesystem::remove(*file);
        } else {
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(TempFolder()), {}), before) << c.label;
        }
    }
    EXPECT_FALSE(DownloadToMemory(nullptr, internet));
    EXPECT_FALSE(DownloadToMemory(m_server->Url("/file").c_str(), nullptr));
    m_server->Route("file", "body_size=5000\n");
    EXPECT_FALSE(DownloadToMemory(m_server->Url("/file").c_str(), internet, 4096)) << "past the cap";
    EXPECT_TRUE(DownloadToMemory(m_server->Url("/file").c_str(), internet, 5000));
    CloseInternetHandle(internet);
    EXPECT_EQ(internet, nullptr);
}

struct LaunchCase {
    const char* label;
    std::string folder; // below the temporary folder
    std::string name;
    std::string content; // "script": the recording installer
    bool existingTarget;
    bool started;
    std::string startedAs; // the name the program runs under
};

TEST_F(UpdateClientTest, LaunchUpdaterStartsOnlyARunnableProgramUnderItsExeName)
{
    const LaunchCase cases[] = {
        {"TmpBecomesExe", "", "zv1A.tmp", "script", false, true, "zv1A.exe"},
        {"ExeKeepsItsName", "", "ZV2B.EXE", "script", false, true, "ZV2B.EXE"},
        {"NoExtension", "", "setup", "script", false, true, "setup.exe"},
        {"FolderWithSpaces", "my downloads/", "zv3C.tmp", "script", false, true, "zv3C.exe"},
        {"WindowsProgram", "", "zv4D.tmp", std::string("MZ\x90\0\3\0\0\0", 8), false, false, ""},
        {"Text", "", "zv5E.tmp", "not a program", false, false, ""},
        {"TargetExists", "", "zv6F.tmp", "script", true, false, ""},
    };
    for (const LaunchCase& c : cases) {
        const std::string folder = TempFolder() + c.folder;
        std::filesystem::create_directories(folder);
        const std::string record = folder + c.name + ".record";
        const std::string path = folder + c.name;
        WriteFile(path, c.content == "script" ? RecordingInstaller(record) : c.content);
        const std::string target = folder + std::filesystem::path(c.name).stem().string() + ".exe";
        if (c.existingTarget)
            WriteFile(target, "left from before");

        EXPECT_EQ(LaunchUpdater(path.c_str()), c.started) << c.label;
        if (c.started) {
            ASSERT_TRUE(WaitForFile(record)) << c.label;
            EXPECT_EQ(ReadFile(record), folder + c.startedAs + "\n/s\n") << c.label;
            EXPECT_EQ(std::filesystem::exists(path), c.startedAs == c.name) << c.label;
        } else {
            EXPECT_TRUE(std::filesystem::exists(path)) << c.label << ": the download stays where it was";
        }
    }
    EXPECT_FALSE(LaunchUpdater(nullptr));
    EXPECT_FALSE(LaunchUpdater((TempFolder() + "missing.tmp").c_str()));
}

// The main dialog's part in the update thread's tests: records the reports (with the path of code
// 7, valid only during the call) and answers the prompts as a user would.
class UpdateDialogStandIn {
public:
    UpdateDialogStandIn()
    {
        m_window.answer = [this](HWND, UINT message, WPARAM code, LPARAM lParam) -> std::optional<LRESULT> {
            if (message != UpdateProgressMessage)
                return std::nullopt;
            std::lock_guard lock(m_mutex);
            m_codes.push_back(code);
            if (code == kUpdateDownloaded)
                m_downloaded = reinterpret_cast<const char*>(lParam);
            return 0;
        };
        m_hwnd = m_window.Create("update stand-in");
    }
    ~UpdateDialogStandIn() { DestroyWindow(m_hwnd); }

    HWND Window() const { return m_hwnd; }
    std::vector<WPARAM> Codes() const
    {
        std::lock_guard lock(m_mutex);
        return m_codes;
    }
    std::string Downloaded() const
    {
        std::lock_guard lock(m_mutex);
        return m_downloaded;
    }

    // Serves this thread until the update thread has ended, answering each prompt with the next
    // of `answers` (1 OK, 2 Cancel; past the end: Cancel). The prompts' texts, in order.
    std::vector<std::string> RunThrough(const std::vector<WPARAM>& answers)
    {
        std::vector<std::string> texts;
        HWND answered = nullptr;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (IsUpdateThreadRunning() && std::chrono::steady_clock::now() < deadline) {
            AfxPumpPendingMessages();
            HWND box = FindWindowA(nullptr, "Zelvante message");
            if (box && box != answered && IsWindowVisible(box)) {
                char text[1024] = {};
                GetDlgItemTextA(box, kBoxText, text, sizeof text);
                texts.push_back(text);
                const WPARAM answer = texts.size() <= answers.size() ? answers[texts.size() - 1] : 2;
                PostMessageA(box, CMsgBox::ButtonClickMessage(), answer, 0);
                answered = box;
            } else if (!box) {
                answered = nullptr;
            }
            std::this_thread::yield();
        }
        AfxPumpPendingMessages();
        return texts;
    }

private:
    zv::user::test::RecordingWindow m_window;
    HWND m_hwnd = nullptr;
    mutable std::mutex m_mutex;
    std::vector<WPARAM> m_codes;
    std::string m_downloaded;
};

std::string Text(UINT id)
{
    std::string text;
    AfxLoadString(id, text);
    return text;
}

enum class Installer { Script, CutShort, WindowsProgram, Missing };

struct ThreadCase {
    const char* label;
    bool newer;
    Installer installer;
    std::vector<WPARAM> answers;
    std::vector<UINT> prompts; // string ids of the boxes shown
    std::vector<WPARAM> codes;
    bool downloaded;
    bool installerStarted;
};

TEST_F(UpdateClientTest, TheUpdateThreadAsksDownloadsAndStartsTheInstaller)
{
    const UINT available = kUpdateAvailableString;
    const UINT background = kUpdateInBackgroundString;
    const UINT ready = kUpdateReadyString;
    const UINT failed = kUpdateFailedString;
    const ThreadCase cases[] = {
        {"SameVersion", false, Installer::Script, {}, {}, {3, 10, 12}, false, false},
        {"Installed", true, Installer::Script, {1, 1, 1}, {available, background, ready}, {3, 10, 12, 6, 7, 14, 17, 15}, true, true},
        {"DeclinedAtOnce", true, Installer::Script, {2}, {available}, {3, 10, 12}, false, false},
        {"DeclinedInBackground", true, Installer::Script, {1, 2}, {available, background}, {3, 10, 12}, false, false},
        {"InstallInterrupted", true, Installer::Script, {1, 1, 2}, {available, background, ready}, {3, 10, 12, 6, 7}, true, false},
        {"DownloadCutShort", true, Installer::CutShort, {1, 1, 1}, {available, background, failed}, {3, 10, 12, 6, 7}, false, false},
        {"NotForThisMachine", true, Installer::WindowsProgram, {1, 1, 1}, {available, background, failed}, {3, 10, 12, 6, 7}, false, false},
        {"NoInstaller", true, Installer::Missing, {1, 1, 1}, {available, background, failed}, {3, 10, 12, 6, 7}, false, false},
    };
    VersionInfo::GetInstance();
    for (const ThreadCase& c : cases) {
        const std::string record = TempFolder() + c.label + ".record";
        const DWORD latest = c.newer ? ProgramVersion() + 1 : ProgramVersion();
        m_server->Route(QueryRoute(0), "body=w " + Hex(latest) + " 0 0\n");
        switch (c.installer) {
        case Installer::Script: m_server->Route(InstallerRoute(), "status=200\n\n" + RecordingInstaller(record)); break;
        case Installer::CutShort: m_server->Route(InstallerRoute(), "body_size=9000\ncut_after=4000\n"); break;
        case Installer::WindowsProgram: m_server->Route(InstallerRoute(), "status=200\n\nMZ\x90 windows"); break;
        case Installer::Missing: m_server->Route(InstallerRoute(), "status=404\n"); break;
        }
        UpdateDialogStandIn dialog;
        StartUpdateThread(dialog.Window(), UpdateProgressMessage);
        const std::vector<std::string> texts = dialog.RunThrough(c.answers);
        StopUpdateThread();

        std::vector<std::string> expected;
        for (UINT id : c.prompts)
            expected.push_back(Text(id));
        if (!expected.empty())
            expected[0] = Text(available).substr(0, 40); // formatted with the versions
        ASSERT_EQ(texts.size(), expected.size()) << c.label;
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(texts[i].substr(0, expected[i].size()), expected[i]) << c.label << " prompt " << i;
        if (c.newer) {
            EXPECT_NE(texts[0].find("New program version: " + FormatVersion(latest)), std::string::npos) << texts[0];
        }
        EXPECT_EQ(dialog.Codes(), c.codes) << c.label;
        EXPECT_EQ(!dialog.Downloaded().empty(), c.downloaded) << c.label;
        if (c.installerStarted) {
            ASSERT_TRUE(WaitForFile(record)) << c.label;
            const std::string started = ReadFile(record);
            EXPECT_EQ(started.substr(started.find('\n')), "\n/s\n") << c.label;
        }
    }
}

TEST_F(UpdateClientTest, OneUpdateThreadAtATimeAndAStopEndsItsRequest)
{
    VersionInfo::GetInstance();
    // The first server never answers in time: the thread waits in its request.
    m_server->Route(QueryRoute(0), "body=w 1 0 0\ndelay_headers=60\n");
    UpdateDialogStandIn dialog;
    StartUpdateThread(dialog.Window(), UpdateProgressMessage);
    ASSERT_TRUE(PumpUntil([&] { return m_server->Recorded(QueryRoute(0)).has_value(); }));
    StartUpdateThread(dialog.Window(), UpdateProgressMessage);
    EXPECT_TRUE(IsUpdateThreadRunning());
    StopUpdateThread();
    EXPECT_FALSE(IsUpdateThreadRunning());
    // The second start reported only; the stopped request asked no other server.
    const std::vector<WPARAM> codes = dialog.Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kUpdateStarted), 2);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kUpdateChecking), 1);
    EXPECT_FALSE(m_server->Recorded(QueryRoute(1)));
}

TEST_F(UpdateClientTest, AStopCancelsTheOpenPrompt)
{
    VersionInfo::GetInstance();
    m_server->Route(QueryRoute(0), "body=w " + Hex(ProgramVersion() + 1) + " 0 0\n");
    UpdateDialogStandIn dialog;
    StartUpdateThread(dialog.Window(), UpdateProgressMessage);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowA(nullptr, "Zelvante message")) != nullptr; }));
    StopUpdateThread();
    EXPECT_FALSE(IsWindow(box));
    EXPECT_FALSE(IsUpdateThreadRunning());
    EXPECT_FALSE(m_server->Recorded(InstallerRoute()));
    EXPECT_EQ(dialog.Codes(), (std::vector<WPARAM>{3, 10, 12}));
}

} // namespace
