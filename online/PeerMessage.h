// The peer link's messages: their in-memory form and their wire form.
//
// On the wire a message is a 12-byte header {int32 type, int32 size of the fixed part, int32
// reserved}, the fixed part, then for types 5, 6, 8 and 9 a variable part whose length the fixed
// part gives. Every integer is little-endian. Messages are written field by field with every
// reserved byte zero, and read with every size checked before anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kPeerPort = 12345;
constexpr std::size_t kPeerHeaderSize = 12;

// Message types.
constexpr std::int32_t kPeerNone = 0;
constexpr std::int32_t kPeerSignal = 1;
constexpr std::int32_t kPeerInfo = 2;
constexpr std::int32_t kPeerWithdraw = 3;
constexpr std::int32_t kPeerParams = 4;
constexpr std::int32_t kPeerValueText = 5;
constexpr std::int32_t kPeerFrame = 6;
constexpr std::int32_t kPeerNone7 = 7;
constexpr std::int32_t kPeerChat = 8;
constexpr std::int32_t kPeerText = 9;
constexpr std::int32_t kPeerTypeCount = 10;

// Bounds on what a peer may send: a JPEG frame, the texts, and the body of a type this program
// does not know.
constexpr std::int32_t kPeerMaxFrameBytes = 1 << 20;
constexpr std::int32_t kPeerMaxTextBytes = 64 << 10;
constexpr std::int32_t kPeerMaxUnknownBody = 64 << 10;

// The stop message's feature bits.
constexpr std::int32_t kPeerStopBits = 7;

// The fixed part of type 2, as it lies on the wire.
struct PeerInfoPart {
    char name[61];
    char info[23];
    std::int32_t featureMask;
    std::int32_t value;
};
static_assert(sizeof(PeerInfoPart) == 92 && offsetof(PeerInfoPart, info) == 61 &&
              offsetof(PeerInfoPart, featureMask) == 84 && offsetof(PeerInfoPart, value) == 88);

// The fixed part of type 4, as it lies on the wire.
struct PeerParamsPart {
    std::int32_t featureMask;
    std::int32_t value;
    std::uint8_t byte8;
    std::uint8_t reserved9;
    std::int16_t short10;
    std::int16_t short12;
    std::uint8_t byte14;
    std::uint8_t reserved15;
    std::int32_t value16;
};
static_assert(sizeof(PeerParamsPart) == 20 && offsetof(PeerParamsPart, byte8) == 8 &&
              offsetof(PeerParamsPart, short10) == 10 && offsetof(PeerParamsPart, short12) == 12 &&
              offsetof(PeerParamsPart, byte14) == 14 && offsetof(PeerParamsPart, value16) == 16);

// One message. Only the fields of its type count; `data` is the variable part of types 5, 6, 8
// and 9, whose length travels in the fixed part. Copies are deep.
struct PeerMessage {
    std::int32_t type = kPeerNone;
    PeerInfoPart info{};      // type 2
    std::int32_t bits = 0;    // type 3: feature bits to withdraw
    PeerParamsPart params{};  // type 4
    std::int32_t number = 0;  // type 5 value, type 6 frame number, type 8 text number
    std::vector<char> data;   // types 5, 6, 8, 9
};

// The fixed-part size of a known type; -1 for others.
std::int32_t PeerFixedSize(std::int32_t type);

PeerMessage MakePeerStop(std::int32_t bits);
PeerMessage MakePeerChat(std::int32_t number, const char* text);
PeerMessage MakePeerFrame(std::int32_t number, const void* bytes, std::size_t length);

// The whole message as it goes on the wire.
std::vector<std::uint8_t> EncodePeerMessage(const PeerMessage& message);

// Where a message is read from: ReadExactly fills the buffer or returns false (end of stream,
// error, deadline).
class PeerByteSource {
public:
    virtual ~PeerByteSource() = default;
    virtual bool ReadExactly(void* buffer, std::size_t length) = 0;
};

enum class PeerReadResult {
    Message, // `message` holds a message of a known type
    Skipped, // a type this program does not know; its body was read and dropped
    Closed,  // the source ended or failed
    Invalid  // a size or length that breaks the format: the stream cannot be trusted further
};

PeerReadResult ReadPeerMessage(PeerByteSource& source, PeerMessage& message);

// Reads one message from the start of a buffer; `used` is the bytes it took. Closed means the
// buffer ends inside the message.
PeerReadResult ParsePeerMessage(const std::uint8_t* bytes, std::size_t length, PeerMessage& message,
                                std::size_t& used);

// A NUL-terminated text of at most `width` characters from a fixed text field.
std::string PeerFieldText(const char* field, std::size_t width);
