// What an internet handle stands for: a session, a connection to one server, or one HTTP request.
//
// Objects form a tree (session > connection > request; session > request for a URL opened
// directly). Closing an object stops the requests under it, so a thread blocked in one of them
// returns; the objects themselves live on until their last user lets go.
#pragma once

#include "platform/inet/http_transfer.h"
#include "platform/inet/wininet.h"
#include "platform/win32/handle_table.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zv::inet {

class InternetObject : public zv::win32::KernelObject {
public:
    // Marks this object and everything under it closed and stops their requests.
    void Close();
    bool IsClosed() const;
    // Puts a new object under this one; false when this one is closed already.
    bool Adopt(const std::shared_ptr<InternetObject>& child);

protected:
    virtual void StopWork() {}

private:
    mutable std::mutex m_treeMutex;
    bool m_closed = false;
    std::vector<std::weak_ptr<InternetObject>> m_children;
};

class InternetSession : public InternetObject {
public:
    InternetSession(std::string agent, bool useProxySettings)
        : agent(std::move(agent)), useProxySettings(useProxySettings)
    {
    }
    const std::string agent;
    const bool useProxySettings;
};

class InternetConnection : public InternetObject {
public:
    std::string agent;
    bool useProxySettings = true;
    std::string server;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    bool basicAuth = false;
    std::string userName;
    std::string password;
};

class HttpRequest : public InternetObject {
public:
    explicit HttpRequest(HttpExchange exchange) : m_exchange(std::move(exchange)) {}

    // Appends header lines (CR LF separated); ERROR_HTTP_INVALID_HEADER for a line without a name.
    DWORD AddHeaders(std::string_view lines);
    // Sends the request with the optional body; runs once per request.
    DWORD Send(const std::vector<char>& body);
    DWORD Read(char* buffer, DWORD size, DWORD& read);
    // The status of a sent request, or 0.
    long StatusCode() const;

protected:
    void StopWork() override;

private:
    std::shared_ptr<HttpTransfer> CurrentTransfer() const;

    mutable std::mutex m_requestMutex;
    HttpExchange m_exchange;
    std::shared_ptr<HttpTransfer> m_transfer;
};

// Enters a new object into the handle table under `parent` (null for a session); null with the
// last error set when the parent is closed or the table is full.
HINTERNET InsertInternetObject(const std::shared_ptr<InternetObject>& parent,
                               std::shared_ptr<InternetObject> object);

// The object of an internet handle as a T: null with ERROR_INVALID_HANDLE for a handle that is not
// open, ERROR_INTERNET_INCORRECT_HANDLE_TYPE for one of another kind.
template <class T>
std::shared_ptr<T> LookupInternetObject(HINTERNET handle)
{
    auto object = std::dynamic_pointer_cast<InternetObject>(zv::win32::LookupHandle(handle));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto typed = std::dynamic_pointer_cast<T>(object);
    if (!typed)
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return typed;
}

} // namespace zv::inet
