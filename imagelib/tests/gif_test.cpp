// Reading and writing GIF files: the three coders, frames, overlay, interlace, tiles, hostile input.
#include "imagelib/PixImageGIF.h"
#include "imagelib/PixMemStream.h"

#include "gif_test_files.h"
#include "image_test_files.h"
#include "pix_test_patterns.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

using giffiles::BuildGif;
using giffiles::Frame;
using testfiles::Bytes;

bool DecodeGif(const Bytes& file, CPixImage& image, LONG frame = 0)
{
    image.SetFrame(frame);
    return image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), PIXIMAGE_GIF);
}

Bytes EncodeGif(CPixImage& image, LONG codec = 0)
{
    image.SetCodecOption(codec);
    BYTE* block = nullptr;
    LONG length = 0;
    EXPECT_TRUE(image.EncodeToMemory(block, length, PIXIMAGE_GIF)) << image.GetLastErrorText();
    Bytes bytes(block, block + length);
    std::free(block);
    return bytes;
}

// A palette picture of one index, with distinct palette entries.
void Solid(CPixImage& image, LONG width, LONG height, DWORD bpp, BYTE index)
{
    image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, 0);
    for (DWORD i = 0; i < image.GetHeader().biClrUsed; ++i)
        image.SetPaletteEntry(static_cast<BYTE>(i), static_cast<BYTE>(i * 17), static_cast<BYTE>(255 - i), 50);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            image.SetIndexAt(x, y, index);
}

TEST(GifRoundTripTest, EveryDepthAndCoderGivesBackThePicture)
{
    // 300 x 40 of a busy pattern fills the LZW table several times over.
    const std::pair<LONG, LONG> sizes[] = {{1, 1}, {7, 5}, {33, 17}, {300, 40}};
    for (DWORD bpp : {1u, 4u, 8u})
        for (LONG codec : {0, 1, 2})
            for (const auto& [width, height] : sizes) {
                SCOPED_TRACE(std::to_string(bpp) + " bpp, coder " + std::to_string(codec) + ", " +
                             std::to_string(width) + "x" + std::to_string(height));
                CPixImage image;
                pix_test::FillPattern(image, width, height, bpp);
                const Bytes file = EncodeGif(image, codec);
                CPixImage back;
                ASSERT_TRUE(DecodeGif(file, back)) << back.GetLastErrorText();
                EXPECT_EQ(back.GetType(), PIXIMAGE_GIF);
                EXPECT_EQ(back.GetFrameCount(), 1);
                EXPECT_TRUE(pix_test::SamePicture(image, back));
            }
}

TEST(GifRoundTripTest, CodersAtTheTableEdges)
{
    // Plain codes clear the table before it fills, after 3839 codes at 8 bits; the other coders
    // meet it with random and with uniform pixels.
    for (LONG codec : {0, 1, 2})
        for (LONG width : {3838, 3839, 3840, 4000, 20000}) {
            for (bool uniform : {false, true}) {
                SCOPED_TRACE(std::to_string(codec) + " " + std::to_string(width) + (uniform ? " uniform" : ""));
                CPixImage image(static_cast<DWORD>(width), 1, 8);
                testfiles::FillRandom(image, static_cast<unsigned>(width));
                if (uniform)
                    for (LONG x = 0; x < width; ++x)
                        image.SetIndexAt(x, 0, 7);
                CPixImage back;
                ASSERT_TRUE(DecodeGif(EncodeGif(image, codec), back));
                EXPECT_TRUE(pix_test::SamePicture(image, back));
            }
        }
}

TEST(GifRoundTripTest, RunLengthCodesAreFewForRuns)
{
    CPixImage image;
    Solid(image, 5000, 1, 8, 9);
    const Bytes runs = giffiles::ImageData(image, false, CPixImageGIF::kRunLengthCodes);
    const Bytes plain = giffiles::ImageData(image, false, CPixImageGIF::kUncompressedCodes);
    EXPECT_LT(runs.size() * 20, plain.size());
    CPixImage back;
    ASSERT_TRUE(DecodeGif(EncodeGif(image, CPixImageGIF::kRunLengthCodes), back));
    EXPECT_TRUE(pix_test::SamePicture(image, back));
}

