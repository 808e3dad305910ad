// A send that must not wait: whole messages while the peer takes them, nothing while its queue
// is full, and the same bytes on the wire as a waiting send.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/ks/devhost/wire/wire_socket.h"

namespace zv::devhost {
namespace {

TEST(WireTrySend, SendsWholeMessagesOrNothingUntilThePeerTakesThemIn)
{
    std::unique_ptr<WireSocket> host, client;
    ASSERT_TRUE(WireSocket::Pair(&host, &client));
    const std::vector<unsigned char> payload(1000, 0x5A);
    const wire::MessageHeader header{static_cast<std::uint32_t>(wire::MessageType::ReadFrame) | wire::kReplyFlag, 0, 0, 0};
    std::uint32_t sent = 0;
    TrySendResult result = TrySendResult::Sent;
    for (; sent < 100000 && result == TrySendResult::Sent; ++sent) {
        wire::MessageHeader numbered = header;
        numbered.id = sent;
        result = host->TrySend(numbered, {BytesOf(sent), payload});
    }
    ASSERT_EQ(result, TrySendResult::WouldBlock);
    --sent;  // the refused one

    // Every message sent arrives whole and in order; taking some in makes room for more.
    ReceivedMessage message;
    for (std::uint32_t id = 0; id < sent; ++id) {
        ASSERT_EQ(client->Receive(&message), ReceiveResult::Message);
        ASSERT_EQ(message.header.id, id);
        ASSERT_EQ(message.header.size, sizeof id + payload.size());
        std::uint32_t echoed = 0;
        ASSERT_TRUE(ReadPayload(message.payload, 0, &echoed));
        ASSERT_EQ(echoed, id);
        ASSERT_TRUE(std::equal(payload.begin(), payload.end(), message.payload.begin() + sizeof id));
    }
    EXPECT_EQ(host->TrySend(header, {payload}), TrySendResult::Sent);
    ASSERT_EQ(client->Receive(&message), ReceiveResult::Message);
    EXPECT_EQ(message.payload, payload);

    client.reset();
    EXPECT_EQ(host->TrySend(header, {payload}), TrySendResult::Failed);
}

TEST(WireTrySend, RefusesWhatASendWouldRefuse)
{
    std::unique_ptr<WireSocket> host, client;
    ASSERT_TRUE(WireSocket::Pair(&host, &client));
    const std::vector<unsigned char> oversized(wire::kMaxPayloadBytes + 1);
    const wire::MessageHeader header{1, 1, 0, 0};
    EXPECT_EQ(host->TrySend(header, {oversized}), TrySendResult::Failed);
    EXPECT_FALSE(host->Send(header, {oversized}));
}

}  // namespace
}  // namespace zv::devhost
