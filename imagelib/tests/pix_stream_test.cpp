#include "imagelib/PixFileStream.h"
#include "imagelib/PixMemStream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

std::vector<BYTE> Ramp(size_t n)
{
    std::vector<BYTE> bytes(n);
    std::iota(bytes.begin(), bytes.end(), BYTE{1});
    return bytes;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// ---- memory stream over a caller's block -------------------------------------------------------

TEST(PixMemStreamTest, ReadPastEndOfCallersBlockStopsAtItsEnd)
{
    std::vector<BYTE> block = Ramp(100);
    CPixMemStream stream(block.data(), 100);
    std::array<BYTE, 150> buf{};
    EXPECT_EQ(stream.Read(buf.data(), 1, 150), 100u);
    EXPECT_EQ(0, std::memcmp(buf.data(), block.data(), 100));
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.GetC(), -1);
    EXPECT_EQ(stream.Error(), 0);
    EXPECT_EQ(stream.Tell(), 100);
}

TEST(PixMemStreamTest, ReadCountsWholeElementsButConsumesThePartialOne)
{
    struct Case { size_t size, count, expected; int32_t endPosition; };
    const Case cases[] = {
        {4, 3, 2, 100},   // 10 bytes left: two whole elements, all 10 consumed
        {1, 10, 10, 100},
        {5, 2, 2, 100},
        {2, 3, 3, 96},
        {11, 1, 0, 100},  // one element larger than what is left
        {0, 5, 0, 90},    // zero-byte request moves nothing
        {5, 0, 0, 90},
    };
    std::vector<BYTE> block = Ramp(100);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " x " << c.count);
        CPixMemStream stream(block.data(), 100);
        ASSERT_TRUE(stream.Seek(90, 0));
        std::array<BYTE, 64> buf{};
        EXPECT_EQ(stream.Read(buf.data(), c.size, c.count), c.expected);
        EXPECT_EQ(stream.Tell(), c.endPosition);
        const bool copied = c.endPosition != 90;
        EXPECT_EQ(buf[0], copied ? block[90] : 0);
    }
}

TEST(PixMemStreamTest, ReadRefusesAByteCountThatOverflows)
{
    std::vector<BYTE> block = Ramp(16);
    CPixMemStream stream(block.data(), 16);
    std::array<BYTE, 16> buf{};
    const size_t huge = std::numeric_limits<size_t>::max() / 2 + 1;
    EXPECT_EQ(stream.Read(buf.data(), huge, 2), 0u);
    EXPECT_EQ(stream.Tell(), 0);
}

TEST(PixMemStreamTest, SeekMovesOnlyToPositionsThatFit)
{
    struct Case { int32_t start; int32_t offset; int32_t origin; bool ok; int32_t position; };
    const Case cases[] = {
        {3, -1, 0, false, 3},
        {3, 7, 0, true, 7},
        {3, 4, 1, true, 7},
        {3, -4, 1, false, 3},
        {3, 5, 2, true, 15},
        {3, -10, 2, true, 0},
        {3, -11, 2, false, 3},
        {3, 0, 3, false, 3},
        {3, 0, -1, false, 3},
        {3, kInt32Max, 0, true, kInt32Max},
        {kInt32Max, 1, 1, false, kInt32Max},
        {3, kInt32Max, 2, false, 3},
        {kInt32Max, std::numeric_limits<int32_t>::min(), 1, false, kInt32Max},
    };
    std::vector<BYTE> block = Ramp(10);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " " << c.offset << " " << c.origin);
        CPixMemStream stream(block.data(), 10);
        ASSERT_TRUE(stream.Seek(c.start, 0));
        EXPECT_EQ(stream.Seek(c.offset, c.origin), c.ok);
        EXPECT_EQ(stream.Tell(), c.position);
    }
}

TEST(PixMemStreamTest, SeekBeyondDataReportsErrorAndWriteThereExtendsTheData)
{
    CPixMemStream stream;
    const std::vector<BYTE> first = Ramp(10);
    ASSERT_EQ(stream.Write(first.data(), 1, 10), 10u);
    ASSERT_TRUE(stream.Seek(5, 2));
    EXPECT_EQ(stream.Tell(), 15);
    EXPECT_EQ(stream.Error(), 1);
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.GetC(), -1);

    const BYTE tail[3] = {0xAA, 0xBB, 0xCC};
    EXPECT_EQ(stream.Write(tail, 1, 3), 3u);
    EXPECT_EQ(stream.Size(), 18);
    EXPECT_EQ(stream.Error(), 0);
    EXPECT_EQ(0, std::memcmp(stream.GetBuffer(), first.data(), 10));
    EXPECT_EQ(0, std::memcmp(stream.GetBuffer() + 15, tail, 3));
}

