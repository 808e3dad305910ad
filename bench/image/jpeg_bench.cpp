// JPEG decode and encode (quality 75) of a 1920 x 1080 photo-like picture through the image
// library, next to the same work done by the TurboJPEG API in the same process: both decode into a
// fresh bottom-up blue-green-red buffer and encode from one with 4:2:0 sampling. Each iteration runs
// both, alternating which goes first; the counter zv_vs_turbojpeg is our time over the direct call
// (1 means the wrapper costs nothing).
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;
constexpr int kQuality = 75;

using Clock = std::chrono::steady_clock;

// Smooth gradients plus noise, as a camera would give.
void FillPhoto(CPixImage& image)
{
    image.Create(kWidth, kHeight, 24, PIXIMAGE_BMP);
    std::mt19937 noise(7);
    for (LONG y = 0; y < kHeight; ++y) {
        BYTE* row = image.GetRowPointer(static_cast<DWORD>(y));
        for (LONG x = 0; x < kWidth; ++x) {
            const int n = static_cast<int>(noise() % 13) - 6;
            const int base[3] = {40 + 150 * x / kWidth, 30 + 180 * y / kHeight, 200 - 100 * (x + y) / (kWidth + kHeight)};
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = static_cast<BYTE>(std::clamp(base[c] + n, 0, 255));
        }
    }
}

struct TurboHandle {
    explicit TurboHandle(tjhandle h) : handle(h) {}
    ~TurboHandle() { tjDestroy(handle); }
    tjhandle handle;
};

// Runs `ours` and `direct` once per iteration and reports both times and their ratio.
template <typename Ours, typename Direct>
void RunPair(benchmark::State& state, Ours ours, Direct direct)
{
    double oursSeconds = 0;
    double directSeconds = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool runOurs = (turn == 0) == oursFirst;
            const Clock::time_point start = Clock::now();
            if (!(runOurs ? ours() : direct())) {
                state.SkipWithError(runOurs ? "image library failed" : tjGetErrorStr());
                return;
            }
            (runOurs ? oursSeconds : directSeconds) += std::chrono::duration<double>(Clock::now() - start).count();
        }
        oursFirst = !oursFirst;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = oursSeconds / n * 1e3;
    state.counters["turbojpeg_ms"] = directSeconds / n * 1e3;
    state.counters["zv_vs_turbojpeg"] = oursSeconds / directSeconds;
}

void BM_JpegDecode(benchmark::State& state)
{
    CPixImage photo;
    FillPhoto(photo);
    photo.SetJpegQuality(kQuality);
    BYTE* block = nullptr;
    LONG length = 0;
    if (!photo.EncodeToMemory(block, length, PIXIMAGE_JPG)) {
        state.SkipWithError(photo.GetLastErrorText());
        return;
    }
    const std::unique_ptr<BYTE, decltype(&std::free)> file(block, &std::free);
    TurboHandle turbo(tjInitDecompress());
    const int pitch = static_cast<int>(photo.GetStride());
    RunPair(
        state,
        [&] {
            CPixImage image;
            const bool ok = image.DecodeFromMemory(file.get(), length, PIXIMAGE_JPG);
            benchmark::DoNotOptimize(image.GetDib());
            return ok;
        },
        [&] {
            std::unique_ptr<BYTE[]> pixels(new BYTE[static_cast<std::size_t>(pitch) * kHeight]);
            const bool ok = tjDecompress2(turbo.handle, file.get(), static_cast<unsigned long>(length), pixels.get(),
                                          kWidth, pitch, kHeight, TJPF_BGR, TJFLAG_BOTTOMUP) == 0;
            benchmark::DoNotOptimize(pixels.get());
            return ok;
        });
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

void BM_JpegEncode(benchmark::State& state)
{
    CPixImage photo;
    FillPhoto(photo);
    photo.SetJpegQuality(kQuality);
    TurboHandle turbo(tjInitCompress());
    RunPair(
        state,
        [&] {
            BYTE* block = nullptr;
            LONG length = 0;
            const bool ok = photo.EncodeToMemory(block, length, PIXIMAGE_JPG);
            benchmark::DoNotOptimize(block);
            std::free(block);
            return ok;
        },
        [&] {
            unsigned char* block = nullptr;
            unsigned long length = 0;
            const bool ok = tjCompress2(turbo.handle, photo.GetRowPointer(0), kWidth, static_cast<int>(photo.GetStride()),
                                        kHeight, TJPF_BGR, &block, &length, TJSAMP_420, kQuality, TJFLAG_BOTTOMUP) == 0;
            benchmark::DoNotOptimize(block);
            tjFree(block);
            return ok;
        });
}
BENCHMARK(BM_JpegEncode)->Unit(benchmark::kMillisecond);

} // namespace
