// The JPEG-2000 family format and its codec library: round trips of each type, component sets,
// conversion to sRGB, hand-made PNM and Sun raster layouts, truncated files.
#include "imagelib/PixImageJAS.h"
#include "imagelib/PixMemStream.h"
#include "imagelib/jas/Jas.h"

#include "image_test_files.h"
#include "pix_test_patterns.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using testfiles::Bytes;

bool Decode(const Bytes& file, CPixImage& image, LONG type)
{
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), type);
}

Bytes Encode(CPixImage& image, LONG type)
{
    BYTE* block = nullptr;
    LONG length = 0;
    if (!image.EncodeToMemory(block, length, type))
        return {};
    Bytes out(block, block + length);
    std::free(block);
    return out;
}

// Encodes a picture of the library's own through a memory stream.
Bytes EncodeJas(const jas::Image& image, const char* format, const char* options = "")
{
    CPixMemStream stream;
    jas::Stream* out = jas::StreamFdOpen(-1, "w");
    CPixImageJAS::AttachStream(&stream, out);
    EXPECT_EQ(jas::ImageEncode(&image, out, jas::ImageStrToFmt(format), options), 0);
    jas::StreamClose(out);
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

std::unique_ptr<jas::Image, void (*)(jas::Image*)> MakeImage(
    int count, int width, int height, int prec, jas::ColourSpace space)
{
    std::vector<jas::ComponentParams> params(static_cast<std::size_t>(count));
    for (jas::ComponentParams& p : params) {
        p.width = width;
        p.height = height;
        p.prec = prec;
    }
    return {jas::ImageCreate(count, params.data(), space), jas::ImageDestroy};
}

void FillGrey(CPixImage& image, LONG width, LONG height)
{
    pix_test::FillPattern(image, width, height, 8);
    image.SetGrayRamp();
}

TEST(JasTest, EachTypeKeepsColourAndGreyPicturesLosslessAtFullQuality)
{
    for (LONG type : {PIXIMAGE_JP2, PIXIMAGE_JPC, PIXIMAGE_PGX, PIXIMAGE_PNM, PIXIMAGE_RAS})
        for (bool grey : {false, true})
            for (LONG width : {1, 6, 37}) {
                SCOPED_TRACE(
                    "type " + std::to_string(type) + (grey ? " grey" : " colour") + ", width " + std::to_string(width));
                CPixImage image;
                if (grey)
                    FillGrey(image, width, 9);
                else
                    pix_test::FillPattern(image, width, 9, 24);
                image.SetJpegQuality(100);
                const Bytes file = Encode(image, type);
                if (type == PIXIMAGE_PGX && !grey) {
                    EXPECT_TRUE(file.empty());
                    EXPECT_STREQ(image.GetLastErrorText(), "PGX can save only GrayScale images");
                    continue;
                }
                ASSERT_FALSE(file.empty()) << image.GetLastErrorText();
                // The data decides the format, whatever type is asked for.
                for (LONG asked : {type, PIXIMAGE_JP2 + (type - PIXIMAGE_JP2 + 1) % 5}) {
                    CPixImage back;
                    ASSERT_TRUE(Decode(file, back, asked)) << back.GetLastErrorText();
                    EXPECT_EQ(back.GetBpp(), grey ? 8 : 24);
                    EXPECT_TRUE(testfiles::SameColors(image, back));
                }
            }
}

TEST(JasTest, QualityIsTheCodedShareOfTheRawSize)
{
    CPixImage image;
    image.Create(64, 64, 24, 0);
    testfiles::FillRandom(image, 5);
    const std::size_t raw = 64 * 64 * 3;
    for (BYTE quality : {BYTE {50}, BYTE {25}}) {
        image.SetJpegQuality(quality);
        const Bytes file = Encode(image, PIXIMAGE_JPC);
        ASSERT_FALSE(file.empty()) << image.GetLastErrorText();
        EXPECT_LE(file.size(), raw * quality / 100 + 64);
        EXPECT_GE(file.size(), raw * quality / 100 * 8 / 10);
    }
}

TEST(JasTest, PalettePicturesOtherThanGreyAreRefused)
{
    CPixImage image;
    pix_test::FillPattern(image, 4, 4, 8);
    EXPECT_TRUE(Encode(image, PIXIMAGE_JP2).empty());
    EXPECT_STREQ(image.GetLastErrorText(), "JasPer can save only RGB or GrayScale images");
}

TEST(JasTest, SeparateComponentsAreFramesOfGrey)
{
    auto picture = MakeImage(4, 5, 3, 8, jas::ColourSpace::Unknown);
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t i = 0; i < 15; ++i)
            picture->cmpts[c].samples[i] = static_cast<std::int32_t>(c * 50 + i);
    const Bytes file = EncodeJas(*picture, "jpc");

    CPixImageJAS image;
    image.SetFrame(2);
    CPixMemStream stream(const_cast<BYTE*>(file.data()), static_cast<LONG>(file.size()));
    ASSERT_TRUE(image.Decode(&stream, PIXIMAGE_JPC)) << image.GetLastErrorText();
    EXPECT_EQ(image.GetFrameCount(), 4);
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetIndexAt(1, 2), 101); // row 0 from the top, sample 1 of component 2

    CPixImageJAS beyond;
    beyond.SetFrame(4);
    CPixMemStream again(const_cast<BYTE*>(file.data()), static_cast<LONG>(file.size()));
    EXPECT_FALSE(beyond.Decode(&again, PIXIMAGE_JPC));
    EXPECT_STREQ(beyond.GetLastErrorText(), "wrong frame!");
}

