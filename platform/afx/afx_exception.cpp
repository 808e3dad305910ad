#include "platform/afx/afx_exception.h"

#include "platform/afx/afx_app.h"
#include "platform/user/resource_strings.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(LPSTR error, UINT size, UINT* helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    CopyErrorText("", error, size);
    return FALSE;
}

int CException::ReportError(UINT type, UINT messageId)
{
    char text[512];
    if (GetErrorMessage(text, sizeof text))
        return AfxMessageBox(text, type);
    if (messageId != 0)
        return AfxMessageBox(messageId, type);
    return AfxMessageBox("No error message is available", type);
}

void CopyErrorText(const char* text, LPSTR buffer, UINT size)
{
    if (!buffer || size == 0)
        return;
    std::size_t length = std::strlen(text);
    if (length > size - 1)
        length = size - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}
