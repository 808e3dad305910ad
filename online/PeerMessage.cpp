#include "online/PeerMessage.h"

#include <cstring>

namespace {

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(u >> shift));
}

void PutInt16(std::vector<std::uint8_t>& out, std::int16_t v)
{
    auto u = static_cast<std::uint16_t>(v);
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
}

std::int32_t GetInt32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}

std::int16_t GetInt16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

bool HasVariablePart(std::int32_t type)
{
    return type == kPeerValueText || type == kPeerFrame || type == kPeerChat || type == kPeerText;
}

std::int32_t MaxVariableLength(std::int32_t type)
{
    return type == kPeerFrame ? kPeerMaxFrameBytes : kPeerMaxTextBytes;
}

class BufferSource : public PeerByteSource {
public:
    BufferSource(const std::uint8_t* bytes, std::size_t length) : m_bytes(bytes), m_length(length) {}
    bool ReadExactly(void* buffer, std::size_t length) override
    {
        if (length > m_length - m_used)
            return false;
        if (length)
            std::memcpy(buffer, m_bytes + m_used, length);
        m_used += length;
        return true;
    }
    std::size_t Used() const { return m_used; }

private:
    const std::uint8_t* m_bytes;
    std::size_t m_length;
    std::size_t m_used = 0;
};

} // namespace

std::int32_t PeerFixedSize(std::int32_t type)
{
    static const std::int32_t kSizes[kPeerTypeCount] = {0, 0, 92, 4, 20, 12, 12, 0, 12, 8};
    return type >= 0 && type < kPeerTypeCount ? kSizes[type] : -1;
}

PeerMessage MakePeerStop(std::int32_t bits)
{
    PeerMessage m;
    m.type = kPeerWithdraw;
    m.bits = bits;
    return m;
}

PeerMessage MakePeerChat(std::int32_t number, const char* text)
{
    PeerMessage m;
    m.type = kPeerChat;
    m.number = number;
    if (text)
        m.data.assign(text, text + std::strlen(text));
    return m;
}

PeerMessage MakePeerFrame(std::int32_t number, const void* bytes, std::size_t length)
{
    PeerMessage m;
    m.type = kPeerFrame;
    m.number = number;
    if (bytes && length)
        m.data.assign(static_cast<const char*>(bytes), static_cast<const char*>(bytes) + length);
    return m;
}

std::vector<std::uint8_t> EncodePeerMessage(const PeerMessage& m)
{
    std::vector<std::uint8_t> out;
    const std::int32_t fixed = PeerFixedSize(m.type);
    out.reserve(kPeerHeaderSize + static_cast<std::size_t>(fixed > 0 ? fixed : 0) + m.data.size());
    PutInt32(out, m.type);
    PutInt32(out, fixed > 0 ? fixed : 0);
    PutInt32(out, 0); // reserved
    const auto length = static_cast<std::int32_t>(m.data.size());
    switch (m.type) {
    case kPeerInfo:
        out.insert(out.end(), m.info.name, m.info.name + sizeof m.info.name);
        out.insert(out.end(), m.info.info, m.info.info + sizeof m.info.info);
        PutInt32(out, m.info.featureMask);
        PutInt32(out, m.info.value);
        break;
    case kPeerWithdraw: PutInt32(out, m.bits); break;
    case kPeerParams:
        PutInt32(out, m.params.featureMask);
        PutInt32(out, m.params.value);
        out.push_back(m.params.byte8);
        out.push_back(0);
        PutInt16(out, m.params.short10);
        PutInt16(out, m.params.short12);
        out.push_back(m.params.byte14);
        out.push_back(0);
        PutInt32(out, m.params.value16);
        break;
    case kPeerValueText:
    case kPeerFrame:
    case kPeerChat:
        PutInt32(out, m.number);
        PutInt32(out, length);
        PutInt32(out, 0); // reserved
        break;
    case kPeerText:
        PutInt32(out, length);
        PutInt32(out, 0); // reserved
        break;
    default: break;
    }
    if (HasVariablePart(m.type))
        out.insert(out.end(), m.data.begin(), m.data.end());
    return out;
}

PeerReadResult ReadPeerMessage(PeerByteSource& source, PeerMessage& m)
{
    std::uint8_t header[kPeerHeaderSize];
    if (!source.ReadExactly(header, sizeof header))
        return PeerReadResult::Closed;
    const std::int32_t type = GetInt32(header);
    const std::int32_t size = GetInt32(header + 4);
    if (static_cast<std::uint32_t>(type) >= static_cast<std::uint32_t>(kPeerTypeCount)) {
        // Unknown: drop its body so the next header is read where it starts.
        if (size < 0 || size > kPeerMaxUnknownBody)
            return PeerReadResult::Invalid;
        std::vector<std::uint8_t> body(static_cast<std::size_t>(size));
        return source.ReadExactly(body.data(), body.size()) ? PeerReadResult::Skipped : PeerReadResult::Closed;
    }
    if (size != PeerFixedSize(type))
        return PeerReadResult::Invalid;
    std::uint8_t fixed[sizeof(PeerInfoPart)];
    if (!source.ReadExactly(fixed, static_cast<std::size_t>(size)))
        return PeerReadResult::Closed;

    m = PeerMessage{};
    m.type = type;
    std::int32_t length = 0;
    switch (type) {
    case kPeerInfo:
        std::memcpy(m.info.name, fixed, sizeof m.info.name);
        std::memcpy(m.info.info, fixed + 61, sizeof m.info.info);
        m.info.featureMask = GetInt32(fixed + 84);
        m.info.value = GetInt32(fixed + 88);
        break;
    case kPeerWithdraw: m.bits = GetInt32(fixed); break;
    case kPeerParams:
        m.params.featureMask = GetInt32(fixed);
        m.params.value = GetInt32(fixed + 4);
        m.params.byte8 = fixed[8];
        m.params.short10 = GetInt16(fixed + 10);
        m.params.short12 = GetInt16(fixed + 12);
        m.params.byte14 = fixed[14];
        m.params.value16 = GetInt32(fixed + 16);
        break;
    case kPeerValueText:
    case kPeerFrame:
    case kPeerChat:
        m.number = GetInt32(fixed);
        length = GetInt32(fixed + 4);
        break;
    case kPeerText: length = GetInt32(fixed); break;
    default: break;
    }
    if (length < 0 || length > MaxVariableLength(type))
        return PeerReadResult::Invalid;
    m.data.resize(static_cast<std::size_t>(length));
    if (!source.ReadExactly(m.data.data(), m.data.size()))
        return PeerReadResult::Closed;
    return PeerReadResult::Message;
}

PeerReadResult ParsePeerMessage(const std::uint8_t* bytes, std::size_t length, PeerMessage& message,
                                std::size_t& used)
{
    BufferSource source(bytes, length);
    PeerReadResult result = ReadPeerMessage(source, message);
    used = source.Used();
    return result;
}

std::string PeerFieldText(const char* field, std::size_t width)
{
    return std::string(field, strnlen(field, width));
}
