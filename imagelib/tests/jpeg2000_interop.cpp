// The JPEG-2000 family against OpenJPEG's tools (JP2 and code streams) and Netpbm (PNM, Sun
// raster): their files read correctly, ours read back by them.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include "image_test_files.h"
#include "interop_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using interop::NetpbmImage;

double Psnr(const NetpbmImage& a, const NetpbmImage& b)
{
    if (a.samples.size() != b.samples.size() || a.width != b.width)
        return 0;
    double squares = 0;
    for (std::size_t i = 0; i < a.samples.size(); ++i)
        squares += std::pow(static_cast<double>(a.samples[i]) - b.samples[i], 2);
    return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * a.samples.size() / squares);
}

class Jpeg2000InteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        interop::ExpectTools({"opj_compress", "opj_decompress", "pnmtorast", "rasttopnm", "pnmtoplainpnm", "pamdepth"});
        ASSERT_FALSE(HasFailure());
    }

    void Run(const std::string& command) { interop::RunIn(m_dir.Path().string(), command); }

    NetpbmImage Load(const std::string& name)
    {
        CPixImage image;
        EXPECT_TRUE(image.Load(m_dir.File(name).c_str(), PIXIMAGE_UNKNOWN)) << image.GetLastErrorText();
        return interop::FromImage(image, false);
    }

    testfiles::TempDir m_dir;
};

TEST_F(Jpeg2000InteropTest, ReadsFilesOfOpenJpegAndNetpbm)
{
    struct Case {
        const char* command; // from in.ppm to the named file
        const char* file;
        bool grey;
        double minimumPsnr; // 99: exact
    };
    const Case cases[] = {
        {"opj_compress -n 3 -i in.ppm -o out.jp2", "out.jp2", false, 99},
        {"opj_compress -n 3 -i in.ppm -o out.j2k", "out.j2k", false, 99},
        {"ppmtopgm in.ppm > in.pgm && opj_compress -n 3 -i in.pgm -o out.jp2", "out.jp2", true, 99},
        {"pamdepth 65535 in.ppm > deep.ppm && opj_compress -n 3 -i deep.ppm -o out.jp2", "out.jp2", false, 99},
        // Lossy files: what OpenJPEG's own decoder makes of them is the reference.
        {"opj_compress -n 3 -r 8 -i in.ppm -o out.jp2 && opj_decompress -i out.jp2 -o in.ppm", "out.jp2", false, 99},
        {"opj_compress -n 3 -I -q 38 -i in.ppm -o out.j2k && opj_decompress -i out.j2k -o in.ppm", "out.j2k", false,
            99},
        {"pnmtorast -standard in.ppm > out.ras", "out.ras", false, 99},
        {"pnmtorast -rle in.ppm > out.ras", "out.ras", false, 99},
        {"ppmtopgm in.ppm | pnmtorast -rle > out.ras", "out.ras", true, 99},
        {"pnmquant 16 in.ppm > q.ppm && pnmtorast -standard q.ppm > out.ras && rasttopnm out.ras > in.ppm", "out.ras",
            false, 99},
        {"pnmtoplainpnm in.ppm > out.pnm", "out.pnm", false, 99},
        {"pamdepth 65535 in.ppm > out.pnm", "out.pnm", false, 99},
        {"ppmtopgm in.ppm | pamdepth 1023 > out.pnm && pamdepth 255 out.pnm > in.ppm", "out.pnm", true, 99},
    };
    for (const Case& c : cases)
        for (int width : {9, 40}) {
            SCOPED_TRACE(std::string(c.command) + ", width " + std::to_string(width));
            interop::WriteNetpbm(
                m_dir.File("in.ppm"), interop::NoisyGradient(width, 33, c.grey, static_cast<unsigned>(width)));
            Run(c.command);
            // Commands that reduce the picture leave the reduced one in in.ppm.
            Run("pnmtopnm in.ppm | ppmtoppm > ref.ppm");
            NetpbmImage expected;
            ASSERT_TRUE(interop::ReadNetpbm(m_dir.File("ref.ppm"), expected));
            EXPECT_GE(Psnr(expected, Load(c.file)), c.minimumPsnr);
        }
}

TEST_F(Jpeg2000InteropTest, OpenJpegAndNetpbmReadOurFiles)
{
    struct Case {
        LONG type;
        const char* command; // from ours to out.pnm
        BYTE quality;
        double minimumPsnr;
    };
    const Case cases[] = {
        {PIXIMAGE_JP2, "opj_decompress -i ours.jp2 -o out.pnm", 100, 99},
        {PIXIMAGE_JPC, "opj_decompress -i ours.j2k -o out.pnm", 100, 99},
        {PIXIMAGE_JP2, "opj_decompress -i ours.jp2 -o out.pnm", 75, 30},
        {PIXIMAGE_JPC, "opj_decompress -i ours.j2k -o out.pnm", 40, 25},
        {PIXIMAGE_PNM, "cp ours.pnm out.pnm", 75, 99},
        {PIXIMAGE_RAS, "rasttopnm ours.ras > out.pnm", 75, 99},
    };
    const char* extensions[] = {"", "", "", "", "", "", "", "", "", "", "", "jp2", "j2k", "pgx", "pnm", "ras"};
    for (const Case& c : cases)
        for (bool grey : {false, true}) {
            SCOPED_TRACE(
                std::string(c.command) + (grey ? ", grey" : ", colour") + ", quality " + std::to_string(c.quality));
            const NetpbmImage picture = interop::NoisyGradient(37, 21, grey, 3);
            interop::WriteNetpbm(m_dir.File("in.ppm"), picture);
            CPixImage image;
            ASSERT_TRUE(image.Load(m_dir.File("in.ppm").c_str(), PIXIMAGE_PNM));
            if (grey) {
                ASSERT_TRUE(image.DecreaseBpp(8, false));
                image.SetGrayRamp();
                for (LONG y = 0; y < 21; ++y)
                    for (LONG x = 0; x < 37; ++x)
                        image.SetIndexAt(x, y, picture.At(x, 20 - y)[0]);
            }
            image.SetJpegQuality(c.quality);
            const std::string ours = std::string("ours.") + extensions[c.type];
            ASSERT_TRUE(image.Save(m_dir.File(ours).c_str(), c.type)) << image.GetLastErrorText();
            Run(c.command);
            Run("ppmtoppm < out.pnm > theirs.ppm");
            NetpbmImage theirs;
            ASSERT_TRUE(interop::ReadNetpbm(m_dir.File("theirs.ppm"), theirs));
            EXPECT_GE(Psnr(picture, theirs), c.minimumPsnr);
        }
}

} // namespace
