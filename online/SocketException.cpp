#include "online/SocketException.h"

#include "platform/afx/afx_app.h"
#include "platform/winsock/wsa_errors.h"

#include <climits>

CSocketException::CSocketException(int code, const char* prefix) : CException(TRUE), m_nCode(code)
{
    std::string system = zv::winsock::WsaErrorText(code);
    m_strMessage = prefix ? std::string(prefix) + "\r\n" + system : system;
}

BOOL CSocketException::GetErrorMessage(LPSTR error, UINT size, UINT* helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    if (m_strMessage.empty())
        return FALSE;
    if (size <= INT_MAX)
        CopyErrorText(m_strMessage.c_str(), error, size);
    return TRUE;
}

int CSocketException::ReportError(UINT type, UINT /*messageId*/)
{
    // No string table is reachable from here, so a help id adds no text.
    if (m_strMessage.empty())
        m_strMessage = "No error message is available";
    return AfxMessageBox(m_strMessage.c_str(), type);
}
