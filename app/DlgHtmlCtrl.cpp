#include "app/DlgHtmlCtrl.h"

#include "platform/afx/afx_app.h"
#include "platform/browser/page_text.h"
#include "platform/win32/paths.h"
#include "platform/win32/variant.h"

#include <chrono>
#include <strings.h>
#include <thread>

using zv::win32::ComRef;

namespace {

constexpr const char* kChatPageName = "chat.html";
constexpr auto kIdleStep = std::chrono::milliseconds(5);

// Serves every message waiting for this thread; false when WM_QUIT came (it is posted again for
// the loop that owns it).
bool ServePendingMessages()
{
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

bool ReadsComplete(IHTMLDocument2* document, bool* failed)
{
    BSTR state = nullptr;
    if (FAILED(document->get_readyState(&state))) {
        *failed = true;
        return false;
    }
    const std::string text = zv::browser::Utf8Of(state);
    SysFreeString(state);
    return strcasecmp(text.c_str(), "complete") == 0;
}

} // namespace

CDlgHtmlCtrl::CDlgHtmlCtrl() : CDialog(IDD, nullptr) {}

std::string CDlgHtmlCtrl::ChatPageUrl()
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(AfxGetResourceHandle()), path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    return "res://" + std::string(path, length) + "/" + kChatPageName;
}

void CDlgHtmlCtrl::LoadChatPage()
{
    const std::string url = ChatPageUrl();
    if (!url.empty())
        m_htmlWnd.Navigate(url.c_str());
    const ComRef<IHTMLDocument2> document = m_htmlWnd.GetDocument();
    if (!document)
        return;
    // The page is local, yet its load runs on the display: the thread's messages are served
    // meanwhile, and a page that never reads "complete" (or cannot be asked) ends the wait.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPageWaitMs);
    bool failed = false;
    while (!ReadsComplete(document.get(), &failed) && !failed) {
        if (!ServePendingMessages() || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kIdleStep);
    }
    SetFontSize(m_nFontSize);
}

void CDlgHtmlCtrl::AppendHtml(const char* text)
{
    if (text == nullptr) {
        LoadChatPage();
        return;
    }
    if (!m_htmlWnd.GetDocument())
        LoadChatPage();
    const ComRef<IHTMLElement> body = m_htmlWnd.GetBody();
    if (!body)
        return;
    BSTR where = zv::browser::NewBstr("beforeEnd");
    BSTR html = zv::browser::NewBstr(std::string(text) + "\n");
    if (where != nullptr && html != nullptr)
        body->insertAdjacentHTML(where, html);
    SysFreeString(where);
    SysFreeString(html);
}

void CDlgHtmlCtrl::SetFontSize(int n)
{
    m_nFontSize = n > 0 ? n : 1;
    const ComRef<IHTMLElement> body = m_htmlWnd.GetBody();
    IHTMLStyle* rawStyle = nullptr;
    if (!body || FAILED(body->get_style(&rawStyle)) || rawStyle == nullptr)
        return;
    const ComRef<IHTMLStyle> style = ComRef<IHTMLStyle>::Adopt(rawStyle);
    VARIANT size;
    VariantInit(&size);
    size.vt = VT_BSTR;
    size.bstrVal = zv::browser::NewBstr(std::to_string(5LL * m_nFontSize) + "pt");
    if (size.bstrVal != nullptr)
        style->put_fontSize(size);
    VariantClear(&size);
    BSTR margin = zv::browser::NewBstr("3 3 3 3");
    if (margin != nullptr)
        style->put_margin(margin);
    SysFreeString(margin);
}
