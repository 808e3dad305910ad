// Icons, cursors, bitmaps, sounds and pages from the test program's own resource set.
#include "platform/user/input.h"
#include "platform/user/resource_images.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ResourceImagesTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;
    HINSTANCE module = GetModuleHandleA(nullptr);
};

// The colour in the middle of an icon's picture and its size.
struct IconLook {
    int width = 0;
    int height = 0;
    COLORREF middle = CLR_INVALID;
    POINT hotspot{};
    bool isIcon = false;
};

IconLook LookAt(HICON icon)
{
    IconLook look;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return look;
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    look.width = colour.bmWidth;
    look.height = colour.bmHeight;
    look.hotspot = POINT{static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
    look.isIcon = info.fIcon != FALSE;
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, info.hbmColor);
    look.middle = GetPixel(hdc, colour.bmWidth / 2, colour.bmHeight / 2) & 0xFFFFFF;
    SelectObject(hdc, old);
    DeleteDC(hdc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return look;
}

TEST_F(ResourceImagesTest, IconGroupsGiveTheNearestPicture)
{
    constexpr COLORREF kRed = RGB(255, 0, 0);  // the 16-pixel picture
    constexpr COLORREF kBlue = RGB(0, 0, 255); // the 32-pixel picture
    struct Case {
        const char* what;
        HANDLE (*load)(HINSTANCE);
        int side;
        COLORREF colour;
    };
    const Case cases[] = {
        {"LoadIconA: the large picture", [](HINSTANCE m) -> HANDLE { return LoadIconA(m, MAKEINTRESOURCEA(128)); }, 32, kBlue},
        {"by name, any case", [](HINSTANCE m) -> HANDLE { return LoadIconA(m, "Logo"); }, 32, kBlue},
        {"small size", [](HINSTANCE m) { return LoadImageA(m, MAKEINTRESOURCEA(128), IMAGE_ICON, 16, 16, 0); }, 16, kRed},
        {"near the small size", [](HINSTANCE m) { return LoadImageA(m, MAKEINTRESOURCEA(128), IMAGE_ICON, 20, 20, 0); }, 20, kRed},
        {"near the large size", [](HINSTANCE m) { return LoadImageA(m, MAKEINTRESOURCEA(128), IMAGE_ICON, 26, 26, 0); }, 26, kBlue},
        {"default size", [](HINSTANCE m) { return LoadImageA(m, "LOGO", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE); }, 32, kBlue},
        {"a size between, stretched", [](HINSTANCE m) { return LoadImageA(m, "LOGO", IMAGE_ICON, 24, 24, LR_SHARED); }, 24, kBlue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HANDLE icon = c.load(module);
        ASSERT_NE(icon, nullptr);
        const IconLook look = LookAt(static_cast<HICON>(icon));
        EXPECT_EQ(look.width, c.side);
        EXPECT_EQ(look.height, c.side);
        EXPECT_EQ(look.middle, c.colour);
        EXPECT_TRUE(look.isIcon);
    }
}

TEST_F(ResourceImagesTest, SharedLoadsGiveOneHandleAndOthersNewOnes)
{
    const HICON icon = LoadIconA(module, MAKEINTRESOURCEA(128));
    EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCEA(128)), icon);
    EXPECT_EQ(LoadImageA(module, MAKEINTRESOURCEA(128), IMAGE_ICON, 32, 32, LR_SHARED), icon);
    const HANDLE own = LoadImageA(module, MAKEINTRESOURCEA(128), IMAGE_ICON, 32, 32, 0);
    EXPECT_NE(own, icon);
    EXPECT_TRUE(DestroyIcon(static_cast<HICON>(own)));
    // Destroying one's own copy leaves the shared one alone.
    EXPECT_EQ(LookAt(icon).width, 32);
}

TEST_F(ResourceImagesTest, CursorsOfTheProgramAndStandardOnes)
{
    const HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(104));
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(LoadCursorA(module, MAKEINTRESOURCEA(104)), cursor);
    const IconLook look = LookAt(cursor);
    EXPECT_FALSE(look.isIcon);
    EXPECT_EQ(look.width, 32);
    EXPECT_EQ(look.hotspot.x, 5);
    EXPECT_EQ(look.hotspot.y, 7);
    EXPECT_EQ(look.middle, RGB(0, 255, 0));
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_TRUE(zv::user::IsStandardCursor(arrow));
    EXPECT_NE(arrow, cursor);
    // A program's cursor shows through SetCursor like a standard one.
    SetCursor(cursor);
    EXPECT_EQ(GetCursor(), cursor);
    SetCursor(arrow);
}

