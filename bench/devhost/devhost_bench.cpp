// The virtual camera through the device host at 640x480: one writer writes 30 frames a second on the
// side channel while 1, 8 or 64 capture pins (each on a connection of its own, each running on the
// host's clock at 30 frames a second) read them. Reported per case: frames delivered per second (all
// pins), CPU time of the host and of this process per delivered frame (and of the host alone), and
// the time from the writer's write to a pin's completed read of that frame (median and 99th
// percentile), and frames the driver dropped for want of a queued read. Only the steady state
// counts: the pins run and frames flow for a warm-up second before the measured window opens, so
// that starting the pins, first page faults of the buffers and the first frames stay outside it.
// The plain copy of one frame's bytes is the reference, hot and after a frame's time of idleness.
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_connection.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace zv::devhost;
using Clock = std::chrono::steady_clock;

constexpr LONG kWidth = 640;
constexpr LONG kHeight = 480;
constexpr ULONG kFrameBytes = kWidth * 3 * kHeight;
constexpr UCHAR kFormatIndex = 6;  // 640x480
constexpr int kReadsInFlight = 2;
constexpr auto kWarmUp = std::chrono::seconds(1);
constexpr auto kRunTime = std::chrono::seconds(3);
constexpr std::size_t kSequenceOffset = 8;  // past the block header

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

KS_DATAFORMAT_VIDEOINFOHEADER PinFormat()
{
    KS_DATAFORMAT_VIDEOINFOHEADER format{};
    format.DataFormat = {sizeof format, 0, kFrameBytes, 0, KSDATAFORMAT_TYPE_VIDEO, MEDIASUBTYPE_RGB24,
                         KSDATAFORMAT_SPECIFIER_VIDEOINFO};
    format.VideoInfoHeader.AvgTimePerFrame = 333333;
    format.VideoInfoHeader.bmiHeader = {sizeof(KS_BITMAPINFOHEADER), kWidth, kHeight, 1, 24, KS_BI_RGB, kFrameBytes, 0, 0, 0, 0};
    return format;
}

// CPU time of a process in nanoseconds (user and system), to the nanosecond: /proc's figures
// count whole clock ticks, too coarse for a host that works a few milliseconds a second.
std::int64_t ProcessCpuNs(int pid)
{
    clockid_t clock;
    timespec used{};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &used) != 0) return 0;
    return used.tv_sec * 1'000'000'000LL + used.tv_nsec;
}

// Context switches of a process so far (every thread's, voluntary and not): each one is a wake-up
// that costs far more than the instructions it runs on a virtual machine.
std::int64_t ContextSwitches(int pid)
{
    std::int64_t total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    return total;
}

