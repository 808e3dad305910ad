// Requests stopped from another thread, and one session shared by several threads.
#include "platform/inet/afxinet.h"
#include "platform/inet/tests/inet_test_support.h"
#include "platform/inet/tests/scripted_http_server.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace {

using zv::inet::testing::PatternBody;
using zv::inet::testing::ReadBody;
using zv::inet::testing::ScriptedHttpServer;
using zv::inet::testing::StatusText;

class InetAbortTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot m_root;
    ScriptedHttpServer m_server;
};

// The server answers far later than any test runs; only closing a handle ends the wait.
constexpr const char* kNeverAnswers = "delay_headers=600\nbody=late\n";
constexpr const char* kNeverFinishes = "body_size=1000\nstall_after=10\nstall=600\n";

TEST_F(InetAbortTest, ClosingTheSessionStopsARequestWaitingForItsReply)
{
    m_server.Route("wait", kNeverAnswers);
    HINTERNET session = InternetOpenA("Zelvante", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_NE(session, nullptr);
    auto result = std::async(std::launch::async, [&] {
        HINTERNET request = InternetOpenUrlA(session, m_server.Url("/wait").c_str(), nullptr, 0, 0, 1);
        const DWORD error = request ? 0 : GetLastError();
        if (request)
            InternetCloseHandle(request);
        return error;
    });
    ASSERT_TRUE(m_server.WaitForRequest("wait"));
    EXPECT_TRUE(InternetCloseHandle(session));
    EXPECT_EQ(result.get(), ERROR_INTERNET_OPERATION_CANCELLED);
}

TEST_F(InetAbortTest, ClosingAnyHandleAboveAReadStopsIt)
{
    m_server.Route("slow", kNeverFinishes);
    enum Closed { kRequest, kConnection, kSession };
    for (Closed closed : {kRequest, kConnection, kSession}) {
        SCOPED_TRACE(closed);
        HINTERNET session = InternetOpenA("Zelvante", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        HINTERNET connection = InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(m_server.Port()),
                                                nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, "GET", "/slow", nullptr, nullptr, nullptr, 0, 0);
        ASSERT_NE(request, nullptr);
        ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0)) << GetLastError();

        auto result = std::async(std::launch::async, [&] {
            DWORD error = 0;
            const std::string body = ReadBody(request, 4096, error);
            return std::make_pair(body, error);
        });
        HINTERNET toClose = closed == kRequest ? request : closed == kConnection ? connection : session;
        EXPECT_TRUE(InternetCloseHandle(toClose));
        const auto [body, error] = result.get();
        // A reader that reaches a request handle after it was closed finds it gone instead.
        if (closed != kRequest || error != ERROR_INVALID_HANDLE) {
            EXPECT_EQ(error, ERROR_INTERNET_OPERATION_CANCELLED);
        }
        EXPECT_TRUE(PatternBody(10).starts_with(body));
        for (HINTERNET handle : {request, connection, session}) {
            if (handle != toClose)
                InternetCloseHandle(handle);
        }
    }
}

TEST_F(InetAbortTest, ClosingTheFrameworkSessionStopsItsRequests)
{
    m_server.Route("wait", kNeverAnswers);
    auto session = std::make_unique<CInternetSession>("Zelvante");
    auto result = std::async(std::launch::async, [&] {
        try {
            std::unique_ptr<CHttpConnection> connection(
                session->GetHttpConnection("127.0.0.1", static_cast<INTERNET_PORT>(m_server.Port())));
            std::unique_ptr<CHttpFile> file(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, "/wait"));
            file->SendRequest();
        } catch (CInternetException* e) {
            const DWORD error = e->m_dwError;
            e->Delete();
            return error;
        }
        return DWORD{0};
    });
    ASSERT_TRUE(m_server.WaitForRequest("wait"));
    session->Close();
    EXPECT_EQ(result.get(), ERROR_INTERNET_OPERATION_CANCELLED);
}

TEST_F(InetAbortTest, OneSessionServesSeveralThreadsAtOnce)
{
    constexpr int kThreads = 4;
    constexpr int kRequestsEach = 5;
    for (int t = 0; t < kThreads; ++t)
        m_server.Route("route" + std::to_string(t), "chunked=1\nbody_size=" + std::to_string(20000 + t) + "\n");
    CInternetSession session("Zelvante");
    HINTERNET raw = InternetOpenA("Zelvante", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string path = "/route" + std::to_string(t);
            const std::string expected = PatternBody(20000 + t);
            for (int i = 0; i < kRequestsEach; ++i) {
                // Half the threads go through the framework session, half through raw handles.
                if (t % 2 == 0) {
                    std::unique_ptr<CInternetFile> file(session.OpenURL(m_server.Url(path).c_str()));
                    std::string body(expected.size() + 1, '\0');
                    body.resize(file->Read(body.data(), static_cast<UINT>(body.size())));
                    good += body == expected;
                } else {
                    HINTERNET request = InternetOpenUrlA(raw, m_server.Url(path).c_str(), nullptr, 0, 0, 1);
                    DWORD error = 1;
                    good += request && StatusText(request) == "200" && ReadBody(request, 1000, error) == expected &&
                            error == 0;
                    InternetCloseHandle(request);
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    InternetCloseHandle(raw);
    EXPECT_EQ(good.load(), kThreads * kRequestsEach);
}

} // namespace
