// The gtk display on a real X server (the gui tests run under Xvfb): windows where the window
// system puts them, their pixels on the screen, and the desktop's input coming back as messages.
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_text.h"
#include "platform/user/display.h"
#include "platform/user/gtk/desktop_window.h"
#include "platform/user/system_metrics.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/virtual_keys.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/user/gtk/tests/gtk_desktop_fixture.h"

#include "platform/user/gtk/tests/x_screen.h" // Xlib last: its macros would spoil our headers
#include <X11/extensions/Xfixes.h>
#undef FillSolid // Xlib's fill style, not the painting helper

namespace {

using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::FillSolid;
using zv::user::test::RecordingWindow;
using zv::user::gtk::SameRect;
using zv::user::gtk::test::Eventually;
using zv::user::gtk::test::XdoTool;
using zv::user::gtk::test::XScreen;

class GtkDisplayTest : public zv::user::gtk::test::GtkDesktopTest {
protected:
    void SetUp() override
    {
        StartOnGtkDisplay();
        if (!Started())
            return;
        ASSERT_TRUE(m_x.IsOpen());
    }
    void TearDown() override
    {
        for (HWND hwnd : m_made)
            DestroyWindow(hwnd);
        DispatchQueued();
        m_root.reset();
    }

    // A recorder that outlives the windows the test made (they go in TearDown).
    RecordingWindow& NewRecorder() { return *m_recorders.emplace_back(std::make_unique<RecordingWindow>()); }

    // A shown window with a caption of its own, so the test finds it on the X screen.
    HWND Show(RecordingWindow& window, const char* caption, DWORD style, RECT at, HWND owner = nullptr)
    {
        const HWND hwnd = CreateAt(window, style, at.left, at.top, at.right - at.left, at.bottom - at.top, owner);
        SetWindowTextA(hwnd, caption);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
        m_made.push_back(hwnd);
        return hwnd;
    }

    Window XWindowOf(const char* caption)
    {
        Window found = 0;
        Eventually([&] { return (found = m_x.FindNamed(caption)) != 0 && m_x.PlaceOf(found).right != 0; },
                   DispatchQueued);
        return found;
    }

    // Waits until the window received the message; its lParam and wParam then.
    static std::optional<std::pair<WPARAM, LPARAM>> AwaitMessage(const RecordingWindow& window, UINT message,
                                                                 std::size_t after = 0)
    {
        std::optional<std::pair<WPARAM, LPARAM>> seen;
        Eventually(
            [&] {
                const auto log = window.Log();
                for (std::size_t i = after; i < log.size() && !seen; ++i) {
                    if (log[i].message == message)
                        seen = std::make_pair(log[i].wParam, log[i].lParam);
                }
                return seen.has_value();
            },
            DispatchQueued);
        return seen;
    }

    XScreen m_x;
    std::vector<std::unique_ptr<RecordingWindow>> m_recorders;
    std::vector<HWND> m_made;

private:
};

// Quarters in four colours and a line of anti-aliased text, so that any shift, scaling or
// colour swap between the surface and the screen shows.
std::optional<LRESULT> PaintPattern(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_PAINT)
        return std::nullopt;
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    const int midX = client.right / 2;
    const int midY = client.bottom / 2;
    FillSolid(hdc, RECT{0, 0, midX, midY}, RGB(0xC0, 0x20, 0x10));
    FillSolid(hdc, RECT{midX, 0, client.right, midY}, RGB(0x10, 0xA0, 0x30));
    FillSolid(hdc, RECT{0, midY, midX, client.bottom}, RGB(0x20, 0x30, 0xD0));
    FillSolid(hdc, RECT{midX, midY, client.right, client.bottom}, RGB(0xF0, 0xE0, 0x40));
    SetBkMode(hdc, TRANSPARENT);
    TextOutA(hdc, 8, midY - 8, "Zelvante on X", 13);
    EndPaint(hwnd, &paint);
    return 0;
}

// What a device context shows in the rectangle, read back through GDI.
std::unique_ptr<zv::gdi::Surface> CopyOf(HDC source, const RECT& area)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    auto copy = zv::gdi::Surface::Create(width, height, zv::gdi::PixelFormat::Bgrx32, zv::gdi::RowOrder::TopDown, 4);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    for (int y = 0; y < height; ++y) {
        const BYTE* row = static_cast<const BYTE*>(bits) + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            copy->SetPixel(x, y, RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return copied ? std::move(copy) : nullptr;
}

// What the window's surface holds.
std::unique_ptr<zv::gdi::Surface> SurfaceOf(HWND hwnd)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    HDC window = GetWindowDC(hwnd);
    auto copy = CopyOf(window, RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top});
    ReleaseDC(hwnd, window);
    return copy;
}