std::int64_t SelfCpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ns = [](const timeval& t) { return t.tv_sec * 1'000'000'000LL + t.tv_usec * 1000LL; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// When each frame was handed to WriteFile, by sequence number.
struct WriteLog {
    std::vector<std::atomic<std::int64_t>> times = std::vector<std::atomic<std::int64_t>>(1 << 16);
};

// One client: a connection, a running pin, reads kept in flight.
class Client {
public:
    Client(const std::string& path, WriteLog& log) : m_log(log)
    {
        DWORD error = 0;
        m_connection = HostConnection::Open(path, &error);
        if (!m_connection) return;
        const KS_DATAFORMAT_VIDEOINFOHEADER format = PinFormat();
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        m_pin = m_connection->OpenPin(0, &format.DataFormat, &status);
        if (!m_pin) return;
        for (int i = 0; i < kReadsInFlight; ++i) {
            m_buffers.push_back(FrameBuffer::Create(kFrameBytes));
            if (!m_buffers.back() || !m_connection->Register(*m_buffers.back())) return;
        }
        m_ready = m_pin->AttachClock() == STATUS_SUCCESS && m_pin->SetState(KSSTATE_PAUSE) == STATUS_SUCCESS &&
                  m_pin->RunClock() == STATUS_SUCCESS && m_pin->SetState(KSSTATE_RUN) == STATUS_SUCCESS;
    }

    bool Ready() const { return m_ready; }

    // Reads are kept in flight by their own completions: each is submitted again from its
    // callback, on the connection's receive thread, with no hop to a thread of the client's.
    void Start()
    {
        for (int slot = 0; slot < kReadsInFlight; ++slot) Submit(slot);
    }
    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_pin->SetState(KSSTATE_STOP);
        m_pin->DetachClock();
        m_pin.reset();  // waits for the reads in flight
    }

    // Opens the measured window: what was delivered, dropped and timed so far is forgotten.
    void OpenWindow()
    {
        std::lock_guard lock(m_mutex);
        m_delivered = 0;
        m_latencies.clear();
        m_dropsAtOpen = m_drops;
        m_counting = true;
    }
    // Closes it: frames that arrive while the pins stop are not counted.
    void CloseWindow()
    {
        std::lock_guard lock(m_mutex);
        m_counting = false;
    }

    std::uint64_t Delivered() const { return m_delivered; }
    std::int64_t Dropped() const { return m_drops - m_dropsAtOpen; }
    const std::vector<std::int64_t>& Latencies() const { return m_latencies; }

private:
    void Submit(int slot)
    {
        m_pin->SubmitRead(*m_buffers[static_cast<std::size_t>(slot)], 0, kFrameBytes,
                          [this, slot](const ReadCompletion& done) { Completed(slot, done); });
    }

    void Completed(int slot, const ReadCompletion& done)
    {
        const std::int64_t now = NowNs();
        std::lock_guard lock(m_mutex);
        const bool frame = done.status == STATUS_SUCCESS && done.header.DataUsed == kFrameBytes;
        if (frame) m_drops = std::max(m_drops, done.frameInfo.DropCount);
        if (frame && m_counting) {
            ++m_delivered;
            std::uint64_t sequence = 0;
            std::memcpy(&sequence, m_buffers[static_cast<std::size_t>(slot)]->Data() + kSequenceOffset, sizeof sequence);
            if (sequence > m_lastSequence && sequence < m_log.times.size()) {
                m_lastSequence = sequence;
                m_latencies.push_back(now - m_log.times[sequence].load());
            }
        }
        if (!m_stopping && done.status == STATUS_SUCCESS) Submit(slot);
    }

    WriteLog& m_log;
    std::shared_ptr<HostConnection> m_connection;
    std::unique_ptr<CapturePinClient> m_pin;
    std::vector<std::unique_ptr<FrameBuffer>> m_buffers;
    bool m_ready = false;
    std::mutex m_mutex;
    bool m_stopping = false;
    std::uint64_t m_delivered = 0;
    std::uint64_t m_lastSequence = 0;
    std::int64_t m_drops = 0;  // the driver's count, as the latest frame carried it
    std::int64_t m_dropsAtOpen = 0;
    bool m_counting = false;
    std::vector<std::int64_t> m_latencies;
};

// A fresh emulated machine with the virtual camera recorded, for the whole program.
struct Machine {
    zv::win32::testing::TempZvRoot root;
    std::string path;
    Machine()
    {
        setenv("ZV_DEVHOST_IDLE_MS", "2000", 1);
        path = CreateVirtualCameraRecord(ZV_DRIVER_PATH).value_or("");
    }
};

Machine& TheMachine()
{
    static Machine machine;
    return machine;
}

double Percentile(std::vector<std::int64_t> values, double fraction)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return static_cast<double>(values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))]);
}

