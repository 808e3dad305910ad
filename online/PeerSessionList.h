// The process-wide list of live peer sessions, whichever side opened them. It does not own them:
// whoever removes a session stops and deletes it. Every operation takes the list's lock.
#pragma once

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
    int Count() const;

private:
    mutable std::mutex m_lock;
    std::list<PeerSession*> m_sessions;
};

extern PeerSessionList g_peerSessions;
