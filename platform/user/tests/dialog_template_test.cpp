// Dialog templates read from resources, malformed ones refused, and dialog units in pixels.
#include "platform/user/dialog_template.h"
#include "platform/user/dialog_units.h"
#include "platform/user/menu.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

constexpr DWORD kChild = 0x40000000, kVisible = 0x10000000, kTabStop = 0x00010000, kGroup = 0x00020000;

class DialogTemplateTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;
};

TEST_F(DialogTemplateTest, ReadsTheDialogAndEveryControl)
{
    const auto dialog = zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCE(102));
    ASSERT_TRUE(dialog.has_value()) << GetLastError();
    EXPECT_TRUE(dialog->extended);
    EXPECT_EQ(dialog->caption, "Snapshot manager");
    EXPECT_EQ(dialog->style, 0x80000000u | 0x00C00000u | 0x00080000u | 0x00020000u | 0x80u | 0x48u);
    EXPECT_EQ(dialog->exStyle, 0x40000u);
    EXPECT_EQ(dialog->cx, 440);
    EXPECT_EQ(dialog->cy, 281);
    EXPECT_TRUE(dialog->hasFont);
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->weight, 400);
    EXPECT_EQ(dialog->typeface, "MS Shell Dlg");

    struct Expected {
        const char* className;
        const char* text;
        DWORD id;
        DWORD style;
        short x, y, cx, cy;
    };
    const Expected expected[] = {
        {"Static", "", 1014, kChild | kGroup, 7, 7, 298, 206},
        {"Button", "Take snapshot", 1015, kChild | kVisible | kTabStop | 0x1, 314, 92, 120, 16},
        {"Edit", "", 1017, kChild | kVisible | 0x00800000 | kTabStop | 0x2000 | 0x800, 396, 127, 43, 14},
        {"msctls_updown32", "", 1018, kChild | kVisible | 0x2 | 0x20, 426, 127, 7, 14},
        {"Button", "Standard resolution", 1010, kChild | kVisible | 0x9 | kGroup, 275, 226, 79, 10},
        {"Static", "", 0xFFFFFFFF, kChild | kVisible | 0x10, 7, 266, 295, 1},
        {"{1F3A5C7E-0000-4000-8000-00AA00BB00CC}", "", 1002, kChild | kVisible | kTabStop, 0, 0, 100, 50},
    };
    ASSERT_EQ(dialog->items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const auto& item = dialog->items[i];
        EXPECT_EQ(item.className, expected[i].className);
        EXPECT_EQ(item.text.text, expected[i].text);
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(item.style, expected[i].style);
        EXPECT_EQ(item.x, expected[i].x);
        EXPECT_EQ(item.y, expected[i].y);
        EXPECT_EQ(item.cx, expected[i].cx);
        EXPECT_EQ(item.cy, expected[i].cy);
        EXPECT_EQ(item.IsActiveXControl(), i == 6);
    }
}

TEST_F(DialogTemplateTest, EveryCutShortTemplateIsRefused)
{
    const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCE(102), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
    const DWORD size = SizeofResource(nullptr, found);
    ASSERT_TRUE(zv::user::ParseDialogTemplate(data, size).has_value());
    for (DWORD length = 0; length < size; ++length) {
        // An exact-size copy, so a read past the end is caught by the address sanitizer.
        const std::unique_ptr<unsigned char[]> copy(new unsigned char[length]);
        std::copy(data, data + length, copy.get());
        EXPECT_FALSE(zv::user::ParseDialogTemplate(copy.get(), length).has_value()) << length;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    }
    EXPECT_FALSE(zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCE(101)).has_value());
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST_F(DialogTemplateTest, DialogUnitsMapAsMapDialogRectDoes)
{
    // Horizontal units are a quarter of the average width, vertical an eighth of the height,
    // rounded half away from zero.
    const zv::user::DialogBaseUnits base{6, 13};
    struct Case {
        RECT units;
        RECT pixels;
    };
    const Case cases[] = {
        {{0, 0, 4, 8}, {0, 0, 6, 13}},
        {{0, 0, 440, 281}, {0, 0, 660, 457}},      // 456.625
        {{314, 92, 434, 108}, {471, 150, 651, 176}}, // 149.5 and 175.5 round up
        {{-3, -5, 1, 4}, {-5, -8, 2, 7}},           // -4.5 rounds away from zero; 1.5 -> 2; 6.5 -> 7
    };
    for (const Case& c : cases) {
        const RECT mapped = zv::user::DialogUnitsToPixels(c.units, base);
        EXPECT_EQ(mapped.left, c.pixels.left);
        EXPECT_EQ(mapped.top, c.pixels.top);
        EXPECT_EQ(mapped.right, c.pixels.right);
        EXPECT_EQ(mapped.bottom, c.pixels.bottom);
    }
}

TEST_F(DialogTemplateTest, TheDialogFontIsLiberationSansAndSetsTheUnits)
{
    const auto shell = zv::user::BaseUnitsOfFont("MS Shell Dlg", 8);
    const auto liberation = zv::user::BaseUnitsOfFont("Liberation Sans", 8);
    ASSERT_TRUE(shell.has_value());
    ASSERT_TRUE(liberation.has_value());
    EXPECT_EQ(shell->cx, liberation->cx);
    EXPECT_EQ(shell->cy, liberation->cy);
    // An 8-point sans face at 96 pixels per inch: about 6 pixels wide and 12 to 13 high.
    EXPECT_GE(shell->cx, 5);
    EXPECT_LE(shell->cx, 7);
    EXPECT_GE(shell->cy, 11);
    EXPECT_LE(shell->cy, 14);
    EXPECT_EQ(GetDialogBaseUnits(), (shell->cy << 16) | shell->cx);
    const auto large = zv::user::BaseUnitsOfFont("MS Shell Dlg", 16);
    ASSERT_TRUE(large.has_value());
    EXPECT_GE(large->cx, 2 * shell->cx - 1);
    EXPECT_GE(large->cy, 2 * shell->cy - 1);

    // A template without a font is laid out with the system dialog font.
    const auto plain = zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCE(103));
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->hasFont);
    const auto layout = zv::user::LayoutInPixels(*plain);
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->base.cx, shell->cx);
    EXPECT_EQ(layout->base.cy, shell->cy);
    ASSERT_EQ(layout->items.size(), 1u);
    EXPECT_EQ(layout->items[0].right - layout->items[0].left, 10 * shell->cx);
    EXPECT_EQ(layout->dialog.left, (10 * shell->cx + 2) / 4);
}

} // namespace
