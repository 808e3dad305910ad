// The upload client against a loopback HTTP server: the registration's query, the multipart body
// byte for byte, the server's refusals and the temporary file.
#include "Shotbox/SnapshotUpload.h"
#include "Shotbox/tests/img_browser_test_support.h"
#include "platform/afx/afx_app.h"
#include "platform/inet/tests/inet_test_support.h"
#include "platform/inet/tests/scripted_http_server.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace shotbox_test {
namespace {

using zv::inet::testing::ClosedPort;
using zv::inet::testing::ScriptedHttpServer;

constexpr const char* kRegistrationRoute = "site_zelv_snapshot.asp";
constexpr const char* kUploadRoute = "site_zelv_fotoUpload.asp";

std::string ProgramString(UINT id)
{
    std::string text;
    EXPECT_TRUE(AfxLoadString(id, text)) << id;
    return text;
}

// The program's own URL with the loopback server in place of the deployment's host.
std::string AtPort(const std::string& url, int port)
{
    const std::string host = "http://host.zelvante.example";
    EXPECT_EQ(url.rfind(host, 0), 0u) << url;
    return "http://127.0.0.1:" + std::to_string(port) + url.substr(host.size());
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsBoundary(const std::string& text)
{
    if (text.size() != 39 || text.find_first_not_of('-') != 27)
        return false;
    for (size_t group = 27; group < 39; group += 4) {
        if (text[group] < '0' || text[group] > '7')
            return false;
        for (size_t i = group; i < group + 4; ++i) {
            if (!std::isxdigit(static_cast<unsigned char>(text[i])) || std::islower(static_cast<unsigned char>(text[i])))
                return false;
        }
    }
    return true;
}

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder = std::filesystem::path(std::getenv("ZV_ROOT")); }

    CSnapshotUploader Uploader(int port) const
    {
        return CSnapshotUploader(AtPort(ProgramString(112), port), AtPort(ProgramString(104), port), "Shotbox",
                                 TemporaryPath());
    }
    std::string TemporaryPath() const { return (m_folder / "~temp~submit.jpg").string(); }
    std::string Snapshot(int width = 640, int height = 480) const
    {
        const std::string path = (m_folder / "snapshot.jpg").string();
        EXPECT_TRUE(WriteJpeg(path, width, height, RGB(10, 120, 240)));
        return path;
    }

    zv::win32::testing::TempZvRoot root;
    ScriptedHttpServer server;

private:
    std::filesystem::path m_folder;
};

TEST(UploadBoundary, TheGeneratorStartsWhereTheServersExpectIt)
{
    CBoundaryGenerator generator;
    const std::string first = generator.Next();
    EXPECT_EQ(first, std::string(27, '-') + "0029482318BE");
    for (int i = 0; i < 200; ++i) {
        const std::string next = generator.Next();
        EXPECT_TRUE(IsBoundary(next)) << next;
        EXPECT_NE(next, first);
    }
}

TEST(UploadBoundary, TheProgramsBoundariesFollowOneGenerator)
{
    const std::string taken = MakeBoundary();
    CBoundaryGenerator generator;
    int steps = 0;
    while (generator.Next() != taken && steps < 1000)
        ++steps;
    ASSERT_LT(steps, 1000) << taken << " is not from the sequence";
    EXPECT_EQ(MakeBoundary(), generator.Next());
}

