// Format dispatch: probing order and rewinding, typed decode and encode, the file and memory
// wrappers, and saving that never damages an existing file.
#include "imagelib/PixFileStream.h"
#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixMemStream.h"

#include "image_test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using testfiles::Bytes;
using testfiles::ScopedFormat;
using testfiles::TempDir;

struct DecodeCall {
    LONG format;     // which test format ran
    LONG passedType; // the type number it was given
    int32_t position;
    LONG frame;
    LONG escape;
};

struct EncodeCall {
    LONG format;
    bool ghost;
    const BYTE* dib;
};

std::vector<DecodeCall> g_decodes;
std::vector<EncodeCall> g_encodes;
bool g_encodeFails = false;

BYTE TagOf(LONG type)
{
    return static_cast<BYTE>('A' + type);
}

// A format that recognises data starting with its tag byte ('A' + its type number). It reads four
// bytes whatever they are, so a later candidate sees the start only when the stream was rewound.
template <LONG Type>
class TagFormat : public CPixImage {
public:
    TagFormat()
        : CPixImage(Type)
    {
    }

    bool DecodeTagged(CPixStream* stream, LONG passedType)
    {
        g_decodes.push_back({Type, passedType, stream->Tell(), m_info.frame, m_info.escape});
        BYTE head[4] = {};
        const size_t got = stream->Read(head, 1, sizeof head);
        if (got < 2 || head[0] != TagOf(Type)) {
            m_info.frameCount = 10 + Type;
            SetLastErrorText(("not format " + std::to_string(Type)).c_str());
            return false;
        }
        Create(2, 1, 8, Type);
        SetIndexAt(0, 0, head[1]);
        return true;
    }

    bool EncodeTagged(CPixStream* stream)
    {
        if (CheckEncodeArgs(stream))
            return false;
        g_encodes.push_back({Type, IsGhost(), GetDib()});
        const BYTE bytes[2] = {TagOf(Type), GetIndexAt(0, 0)};
        stream->Write(bytes, 1, 2);
        if (g_encodeFails) {
            SetLastErrorText("tag encoder failed");
            return false;
        }
        return true;
    }
};

template <LONG Type>
PixFormat TagEntry()
{
    PixFormat format;
    format.create = []() -> std::unique_ptr<CPixImage> { return std::make_unique<TagFormat<Type>>(); };
    format.decode = [](CPixImage& image, CPixStream* stream, LONG type) {
        return static_cast<TagFormat<Type>&>(image).DecodeTagged(stream, type);
    };
    format.encode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<TagFormat<Type>&>(image).EncodeTagged(stream);
    };
    format.multiFrame = Type == 2;
    return format;
}

template <LONG... Types>
std::vector<std::pair<LONG, PixFormat>> TagEntries(std::integer_sequence<LONG, Types...>)
{
    return {{Types, TagEntry<Types>()}...};
}

// Every type number served by a tag format.
class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_decodes.clear();
        g_encodes.clear();
        g_encodeFails = false;
        for (auto& [type, format] : TagEntries(std::make_integer_sequence<LONG, PIXIMAGE_TYPE_COUNT>{}))
            if (type != PIXIMAGE_UNKNOWN)
                m_formats.push_back(std::make_unique<ScopedFormat>(type, format));
    }

    // Stream over `data` that starts 3 bytes in, so rewinding must return there, not to 0.
    CPixMemStream& StreamAt3(const Bytes& data)
    {
        m_data = Bytes{'x', 'y', 'z'};
        m_data.insert(m_data.end(), data.begin(), data.end());
        m_stream = std::make_unique<CPixMemStream>(m_data.data(), static_cast<int32_t>(m_data.size()));
        m_stream->Seek(3, 0);
        return *m_stream;
    }

    static std::vector<LONG> Formats()
    {
        std::vector<LONG> formats;
        for (const DecodeCall& call : g_decodes)
            formats.push_back(call.format);
        return formats;
    }

    std::vector<std::unique_ptr<ScopedFormat>> m_formats;
    Bytes m_data;
    std::unique_ptr<CPixMemStream> m_stream;
};

