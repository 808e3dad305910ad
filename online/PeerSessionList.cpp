#include "online/PeerSessionList.h"

#include <algorithm>

PeerSessionList g_peerSessions;

bool PeerSessionList::Add(PeerSession* session)
{
    std::lock_guard lock(m_lock);
    if (!session || std::find(m_sessions.begin(), m_sessions.end(), session) != m_sessions.end())
        return false;
    m_sessions.push_back(session);
    return true;
}

PeerSession* PeerSessionList::Find(PeerSession* session) const
{
    std::lock_guard lock(m_lock);
    return std::find(m_sessions.begin(), m_sessions.end(), session) != m_sessions.end() ? session : nullptr;
}

PeerSession* PeerSessionList::PopFront()
{
    std::lock_guard lock(m_lock);
    if (m_sessions.empty())
        return nullptr;
    PeerSession* first = m_sessions.front();
    m_sessions.pop_front();
    return first;
}

PeerSession* PeerSessionList::Remove(PeerSession* session)
{
    std::lock_guard lock(m_lock);
    auto it = std::find(m_sessions.begin(), m_sessions.end(), session);
    if (it == m_sessions.end())
        return nullptr;
    m_sessions.erase(it);
    return session;
}

void PeerSessionList::RemoveAll()
{
    std::lock_guard lock(m_lock);
    m_sessions.clear();
}

void PeerSessionList::ForEach(const std::function<void(PeerSession*)>& visit) const
{
    std::lock_guard lock(m_lock);
    for (PeerSession* session : m_sessions)
        visit(session);
}

int PeerSessionList::Count() const
{
    std::lock_guard lock(m_lock);
    return static_cast<int>(m_sessions.size());
}