int DifferingPixels(const zv::gdi::Surface& a, const zv::gdi::Surface& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return a.Width() * a.Height();
    int differing = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            differing += (a.GetPixel(x, y) & 0xFFFFFF) != (b.GetPixel(x, y) & 0xFFFFFF);
    return differing;
}

void KeepPicture(const zv::gdi::Surface& picture, const std::string& name)
{
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder)
        zv::user::testing::WriteBmp(picture, (std::filesystem::path(folder) / (name + ".bmp")).string());
}

TEST_F(GtkDisplayTest, WindowsShowAtTheirPlaceAndSize)
{
    struct Case {
        const char* caption;
        DWORD style;
        RECT at;
    };
    const Case cases[] = {
        {"Plain pop-up", WS_POPUP, RECT{50, 60, 250, 210}},
        {"Bordered pop-up", WS_POPUP | WS_BORDER, RECT{300, 40, 421, 117}},
        // A captioned window's rectangle is its inside; the desktop frames it outside.
        {"Captioned window", WS_OVERLAPPEDWINDOW, RECT{120, 260, 440, 460}},
    };
    for (const Case& c : cases)
        Show(NewRecorder(), c.caption, c.style, c.at);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        const Window x = XWindowOf(c.caption);
        ASSERT_NE(x, 0u);
        RECT place{};
        EXPECT_TRUE(Eventually([&] { return SameRect(place = m_x.PlaceOf(x), c.at); }, DispatchQueued))
            << place.left << "," << place.top << " " << place.right - place.left << "x" << place.bottom - place.top;
    }
}

TEST_F(GtkDisplayTest, TheScreenShowsTheSurfacePixelForPixel)
{
    RecordingWindow& window = NewRecorder();
    window.answer = PaintPattern;
    const RECT at{70, 50, 70 + 233, 50 + 161};
    const HWND hwnd = Show(window, "Pattern", WS_POPUP | WS_BORDER, at);
    ASSERT_NE(XWindowOf("Pattern"), 0u);
    const auto surface = SurfaceOf(hwnd);
    std::unique_ptr<zv::gdi::Surface> screen;
    const bool same = Eventually([&] { return DifferingPixels(*(screen = m_x.Capture(at)), *surface) == 0; },
                                 DispatchQueued);
    KeepPicture(*screen, "gtk_display_pattern");
    EXPECT_TRUE(same) << DifferingPixels(*screen, *surface) << " pixels differ";

    // A later change reaches the screen too, only the damaged part being drawn anew.
    HDC hdc = GetDC(hwnd);
    FillSolid(hdc, RECT{10, 10, 40, 30}, RGB(0x55, 0x66, 0x77));
    ReleaseDC(hwnd, hdc);
    EXPECT_TRUE(Eventually([&] { return m_x.Capture(at)->GetPixel(11 + 1, 11 + 1) == RGB(0x55, 0x66, 0x77); }));
    EXPECT_EQ(DifferingPixels(*m_x.Capture(at), *SurfaceOf(hwnd)), 0);
}

