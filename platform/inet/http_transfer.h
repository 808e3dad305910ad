// One HTTP exchange over libcurl, driven by whichever thread waits on it.
//
// Start runs the exchange until the reply's body begins (or the exchange ends), Read pulls the body
// as it arrives, holding at most what libcurl hands over in one step. Abort may come from any thread:
// it wakes a waiting Start or Read, which then fails with ERROR_INTERNET_OPERATION_CANCELLED.
#pragma once

#include "platform/inet/request_limits.h"
#include "platform/win32/types.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zv::inet {

struct HttpExchange {
    std::string method = "GET";
    std::string url;
    std::string agent; // no User-Agent header when empty
    bool useProxySettings = true;
    bool basicAuth = false;
    std::string userName;
    std::string password;
    std::vector<std::string> headers; // "Name: value"
    std::vector<char> body;
};

class HttpTransfer {
public:
    HttpTransfer(HttpExchange exchange, const RequestLimits& limits);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // ERROR_SUCCESS once the status is known, else the error. Runs once.
    DWORD Start();
    // Fills the buffer unless the body ends; read 0 with ERROR_SUCCESS is the end. An error that
    // comes after some bytes is reported by the next call.
    DWORD Read(char* buffer, DWORD size, DWORD& read);
    // The final reply's status; 0 before Start succeeded.
    long StatusCode() const { return m_status.load(); }
    void Abort();

private:
    static std::size_t TakeBody(char* data, std::size_t size, std::size_t count, void* self);
    // Ends an exchange whose bytes have stopped moving either way for longer than the stall bound.
    static int WatchProgress(void* self, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
                             curl_off_t uploaded);
    DWORD Configure();
    // One step of the exchange: lets libcurl work, then waits (briefly) for the network.
    DWORD Drive();
    DWORD FinalError() const;

    HttpExchange m_exchange;
    RequestLimits m_limits;
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
    curl_slist* m_headerList = nullptr;
    std::atomic<bool> m_aborted{false};
    std::atomic<long> m_status{0};

    std::mutex m_driveMutex; // one driving thread at a time; guards everything below
    bool m_started = false;
    bool m_done = false;
    CURLcode m_result = CURLE_OK;
    bool m_capReached = false;
    bool m_stalled = false;
    curl_off_t m_bytesMoved = 0;
    // The last time bytes moved, or the caller came back for more if that is later: time the
    // caller spends between reads is no stall.
    std::chrono::steady_clock::time_point m_lastMove;
    std::uint64_t m_bodyTotal = 0;
    std::string m_pending;
    std::size_t m_pendingOffset = 0;
};

} // namespace zv::inet
