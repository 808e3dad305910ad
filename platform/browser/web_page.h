// One web page of a browser control: a WebKitWebView that the display thread owns and lays over
// the control's window (platform/user/gtk/embedded_views.h). Callers on the control's thread
// hand their work to the display thread; what comes back (a page completed) is posted to the
// control's window as a message, and script answers are waited for with a bound while the
// waiting thread serves the messages sent to it.
//
// Every navigation ends in a completed page: one that cannot load (no server, an error, a
// resource that is not there, a server that does not answer within the load bound) completes as
// an empty page under its own URL.
#pragma once

#include "platform/user/user_types.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _WebKitWebView WebKitWebView;

namespace zv::browser {

// Whether this process's display shows web pages (the gtk display does, headless does not).
bool BrowserAvailable();

struct ScriptAnswer {
    bool ok = false;
    bool timedOut = false;
    std::string value; // the script's value as text (ok)
    std::string error; // why not (!ok)
};

class WebPage : public std::enable_shared_from_this<WebPage> {
public:
    // A page whose news is posted to `owner` as `message` (wParam kCompletedNews or kClickNews,
    // lParam 0). Null when the display has no browser.
    static constexpr WPARAM kCompletedNews = 0;
    static constexpr WPARAM kClickNews = 1;
    static std::shared_ptr<WebPage> Open(HWND owner, UINT message);
    // How long a navigation may take before it completes as an empty page (default 30 s).
    static void SetLoadBound(std::chrono::milliseconds bound);

    ~WebPage();
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;

    void Navigate(const std::string& url);
    // Where the control's window is: `place` on the surface of `topLevel`.
    void Place(HWND topLevel, const RECT& place, bool visible);
    // The view goes; nothing more is posted and scripts fail from here on.
    void Close();

    // Whether a navigation has not completed yet.
    bool Loading() const;
    std::string CompletedUrl() const;
    // The URLs of the pages completed since the last call, oldest first.
    std::vector<std::string> TakeCompleted();
    // The ids of the elements clicked since the last call (the nearest element with an id
    // around the one clicked), oldest first.
    std::vector<std::string> TakeClicks();

    // Runs the script in the page and waits at most `bound` for its value.
    ScriptAnswer Run(const std::string& script, std::chrono::milliseconds bound);

private:
    WebPage(HWND owner, UINT message) : m_owner(owner), m_message(message) {}

    // Display thread.
    void MakeView();
    void LoadOnDisplay(const std::string& url, std::uint64_t issue);
    void TakenUp(const std::string& url);
    void LoadFailed(const std::string& url, bool superseded);
    void Finished(const std::string& url);
    void Started();
    void LoadTookTooLong(std::uint64_t issue);
    void ShowEmptyPage(const std::string& url);
    void CloseOnDisplay();
    void ForwardRightClick(int x, int y);
    void Clicked(std::string id);
    void Post(WPARAM news);

    mutable std::mutex m_mutex;
    // Under m_mutex.
    HWND m_owner;
    const UINT m_message;
    std::uint64_t m_requested = 0; // navigations asked for
    bool m_loading = false;
    std::string m_url;
    std::vector<std::string> m_completed;
    std::vector<std::string> m_clicks;

    // Display thread only.
    WebKitWebView* m_view = nullptr;
    std::uint64_t m_issued = 0;   // navigations handed to the view
    std::string m_issuedUrl;
    std::uint64_t m_finishedIssue = 0;
    bool m_ignoreFinish = false;  // the next finish ends a load that failed or was superseded
    std::string m_emptyPageUrl;   // the URL of the empty page shown for a failed load
    std::string m_takenUpUrl;     // the URL of the last navigation the engine took up
    bool m_closed = false;
    std::shared_ptr<WebPage> m_self; // while the view lives
    friend struct WebPageSignals;
};

} // namespace zv::browser
