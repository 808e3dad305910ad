// The one HTTP GET of the host client: a request through the application's internet session whose
// reply counts only when the server answered 200 with a body of at most kMaxReplyBytes.
//
// A request can be stopped from another thread through a RequestCanceller (the status thread's
// poll at exit, a login past its time bound), and RunWithinBound runs a request on a worker
// thread while the calling thread keeps serving the messages other threads send it.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

class CHttpConnection;

// Replies longer than this are refused: host replies are a few small XML elements.
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024;

class RequestCanceller {
public:
    // Stops the request under way; every request started later fails at once, until Reset.
    void Cancel();
    void Reset();
    bool Cancelled() const;

    // The connection of the request under way, for Cancel to close; false (nothing kept) when
    // cancelled already. Detach before the connection goes.
    bool Attach(CHttpConnection* connection);
    void Detach();

private:
    mutable std::mutex m_mutex;
    bool m_cancelled = false;
    CHttpConnection* m_connection = nullptr;
};

// GETs `url` (http only, its port honoured) and appends the reply body to `text`. On failure
// `text` holds the reason instead: "Invalid URL", the internet client's error, a status other
// than 200, an empty or an over-long reply, or "Unknown error".
bool HttpGetText(const char* url, std::string& text, RequestCanceller* canceller = nullptr);

// Runs `work` on a worker thread and waits for it, serving sent messages meanwhile. At the bound
// the canceller is cancelled and the work awaited once more (its request ends at once). False
// when the bound was reached before the work ended.
bool RunWithinBound(const std::function<void(RequestCanceller&)>& work, std::chrono::milliseconds bound);

// The text of a request that ran out of its time bound.
std::string TimedOutText();
