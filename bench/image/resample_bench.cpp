// Resample of a 1920 x 1080 picture to 640 x 480 and 160 x 120 with each filter, next to libvips
// doing the same work in the same process (one thread, no operation cache). Each libvips row carries
// the counter zv_vs_vips: our time divided by libvips's (below 1 means we are faster); the table is
// printed again at exit.
//
// Pairs: box = Resample mode 0 on 24 bpp / vips_shrink; nearest = mode 1 / vips_reduce NEAREST;
// bicubic = mode 2 (B-spline) / vips_reduce CUBIC; bilinear = mode 0 on an 8-bpp grey picture (the
// only shrinking road to it) / vips_reduce LINEAR on one band. libvips widens its reduce kernels
// by the shrink factor, so for linear and cubic it reads more source pixels than we do.
#include "imagelib/PixImage.h"

#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr LONG kSourceWidth = 1920;
constexpr LONG kSourceHeight = 1080;

enum class Filter { Box, Nearest, Bilinear, Bicubic };

const char* FilterName(Filter f)
{
    switch (f) {
    case Filter::Box: return "box";
    case Filter::Nearest: return "nearest";
    case Filter::Bilinear: return "bilinear";
    case Filter::Bicubic: return "bicubic";
    }
    return "?";
}

// A picture with smooth gradients and some fine detail, so no filter meets a uniform area.
void FillColour(CPixImage& img)
{
    img.Create(kSourceWidth, kSourceHeight, 24, 0);
    for (LONG y = 0; y < kSourceHeight; ++y) {
        BYTE* row = img.GetRowPointer(static_cast<DWORD>(y));
        for (LONG x = 0; x < kSourceWidth; ++x) {
            row[3 * x] = static_cast<BYTE>(x * 255 / kSourceWidth);
            row[3 * x + 1] = static_cast<BYTE>(y * 255 / kSourceHeight);
            row[3 * x + 2] = static_cast<BYTE>((x * 7 + y * 13) ^ (x >> 3));
        }
    }
}

void FillGrey(CPixImage& img)
{
    img.Create(kSourceWidth, kSourceHeight, 8, 0);
    img.SetGrayRamp();
    for (LONG y = 0; y < kSourceHeight; ++y) {
        BYTE* row = img.GetRowPointer(static_cast<DWORD>(y));
        for (LONG x = 0; x < kSourceWidth; ++x)
            row[x] = static_cast<BYTE>(((x + y) * 255 / (kSourceWidth + kSourceHeight)) ^ ((x * y) & 7));
    }
}

const CPixImage& SourcePicture(bool grey)
{
    static CPixImage colour;
    static CPixImage mono;
    CPixImage& img = grey ? mono : colour;
    if (!img.IsValid())
        grey ? FillGrey(img) : FillColour(img);
    return img;
}

// Per-iteration times of the last full run of each side, by case name.
struct Timings {
    std::map<std::string, double> zv;
    std::map<std::string, double> vips;

    ~Timings()
    {
        if (zv.empty() || vips.empty())
            return;
        std::printf("\nResample time ratio, ours / libvips (below 1: ours is faster)\n");
        for (const auto& [name, ours] : zv) {
            const auto it = vips.find(name);
            if (it != vips.end() && it->second > 0)
                std::printf("  %-22s %6.2f  (%.0f us vs %.0f us)\n", name.c_str(), ours / it->second, ours / 1000.0,
                            it->second / 1000.0);
        }
    }
};
Timings g_timings;

std::string CaseName(Filter f, LONG width, LONG height)
{
    return std::string(FilterName(f)) + "/" + std::to_string(width) + "x" + std::to_string(height);
}

double NanosPerIteration(std::chrono::steady_clock::time_point start, benchmark::IterationCount iterations)
{
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return iterations ? std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(iterations) : 0;
}