TEST(JasTest, TooManyComponentsAreRefusedBeforeAnyIsRead)
{
    auto picture = MakeImage(65, 2, 2, 8, jas::ColourSpace::Unknown);
    const Bytes file = EncodeJas(*picture, "jpc");
    CPixImage image;
    EXPECT_FALSE(Decode(file, image, PIXIMAGE_JPC));
    EXPECT_STREQ(image.GetLastErrorText(), "error: too much components");
}

// A code stream's tile size lies in its SIZ segment right after the marker (bytes 24-31). Tiles of one
// pixel make one tile per pixel, far more than a small file's bytes can carry; such a stream is refused
// before the decoder sets up its tiles.
TEST(JasTest, StreamsClaimingMoreTilesThanTheirBytesHoldAreRefused)
{
    auto picture = MakeImage(1, 64, 64, 8, jas::ColourSpace::Sgray);
    const Bytes file = EncodeJas(*picture, "jpc");
    ASSERT_GE(file.size(), 32u);
    struct Case {
        std::uint8_t tileSide;
        bool decodes;
    };
    for (const Case& c : {Case {64, true}, Case {32, true}, Case {1, false}}) {
        Bytes tiled = file;
        for (std::size_t at : {24u, 28u}) {
            tiled[at] = tiled[at + 1] = tiled[at + 2] = 0;
            tiled[at + 3] = c.tileSide;
        }
        CPixImage image;
        EXPECT_EQ(Decode(tiled, image, PIXIMAGE_JPC), c.decodes) << int {c.tileSide};
    }
}

