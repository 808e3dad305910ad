#include "platform/inet/afxinet.h"

#include <algorithm>
#include <cstring>

BOOL CInternetException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0)
        return FALSE;
    const char* text = zv::inet::InternetErrorText(m_dwError);
    if (!text) {
        lpszError[0] = '\0';
        return FALSE;
    }
    const std::size_t length = std::min<std::size_t>(std::strlen(text), nMaxError - 1);
    std::memcpy(lpszError, text, length);
    lpszError[length] = '\0';
    return TRUE;
}

void AfxThrowInternetException(DWORD_PTR dwContext, DWORD dwError)
{
    throw new CInternetException(dwError != 0 ? dwError : GetLastError(), dwContext);
}
