// TIFF (LZW) and JP2 decode of a full-HD picture from memory, each timed beside the independent
// tool that reads the same file: tiffcp copying it uncompressed, opj_decompress writing a PPM. The
// tools' times include starting a process and writing their output; the counter "ratio" is our
// time over the tool's.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Gradients with a little noise: neither trivially compressible nor random.
void FillGradient(CPixImage& image)
{
    std::mt19937 generator(3);
    for (LONG row = 0; row < image.GetHeight(); ++row) {
        BYTE* pixels = image.GetRowPointer(static_cast<DWORD>(row));
        for (LONG x = 0; x < image.GetWidth(); ++x)
            for (int c = 0; c < 3; ++c)
                pixels[3 * x + c] = static_cast<BYTE>((x / 8 + row / 5 + c * 40 + generator() % 4) & 0xFF);
    }
}

void DecodeBesideTool(benchmark::State& state, LONG type, LONG codec, const char* extension, const std::string& tool)
{
    const std::filesystem::path folder
        = std::filesystem::temp_directory_path() / ("zvbench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / (std::string("in.") + extension)).string();
    CPixImage picture(1920, 1080, 24, 0);
    FillGradient(picture);
    picture.SetCodecOption(codec);
    picture.SetJpegQuality(100);
    if (!picture.Save(file.c_str(), type)) {
        state.SkipWithError(picture.GetLastErrorText());
        return;
    }
    std::ifstream in(file, std::ios::binary);
    const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string command = "cd '" + folder.string() + "' && " + tool + " >/dev/null 2>&1";

    Clock::duration ours {};
    Clock::duration theirs {};
    for (auto _ : state) {
        const auto start = Clock::now();
        CPixImage image;
        if (!image.DecodeFromMemory(bytes.data(), static_cast<LONG>(bytes.size()), type)) {
            state.SkipWithError(image.GetLastErrorText());
            break;
        }
        const auto middle = Clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + tool).c_str());
            break;
        }
        ours += middle - start;
        theirs += Clock::now() - middle;
    }
    std::filesystem::remove_all(folder);
    const double n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["ours_ms"] = std::chrono::duration<double, std::milli>(ours).count() / n;
    state.counters["tool_ms"] = std::chrono::duration<double, std::milli>(theirs).count() / n;
    state.counters["ratio"] = theirs.count()
        ? std::chrono::duration<double>(ours).count() / std::chrono::duration<double>(theirs).count()
        : 0;
}

void BM_TiffLzwDecode(benchmark::State& state)
{
    DecodeBesideTool(state, PIXIMAGE_TIF, 5, "tif", "tiffcp -c none in.tif out.tif");
}

void BM_Jp2Decode(benchmark::State& state)
{
    DecodeBesideTool(state, PIXIMAGE_JP2, 0, "jp2", "opj_decompress -i in.jp2 -o out.ppm");
}

} // namespace

BENCHMARK(BM_TiffLzwDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jp2Decode)->Unit(benchmark::kMillisecond);
