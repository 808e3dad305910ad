#include "capture/SharedVideoBuffer.h"
#include "platform/gdi/gdi.h"
#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using Bitmap = std::unique_ptr<HBITMAP__, decltype([](HBITMAP b) { DeleteObject(b); })>;

// 24 bits with every byte depending on its place, or a 1-bit stripe pattern.
Bitmap MakePicture(int width, int height, bool monochrome = false)
{
    if (monochrome)
        return Bitmap(CreateBitmap(width, height, 1, 1, Bytes((width + 15) / 16 * 2 * height, 0x5A).data()));
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    for (int i = 0; bits && i < width * height * 3; ++i)
        static_cast<BYTE*>(bits)[i] = static_cast<BYTE>(i * 7 + i / (width * 3));
    return bitmap;
}

// The picture's 24-bit pixels, resampled bicubically to the slot's size unless they fit it.
Bytes ExpectedSlot(HBITMAP bitmap, int slot)
{
    const FrameSize size = g_FormatSizes[slot];
    CPixImage image, scaled;
    if (!image.CreateFromHBITMAP(bitmap) || !image.IncreaseBpp(24) ||
        !image.Resample(size.width, size.height, 2, &scaled))
        return {};
    return Bytes(scaled.GetRowPointer(0), scaled.GetRowPointer(0) + g_nFormatBytes[slot]);
}

Bytes SlotOf(const BYTE* view, int slot)
{
    const BYTE* start = view + kVideoSlotOffsets[slot];
    return Bytes(start, start + g_nFormatBytes[slot]);
}

bool IsBlank(const Bytes& bytes) { return std::count(bytes.begin(), bytes.end(), 0) == std::ssize(bytes); }
// The host is little-endian, as the block is.
void SetMask(BYTE* view, DWORD mask) { std::copy_n(reinterpret_cast<const BYTE*>(&mask), 4, view); }

class SharedVideoBufferTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot m_root;
    CSharedVideoBuffer m_buffer;
};

TEST(VideoSlots, FollowEachOtherFromOffsetFourToTheEndOfTheBlock)
{
    const DWORD offsets[] = {4, 57604, 133636, 260356, 389956, 620356, 924484, 1846084, 2882884, 4049284};
    for (int i = 0; i < kVideoSlotCount; ++i)
        EXPECT_EQ(kVideoSlotOffsets[i], offsets[i]) << i;
    EXPECT_EQ(kVideoSlotOffsets[4] - kVideoSlotOffsets[3], 129600u);
    EXPECT_EQ(kVideoSlotOffsets[9] + g_nFormatBytes[9], 5293444u);
}

TEST_F(SharedVideoBufferTest, MaskSetAfterStartIsFirstHonouredOnTheThirdPublication)
{
    ASSERT_TRUE(m_buffer.Create());
    SetMask(m_buffer.View(), (1u << 6) | (1u << 3));
    const Bitmap picture = MakePicture(240, 180);
    for (int publication = 1; publication <= 4; ++publication) {
        m_buffer.PublishStill(picture.get());
        // The mask is read on the 25th test: after slot 3's test and before slot 6's in the third round.
        EXPECT_EQ(!IsBlank(SlotOf(m_buffer.View(), 6)), publication >= 3) << publication;
        EXPECT_EQ(!IsBlank(SlotOf(m_buffer.View(), 3)), publication >= 4) << publication;
    }
    EXPECT_TRUE(SlotOf(m_buffer.View(), 6) == ExpectedSlot(picture.get(), 6));
    EXPECT_TRUE(IsBlank(SlotOf(m_buffer.View(), 5)) && IsBlank(SlotOf(m_buffer.View(), 7)));
}

TEST_F(SharedVideoBufferTest, SlotThreeTakesOnlyA240By180TrueColourPictureUnscaled)
{
    struct Case { int width, height; bool monochrome; };
    for (const Case c : {Case{240, 180, false}, Case{320, 240, false}, Case{240, 180, true}, Case{100, 50, false}}) {
        zv::win32::testing::TempZvRoot root;
        CSharedVideoBuffer buffer;
        ASSERT_TRUE(buffer.Create());
        SetMask(buffer.View(), 1u << 3);
        for (int i = 0; i < CSharedVideoBuffer::kMaskReadInterval; ++i)
            buffer.ReadRequestMask(0);
        const Bitmap picture = MakePicture(c.width, c.height, c.monochrome);
        buffer.PublishStill(picture.get());
        const Bytes slot = SlotOf(buffer.View(), 3);
        EXPECT_TRUE(!IsBlank(slot) && slot == ExpectedSlot(picture.get(), 3)) << c.width << "x" << c.height;
        EXPECT_TRUE(IsBlank(SlotOf(buffer.View(), 2)) && IsBlank(SlotOf(buffer.View(), 4)));
    }
}

TEST_F(SharedVideoBufferTest, SmallerExistingBlockGivesNoViewAndNothingIsWritten)
{
    HANDLE small = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, "ZelvanteVideoBuffer");
    auto* smallView = static_cast<BYTE*>(MapViewOfFile(small, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(smallView, nullptr);
    SetMask(smallView, 0x3FF);

    EXPECT_FALSE(m_buffer.Create());
    EXPECT_EQ(m_buffer.View(), nullptr);
    const Bitmap picture = MakePicture(240, 180);
    for (int i = 0; i < 3; ++i)
        m_buffer.PublishStill(picture.get());
    EXPECT_FALSE(m_buffer.ReadRequestMask(0)); // the cached mask was never read
    m_buffer.WriteSlot(0, Bytes(g_nFormatBytes[0], 1).data());
    EXPECT_TRUE(IsBlank(Bytes(smallView + 4, smallView + 65536)));
    UnmapViewOfFile(smallView);
    CloseHandle(small);
}

TEST_F(SharedVideoBufferTest, ASecondProcessReadsWhatWasPublished)
{
    ASSERT_TRUE(m_buffer.Create());
    const std::string consumer = std::string("'") + SHARED_BUFFER_CONSUMER_PATH + "'";
    ASSERT_EQ(std::system((consumer + " set-mask 64").c_str()), 0);
    const Bitmap picture = MakePicture(320, 240);
    for (int i = 0; i < 3; ++i)
        m_buffer.PublishStill(picture.get());

    const std::string dump = m_root.Path() + "/slot6";
    ASSERT_EQ(std::system((consumer + " dump 6 '" + dump + "'").c_str()), 0);
    std::ifstream file(dump, std::ios::binary);
    const Bytes read((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(read == ExpectedSlot(picture.get(), 6));
}

} // namespace