TEST_F(DispatchTest, ProbesInOrderAndRewindsBeforeEachCandidate)
{
    CPixImage image;
    ASSERT_TRUE(image.Decode(&StreamAt3({TagOf(11), 42, 0, 0}), PIXIMAGE_UNKNOWN));
    EXPECT_EQ(Formats(), (std::vector<LONG>{1, 3, 5, 2, 4, 6, 7, 8, 9, 10, 11}));
    for (const DecodeCall& call : g_decodes) {
        EXPECT_EQ(call.position, 3) << "format " << call.format;
        // The JPEG-2000 family class tells its types apart itself: it is given 0.
        EXPECT_EQ(call.passedType, call.format == 11 ? 0 : call.format);
    }
    EXPECT_EQ(image.GetType(), 11);
    EXPECT_EQ(image.GetIndexAt(0, 0), 42);
}

TEST_F(DispatchTest, ProbeStopsAtTheFirstFormatThatDecodes)
{
    CPixImage image;
    ASSERT_TRUE(image.Decode(&StreamAt3({TagOf(PIXIMAGE_PNG), 7, 0, 0}), PIXIMAGE_UNKNOWN));
    EXPECT_EQ(Formats(), (std::vector<LONG>{1, 3, 5, 2, 4}));
    EXPECT_EQ(image.GetType(), PIXIMAGE_PNG);
}

TEST_F(DispatchTest, ProbeSkipsTypesWithoutAFormatClass)
{
    ScopedFormat noJpeg(PIXIMAGE_JPG, std::nullopt);
    ScopedFormat noGif(PIXIMAGE_GIF, std::nullopt);
    CPixImage image;
    ASSERT_TRUE(image.Decode(&StreamAt3({TagOf(PIXIMAGE_TIF), 7, 0, 0}), PIXIMAGE_UNKNOWN));
    EXPECT_EQ(Formats(), (std::vector<LONG>{1, 5, 4, 6}));
}

TEST_F(DispatchTest, ProbeHandsTheCallersSettingsToEachDecoder)
{
    CPixImage image;
    image.SetFrame(3);
    image.SetEscape(1);
    EXPECT_FALSE(image.Decode(&StreamAt3({'?', 0, 0, 0}), PIXIMAGE_UNKNOWN));
    ASSERT_EQ(g_decodes.size(), 11u);
    for (const DecodeCall& call : g_decodes) {
        EXPECT_EQ(call.frame, 3);
        EXPECT_EQ(call.escape, 1);
    }
}