// A window of another program, made on the X display without GTK or our window system.
class ForeignWindow {
public:
    ForeignWindow(const XScreen& x, const RECT& at, unsigned long colour) : m_x(x)
    {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = colour;
        m_window = XCreateWindow(x.Get(), x.Root(), at.left, at.top, static_cast<unsigned>(at.right - at.left),
                                 static_cast<unsigned>(at.bottom - at.top), 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
        XMapRaised(x.Get(), m_window);
        XFlush(x.Get());
    }
    ~ForeignWindow()
    {
        XDestroyWindow(m_x.Get(), m_window);
        XFlush(m_x.Get());
    }

private:
    const XScreen& m_x;
    Window m_window;
};

TEST_F(GtkDisplayTest, TheScreenContextReadsWhatTheXScreenShows)
{
    RecordingWindow& window = NewRecorder();
    window.answer = PaintPattern;
    const RECT ours{40, 30, 40 + 211, 30 + 143};
    const HWND hwnd = Show(window, "Screen source", WS_POPUP | WS_BORDER, ours);
    ASSERT_NE(XWindowOf("Screen source"), 0u);
    const RECT theirs{400, 260, 400 + 57, 260 + 41};
    ForeignWindow foreign(m_x, theirs, 0x123456);
    const auto surface = SurfaceOf(hwnd);
    ASSERT_TRUE(Eventually([&] {
        return DifferingPixels(*m_x.Capture(ours), *surface) == 0 && m_x.Capture(theirs)->GetPixel(3, 3) == RGB(0x12, 0x34, 0x56);
    }, DispatchQueued));

    // The screen context is as large as the screen the system metrics give.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), width);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), height);

    struct Case {
        const char* what;
        RECT area;
    };
    const Case cases[] = {
        {"our window", ours},
        {"another program's window", theirs},
        {"both and the desktop between", RECT{20, 20, 480, 320}},
        {"the whole screen", RECT{0, 0, width, height}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = CopyOf(screen, c.area);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(DifferingPixels(*read, *m_x.Capture(c.area)), 0);
        if (&c == &cases[3])
            KeepPicture(*read, "gtk_screen_context");
    }
    EXPECT_EQ(GetPixel(screen, theirs.left + 5, theirs.top + 5), RGB(0x12, 0x34, 0x56));
    DeleteDC(screen);

    // GetDC(NULL) is the same screen, read afresh at every blit.
    HDC hdc = GetDC(hwnd);
    FillSolid(hdc, RECT{0, 0, 20, 20}, RGB(0x9A, 0x8B, 0x7C));
    ReleaseDC(hwnd, hdc);
    HDC desktop = GetDC(nullptr);
    EXPECT_TRUE(Eventually([&] { return CopyOf(desktop, ours)->GetPixel(5, 5) == RGB(0x9A, 0x8B, 0x7C); }, DispatchQueued));
    ReleaseDC(nullptr, desktop);
}

TEST_F(GtkDisplayTest, TheProgramsOwnCursorIsTheDesktopsCursor)
{
    // Left half opaque red, right half clear; the hotspot off the corner.
    constexpr int kSize = 16;
    std::vector<BYTE> colour(kSize * kSize * 4, 0);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize / 2; ++x) {
            BYTE* pixel = &colour[(static_cast<std::size_t>(y) * kSize + x) * 4];
            pixel[2] = 0xFF;
            pixel[3] = 0xFF;
        }
    const std::vector<BYTE> maskBits(kSize * 2, 0);
    HBITMAP colourBitmap = CreateBitmap(kSize, kSize, 1, 32, colour.data());
    HBITMAP maskBitmap = CreateBitmap(kSize, kSize, 1, 1, maskBits.data());
    ICONINFO info{FALSE, 5, 6, maskBitmap, colourBitmap};
    const HCURSOR cursor = reinterpret_cast<HCURSOR>(CreateIconIndirect(&info));
    DeleteObject(colourBitmap);
    DeleteObject(maskBitmap);
    ASSERT_NE(cursor, nullptr);

    RecordingWindow& window = NewRecorder();
    window.answer = [cursor](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_SETCURSOR) {
            SetCursor(cursor);
            return TRUE;
        }
        return PaintPattern(hwnd, message, wParam, lParam);
    };
    Show(window, "Cursor", WS_POPUP, RECT{200, 150, 400, 300});
    ASSERT_NE(XWindowOf("Cursor"), 0u);
    ASSERT_TRUE(XdoTool("mousemove 300 220"));

    XFixesCursorImage* shown = nullptr;
    auto ours = [&] {
        if (shown)
            XFree(shown);
        shown = XFixesGetCursorImage(m_x.Get());
        return shown && shown->width == kSize && shown->height == kSize;
    };
    EXPECT_TRUE(Eventually(ours, DispatchQueued));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->xhot, 5);
    EXPECT_EQ(shown->yhot, 6);
    EXPECT_EQ(shown->pixels[3 * kSize + 2] & 0xFFFFFFFF, 0xFFFF0000u);
    EXPECT_EQ(shown->pixels[3 * kSize + 12] & 0xFFFFFFFF, 0u);
    XFree(shown);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    DestroyCursor(cursor);
}

