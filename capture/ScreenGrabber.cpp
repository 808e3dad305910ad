#include "capture/ScreenGrabber.h"

#include "app/ProgramMessages.h"
#include "platform/gdi/gdi.h"
#include "platform/user/await_serving.h"
#include "platform/user/messages.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {

constexpr auto kGrabPeriod = std::chrono::milliseconds(40);

enum ScreenFrameNotice : WPARAM { FrameStarted = 0, FrameEnded = 1, FrameReady = 2 };

// Runs are numbered across every grabber of the process, so no message of one run can pass for
// another's.
std::atomic<LPARAM> g_lastRun{0};

// One start of the grabber: what its thread and the window share. The thread and the grabber
// each hold it, so a thread that outlives its stop still writes only into its own buffer.
struct Run {
    LPARAM id = 0;
    HWND window = nullptr;

    // Guards everything below; the window holds it while it uses the frame, and may ask the
    // grabber about its run meanwhile.
    std::recursive_mutex mutex;
    std::condition_variable_any wake;
    bool stopped = false;
    std::vector<BYTE> bits;
    FrameSize size{};
    bool hasFrame = false;
    // A frame was announced and the window has not taken it yet: no new grab, so a slow window
    // is never buried under frames it cannot show.
    bool announced = false;

    // Set by the thread as it leaves; the waiter of the thread that stops the run hears of it.
    std::atomic<bool> finished{false};
    zv::win32::ThreadWaiter* stopper = nullptr;

    bool Live() const { return !stopped; }
};

BITMAPINFO DescribeFrame(const FrameSize& size, std::size_t byteCount)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = size.height; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(byteCount);
    return info;
}

// Allocates the run's buffer for one screen size; false when the screen has no size or the memory
// is not there.
bool AllocateFrame(Run& run)
{
    const FrameSize size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const std::uint64_t bytes = FrameBytes(size);
    if (bytes == 0 || bytes > 0xFFFFFFFFu)
        return false;
    std::lock_guard lock(run.mutex);
    try {
        run.bits.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    run.size = size;
    return true;
}

// One pass of the loop: grabs unless the window holds the frame. True when a new frame is there.
bool GrabOnce(Run& run, BITMAPINFO& info)
{
    std::unique_lock lock(run.mutex, std::try_to_lock);
    if (!lock.owns_lock() || run.stopped || run.announced)
        return false; // the window is busy with the frame (or the run is over): skip this one
    HBITMAP bitmap = GrabDesktop(run.bits.data(), &info);
    if (bitmap == nullptr)
        return false;
    DeleteObject(bitmap);
    run.hasFrame = true;
    run.announced = true;
    return true;
}

void Finish(Run& run)
{
    std::lock_guard lock(run.mutex);
    run.finished = true;
    if (run.stopper)
        run.stopper->Notify();
}

DWORD ScreenGrabThread(LPVOID parameter)
{
    const std::shared_ptr<Run> run(std::move(*static_cast<std::shared_ptr<Run>*>(parameter)));
    delete static_cast<std::shared_ptr<Run>*>(parameter);

    if (!AllocateFrame(*run)) {
        // The window learns the run is over rather than waiting for frames that never come.
        PostMessageA(run->window, ScreenFrameMessage, FrameEnded, run->id);
        Finish(*run);
        return static_cast<DWORD>(-1);
    }
    SendMessageA(run->window, ScreenFrameMessage, FrameStarted, run->id);

    BITMAPINFO info = DescribeFrame(run->size, run->bits.size());
    while (IsWindow(run->window)) {
        if (GrabOnce(*run, info))
            PostMessageA(run->window, ScreenFrameMessage, FrameReady, run->id);
        std::unique_lock lock(run->mutex);
        if (run->wake.wait_for(lock, kGrabPeriod, [&] { return run->stopped; }))
            break;
    }
    PostMessageA(run->window, ScreenFrameMessage, FrameEnded, run->id);
    Finish(*run);
    return 0;
}

} // namespace

HBITMAP GrabDesktop(BYTE* bits, BITMAPINFO* info)
{
    if (bits == nullptr || info == nullptr || info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0)
        return nullptr;
    const int width = info->bmiHeader.biWidth;
    const int height = std::abs(info->bmiHeader.biHeight);

    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (screen == nullptr)
        return nullptr;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    bool copied = false;
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        const bool blitted = previous != nullptr && BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        if (previous != nullptr)
            SelectObject(memory, previous);
        copied = blitted && GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bits, info, DIB_RGB_COLORS) == height;
    }
    if (memory != nullptr)
        DeleteDC(memory);
    DeleteDC(screen);
    if (!copied && bitmap != nullptr) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

struct ScreenGrabber::State {
    std::mutex mutex; // guards run and thread
    std::shared_ptr<Run> run;
    HANDLE thread = nullptr;

    std::shared_ptr<Run> Current()
    {
        std::lock_guard lock(mutex);
        return run;
    }
};

ScreenGrabber::ScreenGrabber() : m_state(new State) {}

ScreenGrabber::~ScreenGrabber()
{
    Stop(5000);
    delete m_state;
}

bool ScreenGrabber::Start(HWND window)
{
    Stop(5000);
    auto run = std::make_shared<Run>();
    run->id = ++g_lastRun;
    run->window = window;
    auto* parameter = new std::shared_ptr<Run>(run);
    HANDLE thread = CreateThread(nullptr, 0, &ScreenGrabThread, parameter, 0, nullptr);
    if (thread == nullptr) {
        delete parameter;
        return false;
    }
    std::lock_guard lock(m_state->mutex);
    m_state->run = std::move(run);
    m_state->thread = thread;
    return true;
}

void ScreenGrabber::Stop(DWORD waitMs)
{
    std::shared_ptr<Run> run;
    HANDLE thread = nullptr;
    {
        std::lock_guard lock(m_state->mutex);
        run = m_state->run; // kept: its buffer lives until the next run
        thread = m_state->thread;
        m_state->thread = nullptr;
    }
    if (thread == nullptr)
        return;
    zv::win32::ThreadWaiter& waiter = zv::win32::ThreadWaiter::Current();
    {
        std::lock_guard lock(run->mutex);
        run->stopped = true;
        run->stopper = &waiter;
    }
    run->wake.notify_all();
    // The thread may be sending its start notice to this very thread: serve it while waiting.
    zv::user::AwaitServing(run->finished, zv::win32::ThreadWaiter::Clock::now() + std::chrono::milliseconds(waitMs));
    {
        std::lock_guard lock(run->mutex);
        run->stopper = nullptr;
    }
    CloseHandle(thread);
}

bool ScreenGrabber::Running() const
{
    const std::shared_ptr<Run> run = m_state->Current();
    if (!run)
        return false;
    std::lock_guard lock(run->mutex);
    return run->Live();
}

bool ScreenGrabber::IsCurrent(LPARAM runId) const
{
    const std::shared_ptr<Run> run = m_state->Current();
    if (!run || run->id != runId)
        return false;
    std::lock_guard lock(run->mutex);
    return run->Live();
}

bool ScreenGrabber::UseFrame(LPARAM runId, const std::function<void(ScreenFrame& frame)>& use)
{
    const std::shared_ptr<Run> run = m_state->Current();
    if (!run || run->id != runId)
        return false;
    std::lock_guard lock(run->mutex);
    if (!run->Live() || !run->hasFrame)
        return false;
    ScreenFrame frame{run->bits.data(), run->size, run->bits.size()};
    use(frame);
    run->announced = false;
    return true;
}