TEST(PixMemStreamTest, CallersBlockRefusesWritesAndStaysUntouched)
{
    std::vector<BYTE> block = Ramp(8);
    const std::vector<BYTE> original = block;
    CPixMemStream stream(block.data(), 8);
    const BYTE data[4] = {9, 9, 9, 9};
    ASSERT_TRUE(stream.Seek(2, 0));
    EXPECT_EQ(stream.Write(data, 1, 4), 0u);
    EXPECT_FALSE(stream.PutC(7));
    ASSERT_TRUE(stream.Seek(20, 0));
    EXPECT_EQ(stream.Write(data, 1, 4), 0u);
    EXPECT_FALSE(stream.Alloc(100));
    EXPECT_EQ(stream.Tell(), 20);
    EXPECT_EQ(stream.Size(), 8);
    EXPECT_EQ(stream.Capacity(), 0);
    EXPECT_EQ(stream.GetBuffer(), block.data());
    EXPECT_EQ(block, original);
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(stream.GetBuffer(), block.data());  // not freed
}

TEST(PixMemStreamTest, StreamWithoutBlockGivesTheEmptyResults)
{
    CPixMemStream stream(nullptr, 100);
    BYTE buf[4] = {};
    EXPECT_EQ(stream.Read(buf, 1, 4), 0u);
    EXPECT_EQ(stream.Write(buf, 1, 4), 0u);
    EXPECT_FALSE(stream.PutC(1));
    EXPECT_FALSE(stream.Seek(0, 0));
    EXPECT_EQ(stream.Tell(), -1);
    EXPECT_EQ(stream.Size(), -1);
    EXPECT_FALSE(stream.Flush());
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.Error(), -1);
    EXPECT_EQ(stream.GetC(), -1);
    EXPECT_TRUE(stream.Close());
}

// ---- memory stream for writing -----------------------------------------------------------------

TEST(PixMemStreamTest, AllocGrowsInWholeSteps)
{
    struct Case { int64_t before; int64_t needed; int32_t capacity; };
    const Case cases[] = {
        {0, 0, 0},
        {0, 1, 4096},
        {0, 4096, 4096},
        {4096, 4097, 8192},
        {0, 10000, 12288},
        {12288, 12288, 12288},
        {12288, 12289, 16384},
        {4096, 20000, 20480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " -> " << c.needed);
        CPixMemStream stream;
        ASSERT_TRUE(stream.Alloc(c.before));
        ASSERT_TRUE(stream.Alloc(c.needed));
        EXPECT_EQ(stream.Capacity(), c.capacity);
    }
}

TEST(PixMemStreamTest, WritesGrowTheBlockAndKeepTheirBytes)
{
    CPixMemStream stream;
    EXPECT_EQ(stream.Capacity(), 0);
    EXPECT_TRUE(stream.PutC(0x42));
    EXPECT_EQ(stream.Capacity(), 4096);
    const std::vector<BYTE> body = Ramp(9999);
    EXPECT_EQ(stream.Write(body.data(), 3, 3333), 3333u);
    EXPECT_EQ(stream.Capacity(), 12288);
    EXPECT_EQ(stream.Size(), 10000);
    EXPECT_EQ(stream.Tell(), 10000);

    ASSERT_TRUE(stream.Seek(0, 0));
    EXPECT_EQ(stream.GetC(), 0x42);
    std::vector<BYTE> back(9999);
    EXPECT_EQ(stream.Read(back.data(), 1, back.size()), back.size());
    EXPECT_EQ(back, body);
    EXPECT_TRUE(stream.Eof());

    // Overwriting inside the data leaves its size alone.
    ASSERT_TRUE(stream.Seek(1, 0));
    EXPECT_TRUE(stream.PutC(0x99));
    EXPECT_EQ(stream.Size(), 10000);
    EXPECT_EQ(stream.GetBuffer()[1], 0x99);
}

TEST(PixMemStreamTest, GrowthThatCannotFitFailsAndKeepsTheBlock)
{
    CPixMemStream stream;
    const BYTE data[4] = {1, 2, 3, 4};
    ASSERT_EQ(stream.Write(data, 1, 4), 4u);
    const BYTE* block = stream.GetBuffer();

    EXPECT_FALSE(stream.Alloc(int64_t{kInt32Max} + 1));
    ASSERT_TRUE(stream.Seek(kInt32Max - 1, 0));
    EXPECT_EQ(stream.Write(data, 1, 2), 0u);
    ASSERT_TRUE(stream.Seek(kInt32Max, 0));
    EXPECT_FALSE(stream.PutC(5));
    EXPECT_EQ(stream.Write(data, std::numeric_limits<size_t>::max(), 2), 0u);

    EXPECT_EQ(stream.GetBuffer(), block);
    EXPECT_EQ(stream.Capacity(), 4096);
    EXPECT_EQ(stream.Size(), 4);
    EXPECT_EQ(0, std::memcmp(stream.GetBuffer(), data, 4));
}

TEST(PixMemStreamTest, ReleasedBlockBelongsToTheCaller)
{
    const std::string text = "encoded picture";
    BYTE* block = nullptr;
    int32_t size = 0;
    {
        CPixMemStream stream;
        ASSERT_EQ(stream.Write(text.data(), 1, text.size()), text.size());
        size = stream.Size();
        block = stream.Release();
        EXPECT_EQ(stream.Size(), size);
        EXPECT_EQ(stream.Write(text.data(), 1, 1), 0u);  // no longer the stream's to grow
        EXPECT_TRUE(stream.Close());
        EXPECT_EQ(stream.GetBuffer(), block);
    }
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), static_cast<size_t>(size)), text);
    std::free(block);  // a double free or leak here shows under AddressSanitizer
}

