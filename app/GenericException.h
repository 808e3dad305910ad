// CGenericException: the program's own exception, a message text and nothing more. Thrown as a
// pointer to a heap object (throw new CGenericException("...")); the catcher reports it with
// ReportError or reads it with GetErrorMessage, then calls Delete.
#pragma once

#include "platform/afx/afx_exception.h"

#include <string>

class CGenericException : public CException {
public:
    CGenericException() = default;
    // The text is copied whole; null is the same as no message.
    explicit CGenericException(LPCSTR message);
    ~CGenericException() override;

    // FALSE without a message. Otherwise copies it into `error` (when given and `size` is not 0),
    // cut to size - 1 characters and a NUL, and returns TRUE. The help context is left alone.
    BOOL GetErrorMessage(LPSTR error, UINT size, UINT* helpContext = nullptr) const override;
    // A non-empty message in the framework's message box; else string `messageId`; else a fixed
    // text. Returns the box's answer.
    int ReportError(UINT type = MB_OK, UINT messageId = 0) override;
    // The message, or "Unknown error" when there is none or it is empty. Always TRUE.
    virtual BOOL GetMessageText(std::string& text) const;

private:
    char* m_pszMessage = nullptr;
};
