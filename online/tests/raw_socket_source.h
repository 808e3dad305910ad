// A raw socket read as a peer-message source, for tests that stand in for a peer: ReadExactly
// loops over partial reads and fails on the end of the stream, an error or the socket's receive
// time-out.
#pragma once

#include "online/PeerMessage.h"
#include "platform/winsock/winsock.h"

class RawSocketSource : public PeerByteSource {
public:
    explicit RawSocketSource(SOCKET s) : m_socket(s) {}
    bool ReadExactly(void* buffer, std::size_t length) override
    {
        for (std::size_t got = 0; got < length;) {
            const int n = recv(m_socket, static_cast<char*>(buffer) + got, static_cast<int>(length - got), 0);
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    SOCKET m_socket;
};
