#include "platform/inet/internet_handles.h"

#include <algorithm>

namespace zv::inet {

void InternetObject::Close()
{
    std::vector<std::weak_ptr<InternetObject>> children;
    {
        std::lock_guard lock(m_treeMutex);
        m_closed = true;
        children.swap(m_children);
    }
    StopWork();
    for (const auto& weakChild : children) {
        if (auto child = weakChild.lock())
            child->Close();
    }
}

bool InternetObject::IsClosed() const
{
    std::lock_guard lock(m_treeMutex);
    return m_closed;
}

bool InternetObject::Adopt(const std::shared_ptr<InternetObject>& child)
{
    std::lock_guard lock(m_treeMutex);
    if (m_closed)
        return false;
    std::erase_if(m_children, [](const std::weak_ptr<InternetObject>& entry) { return entry.expired(); });
    m_children.push_back(child);
    return true;
}

DWORD HttpRequest::AddHeaders(std::string_view lines)
{
    std::vector<std::string> added;
    while (!lines.empty()) {
        const auto end = std::min(lines.find_first_of("\r\n"), lines.size());
        const std::string_view line = lines.substr(0, end);
        lines.remove_prefix(end);
        while (!lines.empty() && (lines.front() == '\r' || lines.front() == '\n'))
            lines.remove_prefix(1);
        if (line.empty())
            continue;
        const auto colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos)
            return ERROR_HTTP_INVALID_HEADER;
        added.emplace_back(line);
    }
    std::lock_guard lock(m_requestMutex);
    if (m_transfer)
        return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    m_exchange.headers.insert(m_exchange.headers.end(), added.begin(), added.end());
    return ERROR_SUCCESS;
}

DWORD HttpRequest::Send(const std::vector<char>& body)
{
    std::shared_ptr<HttpTransfer> transfer;
    {
        std::lock_guard lock(m_requestMutex);
        if (IsClosed())
            return ERROR_INTERNET_OPERATION_CANCELLED;
        if (m_transfer)
            return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
        HttpExchange exchange = m_exchange;
        exchange.body = body;
        transfer = std::make_shared<HttpTransfer>(std::move(exchange), GetRequestLimits());
        m_transfer = transfer;
    }
    return transfer->Start();
}

DWORD HttpRequest::Read(char* buffer, DWORD size, DWORD& read)
{
    read = 0;
    const auto transfer = CurrentTransfer();
    if (!transfer)
        return IsClosed() ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    return transfer->Read(buffer, size, read);
}

long HttpRequest::StatusCode() const
{
    const auto transfer = CurrentTransfer();
    return transfer ? transfer->StatusCode() : 0;
}

void HttpRequest::StopWork()
{
    if (const auto transfer = CurrentTransfer())
        transfer->Abort();
}

std::shared_ptr<HttpTransfer> HttpRequest::CurrentTransfer() const
{
    std::lock_guard lock(m_requestMutex);
    return m_transfer;
}

HINTERNET InsertInternetObject(const std::shared_ptr<InternetObject>& parent,
                               std::shared_ptr<InternetObject> object)
{
    if (parent && !parent->Adopt(object)) {
        SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
        return nullptr;
    }
    HINTERNET handle = zv::win32::InsertHandle(object);
    if (!handle)
        object->Close();
    return handle;
}

} // namespace zv::inet
