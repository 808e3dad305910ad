#include "platform/browser/web_page.h"

#include "platform/browser/res_url.h"
#include "platform/user/await_serving.h"
#include "platform/user/display.h"
#include "platform/user/gtk/embedded_views.h"
#include "platform/user/messages.h"
#include "platform/win32/thread_waiter.h"

#include <webkit2/webkit2.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <utility>

namespace zv::browser {
namespace {

// What a page that cannot load shows: the empty document, complete.
constexpr const char* kEmptyPage = "<html><head></head><body></body></html>";

std::atomic<long long> g_loadBoundMs{30000};

bool IsBlank(const std::string& url)
{
    return g_ascii_strcasecmp(url.c_str(), "about:blank") == 0;
}

// Tells the program which element (the nearest with an id) a click landed on.
constexpr const char* kClickHandler = "zvclick";
constexpr const char* kClickScript =
    "document.addEventListener('click', function (event) {"
    "  var target = event.target && event.target.closest ? event.target.closest('[id]') : null;"
    "  if (target) window.webkit.messageHandlers.zvclick.postMessage(String(target.id));"
    "}, true);";

// The answer of one script, shared by the waiting thread and the display thread (which may come
// after the waiter gave up).
struct ScriptCall {
    std::mutex mutex;
    ScriptAnswer answer;
    std::atomic<bool> done{false};
    std::shared_ptr<win32::ThreadWaiter> waiter;

    void Finish(bool ok, std::string text)
    {
        {
            std::lock_guard lock(mutex);
            answer.ok = ok;
            (ok ? answer.value : answer.error) = std::move(text);
        }
        done.store(true, std::memory_order_release);
        if (waiter)
            waiter->Notify();
    }
};

// res:// pages come from the modules' HTML resources.
void ServeResPage(WebKitURISchemeRequest* request, gpointer)
{
    const std::optional<ResUrl> url = ParseResUrl(webkit_uri_scheme_request_get_uri(request));
    const ResPage page = url ? ReadResPage(*url) : ResPage{{}, "not a res:// URL"};
    if (!page.error.empty()) {
        GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, page.error.c_str());
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    GBytes* bytes = g_bytes_new(page.html.data(), page.html.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(page.html.size()), "text/html");
    g_object_unref(stream);
    g_bytes_unref(bytes);
}

// One context for every page of the process: nothing written to the user's folders, and the
// program's res:// pages.
WebKitWebContext* Context()
{
    static WebKitWebContext* const context = [] {
        WebKitWebContext* made = webkit_web_context_new_ephemeral();
        webkit_web_context_register_uri_scheme(made, "res", &ServeResPage, nullptr, nullptr);
        return made;
    }();
    return context;
}

} // namespace

struct WebPageSignals {
    static void LoadChanged(WebKitWebView* view, WebKitLoadEvent event, WebPage* page)
    {
        if (event == WEBKIT_LOAD_STARTED)
            page->Started();
        else if (event == WEBKIT_LOAD_FINISHED) {
            const char* uri = webkit_web_view_get_uri(view);
            page->Finished(uri ? uri : "");
        }
    }
    static gboolean LoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, WebPage* page)
    {
        page->LoadFailed(uri ? uri : "", g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED));
        return TRUE; // no error page of WebKit's own
    }
    static gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 WebPage* page)
    {
        if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
            WebKitNavigationAction* action =
                webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
            const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
            page->TakenUp(uri ? uri : "");
        }
        return FALSE; // the engine's own decision
    }
    static void ProcessGone(WebKitWebView* view, WebKitWebProcessTerminationReason, WebPage* page)
    {
        const char* uri = webkit_web_view_get_uri(view);
        page->LoadFailed(uri ? uri : "about:blank", false);
    }
    static void ScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, WebPage* page)
    {
        JSCValue* value = webkit_javascript_result_get_js_value(result);
        if (!value || !jsc_value_is_string(value))
            return;
        char* id = jsc_value_to_string(value);
        page->Clicked(id ? id : "");
        g_free(id);
    }
    // The right button is the program's, as on its windows: the page never sees it.
    static gboolean ButtonPress(GtkWidget*, GdkEventButton* event, WebPage* page)
    {
        if (event->button != GDK_BUTTON_SECONDARY)
            return FALSE;
        if (event->type == GDK_BUTTON_PRESS)
            page->ForwardRightClick(static_cast<int>(event->x), static_cast<int>(event->y));
        return TRUE;
    }
    // Nor does the page show a menu of its own (the keyboard's menu key).
    static gboolean ContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, WebPage*)
    {
        return TRUE;
    }
};

bool BrowserAvailable()
{
    return std::strcmp(user::Display().Name(), "gtk") == 0;
}