TEST(PixMemStreamTest, CloseFreesAnOwnedBlock)
{
    CPixMemStream stream;
    ASSERT_TRUE(stream.PutC(1));
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(stream.GetBuffer(), nullptr);
    EXPECT_EQ(stream.Size(), -1);
    EXPECT_EQ(stream.Write("x", 1, 1), 0u);
    EXPECT_TRUE(stream.Close());
}

// ---- file stream -------------------------------------------------------------------------------

TEST(PixFileStreamTest, CallersFileStaysOpenAfterCloseAndDestruction)
{
    FilePtr file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    {
        CPixFileStream stream(file.get());
        EXPECT_EQ(stream.Write("abc", 1, 3), 3u);
        EXPECT_TRUE(stream.PutC('d'));
        EXPECT_TRUE(stream.Close());
        EXPECT_EQ(stream.Tell(), 4);  // still usable: Close left the FILE alone
    }
    ASSERT_EQ(std::fputs("ef", file.get()), 1);
    ASSERT_EQ(std::fflush(file.get()), 0);
    std::rewind(file.get());
    char back[8] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, file.get()), 6u);
    EXPECT_STREQ(back, "abcdef");
}

TEST(PixFileStreamTest, SizeKeepsThePosition)
{
    FilePtr file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    CPixFileStream stream(file.get());
    const std::vector<BYTE> body = Ramp(300);
    ASSERT_EQ(stream.Write(body.data(), 1, body.size()), body.size());
    ASSERT_TRUE(stream.Seek(120, 0));
    EXPECT_EQ(stream.Size(), 300);
    EXPECT_EQ(stream.Tell(), 120);
    EXPECT_EQ(stream.GetC(), body[120]);
}

TEST(PixFileStreamTest, ReadsToTheEndLikeStdio)
{
    FilePtr file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    CPixFileStream stream(file.get());
    const std::vector<BYTE> body = Ramp(10);
    ASSERT_EQ(stream.Write(body.data(), 1, 10), 10u);
    ASSERT_TRUE(stream.Flush());
    ASSERT_TRUE(stream.Seek(-10, 2));
    BYTE buf[12] = {};
    EXPECT_EQ(stream.Read(buf, 4, 3), 2u);
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.GetC(), -1);
    EXPECT_EQ(stream.Error(), 0);
    EXPECT_FALSE(stream.Seek(0, 3));
    EXPECT_EQ(stream.Read(buf, std::numeric_limits<size_t>::max(), 2), 0u);
}

TEST(PixFileStreamTest, SeekBeyondThirtyTwoBitsFailsAndStays)
{
    FilePtr file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    CPixFileStream stream(file.get());
    ASSERT_TRUE(stream.Seek(kInt32Max, 0));
    EXPECT_EQ(stream.Tell(), kInt32Max);
    EXPECT_FALSE(stream.Seek(1, 1));
    EXPECT_EQ(stream.Tell(), kInt32Max);
    EXPECT_FALSE(stream.Seek(-1, 0));
    EXPECT_EQ(stream.Tell(), kInt32Max);
}

TEST(PixFileStreamTest, StreamWithoutFileGivesTheEmptyResults)
{
    CPixFileStream stream;
    BYTE buf[4] = {};
    EXPECT_EQ(stream.Read(buf, 1, 4), 0u);
    EXPECT_EQ(stream.Write(buf, 1, 4), 0u);
    EXPECT_FALSE(stream.Seek(0, 0));
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_EQ(stream.Size(), -1);
    EXPECT_FALSE(stream.Flush());
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.Error(), -1);
    EXPECT_FALSE(stream.PutC('x'));
    EXPECT_EQ(stream.GetC(), -1);
    EXPECT_TRUE(stream.Close());  // nothing to close; must not touch a null FILE
}

// The base PutC writes one byte through Write.
TEST(PixStreamTest, BasePutCGoesThroughWrite)
{
    struct Recorder : CPixStream {
        std::vector<BYTE> written;
        bool accept = true;
        bool Close() override { return true; }
        size_t Read(void*, size_t, size_t) override { return 0; }
        size_t Write(const void* b, size_t size, size_t count) override
        {
            if (!accept)
                return 0;
            const BYTE* p = static_cast<const BYTE*>(b);
            written.insert(written.end(), p, p + size * count);
            return count;
        }
        bool Seek(int32_t, int32_t) override { return false; }
        int32_t Tell() override { return 0; }
        int32_t Size() override { return 0; }
        bool Flush() override { return true; }
        bool Eof() override { return true; }
        int32_t Error() override { return 0; }
        int32_t GetC() override { return -1; }
    } recorder;
    CPixStream& stream = recorder;
    EXPECT_TRUE(stream.PutC(0xFE));
    recorder.accept = false;
    EXPECT_FALSE(stream.PutC(0x01));
    EXPECT_EQ(recorder.written, std::vector<BYTE>{0xFE});
}

} // namespace
