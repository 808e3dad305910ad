// CSocketException: an error built from a Windows Sockets error code and its system text.
#pragma once

#include "platform/afx/afx_exception.h"

#include <string>

class CSocketException : public CException {
public:
    // The text is the system's message for the code, after "<prefix>\r\n" when a prefix is given.
    explicit CSocketException(int code, const char* prefix = nullptr);

    int GetCode() const { return m_nCode; }
    // FALSE when there is no text; a null buffer or size 0 receives nothing.
    BOOL GetErrorMessage(LPSTR error, UINT size, UINT* helpContext = nullptr) const override;
    int ReportError(UINT type = MB_OK, UINT messageId = 0) override;

private:
    std::string m_strMessage;
    int m_nCode;
};