TEST_F(DispatchTest, FailedProbeKeepsThePixelsAndGivesTheGenericText)
{
    CPixImage image(4, 3, 24, PIXIMAGE_BMP);
    image.SetColorAt(1, 1, 0x123456, false);
    EXPECT_FALSE(image.Decode(&StreamAt3({'?', 0, 0, 0}), PIXIMAGE_UNKNOWN));
    EXPECT_STREQ(image.GetLastErrorText(), "Decode: Unknown or wrong format");
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_EQ(image.GetColorAt(1, 1) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(image.GetType(), PIXIMAGE_BMP);
}

TEST_F(DispatchTest, TypedDecodeRunsOnlyThatFormatWithItsDefaults)
{
    CPixImage image;
    image.SetFrame(3);
    ASSERT_TRUE(image.Decode(&StreamAt3({TagOf(PIXIMAGE_PNG), 9, 0, 0}), PIXIMAGE_PNG));
    ASSERT_EQ(g_decodes.size(), 1u);
    EXPECT_EQ(g_decodes[0].passedType, PIXIMAGE_PNG);
    EXPECT_EQ(g_decodes[0].frame, 0); // single-image formats start from their defaults
    EXPECT_EQ(image.GetType(), PIXIMAGE_PNG);
    EXPECT_EQ(image.GetFrame(), 0);
}

TEST_F(DispatchTest, TypedDecodeOfAMultiImageFormatPassesTheFrameAndReportsFramesFound)
{
    CPixImage image(2, 2, 8, PIXIMAGE_BMP);
    image.SetIndexAt(1, 1, 77);
    image.SetFrame(3);
    EXPECT_FALSE(image.Decode(&StreamAt3({'?', 0, 0, 0}), PIXIMAGE_GIF));
    ASSERT_EQ(g_decodes.size(), 1u);
    EXPECT_EQ(g_decodes[0].frame, 3);
    EXPECT_EQ(image.GetFrameCount(), 12);
    EXPECT_STREQ(image.GetLastErrorText(), "not format 2");
    EXPECT_EQ(image.GetIndexAt(1, 1), 77);
    EXPECT_EQ(image.GetType(), PIXIMAGE_BMP);
}

TEST_F(DispatchTest, TypedDecodeFailureGivesTheFormatsText)
{
    CPixImage image;
    EXPECT_FALSE(image.Decode(&StreamAt3({'?', 0, 0, 0}), PIXIMAGE_TGA));
    EXPECT_STREQ(image.GetLastErrorText(), "not format 7");
    EXPECT_EQ(image.GetFrameCount(), 0); // only multi-image formats report frames
}

TEST_F(DispatchTest, DecodeRefusesTypesWithoutAFormat)
{
    ScopedFormat noTga(PIXIMAGE_TGA, std::nullopt);
    for (LONG type : {16, -1, 1000, static_cast<LONG>(PIXIMAGE_TGA)}) {
        SCOPED_TRACE(type);
        CPixImage image;
        EXPECT_FALSE(image.Decode(&StreamAt3({TagOf(PIXIMAGE_TGA), 0, 0, 0}), type));
        EXPECT_STREQ(image.GetLastErrorText(), "Decode: Unknown or wrong format");
    }
    EXPECT_TRUE(g_decodes.empty());
    CPixImage image;
    EXPECT_FALSE(image.Decode(nullptr, PIXIMAGE_UNKNOWN));
}

TEST_F(DispatchTest, EncodeTypeErrors)
{
    ScopedFormat noJpeg(PIXIMAGE_JPG, std::nullopt);
    CPixImage image(2, 2, 24, PIXIMAGE_BMP);
    for (LONG type : {0, 16, -3, static_cast<LONG>(PIXIMAGE_JPG)}) {
        SCOPED_TRACE(type);
        CPixMemStream stream;
        EXPECT_FALSE(image.Encode(&stream, type));
        EXPECT_STREQ(image.GetLastErrorText(), "Encode: Unknown format");
        EXPECT_EQ(stream.Size(), 0);
    }
    EXPECT_TRUE(g_encodes.empty());
}

TEST_F(DispatchTest, EncodeArgumentChecksTestTheStreamFirst)
{
    CPixImage empty;
    EXPECT_FALSE(empty.Encode(nullptr, PIXIMAGE_PNG));
    EXPECT_STREQ(empty.GetLastErrorText(), "null file handler");
    CPixMemStream stream;
    EXPECT_FALSE(empty.Encode(&stream, PIXIMAGE_PNG));
    EXPECT_STREQ(empty.GetLastErrorText(), "null image!!!");
    EXPECT_TRUE(g_encodes.empty());

    CPixImage image(1, 1, 8);
    EXPECT_TRUE(image.CheckEncodeArgs(nullptr));
    EXPECT_FALSE(image.CheckEncodeArgs(&stream));
}

TEST_F(DispatchTest, EncoderBorrowsTheImageAndLeavesItIntact)
{
    CPixImage image(2, 1, 8, PIXIMAGE_BMP);
    image.SetIndexAt(0, 0, 99);
    CPixMemStream stream;
    ASSERT_TRUE(image.Encode(&stream, PIXIMAGE_PCX));
    ASSERT_EQ(g_encodes.size(), 1u);
    EXPECT_TRUE(g_encodes[0].ghost);
    EXPECT_EQ(g_encodes[0].dib, image.GetDib());
    EXPECT_EQ(image.GetIndexAt(0, 0), 99);
    EXPECT_EQ(image.GetType(), PIXIMAGE_BMP);
    ASSERT_EQ(stream.Size(), 2);
    EXPECT_EQ(stream.GetBuffer()[0], TagOf(PIXIMAGE_PCX));
    EXPECT_EQ(stream.GetBuffer()[1], 99);

    g_encodeFails = true;
    EXPECT_FALSE(image.Encode(&stream, PIXIMAGE_PCX));
    EXPECT_STREQ(image.GetLastErrorText(), "tag encoder failed");
    EXPECT_EQ(image.GetIndexAt(0, 0), 99);
}

TEST_F(DispatchTest, EncodeToMemoryHandsOverTheBlockOnlyOnSuccess)
{
    CPixImage image(2, 1, 8);
    image.SetIndexAt(0, 0, 5);
    BYTE existing = 0;
    BYTE* block = &existing;
    LONG length = -1;
    EXPECT_FALSE(image.EncodeToMemory(block, length, PIXIMAGE_TGA));
    EXPECT_EQ(block, &existing);
    EXPECT_EQ(length, -1);
    EXPECT_TRUE(g_encodes.empty());

    block = nullptr;
    ASSERT_TRUE(image.EncodeToMemory(block, length, PIXIMAGE_TGA));
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(length, 2);
    EXPECT_EQ(block[0], TagOf(PIXIMAGE_TGA));
    EXPECT_EQ(block[1], 5);
    std::free(block);

    g_encodeFails = true;
    block = nullptr;
    EXPECT_FALSE(image.EncodeToMemory(block, length, PIXIMAGE_TGA));
    EXPECT_EQ(block, nullptr);
}

// The real formats from here on.

TEST(MemoryRoundTripTest, BmpAndIconThroughMemoryBlocks)
{
    for (LONG type : {PIXIMAGE_BMP, PIXIMAGE_ICO}) {
        for (DWORD bpp : {1u, 4u, 8u, 24u}) {
            SCOPED_TRACE(std::to_string(type) + "@" + std::to_string(bpp));
            CPixImage source(7, 5, bpp, PIXIMAGE_BMP);
            testfiles::FillRandom(source, bpp);
            BYTE* block = nullptr;
            LONG length = 0;
            ASSERT_TRUE(source.EncodeToMemory(block, length, type)) << source.GetLastErrorText();
            std::unique_ptr<BYTE, decltype(&std::free)> owned(block, &std::free);
            CPixImage typed;
            ASSERT_TRUE(typed.DecodeFromMemory(block, length, type)) << typed.GetLastErrorText();
            EXPECT_TRUE(testfiles::SameColors(source, typed));
            EXPECT_EQ(typed.GetType(), type);
            CPixImage probed;
            ASSERT_TRUE(probed.DecodeFromMemory(block, length, PIXIMAGE_UNKNOWN));
            EXPECT_EQ(probed.GetType(), type);
            EXPECT_TRUE(testfiles::SameColors(source, probed));
        }
    }
}

TEST(MemoryRoundTripTest, DecodeFromMemoryNeverTouchesTheCallersBlock)
{
    CPixImage source(3, 3, 24);
    testfiles::FillRandom(source, 3);
    BYTE* block = nullptr;
    LONG length = 0;
    ASSERT_TRUE(source.EncodeToMemory(block, length, PIXIMAGE_BMP));
    const Bytes copy(block, block + length);
    CPixImage image;
    EXPECT_TRUE(image.DecodeFromMemory(block, length, PIXIMAGE_BMP));
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), block));
    std::free(block);

    EXPECT_FALSE(image.DecodeFromMemory(nullptr, 0, PIXIMAGE_UNKNOWN));
    EXPECT_STREQ(image.GetLastErrorText(), "Decode: Unknown or wrong format");
}

