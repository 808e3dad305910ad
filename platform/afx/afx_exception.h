// CException: the base of the framework's exceptions, thrown by pointer.
//
// The catcher shows one with ReportError or reads its text with GetErrorMessage, then calls Delete.
#pragma once

#include "platform/afx/afx_runtime_class.h"
#include "platform/user/message_box.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)

public:
    explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}
    ~CException() override = default;
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;

    // Frees a heap exception; one made with auto-delete off stays.
    void Delete();
    // Copies the text (at most size - 1 characters and a NUL); FALSE when there is none.
    virtual BOOL GetErrorMessage(LPSTR error, UINT size, UINT* helpContext = nullptr) const;
    // Shows the text in the framework's message box of the given type; without a text, string
    // `messageId` of the program's resources (0: a fixed text). Returns the box's answer.
    virtual int ReportError(UINT type = MB_OK, UINT messageId = 0);

protected:
    BOOL m_bAutoDelete;
};

// Copies text into a caller's buffer of `size` bytes: at most size - 1 characters and always a
// NUL; nothing for a null buffer or size 0.
void CopyErrorText(const char* text, LPSTR buffer, UINT size);
