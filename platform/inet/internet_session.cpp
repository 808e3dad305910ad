#include "platform/inet/afxinet.h"

#include "platform/inet/url_parts.h"

CInternetSession::CInternetSession(LPCSTR pstrAgent, DWORD_PTR dwContext, DWORD dwAccessType,
                                   LPCSTR pstrProxyName, LPCSTR pstrProxyBypass, DWORD dwFlags)
    : m_hSession(InternetOpenA(pstrAgent, dwAccessType, pstrProxyName, pstrProxyBypass, dwFlags)),
      m_dwContext(dwContext)
{
    if (!m_hSession.load())
        AfxThrowInternetException(dwContext);
}

void CInternetSession::Close()
{
    if (HINTERNET handle = m_hSession.exchange(nullptr))
        InternetCloseHandle(handle);
}

CInternetFile* CInternetSession::OpenURL(LPCSTR pstrURL, DWORD_PTR dwContext, DWORD dwFlags, LPCSTR pstrHeaders,
                                         DWORD dwHeadersLength)
{
    HINTERNET file = InternetOpenUrlA(m_hSession.load(), pstrURL, pstrHeaders, dwHeadersLength, dwFlags, dwContext);
    if (!file)
        AfxThrowInternetException(dwContext);
    return new CHttpFile(file, dwContext);
}

CHttpConnection* CInternetSession::GetHttpConnection(LPCSTR pstrServer, INTERNET_PORT nPort, LPCSTR pstrUserName,
                                                     LPCSTR pstrPassword)
{
    HINTERNET connection = InternetConnectA(m_hSession.load(), pstrServer, nPort, pstrUserName, pstrPassword,
                                            INTERNET_SERVICE_HTTP, 0, m_dwContext);
    if (!connection)
        AfxThrowInternetException(m_dwContext);
    return new CHttpConnection(connection, m_dwContext);
}

BOOL AfxParseURL(LPCSTR pstrURL, DWORD& dwServiceType, std::string& strServer, std::string& strObject,
                 INTERNET_PORT& nPort)
{
    dwServiceType = AFX_INET_SERVICE_UNK;
    strServer.clear();
    strObject.clear();
    nPort = INTERNET_INVALID_PORT_NUMBER;
    const auto url = pstrURL ? zv::inet::ParseUrl(pstrURL) : std::nullopt;
    if (!url || !zv::inet::IsHttpScheme(url->scheme))
        return FALSE;
    dwServiceType = url->scheme == "https" ? AFX_INET_SERVICE_HTTPS : AFX_INET_SERVICE_HTTP;
    strServer = url->host;
    strObject = url->object;
    nPort = url->port;
    return TRUE;
}