TEST(GifEncodeTest, CommentIsWrittenCutTo255)
{
    CPixImage image;
    Solid(image, 3, 2, 4, 1);
    for (std::size_t length : {0u, 1u, 255u, 300u}) {
        SCOPED_TRACE(length);
        const std::string comment(length, 'c');
        CPixImageGIF writer;
        writer.ShareFrom(image);
        writer.SetComment(comment.c_str());
        CPixMemStream stream;
        ASSERT_TRUE(writer.Encode(&stream));
        CPixImageGIF reader;
        ASSERT_TRUE(stream.Seek(0, 0));
        ASSERT_TRUE(reader.Decode(&stream));
        EXPECT_EQ(std::string(reader.GetComment()), comment.substr(0, 255));
    }
}

TEST(GifEncodeTest, FailedWritesFailTheEncode)
{
    CPixImage palette;
    Solid(palette, 40, 30, 8, 3);
    CPixImage colour;
    pix_test::FillPattern(colour, 40, 20, 24);
    for (CPixImage* image : {&palette, &colour})
        for (LONG codec : {0, 1, 2}) {
            const std::size_t full = EncodeGif(*image, codec).size();
            for (std::size_t budget = 0; budget < full; budget += 7) {
                SCOPED_TRACE(std::to_string(codec) + " budget " + std::to_string(budget));
                testfiles::ShortStream stream(budget);
                EXPECT_FALSE(image->Encode(&stream, PIXIMAGE_GIF));
                EXPECT_STREQ(image->GetLastErrorText(), "Write Error in GIF file");
            }
        }
}

TEST(GifTilesTest, TwentyFourBitPicturesComeBackFromTiles)
{
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(transparent);
        CPixImage image;
        pix_test::FillPattern(image, 40, 20, 24);
        // Repeated colours share palette entries, and the transparent colour is entry 0.
        image.SetColorAt(3, 3, image.GetColorAt(5, 5), false);
        if (transparent) {
            image.SetTransparentIndex(0);
            image.SetTransparentColor(image.GetColorAt(1, 1) & 0xFFFFFF);
        }
        const Bytes file = EncodeGif(image);
        CPixImage back;
        ASSERT_TRUE(DecodeGif(file, back)) << back.GetLastErrorText();
        EXPECT_EQ(back.GetFrameCount(), 6); // 17 + 17 + 6 columns by 15 + 5 rows
        EXPECT_EQ(back.GetFrame(), 5); // every tile was read, whatever frame was asked for
        EXPECT_EQ(back.GetBpp(), 24);
        EXPECT_TRUE(testfiles::SameColors(image, back));
        EXPECT_EQ(back.GetTransparentIndex(), transparent ? 0 : -1);
    }
}

TEST(GifTilesTest, ATileAsWideAsTheScreenIsReadAlone)
{
    CPixImage image;
    pix_test::FillPattern(image, 17, 30, 24);
    CPixImage back;
    ASSERT_TRUE(DecodeGif(EncodeGif(image), back));
    ASSERT_EQ(back.GetWidth(), 17);
    ASSERT_EQ(back.GetHeight(), 15);
    EXPECT_EQ(back.GetBpp(), 8);
    for (LONG y = 0; y < 15; ++y)
        for (LONG x = 0; x < 17; ++x)
            ASSERT_EQ(back.GetColorAt(x, 14 - y) & 0xFFFFFF, image.GetColorAt(x, 29 - y) & 0xFFFFFF);
}

