// The process-wide list of live peer sessions, whichever side opened them. It does not own them:
// whoever removes a session stops and deletes it. Every operation takes the list's lock.
//
// Because a session is always taken off before it is deleted, a session reached under the lock is
// alive: walks over the list go through ForEach, never over a copy of the pointers.
#pragma once

#include <functional>
#include <list>
#include <mutex>

class PeerSession;

class PeerSessionList {
public:
    // False for null or a session already listed.
    bool Add(PeerSession* session);
    PeerSession* Find(PeerSession* session) const;
    // The first session, taken off the list; null when empty.
    PeerSession* PopFront();
    // The session when it was listed (now taken off), else null.
    PeerSession* Remove(PeerSession* session);
    void RemoveAll();
    // Calls `visit` for each listed session in order, under the lock. `visit` must not change the
    // list, and may wait only for a bounded time: removals (sessions ending) wait meanwhile.
    void ForEach(const std::function<void(PeerSession*)>& visit) const;
    int Count() const;

private:
    mutable std::mutex m_lock;
    std::list<PeerSession*> m_sessions;
};

extern PeerSessionList g_peerSessions;