TEST_F(GtkDisplayTest, ClicksAndKeysArriveAsMessages)
{
    RecordingWindow& window = NewRecorder();
    window.answer = PaintPattern;
    const RECT at{100, 80, 400, 280};
    const HWND hwnd = Show(window, "Input", WS_POPUP | WS_BORDER, at);
    ASSERT_NE(XWindowOf("Input"), 0u);
    SetFocus(hwnd);
    // Xvfb has no window manager: the keyboard follows the pointer into the window.
    ASSERT_TRUE(XdoTool("mousemove 200 150"));
    ASSERT_TRUE(AwaitMessage(window, WM_MOUSEMOVE));

    struct Case {
        const char* xdotool;
        UINT message;
        WPARAM wParam;
        LPARAM lParam; // for mouse messages; -1: not compared
    };
    // Client coordinates: the border of one pixel lies between the window's and the client's corner.
    const Case cases[] = {
        {"mousemove 150 130 click 1", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(49, 49)},
        {"mousemove 160 140 click 1", WM_LBUTTONUP, 0, MAKELPARAM(59, 59)},
        {"mousemove 300 200 click 3", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(199, 119)},
        {"keydown shift mousemove 310 210 click 1 keyup shift", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT,
         MAKELPARAM(209, 129)},
        {"click 4", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(310, 210)},
        {"click 5", WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(310, 210)},
        {"key Escape", WM_KEYDOWN, VK_ESCAPE, -1},
        {"key F5", WM_KEYUP, VK_F1 + 4, -1},
        {"key Home", WM_KEYDOWN, VK_HOME, -1},
        {"key shift+exclam", WM_KEYDOWN, '1', -1},
        {"key ctrl+bracketleft", WM_KEYDOWN, VK_OEM_4, -1},
        {"key KP_Add", WM_KEYDOWN, VK_ADD, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xdotool);
        const std::size_t before = window.Log().size();
        ASSERT_TRUE(XdoTool(c.xdotool));
        bool found = false;
        Eventually(
            [&] {
                const auto log = window.Log();
                for (std::size_t i = before; i < log.size() && !found; ++i)
                    found = log[i].message == c.message && log[i].wParam == c.wParam &&
                            (c.lParam == -1 || log[i].lParam == c.lParam);
                return found;
            },
            DispatchQueued);
        EXPECT_TRUE(found);
    }
}

TEST_F(GtkDisplayTest, TypedTextArrivesAsCharactersWithTheKeyState)
{
    RecordingWindow& window = NewRecorder();
    std::vector<SHORT> shiftAtKey;
    window.answer = [&shiftAtKey](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_KEYDOWN)
            shiftAtKey.push_back(GetKeyState(VK_SHIFT));
        return std::nullopt;
    };
    const HWND hwnd = Show(window, "Keys", WS_POPUP, RECT{20, 20, 220, 120});
    ASSERT_NE(XWindowOf("Keys"), 0u);
    SetFocus(hwnd);
    ASSERT_TRUE(XdoTool("mousemove 100 60"));
    struct Case {
        const char* xdotool;
        std::string characters; // the WM_CHAR bytes, in order
    };
    const Case cases[] = {
        {"key shift+a", "A"},
        {"key shift+1", "!"}, // the layout's character, not the digit of the key
        {"key eacute", "\xC3\xA9"},
        {"key ctrl+b", "\x02"},
        {"key Return", "\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xdotool);
        const std::size_t before = window.Log().size();
        ASSERT_TRUE(XdoTool(c.xdotool));
        std::string characters;
        Eventually(
            [&] {
                characters.clear();
                const auto log = window.Log();
                for (std::size_t i = before; i < log.size(); ++i) {
                    if (log[i].message == WM_CHAR)
                        characters += static_cast<char>(log[i].wParam);
                }
                return characters.size() >= c.characters.size();
            },
            DispatchQueued);
        EXPECT_EQ(characters, c.characters);
    }
    ASSERT_FALSE(shiftAtKey.empty());
    EXPECT_LT(shiftAtKey.front(), 0) << "Shift was down when A came";
    window.answer = nullptr;
}

TEST_F(GtkDisplayTest, MinimiseAndRestoreByTheDesktopGiveTheSizeCodes)
{
    RecordingWindow& window = NewRecorder();
    const HWND hwnd = Show(window, "Iconic", WS_POPUP, RECT{30, 30, 230, 130});
    const Window x = XWindowOf("Iconic");
    ASSERT_NE(x, 0u);
    std::size_t mark = window.Log().size();
    // Without a window manager, an unmap the program did not ask for is what iconifying does.
    ASSERT_TRUE(XdoTool("windowunmap " + std::to_string(x)));
    auto minimised = AwaitMessage(window, WM_SIZE, mark);
    ASSERT_TRUE(minimised);
    EXPECT_EQ(minimised->first, SIZE_MINIMIZED);
    EXPECT_TRUE(IsIconic(hwnd));

    mark = window.Log().size();
    ASSERT_TRUE(XdoTool("windowmap " + std::to_string(x)));
    auto restored = AwaitMessage(window, WM_SIZE, mark);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->first, SIZE_RESTORED);
    EXPECT_EQ(restored->second, MAKELPARAM(200, 100));
    EXPECT_FALSE(IsIconic(hwnd));
}

