// CKVRTCException: the peer link's own error, "Error starting session" with a code.
#pragma once

#include "platform/afx/afx_exception.h"

// Codes.
constexpr int kKvrtcBadCallback = 1;
constexpr int kKvrtcWrongState = 3;
constexpr int kKvrtcNoSession = 4;
constexpr int kKvrtcNoListener = 6;
constexpr int kKvrtcRefused = 9;
constexpr int kKvrtcNoThread = 10;

class CKVRTCException : public CException {
public:
    explicit CKVRTCException(int code);

    int GetCode() const { return m_nCode; }
    BOOL GetErrorMessage(LPSTR error, UINT size, UINT* helpContext = nullptr) const override;
    // A box without owner, caption "KVRTC Error", the type with the error icon.
    int ReportError(UINT type = MB_OK, UINT messageId = 0) override;

private:
    char m_szMessage[513];
    int m_nCode;
};