std::shared_ptr<WebPage> WebPage::Open(HWND owner, UINT message)
{
    if (!BrowserAvailable())
        return nullptr;
    std::shared_ptr<WebPage> page(new WebPage(owner, message));
    user::gtk::OnDisplayThread([page] { page->MakeView(); });
    return page;
}

void WebPage::SetLoadBound(std::chrono::milliseconds bound)
{
    g_loadBoundMs.store(bound.count());
}

WebPage::~WebPage() = default;

void WebPage::MakeView()
{
    if (m_closed)
        return;
    // The view's signals name this page: it lives as long as the view.
    m_self = shared_from_this();
    WebKitUserContentManager* content = webkit_user_content_manager_new();
    WebKitUserScript* clicks = webkit_user_script_new(kClickScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, clicks);
    webkit_user_script_unref(clicks);
    g_signal_connect(content, (std::string("script-message-received::") + kClickHandler).c_str(),
                     G_CALLBACK(&WebPageSignals::ScriptMessage), this);
    webkit_user_content_manager_register_script_message_handler(content, kClickHandler);
    m_view = WEBKIT_WEB_VIEW(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", Context(), "user-content-manager", content, nullptr));
    g_object_unref(content); // the view holds it
    g_object_ref_sink(m_view);
    WebKitSettings* settings = webkit_web_view_get_settings(m_view);
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    g_signal_connect(m_view, "load-changed", G_CALLBACK(&WebPageSignals::LoadChanged), this);
    g_signal_connect(m_view, "load-failed", G_CALLBACK(&WebPageSignals::LoadFailed), this);
    g_signal_connect(m_view, "decide-policy", G_CALLBACK(&WebPageSignals::DecidePolicy), this);
    g_signal_connect(m_view, "web-process-terminated", G_CALLBACK(&WebPageSignals::ProcessGone), this);
    g_signal_connect(m_view, "context-menu", G_CALLBACK(&WebPageSignals::ContextMenu), this);
    g_signal_connect(m_view, "button-press-event", G_CALLBACK(&WebPageSignals::ButtonPress), this);
}

void WebPage::Navigate(const std::string& url)
{
    std::uint64_t issue = 0;
    {
        std::lock_guard lock(m_mutex);
        issue = ++m_requested;
        m_loading = true;
    }
    user::gtk::OnDisplayThread([page = shared_from_this(), url, issue] { page->LoadOnDisplay(url, issue); });
}

void WebPage::LoadOnDisplay(const std::string& url, std::uint64_t issue)
{
    if (!m_view)
        return;
    m_issued = issue;
    m_emptyPageUrl.clear();
    m_issuedUrl = url;
    webkit_web_view_load_uri(m_view, url.c_str());
    struct Timeout {
        std::weak_ptr<WebPage> page;
        std::uint64_t issue;
    };
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, static_cast<guint>(g_loadBoundMs.load()),
        +[](gpointer data) -> gboolean {
            const auto* timeout = static_cast<Timeout*>(data);
            if (std::shared_ptr<WebPage> page = timeout->page.lock())
                page->LoadTookTooLong(timeout->issue);
            return G_SOURCE_REMOVE;
        },
        new Timeout{weak_from_this(), issue}, +[](gpointer data) { delete static_cast<Timeout*>(data); });
}

void WebPage::Started()
{
    std::lock_guard lock(m_mutex);
    m_loading = true;
}

void WebPage::TakenUp(const std::string& url)
{
    m_takenUpUrl = url;
}

void WebPage::LoadFailed(const std::string& url, bool superseded)
{
    m_ignoreFinish = true;
    // A load another one replaced ends with that one; any other ends as an empty page.
    if (!superseded && m_view)
        ShowEmptyPage(url);
}

void WebPage::LoadTookTooLong(std::uint64_t issue)
{
    if (!m_view || m_issued != issue || m_finishedIssue >= issue)
        return;
    std::fprintf(stderr, "browser: \"%s\" did not load within %lld ms\n", m_issuedUrl.c_str(), g_loadBoundMs.load());
    // The hung load is superseded by the empty page, under the URL asked for: the view's own may
    // still be the page before (after a fresh view's about:blank).
    ShowEmptyPage(m_issuedUrl);
}

void WebPage::ShowEmptyPage(const std::string& url)
{
    // The engine may not keep the URL for the empty page (one it refuses to load): the page
    // completes under the URL that failed all the same.
    m_emptyPageUrl = url;
    webkit_web_view_load_alternate_html(m_view, kEmptyPage, url.c_str(), nullptr);
}

