// The snapshot manager's resource set: its own texts under ids the main program also uses, and
// its two dialogs.
#include "res/tests/resource_checks.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

namespace {

using namespace zv::res::test;

class ShotboxResourcesTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;
};

TEST_F(ShotboxResourcesTest, MessagesReadAsTheProgramShowsThem)
{
    const std::pair<UINT, const char*> messages[] = {
        {101, "&About Shotbox..."},
        {102, "The file was successfully submitted to the server."},
        {103, "Windows sockets initialization failed."},
        {105, "This operation requires the Zelvante program running and a user being logged in."},
        {106, "No picture is selected."},
        {107, "Error loading image file."},
        {108, "Error resampling image."},
        {110, "Error sending data to the server."},
        {111, "Error saving temporary file for transmission."},
        {113, "Server declined request."},
        {114, "No images are selected."},
        {115, "There are no unsaved images in the list."},
        {116, "The file \"%s\" already exists.\r\nDo you want to overwrite existing file?"},
        {117, "Error saving file \"%s\"."},
        {118, "There are unsaved images in the list.\r\nDo you want to save all unsaved images now?\r\n\r\nYes - save "
              "all unsaved images and continue;\r\nNo - continue without saving any images;\r\nCancel - interrupt "
              "current operation.\r\n"},
        {119, "The file \"%s\" was not submitted to the server.\r\nDo you want to continue sending other files?"},
        {120, "%d %s submitted to the server."},
        {121, "%d %s saved to %s."},
    };
    for (const auto& [id, text] : messages)
        EXPECT_EQ(String(id), text) << id;
    EXPECT_EQ(String(104).rfind("http://", 0), 0u);
    EXPECT_NE(String(104).find("/site/zelv/fotoUpload.asp"), std::string::npos);
    EXPECT_NE(String(112).find("/site/zelv/snapshot.asp?ID_USER=%s&Category=%d&Title=%s&Make_Master=%d&resolution=%d"),
              std::string::npos);
}

TEST_F(ShotboxResourcesTest, SnapshotManagerDialogHasEveryControlWhereItBelongs)
{
    const auto dialog = zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCE(102));
    ASSERT_TRUE(dialog.has_value());
    EXPECT_EQ(dialog->caption, "Snapshot manager");
    EXPECT_EQ(dialog->cx, 440);
    EXPECT_EQ(dialog->cy, 281);
    EXPECT_EQ(dialog->typeface, "MS Shell Dlg");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->style & 0x80000000u, 0x80000000u); // WS_POPUP
    EXPECT_EQ(dialog->style & 0x00C00000u, 0x00C00000u); // WS_CAPTION
    EXPECT_EQ(dialog->style & 0x00080000u, 0x00080000u); // WS_SYSMENU
    EXPECT_EQ(dialog->style & 0x00020000u, 0x00020000u); // WS_MINIMIZEBOX
    EXPECT_EQ(dialog->exStyle & 0x40000u, 0x40000u);     // WS_EX_APPWINDOW

    constexpr DWORD kVisible = 0x10000000, kDisabled = 0x08000000, kGroup = 0x00020000;
    struct Expected {
        int id;
        const char* className;
        const char* text;
        short x, y, cx, cy;
        bool visible;
        bool disabled;
    };
    const Expected expected[] = {
        {1014, "Static", "", 7, 7, 298, 206, false, false},
        {1016, "Static", "", 313, 7, 120, 80, true, false},
        {1015, "Button", "Take snapshot", 314, 92, 120, 16, true, false},
        {1009, "Button", "Snapshot with 5 sec delay", 314, 109, 120, 16, true, false},
        {1000, "Button", "Non-stop", 314, 126, 45, 16, true, false},
        {-1, "Static", "Interval:", 363, 129, 29, 8, true, false},
        {1017, "Edit", "", 396, 127, 43, 14, true, false},
        {1018, "msctls_updown32", "", 426, 127, 7, 14, true, false},
        {1002, "Button", "Save to disk", 313, 150, 120, 16, true, true},
        {1003, "Button", "Open folder", 313, 167, 120, 16, false, false},
        {2, "Button", "Close", 313, 191, 120, 16, true, false},
        {-1, "Static", "", 7, 217, 425, 1, false, false},
        {-1, "Static", "Title:", 7, 227, 17, 8, true, false},
        {1005, "Edit", "", 30, 225, 227, 14, true, false},
        {1006, "Button", "Make it profile photo", 29, 244, 81, 10, true, false},
        {1010, "Button", "Standard resolution", 275, 226, 79, 10, true, false},
        {1011, "Button", "High resolution", 275, 239, 63, 10, true, false},
        {1012, "Button", "General group", 367, 225, 61, 10, true, false},
        {1013, "Button", "Adult group", 367, 239, 53, 10, true, false},
        {1001, "Button", "Send to server", 313, 258, 120, 16, true, true},
        {-1, "Static", "", 7, 266, 295, 1, true, false},
    };
    ASSERT_EQ(dialog->items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& item = dialog->items[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.id);
        EXPECT_EQ(static_cast<int>(item.id), e.id);
        EXPECT_EQ(item.className, e.className);
        EXPECT_EQ(item.text.text, e.text);
        EXPECT_EQ((std::vector<short>{item.x, item.y, item.cx, item.cy}), (std::vector<short>{e.x, e.y, e.cx, e.cy}));
        EXPECT_EQ((item.style & kVisible) != 0, e.visible);
        EXPECT_EQ((item.style & kDisabled) != 0, e.disabled);
    }
    // The default button, the read-only number edit, the up-down's buddy and the two radio groups.
    EXPECT_EQ(dialog->items[2].style & 0xF, 1u);
    EXPECT_EQ(dialog->items[6].style & (0x2000 | 0x800), 0x2000u | 0x800u);
    EXPECT_EQ(dialog->items[7].style & (0x10 | 0x2 | 0x20 | 0x80), 0x10u | 0x2u | 0x20u | 0x80u);
    EXPECT_EQ(dialog->items[15].style & (kGroup | 0xF), kGroup | 9u);
    EXPECT_EQ(dialog->items[16].style & kGroup, 0u);
    EXPECT_EQ(dialog->items[17].style & (kGroup | 0xF), kGroup | 9u);
    EXPECT_EQ(dialog->items[11].style & 0x1F, 0x10u); // SS_ETCHEDHORZ
}

TEST_F(ShotboxResourcesTest, IconAndSounds)
{
    EXPECT_TRUE(PictureGroupIsWhole(128, false));
    for (const char* sound : {"Snapshot", "Tic", "CRYSTAL"})
        EXPECT_TRUE(IsWave(sound)) << sound;
}

TEST_F(ShotboxResourcesTest, ProgramVersionMatchesTheAboutBox)
{
    EXPECT_EQ(ProgramVersion(), "1.0.0.1");
}

TEST_F(ShotboxResourcesTest, AboutBox)
{
    const auto about = zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCE(100));
    ASSERT_TRUE(about.has_value());
    EXPECT_EQ(about->caption, "About Shotbox");
    EXPECT_EQ(about->cx, 235);
    EXPECT_EQ(about->cy, 55);
    ASSERT_EQ(about->items.size(), 3u);
    EXPECT_EQ(about->items[0].text.ordinal, 128); // the program's icon
    EXPECT_EQ(about->items[1].text.text, "Shotbox Version 1.0");
    EXPECT_EQ(about->items[2].id, 1u);
    EXPECT_EQ(about->items[2].text.text, "OK");
}

} // namespace