TEST(UploadEncoding, TitlesAreCutThenEncoded)
{
    const std::string sixty(60, 'a');
    const std::string accent = "\xC3\xA9"; // one character, two bytes
    struct Case {
        std::string title;
        std::string sent;
    } cases[] = {
        {"My big day", "My+big+day"},
        {sixty, std::string(50, 'a')},
        {"a&b=c?d#e%f+g/h", "a%26b%3Dc%3Fd%23e%25f%2Bg%2Fh"},
        {std::string(49, 'x') + accent + "yz", std::string(49, 'x') + "%C3%A9"},
        {std::string(50, 'x') + "&&&", std::string(50, 'x')},
        {"safe-_.~", "safe-_.~"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeSnapshotTitle(c.title), c.sent) << c.title;
    EXPECT_EQ(EncodeQueryValue("12 3&ID_USER=9"), "12+3%26ID_USER%3D9");
}

TEST_F(UploadTest, RegistrationSendsTheQuery)
{
    server.Route(kRegistrationRoute, "status=200\nbody=OK\n");
    struct Case {
        const char* user;
        const char* title;
        SnapshotUploadOptions options;
        const char* query;
    } cases[] = {
        {"123", "My big day", {false, false, false}, "ID_USER=123&Category=1&Title=My+big+day&Make_Master=0&resolution=0"},
        {"123", "", {true, true, true}, "ID_USER=123&Category=2&Title=&Make_Master=1&resolution=1"},
        {"7&x=1", "50%", {false, true, false}, "ID_USER=7%26x%3D1&Category=1&Title=50%25&Make_Master=1&resolution=0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const SnapshotUploadResult result = Uploader(server.Port()).Register(c.user, c.title, c.options);
        EXPECT_TRUE(result.accepted) << result.message;
        EXPECT_EQ(result.message, "");
        const auto request = server.Recorded(kRegistrationRoute);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->method, "GET");
        EXPECT_EQ(request->target, std::string("/site/zelv/snapshot.asp?") + c.query);
        EXPECT_EQ(request->headers.at("user-agent"), "Shotbox");
    }
}

TEST_F(UploadTest, RegistrationFailuresSayWhy)
{
    const std::string notLoggedIn = "This operation requires the Zelvante program running and a user being logged in.";
    struct Case {
        const char* name; // also the title sent, so each request is told apart
        const char* route;
        const char* user;
        bool closedPort;
        UINT messageId;
        DWORD internetError;
        std::string message; // empty: the internet error's own text
    } cases[] = {
        {"declined", "status=500\nbody=no\n", "123", false, 113, 0, "Server declined request."},
        {"unknown", "status=404\n", "123", false, 113, 0, "Server declined request."},
        {"nobody", "status=200\n", "", false, 105, 0, notLoggedIn},
        {"unattached", "status=200\n", nullptr, false, 105, 0, notLoggedIn},
        {"closed", "status=200\n", "123", true, 0, ERROR_INTERNET_CANNOT_CONNECT, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Route(kRegistrationRoute, c.route);
        const int port = c.closedPort ? ClosedPort() : server.Port();
        const SnapshotUploadResult result = Uploader(port).Register(c.user, c.name, {});
        EXPECT_FALSE(result.accepted);
        EXPECT_EQ(result.messageId, c.messageId);
        EXPECT_EQ(result.internetError, c.internetError);
        EXPECT_EQ(result.message, c.message.empty() ? InternetErrorTextOf(c.internetError) : c.message);
        EXPECT_FALSE(result.message.empty());
        const auto request = server.Recorded(kRegistrationRoute);
        const bool asked = request && request->target.find(std::string("Title=") + c.name) != std::string::npos;
        EXPECT_EQ(asked, c.messageId == 113) << "105 asks nothing";
    }
}

TEST_F(UploadTest, TheBodyIsOnePartWithTheJpegAsSaved)
{
    const std::string snapshot = Snapshot(640, 480);
    server.Route(kUploadRoute, "status=200\nbody=done\n");
    struct Case {
        bool highResolution;
        LONG width;
        LONG height;
    } cases[] = {{true, 640, 480}, {false, 320, 240}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.highResolution);
        SnapshotUploadOptions options;
        options.highResolution = c.highResolution;
        const SnapshotUploadResult result = Uploader(server.Port()).Upload(snapshot, options);
        ASSERT_TRUE(result.accepted) << result.message;
        EXPECT_FALSE(std::filesystem::exists(TemporaryPath()));

        const auto request = server.Recorded(kUploadRoute);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->method, "POST");
        EXPECT_EQ(request->target, "/site/zelv/fotoUpload.asp");
        const std::string type = request->headers.at("content-type");
        const std::string prefix = "multipart/form-data; boundary=";
        ASSERT_EQ(type.rfind(prefix, 0), 0u) << type;
        const std::string boundary = type.substr(prefix.size());
        EXPECT_TRUE(IsBoundary(boundary)) << boundary;

        // The picture as the client prepares it: 72 dots per inch, 320 x 240 unless high.
        CPixImage expected;
        ASSERT_TRUE(expected.Load(snapshot.c_str(), PIXIMAGE_UNKNOWN));
        expected.SetDpiX(72);
        expected.SetDpiY(72);
        if (!c.highResolution) {
            ASSERT_TRUE(expected.Resample(320, 240, 1));
        }
        const std::string reference = (std::filesystem::path(std::getenv("ZV_ROOT")) / "reference.jpg").string();
        ASSERT_TRUE(expected.Save(reference.c_str(), PIXIMAGE_JPG));
        const std::string jpeg = ReadFile(reference);
        EXPECT_EQ(request->body, "--" + boundary +
                      "\r\nContent-Disposition: form-data; name=\"File1\"; filename=\"" + TemporaryPath() +
                      "\"\r\nContent-Type: image/pjpeg\r\n\r\n" + jpeg + "\r\n--" + boundary + "--\r\n");
        EXPECT_EQ(request->headers.at("content-length"), std::to_string(request->body.size()));

        CPixImage sent;
        ASSERT_TRUE(sent.DecodeFromMemory(reinterpret_cast<const BYTE*>(jpeg.data()), static_cast<LONG>(jpeg.size()),
                                          PIXIMAGE_JPG));
        EXPECT_EQ(sent.GetWidth(), c.width);
        EXPECT_EQ(sent.GetHeight(), c.height);
        EXPECT_EQ(sent.GetDpiX(), 72);
    }
}

