// PNG decode and encode of a full-HD photo-like picture in memory, each timed beside the same work
// done by libpng's simplified API directly, in the same process and loop. The counter "ratio" is
// our time over the direct call's.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr DWORD kWidth = 1920;
constexpr DWORD kHeight = 1080;
using Clock = std::chrono::steady_clock;

// Smooth shading with some texture and sensor noise: compresses about as a photograph does.
void FillPhoto(CPixImage& image)
{
    std::mt19937 generator(7);
    std::normal_distribution<double> noise(0.0, 3.0);
    for (DWORD row = 0; row < kHeight; ++row) {
        BYTE* pixels = image.GetRowPointer(row);
        for (DWORD x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const double shade = 120 + 70 * std::sin(x * 0.004 + c) * std::cos(row * 0.006 - c) +
                    25 * std::sin((x + 2.0 * row) * 0.05) + noise(generator);
                pixels[3 * x + c] = static_cast<BYTE>(std::clamp(shade, 0.0, 255.0));
            }
    }
}

png_image DirectImage()
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_BGR;
    return image;
}

// Shows each side's mean time and the ratio beside the loop's total.
void Report(benchmark::State& state, Clock::duration ours, Clock::duration direct)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = std::chrono::duration<double, std::milli>(ours).count() / n;
    state.counters["direct_ms"] = std::chrono::duration<double, std::milli>(direct).count() / n;
    state.counters["ratio"] =
        std::chrono::duration<double>(ours).count() / std::chrono::duration<double>(direct).count();
}

void BM_PngEncodeToMemory(benchmark::State& state)
{
    CPixImage picture(kWidth, kHeight, 24, PIXIMAGE_PNG);
    FillPhoto(picture);
    // The DIB's rows are bottom-up: a negative stride says so to the simplified API.
    const png_int_32 rowStride = -static_cast<png_int_32>(picture.GetStride());
    Clock::duration ours{};
    Clock::duration direct{};
    for (auto _ : state) {
        const auto start = Clock::now();
        BYTE* block = nullptr;
        LONG length = 0;
        if (!picture.EncodeToMemory(block, length, PIXIMAGE_PNG)) {
            state.SkipWithError(picture.GetLastErrorText());
            break;
        }
        const auto middle = Clock::now();
        png_image image = DirectImage();
        png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
        std::unique_ptr<BYTE[]> out(new BYTE[size]);
        if (!png_image_write_to_memory(&image, out.get(), &size, 0, picture.GetRowPointer(0), rowStride, nullptr)) {
            state.SkipWithError(image.message);
            break;
        }
        const auto end = Clock::now();
        ours += middle - start;
        direct += end - middle;
        benchmark::DoNotOptimize(out.get());
        std::free(block);
    }
    Report(state, ours, direct);
}
BENCHMARK(BM_PngEncodeToMemory)->Unit(benchmark::kMillisecond);

void BM_PngDecodeFromMemory(benchmark::State& state)
{
    CPixImage picture(kWidth, kHeight, 24, PIXIMAGE_PNG);
    FillPhoto(picture);
    BYTE* block = nullptr;
    LONG length = 0;
    if (!picture.EncodeToMemory(block, length, PIXIMAGE_PNG)) {
        state.SkipWithError(picture.GetLastErrorText());
        return;
    }
    const png_int_32 rowStride = -static_cast<png_int_32>(picture.GetStride());
    Clock::duration ours{};
    Clock::duration direct{};
    for (auto _ : state) {
        const auto start = Clock::now();
        CPixImage image;
        if (!image.DecodeFromMemory(block, length, PIXIMAGE_PNG)) {
            state.SkipWithError(image.GetLastErrorText());
            break;
        }
        const auto middle = Clock::now();
        png_image directImage = DirectImage();
        if (!png_image_begin_read_from_memory(&directImage, block, static_cast<size_t>(length))) {
            state.SkipWithError(directImage.message);
            break;
        }
        directImage.format = PNG_FORMAT_BGR;
        std::unique_ptr<BYTE[]> pixels(new BYTE[picture.GetSize()]);
        if (!png_image_finish_read(&directImage, nullptr, pixels.get(), rowStride, nullptr)) {
            state.SkipWithError(directImage.message);
            break;
        }
        const auto end = Clock::now();
        ours += middle - start;
        direct += end - middle;
        benchmark::DoNotOptimize(image.GetDib());
        benchmark::DoNotOptimize(pixels.get());
    }
    Report(state, ours, direct);
    state.counters["file_kb"] = length / 1024.0;
    std::free(block);
}
BENCHMARK(BM_PngDecodeFromMemory)->Unit(benchmark::kMillisecond);

} // namespace
