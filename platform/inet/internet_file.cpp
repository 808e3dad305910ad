#include "platform/inet/afxinet.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {
constexpr DWORD kReadPiece = 4096;
} // namespace

void CInternetFile::Close()
{
    if (HINTERNET handle = m_hFile.exchange(nullptr))
        InternetCloseHandle(handle);
}

bool CInternetFile::FillBuffer()
{
    m_buffer.erase(0, m_bufferPos);
    m_bufferPos = 0;
    const std::size_t kept = m_buffer.size();
    m_buffer.resize(kept + kReadPiece);
    DWORD read = 0;
    const BOOL ok = InternetReadFile(m_hFile.load(), m_buffer.data() + kept, kReadPiece, &read);
    m_buffer.resize(kept + read);
    if (!ok)
        AfxThrowInternetException(m_dwContext);
    return read > 0;
}

UINT CInternetFile::Read(void* lpBuf, UINT nCount)
{
    UINT copied = 0;
    auto* out = static_cast<char*>(lpBuf);
    while (copied < nCount) {
        if (m_bufferPos == m_buffer.size() && !FillBuffer())
            break;
        const std::size_t count = std::min<std::size_t>(nCount - copied, m_buffer.size() - m_bufferPos);
        std::memcpy(out + copied, m_buffer.data() + m_bufferPos, count);
        m_bufferPos += count;
        copied += static_cast<UINT>(count);
    }
    return copied;
}

BOOL CInternetFile::ReadString(std::string& rString)
{
    rString.clear();
    bool readAny = false;
    for (;;) {
        if (m_bufferPos == m_buffer.size() && !FillBuffer())
            return readAny ? TRUE : FALSE;
        readAny = true;
        const auto begin = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_bufferPos);
        const auto newline = std::find(begin, m_buffer.end(), '\n');
        rString.append(begin, newline);
        m_bufferPos = static_cast<std::size_t>(newline - m_buffer.begin());
        if (newline != m_buffer.end()) {
            ++m_bufferPos;
            return TRUE;
        }
    }
}

BOOL CHttpFile::SendRequest(LPCSTR pstrHeaders, DWORD dwHeadersLen, LPVOID lpOptional, DWORD dwOptionalLen)
{
    if (!HttpSendRequestA(*this, pstrHeaders, dwHeadersLen, lpOptional, dwOptionalLen))
        AfxThrowInternetException(m_dwContext);
    return TRUE;
}

BOOL CHttpFile::QueryInfoStatusCode(DWORD& dwStatusCode) const
{
    dwStatusCode = 0;
    char text[16] = {};
    DWORD length = sizeof text;
    if (!HttpQueryInfoA(*this, HTTP_QUERY_STATUS_CODE, text, &length, nullptr))
        return FALSE;
    return std::from_chars(text, text + length, dwStatusCode).ec == std::errc() ? TRUE : FALSE;
}
