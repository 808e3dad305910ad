// The application framework's internet classes, over the internet client calls of wininet.h.
//
// Failures throw a heap-allocated CInternetException, caught by pointer and deleted by the catcher.
// One session may serve several threads at once; closing it (Close or the destructor, from any
// thread) stops every request opened through it. A file or connection object is used by one thread,
// except that another thread may Close a connection to stop the request under way.
#pragma once

#include "platform/afx/afx_exception.h"
#include "platform/inet/wininet.h"

#include <atomic>
#include <string>

constexpr DWORD PRE_CONFIG_INTERNET_ACCESS = INTERNET_OPEN_TYPE_PRECONFIG;

// Service types of AfxParseURL.
constexpr DWORD AFX_INET_SERVICE_HTTP = INTERNET_SERVICE_HTTP;
constexpr DWORD AFX_INET_SERVICE_UNK = 0x1000;
constexpr DWORD AFX_INET_SERVICE_HTTPS = AFX_INET_SERVICE_UNK + 11;

class CInternetException : public CException {
public:
    CInternetException(DWORD dwError, DWORD_PTR dwContext) : CException(TRUE), m_dwError(dwError), m_dwContext(dwContext) {}

    // The error's text, cut to nMaxError - 1 characters and always terminated (nothing is written
    // for a size of 0); FALSE, with an empty text, for a code without one.
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;

    DWORD m_dwError;
    DWORD_PTR m_dwContext;
};

// Throws a new CInternetException; an error of 0 takes GetLastError().
[[noreturn]] void AfxThrowInternetException(DWORD_PTR dwContext, DWORD dwError = 0);

// The reply of a request, read through a buffer of its own.
class CInternetFile {
public:
    CInternetFile(HINTERNET hFile, DWORD_PTR dwContext) : m_dwContext(dwContext), m_hFile(hFile) {}
    virtual ~CInternetFile() { Close(); }
    CInternetFile(const CInternetFile&) = delete;
    CInternetFile& operator=(const CInternetFile&) = delete;

    virtual void Close();
    // Up to nCount bytes of the body; 0 at its end.
    UINT Read(void* lpBuf, UINT nCount);
    // The next line without its line feed; FALSE at the end of the body.
    BOOL ReadString(std::string& rString);
    operator HINTERNET() const { return m_hFile.load(); }

protected:
    DWORD_PTR m_dwContext;

private:
    // Reads more of the body into the buffer; false at its end.
    bool FillBuffer();

    std::atomic<HINTERNET> m_hFile;
    std::string m_buffer;
    std::size_t m_bufferPos = 0;
};

class CHttpFile : public CInternetFile {
public:
    using CInternetFile::CInternetFile;
    BOOL SendRequest(LPCSTR pstrHeaders = nullptr, DWORD dwHeadersLen = 0, LPVOID lpOptional = nullptr,
                     DWORD dwOptionalLen = 0);
    // The reply's HTTP status; FALSE (with the reason in GetLastError) before a reply came.
    BOOL QueryInfoStatusCode(DWORD& dwStatusCode) const;
};

class CHttpConnection {
public:
    enum {
        HTTP_VERB_POST = 0,
        HTTP_VERB_GET = 1,
        HTTP_VERB_HEAD = 2,
        HTTP_VERB_PUT = 3,
        HTTP_VERB_LINK = 4,
        HTTP_VERB_DELETE = 5,
        HTTP_VERB_UNLINK = 6,
    };

    CHttpConnection(HINTERNET hConnection, DWORD_PTR dwContext) : m_hConnection(hConnection), m_dwContext(dwContext) {}
    virtual ~CHttpConnection() { Close(); }
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    virtual void Close();
    CHttpFile* OpenRequest(int nVerb, LPCSTR pstrObjectName, LPCSTR pstrReferer = nullptr, DWORD_PTR dwContext = 1,
                           LPCSTR* ppstrAcceptTypes = nullptr, LPCSTR pstrVersion = nullptr,
                           DWORD dwFlags = INTERNET_FLAG_EXISTING_CONNECT);
    operator HINTERNET() const { return m_hConnection.load(); }

private:
    std::atomic<HINTERNET> m_hConnection;
    DWORD_PTR m_dwContext;
};

class CInternetSession {
public:
    explicit CInternetSession(LPCSTR pstrAgent = nullptr, DWORD_PTR dwContext = 1,
                              DWORD dwAccessType = PRE_CONFIG_INTERNET_ACCESS, LPCSTR pstrProxyName = nullptr,
                              LPCSTR pstrProxyBypass = nullptr, DWORD dwFlags = 0);
    virtual ~CInternetSession() { Close(); }
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    virtual void Close();
    // A GET of an http or https URL, sent; the caller closes and deletes the file.
    CInternetFile* OpenURL(LPCSTR pstrURL, DWORD_PTR dwContext = 1, DWORD dwFlags = INTERNET_FLAG_TRANSFER_ASCII,
                           LPCSTR pstrHeaders = nullptr, DWORD dwHeadersLength = 0);
    // The port defaults to HTTP's; the caller closes and deletes the connection.
    CHttpConnection* GetHttpConnection(LPCSTR pstrServer, INTERNET_PORT nPort = INTERNET_INVALID_PORT_NUMBER,
                                       LPCSTR pstrUserName = nullptr, LPCSTR pstrPassword = nullptr);
    DWORD_PTR GetContext() const { return m_dwContext; }
    operator HINTERNET() const { return m_hSession.load(); }

private:
    std::atomic<HINTERNET> m_hSession;
    DWORD_PTR m_dwContext;
};

// Splits an http or https URL into its service type, server, object (path and query, at least
// "/") and port (the scheme's default when the URL has none); user information is left out.
// FALSE for anything else, with the service type AFX_INET_SERVICE_UNK.
BOOL AfxParseURL(LPCSTR pstrURL, DWORD& dwServiceType, std::string& strServer, std::string& strObject,
                 INTERNET_PORT& nPort);