class LoadSaveTest : public ::testing::Test {
protected:
    TempDir m_dir;
};

TEST_F(LoadSaveTest, SaveThenLoadByTypeAndByProbe)
{
    CPixImage source(9, 4, 24, PIXIMAGE_BMP);
    testfiles::FillRandom(source, 1);
    source.SetDpiX(72);
    source.SetDpiY(72);
    const std::string name = m_dir.File("picture.bmp");
    ASSERT_TRUE(source.Save(name.c_str(), PIXIMAGE_BMP)) << source.GetLastErrorText();
    for (LONG type : {PIXIMAGE_BMP, PIXIMAGE_UNKNOWN}) {
        CPixImage loaded;
        ASSERT_TRUE(loaded.Load(name.c_str(), type));
        EXPECT_TRUE(testfiles::SameColors(source, loaded));
        EXPECT_EQ(loaded.GetType(), PIXIMAGE_BMP);
        EXPECT_EQ(loaded.GetDpiX(), 72);
    }
    EXPECT_EQ(m_dir.List(), std::vector<std::string>{"picture.bmp"});
}

TEST_F(LoadSaveTest, LoadByTheWrongTypeFallsBackToProbing)
{
    CPixImage source(3, 3, 8, PIXIMAGE_BMP);
    testfiles::FillRandom(source, 2);
    const std::string name = m_dir.File("really-a-bmp.ico");
    ASSERT_TRUE(source.Save(name.c_str(), PIXIMAGE_BMP));
    CPixImage loaded;
    ASSERT_TRUE(loaded.Load(name.c_str(), PIXIMAGE_ICO));
    EXPECT_EQ(loaded.GetType(), PIXIMAGE_BMP);
    EXPECT_TRUE(testfiles::SameColors(source, loaded));
}

