#include "platform/inet/http_transfer.h"

#include "platform/inet/wininet.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace zv::inet {

namespace {

// How long one wait for the network lasts before the exchange checks its state again; Abort wakes
// it earlier.
constexpr int kPollMilliseconds = 1000;
constexpr long kMaxRedirects = 10;

bool InitialiseCurl()
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

DWORD ErrorFromCurl(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return ERROR_SUCCESS;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    // Schemes are checked before libcurl sees a URL: this is a reply that is not HTTP.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_BAD_CONTENT_ENCODING:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
        return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_OUT_OF_MEMORY:
        return ERROR_NOT_ENOUGH_MEMORY;
    case CURLE_ABORTED_BY_CALLBACK:
        return ERROR_INTERNET_OPERATION_CANCELLED;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

bool HasHeader(const std::vector<std::string>& headers, const char* name)
{
    const std::size_t length = std::strlen(name);
    return std::any_of(headers.begin(), headers.end(), [&](const std::string& line) {
        return line.size() > length && line[length] == ':' && strncasecmp(line.c_str(), name, length) == 0;
    });
}

} // namespace

HttpTransfer::HttpTransfer(HttpExchange exchange, const RequestLimits& limits)
    : m_exchange(std::move(exchange)), m_limits(limits)
{
    if (InitialiseCurl()) {
        m_easy = curl_easy_init();
        m_multi = curl_multi_init();
    }
}

HttpTransfer::~HttpTransfer()
{
    if (m_multi && m_easy && m_started)
        curl_multi_remove_handle(m_multi, m_easy);
    if (m_easy)
        curl_easy_cleanup(m_easy);
    if (m_multi)
        curl_multi_cleanup(m_multi);
    curl_slist_free_all(m_headerList);
}

void HttpTransfer::Abort()
{
    m_aborted.store(true);
    if (m_multi)
        curl_multi_wakeup(m_multi);
}

std::size_t HttpTransfer::TakeBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* transfer = static_cast<HttpTransfer*>(self);
    const std::size_t length = size * count;
    const std::uint64_t room = transfer->m_limits.maxBodyBytes - transfer->m_bodyTotal;
    const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(length, room));
    transfer->m_pending.append(data, kept);
    transfer->m_bodyTotal += kept;
    if (kept < length) {
        transfer->m_capReached = true;
        return 0; // libcurl ends the exchange with a write error
    }
    return length;
}

int HttpTransfer::WatchProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded)
{
    auto* transfer = static_cast<HttpTransfer*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (downloaded + uploaded != transfer->m_bytesMoved) {
        transfer->m_bytesMoved = downloaded + uploaded;
        transfer->m_lastMove = now;
        return 0;
    }
    if (now - transfer->m_lastMove > transfer->m_limits.stall) {
        transfer->m_stalled = true;
        return 1; // libcurl ends the exchange as aborted by this callback
    }
    return 0;
}

DWORD HttpTransfer::Configure()
{
    if (!m_easy || !m_multi)
        return ERROR_NOT_ENOUGH_MEMORY;
    CURL* easy = m_easy;
    const HttpExchange& x = m_exchange;
    curl_easy_setopt(easy, CURLOPT_URL, x.url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_limits.connect.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.overall.count()));
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpTransfer::WatchProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::TakeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    if (!x.agent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, x.agent.c_str());
    if (!x.useProxySettings)
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    if (x.basicAuth) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(easy, CURLOPT_USERNAME, x.userName.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, x.password.c_str());
    }

    const bool sendsBody = !x.body.empty() || x.method == "POST";
    if (x.method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (sendsBody) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(x.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, x.body.empty() ? "" : x.body.data());
        if (x.method != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, x.method.c_str());
    } else if (x.method != "GET") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, x.method.c_str());
    }

    // Only the caller's headers: no form content type of libcurl's own, no waiting for
    // "100 Continue" that a plain server never sends.
    std::vector<std::string> headers = x.headers;
    headers.emplace_back("Expect:");
    if (sendsBody && !HasHeader(x.headers, "Content-Type"))
        headers.emplace_back("Content-Type:");
    for (const std::string& line : headers) {
        curl_slist* extended = curl_slist_append(m_headerList, line.c_str());
        if (!extended)
            return ERROR_NOT_ENOUGH_MEMORY;
        m_headerList = extended;
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headerList);

    if (curl_multi_add_handle(m_multi, easy) != CURLM_OK)
        return ERROR_INTERNET_INTERNAL_ERROR;
    m_started = true;
    return ERROR_SUCCESS;
}

DWORD HttpTransfer::Drive()
{
    if (m_aborted.load())
        return ERROR_INTERNET_OPERATION_CANCELLED;
    int running = 0;
    if (curl_multi_perform(m_multi, &running) != CURLM_OK)
        return ERROR_INTERNET_INTERNAL_ERROR;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg == CURLMSG_DONE) {
            m_done = true;
            m_result = message->data.result;
        }
    }
    if (m_done || m_pendingOffset < m_pending.size())
        return ERROR_SUCCESS;
    if (curl_multi_poll(m_multi, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK)
        return ERROR_INTERNET_INTERNAL_ERROR;
    return m_aborted.load() ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_SUCCESS;
}

DWORD HttpTransfer::FinalError() const
{
    if (m_capReached)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (m_stalled)
        return ERROR_INTERNET_TIMEOUT;
    return ErrorFromCurl(m_result);
}

DWORD HttpTransfer::Start()
{
    std::lock_guard lock(m_driveMutex);
    if (m_aborted.load())
        return ERROR_INTERNET_OPERATION_CANCELLED;
    if (m_started)
        return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    m_lastMove = std::chrono::steady_clock::now();
    if (const DWORD error = Configure())
        return error;
    while (!m_done && m_pending.empty()) {
        if (const DWORD error = Drive())
            return error;
    }
    if (m_done && m_result != CURLE_OK && m_pending.empty())
        return FinalError();
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    if (status <= 0)
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    m_status.store(status);
    return ERROR_SUCCESS;
}

DWORD HttpTransfer::Read(char* buffer, DWORD size, DWORD& read)
{
    std::lock_guard lock(m_driveMutex);
    read = 0;
    if (m_aborted.load())
        return ERROR_INTERNET_OPERATION_CANCELLED;
    if (m_status.load() == 0)
        return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    m_lastMove = std::chrono::steady_clock::now();
    while (read < size) {
        if (m_pendingOffset < m_pending.size()) {
            const std::size_t count = std::min<std::size_t>(size - read, m_pending.size() - m_pendingOffset);
            std::memcpy(buffer + read, m_pending.data() + m_pendingOffset, count);
            m_pendingOffset += count;
            read += static_cast<DWORD>(count);
            continue;
        }
        m_pending.clear();
        m_pendingOffset = 0;
        if (m_done) {
            if (m_result != CURLE_OK && read == 0)
                return FinalError();
            return ERROR_SUCCESS;
        }
        if (const DWORD error = Drive())
            return read > 0 ? ERROR_SUCCESS : error;
    }
    return ERROR_SUCCESS;
}

} // namespace zv::inet
