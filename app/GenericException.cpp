#include "app/GenericException.h"

#include "platform/afx/afx_app.h"

#include <cstring>

CGenericException::CGenericException(LPCSTR message)
{
    if (message) {
        const std::size_t length = std::strlen(message);
        m_pszMessage = new char[length + 1];
        std::memcpy(m_pszMessage, message, length + 1);
    }
}

CGenericException::~CGenericException()
{
    delete[] m_pszMessage;
}

BOOL CGenericException::GetErrorMessage(LPSTR error, UINT size, UINT*) const
{
    if (!m_pszMessage)
        return FALSE;
    // A zero-sized buffer gets nothing at all: there is no room even for the NUL.
    CopyErrorText(m_pszMessage, error, size);
    return TRUE;
}

int CGenericException::ReportError(UINT type, UINT messageId)
{
    if (m_pszMessage && *m_pszMessage)
        return AfxMessageBox(m_pszMessage, type);
    if (messageId != 0)
        return AfxMessageBox(messageId, type);
    return AfxMessageBox("No error message is available", type);
}

BOOL CGenericException::GetMessageText(std::string& text) const
{
    text = m_pszMessage && *m_pszMessage ? m_pszMessage : "Unknown error";
    return TRUE;
}