void BM_DeliverFrames(benchmark::State& state)
{
    Machine& machine = TheMachine();
    DWORD error = 0;
    auto writer = HostConnection::Open(machine.path, &error);
    if (machine.path.empty() || !writer) {
        state.SkipWithError("no device host");
        return;
    }
    WriteLog log;
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < state.range(0); ++i) {
        clients.push_back(std::make_unique<Client>(machine.path, log));
        if (!clients.back()->Ready()) {
            state.SkipWithError("a client could not start");
            return;
        }
    }
    std::vector<UCHAR> block(kFrameBytes, 0x5A);
    block[0] = kFormatIndex;
    std::fill_n(block.begin() + 1, 4, 0);  // the block lands at offset 0
    // The flags read tells the driver's side that the pins exist; the writer then writes.
    std::vector<UCHAR> flags(10);
    ULONG_PTR moved = 0;
    writer->DeviceRead(flags.data(), static_cast<ULONG>(flags.size()), &moved);

    std::uint64_t sequence = 0;
    const auto writeFor = [&](Clock::time_point start, auto length) {
        for (auto due = start; Clock::now() - start < length; due += std::chrono::microseconds(33333)) {
            std::this_thread::sleep_until(due);
            ++sequence;
            std::memcpy(block.data() + kSequenceOffset, &sequence, sizeof sequence);
            log.times[sequence].store(NowNs());
            writer->DeviceWrite(block.data(), kFrameBytes, &moved);
        }
    };

    for (auto _ : state) {
        for (auto& client : clients) client->Start();
        writeFor(Clock::now(), kWarmUp);
        for (auto& client : clients) client->OpenWindow();
        const std::int64_t hostCpu = ProcessCpuNs(writer->HostPid());
        const std::int64_t selfCpu = SelfCpuNs();
        const std::int64_t hostSwitches = ContextSwitches(writer->HostPid());
        const std::int64_t selfSwitches = ContextSwitches(::getpid());
        const auto start = Clock::now();
        writeFor(start, kRunTime);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const std::int64_t hostUsed = ProcessCpuNs(writer->HostPid()) - hostCpu;
        const std::int64_t cpu = hostUsed + SelfCpuNs() - selfCpu;
        const std::int64_t hostSwitched = ContextSwitches(writer->HostPid()) - hostSwitches;
        const std::int64_t selfSwitched = ContextSwitches(::getpid()) - selfSwitches;
        for (auto& client : clients) client->CloseWindow();
        for (auto& client : clients) client->Stop();

        std::uint64_t delivered = 0;
        std::int64_t dropped = 0;
        std::vector<std::int64_t> latencies;
        for (auto& client : clients) {
            delivered += client->Delivered();
            dropped += client->Dropped();
            latencies.insert(latencies.end(), client->Latencies().begin(), client->Latencies().end());
        }
        state.counters["fps_delivered"] = static_cast<double>(delivered) / seconds;
        state.counters["cpu_us_per_frame"] = delivered ? static_cast<double>(cpu) / 1000.0 / static_cast<double>(delivered) : 0;
        state.counters["host_cpu_us_per_frame"] =
            delivered ? static_cast<double>(hostUsed) / 1000.0 / static_cast<double>(delivered) : 0;
        state.counters["host_switches_per_frame"] =
            delivered ? static_cast<double>(hostSwitched) / static_cast<double>(delivered) : 0;
        state.counters["client_switches_per_frame"] =
            delivered ? static_cast<double>(selfSwitched) / static_cast<double>(delivered) : 0;
        state.counters["latency_p50_ms"] = Percentile(latencies, 0.5) / 1e6;
        state.counters["latency_p99_ms"] = Percentile(latencies, 0.99) / 1e6;
        state.counters["frames_dropped"] = static_cast<double>(dropped);
    }
}
BENCHMARK(BM_DeliverFrames)->Arg(1)->Arg(8)->Arg(64)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: one frame's bytes copied once, into one destination (cache-warm) or in turn into
// as many destinations as 64 pins with their reads in flight hold (the host's case: beyond the caches).
void BM_CopyFrame(benchmark::State& state)
{
    std::vector<UCHAR> from(kFrameBytes, 0x5A);
    std::vector<std::vector<UCHAR>> to(static_cast<std::size_t>(state.range(0)), std::vector<UCHAR>(kFrameBytes));
    std::size_t next = 0;
    for (auto _ : state) {
        std::memcpy(to[next].data(), from.data(), kFrameBytes);
        benchmark::DoNotOptimize(to[next].data());
        benchmark::ClobberMemory();
        next = (next + 1) % to.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFrameBytes);
}
BENCHMARK(BM_CopyFrame)->Arg(1)->Arg(64 * kReadsInFlight)->Unit(benchmark::kMicrosecond);

// The same copy as each copy of a frame meets it at 1 pin: after its thread slept for a frame's
// time, with the pages and lines of both sides no longer at hand. Only the copy is timed.
void BM_CopyFrameAfterIdle(benchmark::State& state)
{
    std::vector<UCHAR> from(kFrameBytes, 0x5A);
    std::vector<UCHAR> to(kFrameBytes, 0);
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::microseconds(33333));
        const auto start = Clock::now();
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFrameBytes);
}
BENCHMARK(BM_CopyFrameAfterIdle)->Iterations(90)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
