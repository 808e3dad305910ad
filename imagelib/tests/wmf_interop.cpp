// Metafiles against libwmf: the same Windows metafile rendered by its wmf2gd and by us looks the
// same, within the small differences of two rasterisers.
#include "imagelib/PixImage.h"

#include "interop_tools.h"
#include "wmf_test_files.h"
#include "platform/gdi/gdi_brushes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using interop::NetpbmImage;
using interop::Quote;
using namespace wmffiles;

constexpr int kSide = 200;

// Shapes filled with solid brushes on a window of 400 x 400 units (the placeable box, at 192 units
// an inch), so the mapping halves everything. libwmf's gd renderer does not fill ellipses, so there
// are none.
Bytes ShapesMetafile()
{
    const auto brush = [](COLORREF colour) {
        return WmfRecord(0x02FC, {0, static_cast<int>(colour & 0xFFFF), static_cast<int>(colour >> 16), 0});
    };
    const std::vector<Bytes> records = {
        WmfRecord(0x020B, {0, 0}), WmfRecord(0x020C, {400, 400}),
        // No outlines: the two rasterisers' pens differ more than their fills.
        WmfRecord(0x02FA, {PS_NULL, 0, 0, 0, 0}), WmfRecord(0x012D, {0}),
        // A grey ground over the whole window (libwmf fits the drawing's own extent to the picture).
        brush(RGB(200, 200, 200)), WmfRecord(0x012D, {1}), WmfRecord(0x041B, {400, 400, 0, 0}),
        WmfRecord(0x01F0, {1}),
        brush(RGB(255, 0, 0)), WmfRecord(0x012D, {1}),
        WmfRecord(0x041B, {160, 200, 20, 20}), // rectangle: bottom, right, top, left
        brush(RGB(0, 160, 0)), WmfRecord(0x012D, {2}),
        WmfRecord(0x0324, {3, 20, 390, 200, 220, 390, 390}), // triangle
        brush(RGB(0, 0, 255)), WmfRecord(0x012D, {3}),
        // A square with a square hole.
        WmfRecord(0x0538, {2, 4, 4, 240, 20, 390, 20, 390, 160, 240, 160, 280, 60, 350, 60, 350, 120, 280, 120}),
    };
    return Placeable(Wmf(records), 400, 400, 192);
}

TEST(WmfInterop, LibwmfDrawsWhatWeDraw)
{
    ASSERT_TRUE(interop::HaveTool("wmf2gd")) << "wmf2gd is missing: scripts/install-deps.sh installs libwmf-bin";
    ASSERT_TRUE(interop::HaveTool("convert")) << "ImageMagick is missing: scripts/install-deps.sh installs it";
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("zv_wmf_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const Bytes file = ShapesMetafile();
    {
        std::ofstream out(folder / "shapes.wmf", std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    const std::string side = std::to_string(kSide);
    interop::RunIn(folder.string(), "wmf2gd --maxwidth=" + side + " --maxheight=" + side +
                                        " --maxpect -o shapes.png shapes.wmf && convert shapes.png -background white "
                                        "-alpha remove -depth 8 shapes.ppm");
    NetpbmImage theirs;
    ASSERT_TRUE(interop::ReadNetpbm((folder / "shapes.ppm").string(), theirs));

    CPixImage image;
    ASSERT_TRUE(image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), PIXIMAGE_WMF))
        << image.GetLastErrorText();
    const NetpbmImage ours = interop::FromImage(image, false);
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);

    // Each shape's inside shows its colour in both pictures (the hole shows the ground).
    struct Probe {
        int x, y;
        BYTE red, green, blue;
    };
    const Probe probes[] = {{50, 40, 255, 0, 0}, {100, 170, 0, 160, 0}, {130, 20, 0, 0, 255}, {157, 45, 200, 200, 200}};
    for (const Probe& p : probes)
        for (const NetpbmImage* picture : {&ours, static_cast<const NetpbmImage*>(&theirs)}) {
            const BYTE* pixel = picture->At(p.x, p.y);
            EXPECT_EQ(pixel[0], p.red) << p.x << "," << p.y << (picture == &ours ? " ours" : " theirs");
            EXPECT_EQ(pixel[1], p.green) << p.x << "," << p.y << (picture == &ours ? " ours" : " theirs");
            EXPECT_EQ(pixel[2], p.blue) << p.x << "," << p.y << (picture == &ours ? " ours" : " theirs");
        }
    // Edges may fall a pixel apart: allow a thin band, not a shifted or missing shape.
    int different = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(int{ours.At(x, y)[c]} - int{theirs.At(x, y)[c]}) > 64) {
                    ++different;
                    break;
                }
    EXPECT_LT(different, kSide * kSide * 3 / 100) << "pixels that differ"; // the shapes have ~1200 edge pixels
    if (!HasFailure())
        std::filesystem::remove_all(folder);
    else
        interop::WriteNetpbm((folder / "ours.ppm").string(), ours);
}

} // namespace
