#include "online/KvrtcException.h"

#include <climits>
#include <cstring>

CKVRTCException::CKVRTCException(int code) : CException(TRUE), m_nCode(code)
{
    std::strcpy(m_szMessage, "Error starting session");
}

BOOL CKVRTCException::GetErrorMessage(LPSTR error, UINT size, UINT* helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    if (!error || size > INT_MAX) // a negative size from a signed caller
        return FALSE;
    CopyErrorText(m_szMessage, error, size);
    return TRUE;
}

int CKVRTCException::ReportError(UINT type, UINT /*messageId*/)
{
    return MessageBoxA(nullptr, m_szMessage, "KVRTC Error", type | MB_ICONERROR);
}