TEST_F(ResourceImagesTest, BitmapsKeepTheirOrientationAndStretch)
{
    struct Case {
        const char* what;
        HBITMAP bitmap;
        int width, height;
    };
    const Case cases[] = {
        {"LoadBitmapA", LoadBitmapA(module, MAKEINTRESOURCEA(175)), 4, 3},
        {"LoadImageA, own size", static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(175), IMAGE_BITMAP, 0, 0, 0)), 4, 3},
        {"LoadImageA, twice the size", static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(175), IMAGE_BITMAP, 8, 6, 0)), 8, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.bitmap, nullptr) << GetLastError();
        BITMAP info{};
        ASSERT_NE(GetObjectA(c.bitmap, sizeof info, &info), 0);
        EXPECT_EQ(info.bmWidth, c.width);
        EXPECT_EQ(info.bmHeight, c.height);
        HDC hdc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(hdc, c.bitmap);
        EXPECT_EQ(GetPixel(hdc, 0, 0) & 0xFFFFFF, RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(hdc, c.width - 1, c.height - 1) & 0xFFFFFF, RGB(0, 255, 0));
        EXPECT_EQ(GetPixel(hdc, c.width - 1, 0) & 0xFFFFFF, RGB(255, 255, 255));
        SelectObject(hdc, old);
        DeleteDC(hdc);
        DeleteObject(c.bitmap);
    }
}

TEST_F(ResourceImagesTest, SoundsAndPagesByNameAndNumber)
{
    struct Case {
        LPCSTR name;
        LPCSTR type;
        std::string starts;
    };
    const Case cases[] = {
        {"Click", "WAVE", "RIFF"},
        {"click", "wave", "RIFF"},
        {MAKEINTRESOURCEA(7), "WAVE", "RIFF"},
        {"PAGE.HTML", RT_HTML, "<html>"},
        {MAKEINTRESOURCEA(125), RT_HTML, "<html>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(IS_INTRESOURCE(c.name) ? "#number" : c.name);
        const HRSRC found = FindResourceA(module, c.name, c.type);
        ASSERT_NE(found, nullptr);
        const DWORD size = SizeofResource(module, found);
        const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        ASSERT_NE(data, nullptr);
        ASSERT_GE(size, c.starts.size());
        EXPECT_EQ(std::string(data, c.starts.size()), c.starts);
    }
}

TEST_F(ResourceImagesTest, MissingOrWrongResourcesFailWithTheirError)
{
    struct Case {
        const char* what;
        HANDLE (*load)(HINSTANCE);
        DWORD error;
    };
    const Case cases[] = {
        {"icon", [](HINSTANCE m) -> HANDLE { return LoadIconA(m, MAKEINTRESOURCEA(999)); }, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"cursor", [](HINSTANCE m) -> HANDLE { return LoadCursorA(m, MAKEINTRESOURCEA(999)); }, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"bitmap", [](HINSTANCE m) -> HANDLE { return LoadBitmapA(m, "NOSUCH"); }, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"an icon asked as a cursor", [](HINSTANCE m) { return LoadImageA(m, MAKEINTRESOURCEA(128), IMAGE_CURSOR, 0, 0, 0); }, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"a kind the set lacks", [](HINSTANCE m) -> HANDLE { return FindResourceA(m, "Click", "MIDI"); }, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"a sound", [](HINSTANCE m) -> HANDLE { return FindResourceA(m, "Clack", "WAVE"); }, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"an unknown image kind", [](HINSTANCE m) { return LoadImageA(m, MAKEINTRESOURCEA(175), 7, 0, 0, 0); }, ERROR_INVALID_PARAMETER},
        {"a file", [](HINSTANCE m) { return LoadImageA(m, "corners.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE); }, ERROR_NOT_SUPPORTED},
        {"a standard icon", [](HINSTANCE) -> HANDLE { return LoadCursorA(nullptr, MAKEINTRESOURCEA(104)); }, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(c.load(module), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

} // namespace
