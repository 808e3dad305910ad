// Test support for the image browser: a fresh machine and screen, a parent window that records the
// browser's notifications, and JPEG files made by our own encoder.
#pragma once

#include "Shotbox/ImgBrowser.h"
#include "imagelib/PixImageType.h"
#include "platform/user/headless_display.h"
#include "platform/user/input_events.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace shotbox_test {

// Keeps every notification the browser sends.
class NotifyRecorder : public CWnd {
public:
    std::vector<std::pair<WPARAM, LPARAM>> notes;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == ImgBrowserNotifyMessage) {
            notes.emplace_back(wParam, lParam);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// A focus notification's lParam.
inline LPARAM FocusChange(int oldIndex, int newIndex)
{
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(oldIndex), static_cast<WORD>(newIndex)));
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A picture of one colour, saved as JPEG.
inline bool WriteJpeg(const std::string& path, int width, int height, COLORREF colour)
{
    std::vector<BYTE> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = GetBValue(colour);
        pixels[i + 1] = GetGValue(colour);
        pixels[i + 2] = GetRValue(colour);
    }
    CPixImage image;
    return image.CreateFromArray(pixels.data(), static_cast<DWORD>(width), static_cast<DWORD>(height), 24,
                                 static_cast<DWORD>(width) * 3, false) &&
        image.Save(path.c_str(), PIXIMAGE_JPG);
}

class ImgBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(zv::user::headless::SetScreenSize(640, 480));
        m_folder = std::filesystem::path(std::getenv("ZV_ROOT")) / "pictures";
        std::filesystem::create_directories(m_folder);
        ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400, nullptr, nullptr));
    }

    // A browser at (10, 10) of the parent; its client height shows `rows` whole cells and a half.
    void MakeBrowser(int width = 320, double rows = 2.5)
    {
        ASSERT_TRUE(browser.Create(CRect(10, 10, 10 + width, 10 + 100), &parent, 1019));
        CRect window, client;
        browser.GetWindowRect(&window);
        browser.GetClientRect(&client);
        const int frame = window.Height() - client.Height();
        browser.MoveWindow(10, 10, width, static_cast<int>(browser.GetCellHeight() * rows) + frame);
        Pump();
    }

    std::string Picture(const std::string& name, int width = 64, int height = 48, COLORREF colour = RGB(200, 30, 30))
    {
        const std::string path = (m_folder / name).string();
        EXPECT_TRUE(WriteJpeg(path, width, height, colour)) << path;
        return path;
    }

    // `count` pictures added in order; their paths.
    std::vector<std::string> AddPictures(int count)
    {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            // Appended piecewise: GCC 12 at -O3 warns wrongly of an overlapping copy in "p" + ...
            std::string name = std::to_string(i);
            name += ".jpg";
            paths.push_back(Picture(name));
            EXPECT_EQ(browser.AddItem(paths.back().c_str()), i);
        }
        parent.notes.clear();
        return paths;
    }

    std::vector<int> Selected() const { return browser.GetSelectedItems(); }

    const std::filesystem::path& Folder() const { return m_folder; }

    zv::win32::testing::TempZvRoot root;
    NotifyRecorder parent;
    CImgBrowser browser{ImgBrowserNotifyMessage};

private:
    std::filesystem::path m_folder;
};

} // namespace shotbox_test
