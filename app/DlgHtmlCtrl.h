// CDlgHtmlCtrl: a chat view. An empty child dialog (template 149) whose browser window shows the
// program's local page chat.html; lines of HTML are appended to the page's body. The owner (the
// main dialog) creates the dialog window and then the browser inside it (m_htmlWnd.CreateView).
//
// User-interface thread only. Loading the page serves the thread's messages while it waits, so
// other handlers (timers, peer messages) may run inside LoadChatPage and AppendHtml.
#pragma once

#include "app/HtmlWnd.h"
#include "platform/afx/afx_dialog.h"

#include <string>

class CDlgHtmlCtrl : public CDialog {
public:
    static constexpr UINT IDD = 149;
    // How long LoadChatPage waits for a page to read "complete" before it goes on without it.
    static constexpr DWORD kPageWaitMs = 10000;

    CDlgHtmlCtrl();
    CDlgHtmlCtrl(const CDlgHtmlCtrl&) = delete;
    CDlgHtmlCtrl& operator=(const CDlgHtmlCtrl&) = delete;

    // "res://<module>/chat.html" for the module that holds the program's resources; empty when
    // its path cannot be read.
    static std::string ChatPageUrl();

    // Opens the empty chat page and waits, bounded and serving messages, until it is complete;
    // then applies the current font size.
    void LoadChatPage();
    // Inserts "<text>\n" at the end of the page's body as HTML, as the caller formatted it (the
    // caller escapes what it takes from outside). Null reloads the empty page; a view without a
    // page loads it first.
    void AppendHtml(const char* text);
    // Font size n (1 when n <= 0): the body's text is 5*n points, its margin "3 3 3 3".
    void SetFontSize(int n);
    int GetFontSize() const { return m_nFontSize; }

    CHtmlWnd m_htmlWnd;

protected:
    // Enter and Escape do not close a view.
    void OnOK() override {}
    void OnCancel() override {}

private:
    int m_nFontSize = 1;
};
