#include "platform/inet/afxinet.h"

#include <iterator>

namespace {

const char* VerbName(int verb)
{
    static const char* const kVerbs[] = {"POST", "GET", "HEAD", "PUT", "LINK", "DELETE", "UNLINK"};
    return verb >= 0 && verb < static_cast<int>(std::size(kVerbs)) ? kVerbs[verb] : nullptr;
}

} // namespace

void CHttpConnection::Close()
{
    if (HINTERNET handle = m_hConnection.exchange(nullptr))
        InternetCloseHandle(handle);
}

CHttpFile* CHttpConnection::OpenRequest(int nVerb, LPCSTR pstrObjectName, LPCSTR pstrReferer, DWORD_PTR dwContext,
                                        LPCSTR* ppstrAcceptTypes, LPCSTR pstrVersion, DWORD dwFlags)
{
    const char* verb = VerbName(nVerb);
    if (!verb)
        AfxThrowInternetException(dwContext, ERROR_INVALID_PARAMETER);
    HINTERNET request = HttpOpenRequestA(m_hConnection.load(), verb, pstrObjectName, pstrVersion, pstrReferer,
                                         ppstrAcceptTypes, dwFlags, dwContext);
    if (!request)
        AfxThrowInternetException(dwContext);
    return new CHttpFile(request, dwContext);
}