TEST(JasTest, WidePrecisionsAndSyccAreConvertedToSrgb)
{
    auto deep = MakeImage(3, 4, 2, 12, jas::ColourSpace::Srgb);
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < 8; ++i)
            deep->cmpts[c].samples[i] = static_cast<std::int32_t>(c * 500 + i * 300);
    CPixImage image;
    ASSERT_TRUE(Decode(EncodeJas(*deep, "jp2"), image, PIXIMAGE_JP2)) << image.GetLastErrorText();
    ASSERT_EQ(image.GetBpp(), 24);
    for (int i = 0; i < 8; ++i) {
        const PixColor c = image.GetColorAt(i % 4, 1 - i / 4);
        EXPECT_EQ(PixRed(c), static_cast<int>(std::lround(i * 300 * 255.0 / 4095)));
        EXPECT_EQ(PixBlue(c), static_cast<int>(std::lround((1000 + i * 300) * 255.0 / 4095)));
    }

    // Red in BT.601 full range, chroma at half size: every pixel takes its nearest chroma sample.
    std::vector<jas::ComponentParams> params(3);
    params[0] = {0, 0, 1, 1, 4, 2, 8, false};
    params[1] = params[2] = {0, 0, 2, 2, 2, 1, 8, false};
    std::unique_ptr<jas::Image, void (*)(jas::Image*)> ycc(
        jas::ImageCreate(3, params.data(), jas::ColourSpace::Sycc), jas::ImageDestroy);
    std::fill(ycc->cmpts[0].samples.begin(), ycc->cmpts[0].samples.end(), 76);
    ycc->cmpts[1].samples = {85, 128};
    ycc->cmpts[2].samples = {255, 128};
    jas::ColourProfile* srgb = jas::CmProfCreateFromClrspc(jas::ColourSpace::Srgb);
    std::unique_ptr<jas::Image, void (*)(jas::Image*)> rgb(
        jas::ImageChClrSpc(ycc.get(), srgb, jas::kIntentPerceptual), jas::ImageDestroy);
    jas::CmProfDestroy(srgb);
    ASSERT_TRUE(rgb);
    for (std::size_t i : {0u, 1u, 4u, 5u}) {
        EXPECT_NEAR(rgb->cmpts[0].samples[i], 255, 1);
        EXPECT_NEAR(rgb->cmpts[1].samples[i], 0, 1);
        EXPECT_NEAR(rgb->cmpts[2].samples[i], 0, 1);
    }
    for (std::size_t i : {2u, 3u, 6u, 7u})
        for (std::size_t c = 0; c < 3; ++c)
            EXPECT_EQ(rgb->cmpts[c].samples[i], 76);

    auto cmyk = MakeImage(2, 1, 1, 8, jas::ColourSpace::Sycc);
    srgb = jas::CmProfCreateFromClrspc(jas::ColourSpace::Srgb);
    EXPECT_EQ(jas::ImageChClrSpc(cmyk.get(), srgb, jas::kIntentPerceptual), nullptr);
    jas::CmProfDestroy(srgb);
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

TEST(JasTest, ReadsEveryNetpbmKind)
{
    // A 3 x 2 picture: black, white, black / white, black, white.
    const Bytes pbmRaw = [] {
        Bytes b = Text("P4\n3 2\n");
        b.push_back(0xA0);
        b.push_back(0x40);
        return b;
    }();
    const Bytes pgm16 = [] {
        Bytes b = Text("P5 3 2 65535\n");
        for (int v : {0, 65535, 0, 65535, 0, 65535}) {
            b.push_back(static_cast<BYTE>(v >> 8));
            b.push_back(static_cast<BYTE>(v));
        }
        return b;
    }();
    auto raw = [](const char* header, int samplesPerPixel) {
        Bytes b = Text(header);
        for (int v : {0, 255, 0, 255, 0, 255})
            b.insert(b.end(), static_cast<std::size_t>(samplesPerPixel), static_cast<BYTE>(v));
        return b;
    };
    const Bytes files[] = {Text("P1\n# comment\n3 2\n101\n010\n"), pbmRaw, Text("P2 3 2 255 0 255 0 255 0 255"),
        Text("P3\n3 2\n15\n0 0 0 15 15 15 0 0 0\n15 15 15 0 0 0 15 15 15\n"), raw("P5 3 2 255\n", 1), pgm16,
        raw("P6 3 2 255\n", 3)};
    for (const Bytes& file : files) {
        SCOPED_TRACE(std::string(file.begin(), file.begin() + 2));
        CPixImage image;
        ASSERT_TRUE(Decode(file, image, PIXIMAGE_PNM)) << image.GetLastErrorText();
        for (LONG i = 0; i < 6; ++i)
            EXPECT_EQ(image.GetColorAt(i % 3, 1 - i / 3) & 0xFFFFFF, (i % 2) ? 0xFFFFFFu : 0u) << i;
    }
}

