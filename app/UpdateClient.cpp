#include "app/UpdateClient.h"

#include "app/Download.h"
#include "app/MsgBox.h"
#include "app/ServerUrl.h"
#include "app/VersionInfo.h"
#include "platform/afx/afx_app.h"
#include "platform/afx/afx_exception.h"
#include "platform/inet/wininet.h"
#include "platform/user/await_serving.h"
#include "platform/user/dialog_codes.h"
#include "platform/user/messages.h"
#include "platform/user/window.h"
#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/processes.h"
#include "platform/win32/runnable_program.h"
#include "platform/win32/thread_waiter.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <strings.h>
#include <thread>

namespace {

constexpr const char* kAgent = "Zelvante";
constexpr std::size_t kMaxUrlLength = 2048;
constexpr WPARAM kBoxCancelButton = 2; // CMsgBox's button message for its Cancel button

// One run of the update thread, shared with StopUpdateThread.
struct UpdateRun {
    UpdateRun(HWND target, UINT notice) : window(target), message(notice) {}
    const HWND window;
    const UINT message;
    std::atomic<bool> stopping{false};
    std::atomic<bool> finished{false};
    std::mutex mutex; // guards the three below
    HINTERNET internet = nullptr;                 // the open session, closed by a stop
    HWND box = nullptr;                           // the prompt on the screen
    zv::win32::ThreadWaiter* stopper = nullptr;   // woken when the run finishes
};

struct UpdateState {
    std::mutex mutex;
    std::shared_ptr<UpdateRun> run;
    std::thread thread;
};

// Never destroyed: a thread still running when the process ends must not take it along.
UpdateState& State()
{
    static auto* state = new UpdateState;
    return *state;
}

// The run of the calling update thread; null on any other thread.
thread_local UpdateRun* t_run = nullptr;

std::string LoadText(UINT id)
{
    std::string text;
    AfxLoadString(id, text);
    return text;
}

// An internet session for the update requests; on the update thread a stop closes it, which ends
// the request under way.
HINTERNET OpenUpdateSession()
{
    HINTERNET internet = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!internet || !t_run)
        return internet;
    std::lock_guard lock(t_run->mutex);
    if (t_run->stopping) {
        CloseInternetHandle(internet);
        return nullptr;
    }
    t_run->internet = internet;
    return internet;
}

void CloseUpdateSession(HINTERNET& internet)
{
    if (t_run) {
        std::lock_guard lock(t_run->mutex);
        if (t_run->internet != internet) {
            internet = nullptr; // a stop closed it already
            return;
        }
        t_run->internet = nullptr;
    }
    CloseInternetHandle(internet);
}

// The update thread's prompts: one box shown again for each question. A stop cancels the box on
// the screen, and any box that would open after it.
class UpdatePrompt : public CMsgBox {
public:
    explicit UpdatePrompt(UpdateRun& run) : CMsgBox(nullptr), m_run(run) {}

    // IDOK, IDCANCEL, or IDOK after `countdown` seconds when it is not 0.
    INT_PTR Ask(const std::string& text, int countdown)
    {
        if (m_run.stopping)
            return IDCANCEL;
        SetMessage(text.c_str());
        m_nCountdown = countdown;
        m_nAutoResult = countdown != 0 ? IDOK : 0;
        const INT_PTR result = DoModal();
        std::lock_guard lock(m_run.mutex);
        m_run.box = nullptr;
        return m_run.stopping ? IDCANCEL : result;
    }

    BOOL OnInitDialog() override
    {
        const BOOL result = CMsgBox::OnInitDialog();
        std::lock_guard lock(m_run.mutex);
        if (m_run.stopping)
            EndDialog(IDCANCEL);
        else
            m_run.box = m_hWnd;
        return result;
    }

private:
    UpdateRun& m_run;
};

void Report(UpdateRun& run, WPARAM code, LPARAM lParam = 0)
{
    NotifyUpdateProgress(run.window, run.message, code, lParam);
}

std::string UpdateAvailableText(const VersionInfo& info)
{
    const std::string format = LoadText(kUpdateAvailableString);
    const std::string current = FormatVersion(info.ProgramVersion());
    const std::string latest = FormatVersion(info.LatestVersion());
    std::string text(format.size() + current.size() + latest.size() + 1, '\0');
    const int length = std::snprintf(text.data(), text.size(), format.c_str(), current.c_str(), latest.c_str());
    text.resize(length > 0 ? std::min(static_cast<std::size_t>(length), text.size() - 1) : 0);
    return text;
}

// The prompts, the download and the start of the installer, once a newer version is known.
void OfferUpdate(UpdateRun& run, const VersionInfo& info)
{
    UpdatePrompt prompt(run);
    if (prompt.Ask(UpdateAvailableText(info), 0) != IDOK)
        return;
    if (prompt.Ask(LoadText(kUpdateInBackgroundString), kUpdatePromptSeconds) != IDOK)
        return;
    Report(run, kUpdateDownloading);
    std::string path;
    if (DownloadUpdate(path) && !zv::win32::IsRunnableProgram(path)) {
        // Not a program this machine runs (a Windows installer): nothing to install.
        DeleteFileA(path.c_str());
        path.clear();
    }
    Report(run, kUpdateDownloaded, reinterpret_cast<LPARAM>(path.c_str()));
    if (path.empty()) {
        prompt.Ask(LoadText(kUpdateFailedString), 0);
        return;
    }
    if (prompt.Ask(LoadText(kUpdateReadyString), kUpdatePromptSeconds) != IDOK)
        return;
    Report(run, kUpdateLaunching);
    if (LaunchUpdater(path.c_str()))
        Report(run, kUpdateLaunched);
    else
        prompt.Ask(LoadText(kUpdateFailedString), 0);
    Report(run, kUpdateLaunchEnded);
}