TEST(GifDecodeTest, DepthFollowsTheTableSize)
{
    for (const auto& [bpp, entries, expected] : {std::tuple{1u, 2u, 1}, {4u, 4u, 4}, {4u, 16u, 4}, {8u, 32u, 8}}) {
        CPixImage picture;
    Solid(picture, 5, 4, bpp, 1);
        Bytes file = BuildGif(5, 4, nullptr, {Frame{&picture, 0, 0, true}});
        // Shrink the local table to `entries` by rewriting its size bits and dropping the rest.
        const std::size_t tableAt = 13 + 10;
        file[tableAt - 1] = static_cast<BYTE>(0x80 | (std::countr_zero(entries) - 1));
        file.erase(file.begin() + static_cast<long>(tableAt + 3 * entries),
                   file.begin() + static_cast<long>(tableAt + 3 * picture.GetHeader().biClrUsed));
        CPixImage image;
        ASSERT_TRUE(DecodeGif(file, image)) << entries;
        EXPECT_EQ(image.GetBpp(), expected) << entries;
    }
}

TEST(GifDecodeTest, InterlacedRowsLandInPlace)
{
    for (LONG height : {1, 2, 3, 4, 5, 8, 9, 17, 33}) {
        SCOPED_TRACE(height);
        CPixImage picture;
        pix_test::FillPattern(picture, 6, height, 8);
        CPixImage image;
        ASSERT_TRUE(DecodeGif(BuildGif(6, static_cast<unsigned>(height), &picture, {Frame{&picture, 0, 0, false, true}}), image));
        EXPECT_TRUE(pix_test::SamePicture(picture, image));
    }
}

TEST(GifDecodeTest, InterlacedRowsBeyondTheLastPassAreDropped)
{
    // The data holds 8 rows for a frame of 5.
    CPixImage tall;
    pix_test::FillPattern(tall, 4, 8, 8);
    CPixImage frame;
    Solid(frame, 4, 5, 8, 0);
    Bytes file = BuildGif(4, 5, &frame, {Frame{&frame, 0, 0, false, true}});
    const Bytes shortData = giffiles::ImageData(frame, true);
    const Bytes longData = giffiles::ImageData(tall, true);
    const std::size_t at = file.size() - 1 - shortData.size();
    file.erase(file.begin() + static_cast<long>(at), file.end() - 1);
    file.insert(file.begin() + static_cast<long>(at), longData.begin(), longData.end());
    CPixImage image;
    ASSERT_TRUE(DecodeGif(file, image));
    const std::vector<LONG> order = giffiles::InterlacedRows(8);
    // File rows 0-4 of the tall picture's interlaced order fill the 5-row frame's order.
    const std::vector<LONG> target = giffiles::InterlacedRows(5);
    for (std::size_t i = 0; i < target.size(); ++i)
        for (LONG x = 0; x < 4; ++x)
            EXPECT_EQ(image.GetIndexAt(x, 4 - target[i]), tall.GetIndexAt(x, 7 - order[i]));
}

TEST(GifDecodeTest, FramesLeftInPlaceAreLaidOverEachOther)
{
    CPixImage first;
    Solid(first, 8, 6, 4, 1);
    CPixImage second;
    Solid(second, 3, 2, 4, 2);
    second.SetIndexAt(0, 0, 5); // transparent in the second frame
    CPixImage third;
    Solid(third, 2, 2, 4, 3);
    const Bytes file = BuildGif(8, 6, &first,
                                {Frame{&first, 0, 0}, Frame{&second, 2, 1, false, false, 1, 5},
                                 Frame{&third, 6, 4, false, false, 1, -1}});
    for (LONG wanted = 0; wanted < 3; ++wanted) {
        SCOPED_TRACE(wanted);
        CPixImage image;
        ASSERT_TRUE(DecodeGif(file, image, wanted));
        EXPECT_EQ(image.GetFrameCount(), 3);
        ASSERT_EQ(image.GetWidth(), 8);
        for (LONG y = 0; y < 6; ++y)
            for (LONG x = 0; x < 8; ++x) {
                int expected = 1;
                if (wanted >= 1 && x >= 2 && x < 5 && y >= 1 && y < 3 && !(x == 2 && y == 2))
                    expected = 2;
                if (wanted >= 2 && x >= 6 && y >= 4)
                    expected = 3;
                ASSERT_EQ(image.GetIndexAt(x, 5 - y), expected) << x << "," << y;
            }
    }
}