TEST_F(GtkDisplayTest, MovedAndResizedByAnotherClientTheWindowFollows)
{
    RecordingWindow& window = NewRecorder();
    const HWND hwnd = Show(window, "Movable", WS_POPUP | WS_THICKFRAME, RECT{40, 40, 240, 190});
    const Window x = XWindowOf("Movable");
    ASSERT_NE(x, 0u);
    const std::size_t mark = window.Log().size();
    ASSERT_TRUE(XdoTool("windowmove " + std::to_string(x) + " 90 110"));
    auto moved = AwaitMessage(window, WM_MOVE, mark);
    ASSERT_TRUE(moved);
    RECT rect{};
    EXPECT_TRUE(Eventually(
        [&] {
            GetWindowRect(hwnd, &rect);
            return SameRect(rect, RECT{90, 110, 290, 260});
        },
        DispatchQueued));
    ASSERT_TRUE(XdoTool("windowsize " + std::to_string(x) + " 260 170"));
    EXPECT_TRUE(Eventually(
        [&] {
            GetWindowRect(hwnd, &rect);
            return SameRect(rect, RECT{90, 110, 350, 280});
        },
        DispatchQueued));
}

TEST_F(GtkDisplayTest, AnOwnedPopupStaysAboveItsOwner)
{
    RecordingWindow& owner = NewRecorder();
    RecordingWindow& owned = NewRecorder();
    owner.answer = zv::user::test::PaintsIn(RGB(0x20, 0x40, 0x80));
    owned.answer = zv::user::test::PaintsIn(RGB(0xE0, 0x80, 0x10));
    const HWND main = Show(owner, "Owner", WS_POPUP, RECT{50, 50, 350, 250});
    Show(owned, "Owned", WS_POPUP, RECT{250, 150, 450, 300}, main);
    const Window xOwner = XWindowOf("Owner");
    const Window xOwned = XWindowOf("Owned");
    ASSERT_NE(xOwner, 0u);
    ASSERT_NE(xOwned, 0u);
    // The user brings the owner forward: its pop-up still covers it where they overlap.
    SetForegroundWindow(main);
    const auto ownedAbove = [&] {
        const auto order = m_x.Stacking();
        const auto ownerAt = std::find(order.begin(), order.end(), xOwner);
        const auto ownedAt = std::find(order.begin(), order.end(), xOwned);
        return ownerAt != order.end() && ownedAt != order.end() && ownedAt > ownerAt &&
               m_x.Capture(RECT{300, 200, 301, 201})->GetPixel(0, 0) == RGB(0xE0, 0x80, 0x10);
    };
    EXPECT_TRUE(Eventually(ownedAbove, DispatchQueued));
    const auto screen = m_x.Capture(RECT{0, 0, 480, 320});
    KeepPicture(*screen, "gtk_display_owned_popup");
}

TEST_F(GtkDisplayTest, TheDesktopsCloseRequestIsWmCloseAndDestroysNothing)
{
    RecordingWindow& window = NewRecorder();
    const HWND hwnd = Show(window, "Closable", WS_OVERLAPPEDWINDOW, RECT{60, 60, 260, 160});
    const Window x = XWindowOf("Closable");
    ASSERT_NE(x, 0u);
    // The recording window does not answer WM_CLOSE, so the default would destroy it; answered,
    // the window must stay.
    window.answer = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == WM_CLOSE ? std::optional<LRESULT>(0) : std::nullopt;
    };
    // What a window manager sends when the user clicks the close button.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = x;
    event.xclient.message_type = XInternAtom(m_x.Get(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_x.Get(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_x.Get(), x, False, NoEventMask, &event);
    XFlush(m_x.Get());
    ASSERT_TRUE(AwaitMessage(window, WM_CLOSE));
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_NE(m_x.PlaceOf(x).right, 0) << "GTK destroyed the window itself";
}

} // namespace
