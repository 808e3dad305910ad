// GIF decode and encode of a 640 x 480 palette picture in memory, each timed beside giflib doing
// the same work in the same loop (its whole-file read, and its writer over the same indices).
// The counter "ratio" is our time over giflib's; encoding is timed for each of our three coders.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kWidth = 640;
constexpr DWORD kHeight = 480;
using Clock = std::chrono::steady_clock;

// Shaded bands of 256 colours with some texture: compresses about as a screen capture does.
void FillPicture(CPixImage& image)
{
    for (DWORD i = 0; i < 256; ++i)
        image.SetPaletteEntry(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                              static_cast<BYTE>(i * 7));
    for (DWORD row = 0; row < kHeight; ++row) {
        BYTE* pixels = image.GetRowPointer(row);
        for (DWORD x = 0; x < kWidth; ++x)
            pixels[x] = static_cast<BYTE>(128 + 100 * std::sin(x * 0.01) * std::cos(row * 0.02) + ((x ^ row) & 7));
    }
}

struct MemoryReader {
    const BYTE* data;
    std::size_t size;
    std::size_t at = 0;
};

int ReadFromMemory(GifFileType* file, GifByteType* buffer, int length)
{
    auto* reader = static_cast<MemoryReader*>(file->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(length), reader->size - reader->at);
    std::memcpy(buffer, reader->data + reader->at, n);
    reader->at += n;
    return static_cast<int>(n);
}

int WriteToMemory(GifFileType* file, const GifByteType* buffer, int length)
{
    auto* out = static_cast<std::vector<BYTE>*>(file->UserData);
    out->insert(out->end(), buffer, buffer + length);
    return length;
}

// giflib writes the picture's indices, top row first, with the picture's palette.
bool GiflibEncode(const CPixImage& picture, std::vector<BYTE>& out)
{
    int error = 0;
    GifFileType* file = EGifOpen(&out, WriteToMemory, &error);
    if (!file)
        return false;
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) {
        const PixColor c = picture.GetPaletteEntry(static_cast<BYTE>(i));
        colors[i] = GifColorType{PixRed(c), PixGreen(c), PixBlue(c)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colors);
    bool ok = EGifPutScreenDesc(file, kWidth, kHeight, 8, 0, map) == GIF_OK &&
        EGifPutImageDesc(file, 0, 0, kWidth, kHeight, false, nullptr) == GIF_OK;
    for (DWORD row = 0; ok && row < kHeight; ++row)
        ok = EGifPutLine(file, picture.GetRowPointer(kHeight - 1 - row), kWidth) == GIF_OK;
    GifFreeMapObject(map);
    return EGifCloseFile(file, &error) == GIF_OK && ok;
}

void Report(benchmark::State& state, Clock::duration ours, Clock::duration giflib, std::size_t bytes)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = std::chrono::duration<double, std::milli>(ours).count() / n;
    state.counters["giflib_ms"] = std::chrono::duration<double, std::milli>(giflib).count() / n;
    state.counters["ratio"] =
        std::chrono::duration<double>(ours).count() / std::chrono::duration<double>(giflib).count();
    state.counters["file_kb"] = static_cast<double>(bytes) / 1024.0;
}

// Argument: our coder (0 run-length, 1 plain codes, 2 LZW).
void BM_GifEncodeToMemory(benchmark::State& state)
{
    CPixImage picture(kWidth, kHeight, 8, PIXIMAGE_GIF);
    FillPicture(picture);
    picture.SetCodecOption(static_cast<LONG>(state.range(0)));
    Clock::duration ours{};
    Clock::duration giflib{};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        BYTE* block = nullptr;
        LONG length = 0;
        if (!picture.EncodeToMemory(block, length, PIXIMAGE_GIF)) {
            state.SkipWithError(picture.GetLastErrorText());
            break;
        }
        const auto middle = Clock::now();
        std::vector<BYTE> theirs;
        if (!GiflibEncode(picture, theirs)) {
            state.SkipWithError("giflib could not write");
            break;
        }
        const auto end = Clock::now();
        ours += middle - start;
        giflib += end - middle;
        bytes = static_cast<std::size_t>(length);
        benchmark::DoNotOptimize(theirs.data());
        std::free(block);
    }
    Report(state, ours, giflib, bytes);
}
BENCHMARK(BM_GifEncodeToMemory)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Both read the LZW file our encoder writes.
void BM_GifDecodeFromMemory(benchmark::State& state)
{
    CPixImage picture(kWidth, kHeight, 8, PIXIMAGE_GIF);
    FillPicture(picture);
    picture.SetCodecOption(2);
    BYTE* block = nullptr;
    LONG length = 0;
    if (!picture.EncodeToMemory(block, length, PIXIMAGE_GIF)) {
        state.SkipWithError(picture.GetLastErrorText());
        return;
    }
    Clock::duration ours{};
    Clock::duration giflib{};
    for (auto _ : state) {
        const auto start = Clock::now();
        CPixImage image;
        if (!image.DecodeFromMemory(block, length, PIXIMAGE_GIF)) {
            state.SkipWithError(image.GetLastErrorText());
            break;
        }
        const auto middle = Clock::now();
        MemoryReader reader{block, static_cast<std::size_t>(length)};
        int error = 0;
        GifFileType* file = DGifOpen(&reader, ReadFromMemory, &error);
        const bool read = file && DGifSlurp(file) == GIF_OK;
        if (file)
            DGifCloseFile(file, &error);
        const auto end = Clock::now();
        if (!read) {
            state.SkipWithError("giflib could not read");
            break;
        }
        ours += middle - start;
        giflib += end - middle;
        benchmark::DoNotOptimize(image.GetDib());
    }
    Report(state, ours, giflib, static_cast<std::size_t>(length));
    std::free(block);
}
BENCHMARK(BM_GifDecodeFromMemory)->Unit(benchmark::kMillisecond);

} // namespace
