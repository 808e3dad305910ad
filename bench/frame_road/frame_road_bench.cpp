// OnVideoFrame on a 640 x 480 frame with all ten output formats in use, with neutral and with
// non-neutral colour levels, against two plain copies: of the frame's bytes, and of every output
// format's bytes (what the callback must write at the least). After the runs the program prints
// each case's frames per second and its time as a multiple of each copy's.
#include "app/settings/ConfigStore.h"
#include "capture/FrameCallback.h"
#include "capture/OutputFormats.h"
#include "capture/VirtualCameraChannel.h"
#include "platform/win32/device_namespace.h"
#include "platform/win32/files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr const char* kDevicePath = "\\\\?\\root#image#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// A device that reports every format in use and takes every write whole, doing nothing with it:
// what is measured is the program's side of the channel.
class EveryFormatInUse final : public zv::win32::IoObject {
public:
    zv::win32::IoResult Read(void* buffer, DWORD bytes) override
    {
        std::memset(buffer, 1, bytes);
        return {bytes, ERROR_SUCCESS};
    }
    zv::win32::IoResult Write(const void*, DWORD bytes) override { return {bytes, ERROR_SUCCESS}; }
};

class EveryFormatInUseProvider final : public zv::win32::DeviceProvider {
public:
    std::shared_ptr<zv::win32::IoObject> Open(const std::string&, DWORD, DWORD&) override
    {
        return std::make_shared<EveryFormatInUse>();
    }
};

std::vector<BYTE> PatternFrame()
{
    std::vector<BYTE> frame(640 * 480 * 3);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<BYTE>(i * 7 + i / 1920);
    return frame;
}

void SetUpRoad(ConfigStore& config)
{
    static const bool ready = [] {
        zv::win32::RegisterDeviceProvider(kDevicePath, std::make_shared<EveryFormatInUseProvider>());
        g_hDriver = CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return CreateFormatImages() && g_hDriver.load() != INVALID_HANDLE_VALUE;
    }();
    if (!ready) std::fprintf(stderr, "frame road bench: no device\n");
    g_nSourceKind = 1;
    g_pConfigStore = &config;
}

void RunFrames(benchmark::State& state, ConfigStore& config)
{
    SetUpRoad(config);
    const std::vector<BYTE> source = PatternFrame();
    std::vector<BYTE> frame = source;
    for (auto _ : state) {
        FrameSize size{640, 480};
        OnVideoFrame(0.0, frame.data(), static_cast<std::int32_t>(frame.size()), &size);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
}

void BM_PlainCopy(benchmark::State& state)
{
    const std::vector<BYTE> source = PatternFrame();
    std::vector<BYTE> frame(source.size());
    for (auto _ : state) {
        std::memcpy(frame.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
}

void BM_PlainCopyOfOutputs(benchmark::State& state)
{
    const std::size_t bytes = std::accumulate(g_nFormatBytes.begin(), g_nFormatBytes.end(), std::size_t{0});
    const std::vector<BYTE> source(bytes, 0x5A);
    std::vector<BYTE> outputs(bytes);
    for (auto _ : state) {
        std::memcpy(outputs.data(), source.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void BM_OnVideoFrame_NeutralLevels(benchmark::State& state)
{
    ConfigStore config;
    RunFrames(state, config);
}

void BM_OnVideoFrame_Levels(benchmark::State& state)
{
    ConfigStore config;
    config.levels[0] = 0.6f;  // red
    config.levels[2] = 0.45f; // blue
    config.levels[13] = 0.7f; // contrast: the stage's double-precision path
    RunFrames(state, config);
}

BENCHMARK(BM_PlainCopy);
BENCHMARK(BM_PlainCopyOfOutputs);
BENCHMARK(BM_OnVideoFrame_NeutralLevels);
BENCHMARK(BM_OnVideoFrame_Levels);

// Prints frames per second and the ratios to the copies once all runs are in; with repetitions, of
// the medians.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // A median, when there is one, arrives after the runs it sums up and replaces them.
            const bool counted = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (counted && run.iterations > 0)
                m_seconds[run.run_name.function_name] = run.real_accumulated_time / static_cast<double>(run.iterations);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto copy = m_seconds.find("BM_PlainCopy");
        const auto outputsCopy = m_seconds.find("BM_PlainCopyOfOutputs");
        for (const auto& [name, seconds] : m_seconds) {
            std::printf("%-32s %10.1f frames/s %9.1f us", name.c_str(), 1.0 / seconds, seconds * 1e6);
            if (copy != m_seconds.end()) std::printf("  %8.1f x the copy", seconds / copy->second);
            if (outputsCopy != m_seconds.end()) std::printf("  %6.2f x the outputs' copy", seconds / outputsCopy->second);
            std::printf("\n");
        }
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
