// CIpAddress: an IPv4 address value that gives a display text.
#pragma once

#include <cstdint>
#include <string>

class CIpAddress {
public:
    // No address: INADDR_NONE.
    CIpAddress();
    explicit CIpAddress(std::uint32_t hostOrder);
    virtual ~CIpAddress() = default;
    CIpAddress(const CIpAddress&) = default;
    CIpAddress& operator=(const CIpAddress&) = default;

    std::uint32_t HostOrder() const { return m_dwAddress; }
    // The four bytes as they travel (network order).
    const std::uint8_t* Bytes() const { return m_bytes; }
    // The dotted-decimal address; empty for 0.0.0.0. No name lookup: it could block, and the
    // address is what is shown.
    const std::string& GetName();

private:
    std::uint8_t m_bytes[4];
    std::uint32_t m_dwAddress;
    std::string m_strFirst;
    std::string m_strName;
    std::string m_strThird;
};
