// BMP decode and encode of a full-HD picture, to and from memory.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

constexpr DWORD kWidth = 1920;
constexpr DWORD kHeight = 1080;

void FillPicture(CPixImage& image)
{
    std::mt19937 generator(1);
    for (DWORD row = 0; row < kHeight; ++row) {
        BYTE* pixels = image.GetRowPointer(row);
        for (DWORD i = 0; i < image.GetStride(); ++i)
            pixels[i] = static_cast<BYTE>(generator());
    }
    if (image.GetBpp() == 8)
        image.SetStdPalette();
}

void BM_BmpEncodeToMemory(benchmark::State& state)
{
    CPixImage image(kWidth, kHeight, static_cast<DWORD>(state.range(0)), PIXIMAGE_BMP);
    FillPicture(image);
    for (auto _ : state) {
        BYTE* block = nullptr;
        LONG length = 0;
        if (!image.EncodeToMemory(block, length, PIXIMAGE_BMP)) {
            state.SkipWithError(image.GetLastErrorText());
            break;
        }
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * image.GetSize());
}
BENCHMARK(BM_BmpEncodeToMemory)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_BmpDecodeFromMemory(benchmark::State& state)
{
    CPixImage source(kWidth, kHeight, static_cast<DWORD>(state.range(0)), PIXIMAGE_BMP);
    FillPicture(source);
    BYTE* block = nullptr;
    LONG length = 0;
    if (!source.EncodeToMemory(block, length, PIXIMAGE_BMP)) {
        state.SkipWithError(source.GetLastErrorText());
        return;
    }
    for (auto _ : state) {
        CPixImage image;
        if (!image.DecodeFromMemory(block, length, PIXIMAGE_BMP)) {
            state.SkipWithError(image.GetLastErrorText());
            break;
        }
        benchmark::DoNotOptimize(image.GetDib());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
    std::free(block);
}
BENCHMARK(BM_BmpDecodeFromMemory)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

} // namespace
