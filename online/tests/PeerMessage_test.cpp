#include "online/PeerMessage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian helpers for writing expected packets by hand.
void Int32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Text(Bytes& b, const char* text, std::size_t width)
{
    std::size_t n = std::strlen(text);
    b.insert(b.end(), text, text + n);
    b.insert(b.end(), width - n, 0);
}
Bytes Header(std::uint32_t type, std::uint32_t size)
{
    Bytes b;
    Int32(b, type);
    Int32(b, size);
    Int32(b, 0);
    return b;
}

PeerMessage Info()
{
    PeerMessage m;
    m.type = kPeerInfo;
    std::strcpy(m.info.name, "Alice");
    std::strcpy(m.info.info, "v1");
    m.info.featureMask = 0x14;
    m.info.value = -2;
    return m;
}

PeerMessage Params()
{
    PeerMessage m;
    m.type = kPeerParams;
    m.params = {4, 0x01020304, 0xAB, 0, -1, 0x1234, 0xCD, 0, 77};
    return m;
}

PeerMessage WithData(std::int32_t type, std::int32_t number, const char* text)
{
    PeerMessage m = MakePeerChat(number, text);
    m.type = type;
    return m;
}

struct WireCase {
    const char* name;
    PeerMessage message;
    Bytes packet;
};

std::vector<WireCase> WireCases()
{
    std::vector<WireCase> cases;
    for (std::int32_t type : {kPeerNone, kPeerSignal, kPeerNone7}) {
        PeerMessage m;
        m.type = type;
        cases.push_back({"empty", m, Header(static_cast<std::uint32_t>(type), 0)});
    }
    Bytes info = Header(2, 92);
    Text(info, "Alice", 61);
    Text(info, "v1", 23);
    Int32(info, 0x14);
    Int32(info, 0xFFFFFFFE);
    cases.push_back({"info", Info(), info});

    Bytes stop = Header(3, 4);
    Int32(stop, 7);
    cases.push_back({"withdraw", MakePeerStop(kPeerStopBits), stop});

    Bytes params = Header(4, 20);
    Int32(params, 4);
    Int32(params, 0x01020304);
    params.insert(params.end(), {0xAB, 0, 0xFF, 0xFF, 0x34, 0x12, 0xCD, 0});
    Int32(params, 77);
    cases.push_back({"params", Params(), params});

    for (std::int32_t type : {kPeerValueText, kPeerFrame, kPeerChat}) {
        Bytes b = Header(static_cast<std::uint32_t>(type), 12);
        Int32(b, 9);
        Int32(b, 3);
        Int32(b, 0);
        b.insert(b.end(), {'a', 'b', 'c'});
        cases.push_back({"numbered data", WithData(type, 9, "abc"), b});
    }
    Bytes text = Header(9, 8);
    Int32(text, 2);
    Int32(text, 0);
    text.insert(text.end(), {'h', 'i'});
    cases.push_back({"text", WithData(kPeerText, 0, "hi"), text});

    Bytes emptyChat = Header(8, 12);
    Int32(emptyChat, 5);
    Int32(emptyChat, 0);
    Int32(emptyChat, 0);
    cases.push_back({"empty chat", MakePeerChat(5, nullptr), emptyChat});
    return cases;
}

TEST(PeerMessage, EveryTypeTravelsByteExactAndBack)
{
    for (const WireCase& c : WireCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodePeerMessage(c.message), c.packet);
        PeerMessage back;
        std::size_t used = 0;
        ASSERT_EQ(ParsePeerMessage(c.packet.data(), c.packet.size(), back, used), PeerReadResult::Message);
        EXPECT_EQ(used, c.packet.size());
        EXPECT_EQ(EncodePeerMessage(back), c.packet);
    }
}

TEST(PeerMessage, HostileInputIsRefusedOrSkipped)
{
    auto withLength = [](std::uint32_t type, std::uint32_t fixed, std::uint32_t length) {
        Bytes b = Header(type, fixed);
        if (type == 9) {
            Int32(b, length);
            Int32(b, 0);
        } else {
            Int32(b, 1);
            Int32(b, length);
            Int32(b, 0);
        }
        return b;
    };
    Bytes unknown = Header(10, 3);
    unknown.insert(unknown.end(), {1, 2, 3});
    Bytes unknownNoBody = Header(0x80000000u, 0);
    Bytes shortInfo = Header(2, 91);
    shortInfo.resize(shortInfo.size() + 91);
    const struct {
        const char* name;
        Bytes packet;
        PeerReadResult expected;
        std::size_t used;
    } cases[] = {
        {"frame over 1 MiB", withLength(6, 12, (1 << 20) + 1), PeerReadResult::Invalid, 24},
        {"chat over 64 KiB", withLength(8, 12, (64 << 10) + 1), PeerReadResult::Invalid, 24},
        {"text over 64 KiB", withLength(9, 8, (64 << 10) + 1), PeerReadResult::Invalid, 20},
        {"value text over 64 KiB", withLength(5, 12, 0x7FFFFFFF), PeerReadResult::Invalid, 24},
        {"negative length", withLength(6, 12, 0xFFFFFFFF), PeerReadResult::Invalid, 24},
        {"negative fixed size", Header(2, 0xFFFFFFF0), PeerReadResult::Invalid, 12},
        {"fixed size not the type's", shortInfo, PeerReadResult::Invalid, 12},
        {"size on a type without fixed part", Header(1, 4), PeerReadResult::Invalid, 12},
        {"unknown type with a body", unknown, PeerReadResult::Skipped, 15},
        {"unknown type, no body", unknownNoBody, PeerReadResult::Skipped, 12},
        {"unknown type, huge body", Header(11, 0x10000000), PeerReadResult::Invalid, 12},
        {"unknown type, negative body", Header(11, 0xFFFFFFFF), PeerReadResult::Invalid, 12},
        {"cut inside the header", Bytes{2, 0, 0}, PeerReadResult::Closed, 0},
        {"cut inside the data", withLength(8, 12, 5), PeerReadResult::Closed, 24},
    };
    for (const auto& c : cases) {
        PeerMessage m;
        std::size_t used = 99;
        EXPECT_EQ(ParsePeerMessage(c.packet.data(), c.packet.size(), m, used), c.expected) << c.name;
        EXPECT_EQ(used, c.used) << c.name;
    }
}

// Text fields that fill their width have no NUL: they are read within it.
TEST(PeerMessage, TextsWithoutNulStayWithinTheirWidth)
{
    Bytes packet = Header(2, 92);
    packet.insert(packet.end(), 61, 'N');
    packet.insert(packet.end(), 23, 'I');
    Int32(packet, 0);
    Int32(packet, 0);
    PeerMessage m;
    std::size_t used = 0;
    ASSERT_EQ(ParsePeerMessage(packet.data(), packet.size(), m, used), PeerReadResult::Message);
    EXPECT_EQ(PeerFieldText(m.info.name, sizeof m.info.name), std::string(61, 'N'));
    EXPECT_EQ(PeerFieldText(m.info.info, sizeof m.info.info), std::string(23, 'I'));
}

} // namespace
