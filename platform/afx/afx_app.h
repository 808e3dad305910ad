// CWinApp: the one application object of a framework program, and the framework's global calls.
//
// The program defines one static object of its CWinApp class. The framework's entry (afx_main.h)
// then fills in the name and command line, calls InitInstance, runs the message loop while
// InitInstance returned TRUE, and returns ExitInstance's value as the exit code. Destroying the
// main window (m_pMainWnd) ends the loop.
#pragma once

#include "platform/afx/cmd_target.h"
#include "platform/win32/profile.h"

#include <string>

class CWnd;

class CWinApp : public CCmdTarget {
public:
    // A null name is taken from the string table (AFX_IDS_APP_TITLE) or the program's file name.
    explicit CWinApp(LPCSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    // Gets and dispatches messages until WM_QUIT, then returns ExitInstance().
    virtual int Run();
    // Walks from the message's window up its parents, offering it to each framework window's
    // PreTranslateMessage; TRUE when one took it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Called while the queue is empty with a count of calls since the last message; TRUE asks
    // for more idle time. The base frees temporary window objects.
    virtual BOOL OnIdle(LONG count);
    // The exit code: WM_QUIT's, or 0 when the loop never ran.
    virtual int ExitInstance() { return m_nExitCode; }

    // Keeps the settings under HKEY_CURRENT_USER\Software\<key>\<application name>.
    void SetRegistryKey(LPCSTR key);
    void SetRegistryKey(UINT stringId);
    UINT GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const;
    BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value) const;
    std::string GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue = nullptr) const;
    BOOL WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value) const;
    // On success *data is a new[] array of *bytes bytes the caller delete[]s.
    BOOL GetProfileBinary(LPCSTR section, LPCSTR entry, BYTE** data, UINT* bytes) const;
    BOOL WriteProfileBinary(LPCSTR section, LPCSTR entry, const BYTE* data, UINT bytes) const;

    // The application's shared icons and cursors (resource_images.h).
    HICON LoadIcon(UINT id) const;
    HICON LoadIcon(LPCSTR name) const;
    HCURSOR LoadCursor(UINT id) const;
    HCURSOR LoadStandardCursor(LPCSTR name) const;

    // Help through HTML Help: the help file's extension becomes ".chm".
    void EnableHtmlHelp();
    // A path of the caller's (a bare name is left for the help viewer to find).
    void SetHelpFilePath(LPCSTR path);

    // Whether the calling thread runs this application's message loop.
    bool IsAppThread() const;

    // The framework's entry calls this before InitInstance.
    void SetCommandLine(int argc, char** argv);

    LPCSTR m_pszAppName = nullptr;      // the title: message boxes' caption
    LPCSTR m_pszExeName = nullptr;      // the program's file name without folder or extension
    LPCSTR m_pszRegistryKey = nullptr;
    LPCSTR m_pszProfileName = nullptr;
    LPSTR m_lpCmdLine = nullptr;        // the arguments after the program's name, joined by spaces
    HINSTANCE m_hInstance = nullptr;    // the program itself
    CWnd* m_pMainWnd = nullptr;
    int m_nCmdShow = 10;                // SW_SHOWDEFAULT
    // The program's own path with ".hlp" (".chm" after EnableHtmlHelp), until set otherwise.
    LPCSTR m_pszHelpFilePath = nullptr;
    enum AppHelpType { afxWinHelp, afxHTMLHelp };
    AppHelpType m_eHelpType = afxWinHelp;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

    int m_nExitCode = 0;

private:
    std::string m_appName;
    std::string m_exeName;
    std::string m_registryKey;
    std::string m_commandLine;
    std::string m_helpFilePath;
    zv::win32::Profile m_profile;
    DWORD m_threadId = 0;
};

// The string of the application's title in the program's string table.
constexpr UINT AFX_IDS_APP_TITLE = 0xE000;

CWinApp* AfxGetApp();
// The application's main window (null without one).
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// A message box owned by the main window with the application's title as its caption.
int AfxMessageBox(LPCSTR text, UINT type = 0, UINT helpId = 0);
// The same for string `promptId` of the resources; 0 (no box) when the string is missing.
int AfxMessageBox(UINT promptId, UINT type = 0, UINT helpId = static_cast<UINT>(-1));

// Offers the message to the framework windows from its target up to its top-level window
// (PreTranslateMessage); TRUE when one took it.
BOOL AfxWalkPreTranslateTree(MSG* msg);
// What a message loop asks before dispatching: the application's PreTranslateMessage on the
// application's thread, the walk alone on others (a modal dialog on a worker thread).
BOOL AfxPreTranslateMessage(MSG* msg);

// The framework's program entry: runs the application object as described above.
int AfxWinMain(int argc, char** argv);

// Dispatches messages until the calling thread's queue is empty (each offered to
// AfxPreTranslateMessage first) and returns TRUE; for a loop that waits on something while the
// thread's windows stay alive. On WM_QUIT it stops, posts the quit again so the loop outside
// ends too, and returns FALSE.
BOOL AfxPumpPendingMessages();

// LoadString into a std::string; FALSE (text emptied) when the string is missing.
BOOL AfxLoadString(UINT id, std::string& text);
