#include "online/IpAddress.h"

#include "platform/winsock/winsock.h"

CIpAddress::CIpAddress() : m_bytes{0xFF, 0xFF, 0xFF, 0xFF}, m_dwAddress(INADDR_NONE) {}

CIpAddress::CIpAddress(std::uint32_t hostOrder)
    : m_bytes{static_cast<std::uint8_t>(hostOrder >> 24), static_cast<std::uint8_t>(hostOrder >> 16),
              static_cast<std::uint8_t>(hostOrder >> 8), static_cast<std::uint8_t>(hostOrder)},
      m_dwAddress(hostOrder)
{
}

const std::string& CIpAddress::GetName()
{
    if (!m_strName.empty() || m_dwAddress == 0)
        return m_strName;
    char text[16];
    if (inet_ntop(AF_INET, m_bytes, text, sizeof text))
        m_strName = text;
    return m_strName;
}