TEST(GifDecodeTest, OverlayIsClippedToThePreviousPicture)
{
    // A small first frame, then a frame elsewhere on the screen: nothing may be written outside.
    CPixImage first;
    Solid(first, 4, 3, 8, 1);
    CPixImage second;
    Solid(second, 5, 5, 8, 2);
    const Bytes file = BuildGif(20, 20, &first, {Frame{&first, 0, 0}, Frame{&second, 2, 1, false, false, 1}});
    CPixImage image;
    ASSERT_TRUE(DecodeGif(file, image, 1));
    ASSERT_EQ(image.GetWidth(), 4);
    ASSERT_EQ(image.GetHeight(), 3);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 4; ++x)
            EXPECT_EQ(image.GetIndexAt(x, 2 - y), x >= 2 && y >= 1 ? 2 : 1);
}

TEST(GifDecodeTest, ALocalTableServesItsFrameOnly)
{
    CPixImage global;
    Solid(global, 4, 4, 8, 1);
    CPixImage local;
    Solid(local, 4, 4, 8, 1);
    for (DWORD i = 0; i < 256; ++i)
        local.SetPaletteEntry(static_cast<BYTE>(i), 9, 9, static_cast<BYTE>(i));
    const Bytes file = BuildGif(4, 4, &global, {Frame{&local, 0, 0, true}, Frame{&global, 0, 0}});
    CPixImage image;
    ASSERT_TRUE(DecodeGif(file, image, 0));
    EXPECT_EQ(image.GetPaletteEntry(1), local.GetPaletteEntry(1));
    ASSERT_TRUE(DecodeGif(file, image, 1));
    EXPECT_EQ(image.GetPaletteEntry(1), global.GetPaletteEntry(1));
}

TEST(GifDecodeTest, LeftoverSubBlocksMakeNoFrames)
{
    CPixImage picture;
    Solid(picture, 3, 3, 8, 4);
    // After the end code: a sub-block that looks like an image descriptor and its data.
    Frame frame{&picture};
    frame.beforeTerminator = {12, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 1};
    const Bytes file = BuildGif(3, 3, &picture, {frame});
    CPixImage image;
    ASSERT_TRUE(DecodeGif(file, image));
    EXPECT_EQ(image.GetFrameCount(), 1);
    EXPECT_TRUE(pix_test::SamePicture(picture, image));
}

TEST(GifDecodeTest, BadExtensionBeforeAnyFrameIsAFailure)
{
    CPixImage picture;
    Solid(picture, 3, 3, 8, 4);
    Bytes file = BuildGif(3, 3, &picture, {Frame{&picture}});
    const std::size_t at = 13 + 3 * 256;
    file.insert(file.begin() + static_cast<long>(at), {0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0});
    CPixImage image;
    EXPECT_FALSE(DecodeGif(file, image));
    EXPECT_FALSE(image.IsValid());
}

TEST(GifDecodeTest, FrameWithoutAnyTableKeepsItsDepth)
{
    // 8-bit codes into a 1-bpp frame: only the low bit counts, nothing spills over.
    CPixImage picture;
    pix_test::FillPattern(picture, 13, 3, 8);
    const Bytes file = BuildGif(13, 3, nullptr, {Frame{&picture}});
    CPixImage image;
    ASSERT_TRUE(DecodeGif(file, image));
    ASSERT_EQ(image.GetBpp(), 1);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 13; ++x)
            EXPECT_EQ(image.GetIndexAt(x, y), picture.GetIndexAt(x, y) & 1);
}