void WebPage::Finished(const std::string& loadedUrl)
{
    if (m_ignoreFinish) {
        m_ignoreFinish = false;
        return;
    }
    if (m_finishedIssue < m_issued && m_emptyPageUrl.empty() && IsBlank(loadedUrl) && !IsBlank(m_issuedUrl)) {
        // An about:blank the engine took up before the latest navigation, and finishes first (a
        // fresh view does not give it up): the latest one is still to come and replaces it.
        if (IsBlank(m_takenUpUrl))
            return;
        // A URL the engine refuses outright (a port it blocks) ends in about:blank without a failure.
        ShowEmptyPage(m_issuedUrl);
        return;
    }
    const std::string url = m_emptyPageUrl.empty() ? loadedUrl : std::exchange(m_emptyPageUrl, {});
    m_finishedIssue = m_issued;
    {
        std::lock_guard lock(m_mutex);
        if (m_issued == m_requested)
            m_loading = false;
        m_url = url;
        m_completed.push_back(url);
    }
    Post(kCompletedNews);
}

void WebPage::Clicked(std::string id)
{
    {
        std::lock_guard lock(m_mutex);
        m_clicks.push_back(std::move(id));
    }
    Post(kClickNews);
}

void WebPage::Post(WPARAM news)
{
    HWND owner = nullptr;
    {
        std::lock_guard lock(m_mutex);
        owner = m_owner;
    }
    if (owner)
        PostMessageA(owner, m_message, news, 0);
}

void WebPage::ForwardRightClick(int x, int y)
{
    HWND owner = nullptr;
    {
        std::lock_guard lock(m_mutex);
        owner = m_owner;
    }
    if (!owner)
        return;
    const LPARAM where = MAKELPARAM(static_cast<unsigned>(x), static_cast<unsigned>(y));
    PostMessageA(owner, WM_RBUTTONDOWN, MK_RBUTTON, where);
    PostMessageA(owner, WM_RBUTTONUP, 0, where);
}

void WebPage::Place(HWND topLevel, const RECT& place, bool visible)
{
    user::gtk::OnDisplayThread([page = shared_from_this(), topLevel, place, visible] {
        if (page->m_view)
            user::gtk::EmbedView(GTK_WIDGET(page->m_view), topLevel, place, visible);
    });
}

void WebPage::Close()
{
    {
        std::lock_guard lock(m_mutex);
        m_owner = nullptr;
    }
    user::gtk::OnDisplayThread([page = shared_from_this()] { page->CloseOnDisplay(); });
}

void WebPage::CloseOnDisplay()
{
    m_closed = true;
    const std::shared_ptr<WebPage> self = std::exchange(m_self, nullptr);
    if (!m_view)
        return;
    WebKitWebView* view = std::exchange(m_view, nullptr);
    g_signal_handlers_disconnect_by_data(view, this);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view), this);
    user::gtk::UnembedView(GTK_WIDGET(view));
    gtk_widget_destroy(GTK_WIDGET(view));
    g_object_unref(view);
}

bool WebPage::Loading() const
{
    std::lock_guard lock(m_mutex);
    return m_loading;
}

std::string WebPage::CompletedUrl() const
{
    std::lock_guard lock(m_mutex);
    return m_url;
}

std::vector<std::string> WebPage::TakeCompleted()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_completed, {});
}

std::vector<std::string> WebPage::TakeClicks()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_clicks, {});
}

ScriptAnswer WebPage::Run(const std::string& script, std::chrono::milliseconds bound)
{
    auto call = std::make_shared<ScriptCall>();
    call->waiter = win32::ThreadWaiter::FromToken(win32::ThreadWaiter::Current().Token());
    user::gtk::OnDisplayThread([page = shared_from_this(), script, call] {
        if (!page->m_view) {
            call->Finish(false, "the page is closed");
            return;
        }
        webkit_web_view_evaluate_javascript(
            page->m_view, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
            +[](GObject* source, GAsyncResult* result, gpointer data) {
                std::unique_ptr<std::shared_ptr<ScriptCall>> held(static_cast<std::shared_ptr<ScriptCall>*>(data));
                GError* error = nullptr;
                JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
                if (!value) {
                    (*held)->Finish(false, error ? error->message : "the script failed");
                    if (error)
                        g_error_free(error);
                    return;
                }
                std::string text;
                if (!jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
                    char* made = jsc_value_to_string(value);
                    text = made ? made : "";
                    g_free(made);
                }
                g_object_unref(value);
                (*held)->Finish(true, std::move(text));
            },
            new std::shared_ptr<ScriptCall>(call));
    });
    if (!user::AwaitServing(call->done, win32::ThreadWaiter::Clock::now() + bound)) {
        ScriptAnswer late;
        late.timedOut = true;
        late.error = "the page did not answer within " + std::to_string(bound.count()) + " ms";
        return late;
    }
    std::lock_guard lock(call->mutex);
    return call->answer;
}

} // namespace zv::browser