TEST_F(UploadTest, FailedUploadsLeaveNoTemporaryFile)
{
    const std::string snapshot = Snapshot();
    const std::string broken = (std::filesystem::path(std::getenv("ZV_ROOT")) / "broken.jpg").string();
    std::ofstream(broken) << "not a picture";
    struct Case {
        const char* name;
        const char* route;
        std::string image;
        bool closedPort;
        UINT messageId;
        bool internetError;
        const char* messageStart;
    } cases[] = {
        {"declined", "status=403\n", snapshot, false, 113, false, "Server declined request."},
        {"not a picture", "status=200\n", broken, false, 107, false, "Error loading image file."},
        {"missing picture", "status=200\n", snapshot + ".gone", false, 107, false, "Error loading image file."},
        {"no server", "status=200\n", snapshot, true, 110, true, "Error sending data to the server.\r\n"},
        {"not an HTTP answer", "garbage=1\n", snapshot, false, 110, true, "Error sending data to the server.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Route(kUploadRoute, c.route);
        std::ofstream(TemporaryPath()) << "left by an earlier run";
        const int port = c.closedPort ? ClosedPort() : server.Port();
        const SnapshotUploadResult result = Uploader(port).Upload(c.image, {});
        EXPECT_FALSE(result.accepted);
        EXPECT_EQ(result.messageId, c.messageId);
        EXPECT_EQ(result.internetError != 0, c.internetError);
        EXPECT_EQ(result.message.rfind(c.messageStart, 0), 0u) << result.message;
        EXPECT_FALSE(result.message.empty());
        EXPECT_FALSE(std::filesystem::exists(TemporaryPath()));
    }
}

TEST_F(UploadTest, AnUnwritableTemporaryFileIsReported)
{
    CSnapshotUploader uploader(AtPort(ProgramString(112), server.Port()), AtPort(ProgramString(104), server.Port()),
                               "Shotbox", (std::filesystem::path(std::getenv("ZV_ROOT")) / "no/such/folder/x.jpg").string());
    const SnapshotUploadResult result = uploader.Upload(Snapshot(), {});
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(result.messageId, 111u);
    EXPECT_EQ(result.message, "Error saving temporary file for transmission.");
    EXPECT_FALSE(server.Recorded(kUploadRoute).has_value());
}

} // namespace
} // namespace shotbox_test
