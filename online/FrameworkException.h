// CException: the framework's base of the exceptions the peer link throws by pointer.
//
// The catcher shows one with ReportError or reads its text with GetErrorMessage, then calls Delete.
// Kept here until the application framework layer carries its own CException, which takes this
// one's place.
#pragma once

#include "platform/user/message_box.h"

class CException {
public:
    explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}
    virtual ~CException() = default;
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;

    // Frees a heap exception; one made with auto-delete off stays.
    void Delete();
    // Copies the text (at most size - 1 characters and a NUL); FALSE when there is none.
    virtual BOOL GetErrorMessage(LPSTR error, UINT size, UINT* helpContext = nullptr) const;
    // Shows the text in a message box of the given type; returns the box's answer.
    virtual int ReportError(UINT type = MB_OK, UINT messageId = 0);

protected:
    BOOL m_bAutoDelete;
};

// Copies text into a caller's buffer of `size` bytes: at most size - 1 characters and always a
// NUL; nothing for a null buffer or size 0.
void CopyErrorText(const char* text, LPSTR buffer, UINT size);

// The framework's message box for an error text (caption "Error": the application's title is the
// framework's to give).
int ShowErrorBox(LPCSTR text, UINT type);
