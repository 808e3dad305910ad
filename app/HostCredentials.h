// The host login's strings. The user-interface thread (login) and the status thread (poll) both
// read and write them, so they live under one lock and are handed out as one copy: a poll never
// sees half of one login and half of another.
#pragma once

#include <mutex>
#include <string>
#include <utility>

struct HostLoginStrings {
    std::string LoginName;
    std::string LoginPassword;
    std::string UserId;  // the server's id for the logged-in user; empty when logged out
};

class HostCredentials {
public:
    HostLoginStrings Get() const
    {
        std::lock_guard lock(m_mutex);
        return m_values;
    }
    void Set(HostLoginStrings values)
    {
        std::lock_guard lock(m_mutex);
        m_values = std::move(values);
    }
    std::string UserId() const
    {
        std::lock_guard lock(m_mutex);
        return m_values.UserId;
    }

private:
    mutable std::mutex m_mutex;
    HostLoginStrings m_values;
};