TEST(JasTest, ReadsEverySunRasterKind)
{
    // A 3 x 1 picture: (1, 2, 3), (0x80, 0x80, 0x80), (200, 100, 50).
    auto header = [](std::uint32_t depth, std::uint32_t type, std::uint32_t mapLength) {
        Bytes b;
        for (std::uint32_t v : {0x59A66A95u, 3u, 1u, depth, 0u, type, mapLength ? 1u : 0u, mapLength})
            for (int shift = 24; shift >= 0; shift -= 8)
                b.push_back(static_cast<BYTE>(v >> shift));
        return b;
    };
    auto with = [](Bytes b, const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return b;
    };
    const Bytes files[] = {
        with(header(24, 1, 0), {3, 2, 1, 0x80, 0x80, 0x80, 50, 100, 200, 0}),
        with(header(24, 3, 0), {1, 2, 3, 0x80, 0x80, 0x80, 200, 100, 50, 0}),
        with(header(32, 0, 0), {0, 3, 2, 1, 0, 0x80, 0x80, 0x80, 0, 50, 100, 200}),
        // Run-length: the middle pixel is one run of three 0x80, the padding a run of one 0.
        with(header(24, 2, 0), {3, 2, 1, 0x80, 2, 0x80, 50, 100, 200, 0x80, 0}),
        with(header(24, 2, 0), {3, 2, 1, 0x80, 0, 0x80, 0, 0x80, 0, 50, 100, 200, 0}),
        with(header(8, 1, 9), {1, 0x80, 200, 2, 0x80, 100, 3, 0x80, 50, 0, 1, 2, 0}),
    };
    for (const Bytes& file : files) {
        CPixImage image;
        ASSERT_TRUE(Decode(file, image, PIXIMAGE_RAS)) << image.GetLastErrorText();
        EXPECT_EQ(image.GetColorAt(0, 0) & 0xFFFFFF, MakePixColor(1, 2, 3));
        EXPECT_EQ(image.GetColorAt(1, 0) & 0xFFFFFF, MakePixColor(0x80, 0x80, 0x80));
        EXPECT_EQ(image.GetColorAt(2, 0) & 0xFFFFFF, MakePixColor(200, 100, 50));
    }
    // A bitmap with a colour map of two entries.
    CPixImage mapped;
    ASSERT_TRUE(Decode(with(header(1, 1, 6), {1, 200, 2, 100, 3, 50, 0x40, 0}), mapped, PIXIMAGE_RAS));
    EXPECT_EQ(mapped.GetColorAt(0, 0) & 0xFFFFFF, MakePixColor(1, 2, 3));
    EXPECT_EQ(mapped.GetColorAt(1, 0) & 0xFFFFFF, MakePixColor(200, 100, 50));
}

TEST(JasTest, EveryTruncatedFileFailsOrDecodesCleanly)
{
    CPixImage colour;
    pix_test::FillPattern(colour, 9, 7, 24);
    CPixImage grey;
    FillGrey(grey, 7, 5);
    for (LONG type : {PIXIMAGE_JP2, PIXIMAGE_JPC, PIXIMAGE_PGX, PIXIMAGE_PNM, PIXIMAGE_RAS}) {
        const Bytes file = Encode(type == PIXIMAGE_PGX ? grey : colour, type);
        ASSERT_FALSE(file.empty());
        for (std::size_t length = 0; length < file.size(); ++length) {
            CPixImage image;
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            if (!Decode(prefix, image, type)) {
                EXPECT_STRNE(image.GetLastErrorText(), "");
            }
        }
    }
}

TEST(JasTest, AttachingAStreamLeavesOtherStreamsAlone)
{
    testfiles::TempDir dir;
    testfiles::WriteFileBytes(dir.File("data"), Text("file bytes"));
    const int fd = ::open(dir.File("data").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    jas::Stream* onFile = jas::StreamFdOpen(fd, "r");
    ::close(fd);
    ASSERT_NE(onFile, nullptr);

    BYTE memory[] = {'m', 'e', 'm'};
    CPixMemStream stream(memory, sizeof memory);
    jas::Stream* onMemory = jas::StreamFdOpen(-1, "r");
    CPixImageJAS::AttachStream(&stream, onMemory);

    char buffer[16] = {};
    EXPECT_EQ(onFile->ops.read(onFile->object, buffer, sizeof buffer), 10);
    EXPECT_STREQ(buffer, "file bytes");
    EXPECT_EQ(onMemory->ops.read(onMemory->object, buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "mem");
    EXPECT_EQ(onMemory->ops.seek(onMemory->object, 1, 0), 1);
    EXPECT_LT(onMemory->ops.seek(onMemory->object, -5, 0), 0);
    jas::StreamClose(onMemory);
    EXPECT_EQ(jas::StreamClose(onFile), 0);
}

} // namespace