void ZvResample(benchmark::State& state, Filter filter, LONG width, LONG height)
{
    const CPixImage& source = SourcePicture(filter == Filter::Bilinear);
    CPixImage input(source, true, false, false);
    const LONG mode = filter == Filter::Nearest ? 1 : filter == Filter::Bicubic ? 2 : 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        CPixImage out;
        if (!input.Resample(width, height, mode, &out)) {
            state.SkipWithError("Resample failed");
            break;
        }
        benchmark::DoNotOptimize(out.GetRowPointer(0));
    }
    g_timings.zv[CaseName(filter, width, height)] = NanosPerIteration(start, state.iterations());
}

bool StartVips()
{
    static const bool started = [] {
        if (VIPS_INIT("image_bench") != 0)
            return false;
        vips_concurrency_set(1); // our resampler is single-threaded
        vips_cache_set_max(0);   // every iteration does the work again
        return true;
    }();
    return started;
}

void VipsResample(benchmark::State& state, Filter filter, LONG width, LONG height)
{
    if (!StartVips()) {
        state.SkipWithError("libvips did not start");
        return;
    }
    const bool grey = filter == Filter::Bilinear;
    const CPixImage& source = SourcePicture(grey);
    const int bands = grey ? 1 : 3;
    // Packed rows, as libvips keeps them.
    std::vector<BYTE> pixels(static_cast<std::size_t>(kSourceWidth) * kSourceHeight * bands);
    const std::size_t rowBytes = static_cast<std::size_t>(kSourceWidth) * bands;
    for (LONG y = 0; y < kSourceHeight; ++y)
        std::memcpy(&pixels[static_cast<std::size_t>(y) * rowBytes], source.GetRowPointer(static_cast<DWORD>(y)), rowBytes);
    VipsImage* in = vips_image_new_from_memory(pixels.data(), pixels.size(), kSourceWidth, kSourceHeight, bands,
                                               VIPS_FORMAT_UCHAR);
    if (!in) {
        state.SkipWithError("vips_image_new_from_memory failed");
        return;
    }
    const double hshrink = static_cast<double>(kSourceWidth) / width;
    const double vshrink = static_cast<double>(kSourceHeight) / height;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        VipsImage* out = nullptr;
        int rc = 0;
        switch (filter) {
        case Filter::Box: rc = vips_shrink(in, &out, hshrink, vshrink, nullptr); break;
        case Filter::Nearest:
            rc = vips_reduce(in, &out, hshrink, vshrink, "kernel", VIPS_KERNEL_NEAREST, nullptr);
            break;
        case Filter::Bilinear:
            rc = vips_reduce(in, &out, hshrink, vshrink, "kernel", VIPS_KERNEL_LINEAR, nullptr);
            break;
        case Filter::Bicubic:
            rc = vips_reduce(in, &out, hshrink, vshrink, "kernel", VIPS_KERNEL_CUBIC, nullptr);
            break;
        }
        std::size_t size = 0;
        void* result = rc == 0 ? vips_image_write_to_memory(out, &size) : nullptr;
        if (out)
            g_object_unref(out);
        if (!result) {
            state.SkipWithError(vips_error_buffer());
            break;
        }
        benchmark::DoNotOptimize(result);
        g_free(result);
    }
    const double nanos = NanosPerIteration(start, state.iterations());
    g_object_unref(in);
    const std::string name = CaseName(filter, width, height);
    g_timings.vips[name] = nanos;
    const auto ours = g_timings.zv.find(name);
    if (ours != g_timings.zv.end() && nanos > 0)
        state.counters["zv_vs_vips"] = ours->second / nanos;
}

// Ours first, then libvips, so each libvips row can report the ratio.
const bool g_registered = [] {
    for (Filter f : {Filter::Box, Filter::Nearest, Filter::Bilinear, Filter::Bicubic}) {
        for (auto [w, h] : {std::pair<LONG, LONG>{640, 480}, std::pair<LONG, LONG>{160, 120}}) {
            const std::string name = CaseName(f, w, h);
            benchmark::RegisterBenchmark(("Resample/zv/" + name).c_str(), ZvResample, f, w, h)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("Resample/vips/" + name).c_str(), VipsResample, f, w, h)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}();

} // namespace