TEST(GifDecodeTest, CutShortPictureKeepsTheRowsReceivedAndClearsTheRest)
{
    CPixImage picture;
    pix_test::FillPattern(picture, 64, 64, 8);
    const Bytes whole = BuildGif(64, 64, &picture, {Frame{&picture}});
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 2 / 3));
    CPixImage image;
    ASSERT_TRUE(DecodeGif(cut, image));
    LONG rowsReceived = 0;
    while (rowsReceived < 64) {
        bool same = true;
        for (LONG x = 0; x < 64; ++x)
            same = same && image.GetIndexAt(x, 63 - rowsReceived) == picture.GetIndexAt(x, 63 - rowsReceived);
        if (!same)
            break;
        ++rowsReceived;
    }
    EXPECT_GT(rowsReceived, 10);
    EXPECT_LT(rowsReceived, 64);
    for (LONG y = rowsReceived + 1; y < 64; ++y)
        for (LONG x = 0; x < 64; ++x)
            ASSERT_EQ(image.GetIndexAt(x, 63 - y), 0);
}

TEST(GifDecodeTest, EveryPrefixFailsOrSucceedsCleanly)
{
    CPixImage first;
    pix_test::FillPattern(first, 9, 7, 4);
    CPixImage second;
    Solid(second, 4, 5, 4, 3);
    Frame interlaced{&second, 2, 1, true, true, 1, 2};
    const Bytes file = BuildGif(9, 7, &first, {Frame{&first}, interlaced});
    for (std::size_t length = 0; length < file.size(); ++length)
        for (LONG frame : {0, 1}) {
            CPixImage image;
            image.SetFrame(frame);
            if (image.DecodeFromMemory(file.data(), static_cast<LONG>(length), PIXIMAGE_GIF)) {
                EXPECT_TRUE(image.IsValid()) << length;
            }
        }
}

TEST(GifDecodeTest, HostileCodeStreamsEndTheFrame)
{
    // Random code bytes under every code size: corrupt chains and codes far beyond the table.
    for (BYTE codeSize = 0; codeSize <= 12; ++codeSize)
        for (unsigned seed = 0; seed < 20; ++seed) {
            Bytes file = {'G', 'I', 'F', '8', '9', 'a', 16, 0, 16, 0, 0x87, 0, 0};
            file.resize(file.size() + 3 * 256, 0x40);
            file.insert(file.end(), {0x2C, 0, 0, 0, 0, 16, 0, 16, 0, static_cast<BYTE>(seed % 2 ? 0x40 : 0), codeSize});
            const Bytes noise = testfiles::RandomBytes(2000, seed);
            for (std::size_t at = 0; at < noise.size(); at += 200) {
                file.push_back(200);
                file.insert(file.end(), noise.begin() + static_cast<long>(at), noise.begin() + static_cast<long>(at + 200));
            }
            file.insert(file.end(), {0, 0x3B});
            CPixImage image;
            EXPECT_TRUE(DecodeGif(file, image)) << int{codeSize};
            EXPECT_EQ(image.GetWidth(), 16);
        }
}

TEST(GifDecodeTest, RefusedInputs)
{
    CPixImage picture;
    Solid(picture, 2, 2, 1, 1);
    const Bytes good = BuildGif(2, 2, &picture, {Frame{&picture}});
    struct Case {
        const char* name;
        Bytes file;
        LONG frame;
    };
    Bytes notGif = good;
    notGif[3] = '7';
    const Case cases[] = {{"not GIF8", notGif, 0}, {"frame out of range", good, 1}, {"negative frame", good, -1},
                          {"no frame", Bytes(good.begin(), good.begin() + 13 + 6), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPixImage image;
        EXPECT_FALSE(DecodeGif(c.file, image, c.frame));
    }
    CPixImageGIF cancelled;
    cancelled.SetEscape(1);
    CPixMemStream stream(const_cast<BYTE*>(good.data()), static_cast<LONG>(good.size()));
    EXPECT_FALSE(cancelled.Decode(&stream));
}

TEST(GifDecodeTest, ProbingFindsGif)
{
    CPixImage picture;
    Solid(picture, 2, 2, 1, 1);
    const Bytes file = BuildGif(2, 2, &picture, {Frame{&picture}});
    CPixImage image;
    ASSERT_TRUE(image.DecodeFromMemory(file.data(), static_cast<LONG>(file.size()), PIXIMAGE_UNKNOWN));
    EXPECT_EQ(image.GetType(), PIXIMAGE_GIF);
}

} // namespace