void Finish(UpdateRun& run)
{
    std::lock_guard lock(run.mutex);
    run.finished = true;
    if (run.stopper)
        run.stopper->Notify();
}

void UpdateThread(const std::shared_ptr<UpdateRun>& record)
{
    UpdateRun& run = *record;
    t_run = &run;
    try {
        if (VersionInfo* info = VersionInfo::Existing()) {
            Report(run, kUpdateChecking);
            QueryUpdateServer();
            Report(run, kUpdateChecked);
            if (!run.stopping && info->ProgramVersion() < info->LatestVersion())
                OfferUpdate(run, *info);
        }
    } catch (CException* error) {
        // A box or a string that could not be had: the check ends as if no server answered.
        error->Delete();
    } catch (const std::exception&) {
    }
    t_run = nullptr;
    Finish(run);
}

} // namespace

std::string UpdateUrl(UINT id)
{
    std::string url;
    if (!LoadServerUrl(id, url))
        return {};
    return url;
}

bool QueryUpdateServer()
{
    VersionInfo* info = nullptr;
    try {
        info = &VersionInfo::GetInstance();
    } catch (CException* error) {
        error->Delete();
        return false;
    }
    HINTERNET internet = OpenUpdateSession();
    if (!internet)
        return false;
    char query[260];
    const int length = std::snprintf(query, sizeof query, "?pv=0x%08X&dv=0x%08X",
                                     static_cast<unsigned>(info->ProgramVersion()),
                                     static_cast<unsigned>(info->DriverVersion()));
    bool parsed = false;
    for (UINT id = kFirstUpdateQueryString; length > 0 && static_cast<std::size_t>(length) < sizeof query; ++id) {
        std::string url = UpdateUrl(id);
        if (url.empty())
            break;
        url += query;
        if (url.size() > kMaxUrlLength)
            break;
        // The first server that answers with a body decides, whether or not its reply parses.
        if (const std::optional<std::string> body = DownloadToMemory(url.c_str(), internet)) {
            parsed = info->ParseUpdateReply(body->c_str());
            break;
        }
        if (t_run && t_run->stopping)
            break;
    }
    CloseUpdateSession(internet);
    return parsed;
}

bool DownloadUpdate(std::string& path)
{
    path.clear();
    try {
        const std::string url = UpdateUrl(kUpdateInstallerUrlString);
        if (url.empty())
            return false;
        HINTERNET internet = OpenUpdateSession();
        if (!internet)
            return false;
        const std::optional<std::string> file = DownloadToFile(internet, url.c_str());
        CloseUpdateSession(internet);
        if (!file)
            return false;
        path = *file;
        return true;
    } catch (CException* error) {
        error->Delete();
    } catch (const std::exception&) {
    }
    return false;
}

bool LaunchUpdater(const char* path)
{
    if (!path || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    const std::string original = path;
    if (!zv::win32::IsRunnableProgram(original))
        return false;
    const std::size_t slash = original.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : original.substr(0, slash == 0 ? 1 : slash);
    const std::size_t dot = original.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string program = original;
    if (!hasExtension || strcasecmp(original.c_str() + dot, ".exe") != 0) {
        program = original.substr(0, hasExtension ? dot : original.size()) + ".exe";
        if (!MoveFileA(original.c_str(), program.c_str()))
            return false;
    }
    if (!zv::win32::MakeProgramRunnable(program))
        return false;
    // Quoted: the temporary folder's path may hold spaces. The installer starts at once; the
    // system does not let this program raise its own priority to hand the machine over to it.
    std::string commandLine = "\"" + program + "\" /s";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void NotifyUpdateProgress(HWND window, UINT message, WPARAM code, LPARAM lParam)
{
    if (window && IsWindow(window))
        SendMessageA(window, message, code, lParam);
}

void StartUpdateThread(HWND window, UINT message)
{
    NotifyUpdateProgress(window, message, kUpdateStarted, 0);
    UpdateState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.run && !state.run->finished)
        return;
    if (state.thread.joinable())
        state.thread.join(); // the last run has finished
    auto run = std::make_shared<UpdateRun>(window, message);
    try {
        state.thread = std::thread(UpdateThread, run);
    } catch (const std::system_error&) {
        state.run.reset();
        return;
    }
    state.run = std::move(run);
}

void StopUpdateThread()
{
    UpdateState& state = State();
    std::shared_ptr<UpdateRun> run;
    std::thread thread;
    {
        std::lock_guard lock(state.mutex);
        // The update thread itself never waits for its own end.
        if (state.thread.get_id() == std::this_thread::get_id())
            return;
        run = std::move(state.run);
        thread = std::move(state.thread);
    }
    if (run) {
        {
            std::lock_guard lock(run->mutex);
            run->stopping = true;
            run->stopper = &zv::win32::ThreadWaiter::Current();
            CloseInternetHandle(run->internet);
            if (run->box)
                PostMessageA(run->box, CMsgBox::ButtonClickMessage(), kBoxCancelButton, 0);
        }
        // The thread may be sending a progress report to this very thread: serve it meanwhile.
        zv::user::AwaitServing(run->finished, std::nullopt);
        std::lock_guard lock(run->mutex);
        run->stopper = nullptr;
    }
    if (thread.joinable())
        thread.join();
}

bool IsUpdateThreadRunning()
{
    UpdateState& state = State();
    std::lock_guard lock(state.mutex);
    return state.run && !state.run->finished;
}