TEST_F(LoadSaveTest, FailedLoadExplainsTheTypedAttempt)
{
    const std::string name = m_dir.File("notes.txt");
    testfiles::WriteFileBytes(name, Bytes{'h', 'e', 'l', 'l', 'o', ' ', 't', 'h', 'i', 's', ' ', 'i', 's', ' ',
                                          't', 'e', 'x', 't', ' ', 'a', 'n', 'd', ' ', 'n', 'o', 't', ' ', 'a',
                                          ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '.', ' ', ' ', ' ', ' ', '\n'});
    CPixImage image;
    EXPECT_FALSE(image.Load(name.c_str(), PIXIMAGE_BMP));
    EXPECT_STREQ(image.GetLastErrorText(), "Error reading BMP info");
    EXPECT_FALSE(image.Load(name.c_str(), PIXIMAGE_UNKNOWN));
    EXPECT_STREQ(image.GetLastErrorText(), "Decode: Unknown or wrong format");
}

TEST_F(LoadSaveTest, MissingFileLeavesTheTextAlone)
{
    CPixImage image;
    image.SetLastErrorText("before");
    for (LONG type : {PIXIMAGE_UNKNOWN, PIXIMAGE_BMP}) {
        EXPECT_FALSE(image.Load(m_dir.File("absent.bmp").c_str(), type));
        EXPECT_STREQ(image.GetLastErrorText(), "before");
    }
    EXPECT_FALSE(image.Load(nullptr, PIXIMAGE_UNKNOWN));
}

