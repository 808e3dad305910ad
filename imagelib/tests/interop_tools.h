// Helpers for the tests against independent tools: running them, and the Netpbm files the tests
// write as input and read back as output.
#pragma once

#include "imagelib/PixImage.h"

#include "image_test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace interop {

using testfiles::Bytes;

inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Whether a program of that name is on the PATH; scripts/install-deps.sh installs the ones used.
inline bool HaveTool(const std::string& name)
{
    return std::system(("command -v " + Quote(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command line; true when it exits with 0. Standard error goes to `log`.
inline bool Run(const std::string& command, const std::string& log)
{
    return std::system((command + " 2>" + Quote(log)).c_str()) == 0;
}

inline std::string ReadText(const std::string& name)
{
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a command line inside `folder` and expects it to succeed; its standard output is dropped,
// its standard error (in folder/log.txt) shown on failure.
inline void RunIn(const std::string& folder, const std::string& command)
{
    const std::string log = folder + "/log.txt";
    EXPECT_TRUE(Run("(cd " + Quote(folder) + " && " + command + ") >/dev/null", log)) << command << "\n" << ReadText(log);
}

inline void ExpectTools(std::initializer_list<const char*> tools)
{
    for (const char* tool : tools)
        EXPECT_TRUE(HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it";
}

// A picture as Netpbm sees it: rows from the top, `depth` samples per pixel (3 = RGB, 4 = RGBA).
struct NetpbmImage {
    int width = 0;
    int height = 0;
    int depth = 0;
    Bytes samples;

    const BYTE* At(int x, int rowFromTop) const
    {
        return samples.data() + (static_cast<std::size_t>(rowFromTop) * width + x) * depth;
    }
};

// Alpha of a pixel: from the alpha plane, else from a palette that carries alpha, else opaque.
inline BYTE AlphaAt(const CPixImage& image, LONG x, LONG y)
{
    if (image.HasAlpha())
        return image.GetAlphaAt(x, y);
    if (image.GetInfo().paletteHasAlpha && image.GetBpp() <= 8)
        return PixAlpha(image.GetPaletteEntry(image.GetIndexAt(x, y)));
    return 255;
}

// An image's colours (and alpha) as Netpbm rows.
inline NetpbmImage FromImage(const CPixImage& image, bool withAlpha)
{
    NetpbmImage out;
    out.width = image.GetWidth();
    out.height = image.GetHeight();
    out.depth = withAlpha ? 4 : 3;
    for (LONG row = image.GetHeight() - 1; row >= 0; --row)
        for (LONG x = 0; x < image.GetWidth(); ++x) {
            const PixColor c = image.GetColorAt(x, row);
            out.samples.push_back(PixRed(c));
            out.samples.push_back(PixGreen(c));
            out.samples.push_back(PixBlue(c));
            if (withAlpha)
                out.samples.push_back(AlphaAt(image, x, row));
        }
    return out;
}

// Smooth colours with some noise: lossy coders keep them well, and palette makers find more than
// 256 colours in all but tiny pictures. Grey makes red, green and blue equal.
inline NetpbmImage NoisyGradient(int width, int height, bool grey, unsigned seed)
{
    std::mt19937 generator(seed);
    NetpbmImage image{width, height, 3, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const BYTE level = static_cast<BYTE>(x * 4 + y * 3 + generator() % 8);
            for (int c = 0; c < 3; ++c)
                image.samples.push_back(grey ? level : static_cast<BYTE>(level + c * 60 + generator() % 8));
        }
    return image;
}

inline void WriteNetpbm(const std::string& name, const NetpbmImage& image)
{
    std::ofstream out(name, std::ios::binary);
    if (image.depth == 3) {
        out << "P6\n" << image.width << " " << image.height << "\n255\n";
    } else {
        out << "P7\nWIDTH " << image.width << "\nHEIGHT " << image.height << "\nDEPTH " << image.depth
            << "\nMAXVAL 255\nTUPLTYPE " << (image.depth == 4 ? "RGB_ALPHA" : "RGB") << "\nENDHDR\n";
    }
    out.write(reinterpret_cast<const char*>(image.samples.data()), static_cast<std::streamsize>(image.samples.size()));
}

// Reads the first image of a binary PPM (P6) or PAM (P7) file with a maxval of 255.
inline bool ReadNetpbm(const std::string& name, NetpbmImage& image)
{
    std::ifstream in(name, std::ios::binary);
    std::string magic;
    in >> magic;
    int maxval = 0;
    if (magic == "P6") {
        in >> image.width >> image.height >> maxval;
        image.depth = 3;
        in.get();
    } else if (magic == "P7") {
        std::string key;
        while (in >> key && key != "ENDHDR") {
            if (key == "WIDTH")
                in >> image.width;
            else if (key == "HEIGHT")
                in >> image.height;
            else if (key == "DEPTH")
                in >> image.depth;
            else if (key == "MAXVAL")
                in >> maxval;
            else
                std::getline(in, key);
        }
        in.get();
    } else {
        return false;
    }
    if (maxval != 255 || image.width <= 0 || image.height <= 0 || image.depth <= 0)
        return false;
    image.samples.resize(static_cast<std::size_t>(image.width) * image.height * image.depth);
    in.read(reinterpret_cast<char*>(image.samples.data()), static_cast<std::streamsize>(image.samples.size()));
    return in.gcount() == static_cast<std::streamsize>(image.samples.size());
}

// Same size and the same red, green and blue at every pixel; alpha too when both carry it.
inline ::testing::AssertionResult SamePixels(const NetpbmImage& expected, const NetpbmImage& actual)
{
    if (expected.width != actual.width || expected.height != actual.height)
        return ::testing::AssertionFailure() << "size " << expected.width << "x" << expected.height << " vs "
                                             << actual.width << "x" << actual.height;
    const int channels = expected.depth == 4 && actual.depth == 4 ? 4 : 3;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            for (int c = 0; c < channels; ++c)
                if (expected.At(x, y)[c] != actual.At(x, y)[c])
                    return ::testing::AssertionFailure()
                        << "pixel (" << x << ", row " << y << " from the top) channel " << c << ": "
                        << int{expected.At(x, y)[c]} << " vs " << int{actual.At(x, y)[c]};
    return ::testing::AssertionSuccess();
}

} // namespace interop
