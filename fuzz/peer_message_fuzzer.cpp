// libFuzzer target for the peer message reader: every input is a stream of bytes from a peer.
// Each message read is written again and must read back to the same bytes.
#include "online/PeerMessage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t offset = 0;
    while (offset < size) {
        PeerMessage message;
        std::size_t used = 0;
        PeerReadResult result = ParsePeerMessage(data + offset, size - offset, message, used);
        if (result == PeerReadResult::Message) {
            std::vector<std::uint8_t> again = EncodePeerMessage(message);
            PeerMessage back;
            std::size_t backUsed = 0;
            if (ParsePeerMessage(again.data(), again.size(), back, backUsed) != PeerReadResult::Message ||
                backUsed != again.size() || EncodePeerMessage(back) != again)
                __builtin_trap();
        }
        if (result == PeerReadResult::Closed || result == PeerReadResult::Invalid || used == 0)
            break;
        offset += used;
    }
    return 0;
}