TEST_F(LoadSaveTest, FailedSaveLeavesAnExistingFileAsItWas)
{
    const std::string name = m_dir.File("keep.bmp");
    const Bytes original = {'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l'};
    testfiles::WriteFileBytes(name, original);

    struct Case {
        const char* what;
        DWORD width;
        LONG type;
        const char* text;
    };
    const Case cases[] = {
        {"empty image", 0, PIXIMAGE_BMP, "null image!!!"},
        {"type 0", 4, PIXIMAGE_UNKNOWN, "Encode: Unknown format"},
        {"type 16", 4, 16, "Encode: Unknown format"},
        {"encoder refuses", 256, PIXIMAGE_ICO, "Can't save this image as icon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CPixImage image;
        if (c.width) {
            ASSERT_TRUE(image.Create(c.width, c.width, 24, PIXIMAGE_BMP));
        }
        EXPECT_FALSE(image.Save(name.c_str(), c.type));
        EXPECT_STREQ(image.GetLastErrorText(), c.text);
        EXPECT_EQ(testfiles::ReadFileBytes(name), original);
        EXPECT_EQ(m_dir.List(), std::vector<std::string>{"keep.bmp"}); // no temporary left behind
    }
}

TEST_F(LoadSaveTest, UnsupportedTypeDoesNotCreateAFile)
{
    ScopedFormat noJpeg(PIXIMAGE_JPG, std::nullopt);
    CPixImage image(2, 2, 24);
    EXPECT_FALSE(image.Save(m_dir.File("new.jpg").c_str(), PIXIMAGE_JPG));
    EXPECT_STREQ(image.GetLastErrorText(), "Encode: Unknown format");
    EXPECT_TRUE(m_dir.List().empty());
}

TEST_F(LoadSaveTest, SaveReplacesTheFileKeepingItsModeAndLinks)
{
    const std::string real = m_dir.File("real.bmp");
    const std::string link = m_dir.File("link.bmp");
    testfiles::WriteFileBytes(real, Bytes{'o', 'l', 'd'});
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    std::filesystem::create_symlink("real.bmp", link);

    CPixImage image(5, 5, 4, PIXIMAGE_BMP);
    testfiles::FillRandom(image, 3);
    ASSERT_TRUE(image.Save(link.c_str(), PIXIMAGE_BMP));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    CPixImage loaded;
    ASSERT_TRUE(loaded.Load(real.c_str(), PIXIMAGE_BMP));
    EXPECT_TRUE(testfiles::SameColors(image, loaded));
    EXPECT_EQ(m_dir.List().size(), 2u);
}

TEST_F(LoadSaveTest, SaveIntoAMissingFolderFails)
{
    CPixImage image(2, 2, 24);
    EXPECT_FALSE(image.Save(m_dir.File("no/such/folder.bmp").c_str(), PIXIMAGE_BMP));
    EXPECT_FALSE(image.Save(nullptr, PIXIMAGE_BMP));
}

TEST_F(LoadSaveTest, FileWrappersUseTheCallersFileAndLeaveItOpen)
{
    const std::string name = m_dir.File("two.bin");
    FILE* file = std::fopen(name.c_str(), "w+b");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fputs("head", file), 1);
    CPixImage first(3, 2, 8, PIXIMAGE_BMP);
    testfiles::FillRandom(first, 4);
    ASSERT_TRUE(first.EncodeFile(file, PIXIMAGE_BMP));
    const long afterFirst = std::ftell(file);
    EXPECT_GT(afterFirst, 4);
    std::rewind(file);
    ASSERT_EQ(std::fseek(file, 4, SEEK_SET), 0);
    CPixImage loaded;
    ASSERT_TRUE(loaded.DecodeFile(file, PIXIMAGE_UNKNOWN));
    EXPECT_TRUE(testfiles::SameColors(first, loaded));
    EXPECT_EQ(std::fclose(file), 0); // still open, closed here exactly once

    EXPECT_FALSE(loaded.DecodeFile(nullptr, PIXIMAGE_BMP));
    EXPECT_FALSE(loaded.EncodeFile(nullptr, PIXIMAGE_BMP));
    EXPECT_STREQ(loaded.GetLastErrorText(), "null file handler");
}

// A full disk: the device refuses every write.
TEST_F(LoadSaveTest, FullDiskIsAFailure)
{
    struct stat device {};
    if (::stat("/dev/full", &device) != 0 || !S_ISCHR(device.st_mode))
        GTEST_SKIP() << "no /dev/full here";

    for (DWORD side : {2u, 600u}) { // buffered entirely, and larger than the stdio buffer
        SCOPED_TRACE(side);
        CPixImage image(side, side, 24);
        FILE* file = std::fopen("/dev/full", "wb");
        ASSERT_NE(file, nullptr);
        EXPECT_FALSE(image.EncodeFile(file, PIXIMAGE_BMP));
        std::fclose(file);

        // A device is written in place; it is never replaced by a renamed file.
        EXPECT_FALSE(image.Save("/dev/full", PIXIMAGE_BMP));
        EXPECT_NE(std::string(image.GetLastErrorText()), "");
        struct stat after {};
        ASSERT_EQ(::stat("/dev/full", &after), 0);
        EXPECT_TRUE(S_ISCHR(after.st_mode));
        EXPECT_EQ(after.st_rdev, device.st_rdev);
    }
}

} // namespace
