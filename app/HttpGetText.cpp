#include "app/HttpGetText.h"

#include "app/ZelvanteApp.h"
#include "platform/afx/afx_app.h"
#include "platform/inet/afxinet.h"
#include "platform/user/await_serving.h"
#include "platform/win32/thread_waiter.h"

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr UINT kInvalidUrlString = 154;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr UINT kReadPiece = 4096;
constexpr UINT kMaxErrorText = 512;

std::string InvalidUrlText(const char* url)
{
    std::string format;
    if (!AfxLoadString(kInvalidUrlString, format))
        format = "Invalid URL:\r\n%s\r\n";
    const std::size_t at = format.find("%s");
    if (at != std::string::npos)
        format.replace(at, 2, url);
    return format;
}

// Keeps the request's connection known to the canceller while it exists.
class CancellableRequest {
public:
    CancellableRequest(RequestCanceller* canceller, CHttpConnection* connection) : m_canceller(canceller)
    {
        if (m_canceller && !m_canceller->Attach(connection))
            AfxThrowInternetException(1, ERROR_INTERNET_OPERATION_CANCELLED);
    }
    ~CancellableRequest()
    {
        if (m_canceller)
            m_canceller->Detach();
    }
    CancellableRequest(const CancellableRequest&) = delete;
    CancellableRequest& operator=(const CancellableRequest&) = delete;

private:
    RequestCanceller* m_canceller;
};

// The reply's body when it is acceptable, else false with the reason in `error`.
bool ReadReply(CHttpFile& file, std::string& body, std::string& error)
{
    DWORD status = 0;
    if (!file.QueryInfoStatusCode(status) || status != 200) {
        error = "The server answered with status " + std::to_string(status) + ".";
        return false;
    }
    char piece[kReadPiece];
    while (const UINT read = file.Read(piece, sizeof piece)) {
        if (body.size() + read > kMaxReplyBytes) {
            error = "The server's reply is too long.";
            return false;
        }
        body.append(piece, read);
    }
    if (body.empty()) {
        error = "The server's reply is empty.";
        return false;
    }
    return true;
}

} // namespace

void RequestCanceller::Cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    // Closing the connection stops the request under it; its owner finds the handle gone.
    if (m_connection)
        m_connection->Close();
}

void RequestCanceller::Reset()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

bool RequestCanceller::Cancelled() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool RequestCanceller::Attach(CHttpConnection* connection)
{
    std::lock_guard lock(m_mutex);
    if (m_cancelled)
        return false;
    m_connection = connection;
    return true;
}

void RequestCanceller::Detach()
{
    std::lock_guard lock(m_mutex);
    m_connection = nullptr;
}

bool HttpGetText(const char* url, std::string& text, RequestCanceller* canceller)
{
    if (!url || !*url) {
        text = InvalidUrlText("[empty]");
        return false;
    }
    DWORD service = 0;
    std::string server, object;
    INTERNET_PORT port = 0;
    // The host requests are plain HTTP; a connection of this kind cannot carry https.
    if (!AfxParseURL(url, service, server, object, port) || service != AFX_INET_SERVICE_HTTP) {
        text = InvalidUrlText(url);
        return false;
    }
    try {
        std::unique_ptr<CHttpConnection> connection(ZelvanteApp().m_InternetSession.GetHttpConnection(server.c_str(), port));
        const CancellableRequest cancellable(canceller, connection.get());
        std::unique_ptr<CHttpFile> file(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object.c_str(),
                                                                nullptr, 1, nullptr, nullptr, kRequestFlags));
        file->SendRequest();
        std::string body, error;
        const bool accepted = ReadReply(*file, body, error);
        text = accepted ? text + body : error;
        return accepted;
    } catch (CException* e) {
        char message[kMaxErrorText] = {};
        text = e->GetErrorMessage(message, sizeof message) && message[0] ? message : "Unknown error";
        e->Delete();
    } catch (...) {
        text = "Unknown error";
    }
    return false;
}

bool RunWithinBound(const std::function<void(RequestCanceller&)>& work, std::chrono::milliseconds bound)
{
    RequestCanceller canceller;
    std::atomic<bool> done{false};
    zv::win32::ThreadWaiter& waiter = zv::win32::ThreadWaiter::Current();
    std::thread worker([&] {
        work(canceller);
        done.store(true, std::memory_order_release);
        waiter.Notify();
    });
    const bool inTime = zv::user::AwaitServing(done, zv::win32::ThreadWaiter::Clock::now() + bound);
    if (!inTime) {
        canceller.Cancel();
        zv::user::AwaitServing(done, std::nullopt);
    }
    worker.join();
    return inTime;
}

std::string TimedOutText()
{
    const char* text = zv::inet::InternetErrorText(ERROR_INTERNET_TIMEOUT);
    return text ? text : "The operation timed out";
}
