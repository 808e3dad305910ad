#include "layer_fixture.h"

#include "platform/dshow/filter.h"
#include "platform/dshow/sample_grabber.h"
#include "platform/dshow/testing/media_file.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/user/headless_display.h"
#include "platform/user/messages.h"
#include "platform/user/paint.h"
#include "platform/user/window.h"
#include "platform/user/testing/screenshots.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <thread>

namespace zv::dshow::testing {
namespace {

namespace headless = zv::user::headless;

constexpr COLORREF kOwnerColour = RGB(0x80, 0x80, 0x80);

enum class Shade { Red, Blue, Owner, Other };

Shade ShadeAt(int x, int y)
{
    const COLORREF c = headless::ScreenPixel(x, y);
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    if (c == kOwnerColour) return Shade::Owner;
    if (r > 200 && g < 60 && b < 60) return Shade::Red;
    if (b > 200 && r < 60 && g < 60) return Shade::Blue;
    return Shade::Other;
}

// Serves the test thread's windows until the condition holds; false when it never does.
template <class Condition>
bool PumpUntil(Condition condition)
{
    for (int i = 0; i < 500; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Counts the pictures that pass a grabber.
class PictureCounter final : public ISampleGrabberCB {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double, BYTE*, LONG) override
    {
        ++count;
        return S_OK;
    }
    std::atomic<int> count{0};
};

class VideoWindowTest : public LayerTest {
protected:
    // Five seconds of a picture red in its left half and blue in its right half.
    static void SetUpTestSuite()
    {
        const std::string halves = "video/x-raw,width=80,height=120,framerate=10/1";
        ASSERT_TRUE(WriteMediaFile(
            "compositor name=mix sink_1::xpos=80 ! video/x-raw,width=160,height=120 ! jpegenc quality=95 ! "
            "avimux ! filesink location=" + s_path + " videotestsrc pattern=red num-buffers=50 ! " + halves +
            " ! mix.sink_0 videotestsrc pattern=blue num-buffers=50 ! " + halves + " ! mix.sink_1"));
    }
    static void TearDownTestSuite() { std::remove(s_path.c_str()); }

    void SetUp() override
    {
        m_root = std::make_unique<win32::testing::TempZvRoot>();
        ASSERT_TRUE(headless::SetScreenSize(400, 300));
        LayerTest::SetUp();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcA;
        windowClass.hbrBackground = CreateSolidBrush(kOwnerColour);
        windowClass.lpszClassName = "VideoOwner";
        RegisterClassA(&windowClass);
        m_owner = CreateWindowExA(0, "VideoOwner", "Owner", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 320, 240,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_owner);
        ASSERT_TRUE(PumpUntil([] { return ShadeAt(10, 10) == Shade::Owner; }));
    }
    void TearDown() override
    {
        ReleaseGraph();
        if (IsWindow(m_owner)) DestroyWindow(m_owner);
        LayerTest::TearDown();
        m_root.reset();
    }

    // The file played through a grabber that counts pictures, the rest left to the graph.
    ComRef<IGraphBuilder> FileGraph(PictureCounter& counter)
    {
        auto graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        const std::u16string name(s_path.begin(), s_path.end());
        IBaseFilter* made = nullptr;
        EXPECT_EQ(S_OK, graph->AddSourceFilter(name.c_str(), u"Source", &made));
        auto source = ComRef<IBaseFilter>::Adopt(made);
        auto grabber = Create<IBaseFilter>(CLSID_SampleGrabber, IID_IBaseFilter);
        EXPECT_EQ(S_OK, graph->AddFilter(grabber.get(), u"Grabber"));
        EXPECT_EQ(S_OK, Query<ISampleGrabber>(grabber.get(), IID_ISampleGrabber)->SetCallback(&counter, 1));
        EXPECT_EQ(S_OK, graph->Connect(PinOf(source.get(), PINDIR_OUTPUT), PinOf(grabber.get(), PINDIR_INPUT)));
        EXPECT_EQ(S_OK, graph->Render(PinOf(grabber.get(), PINDIR_OUTPUT)));
        return graph;
    }

    static IPin* PinOf(IBaseFilter* filter, PIN_DIRECTION direction)
    {
        return zv::dshow::AsLayerFilter(filter)->FindPin(direction, nullptr, nullptr, false);
    }

    // What the program does to show its video: a child of the owner at a place, shown by the caller.
    void ShowIn(IVideoWindow& window, LONG width, LONG height)
    {
        EXPECT_EQ(S_OK, window.put_Owner(reinterpret_cast<OAHWND>(m_owner)));
        EXPECT_EQ(S_OK, window.put_WindowStyle(static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)));
        EXPECT_EQ(S_OK, window.SetWindowPosition(0, 0, width, height));
        EXPECT_EQ(S_OK, window.put_MessageDrain(reinterpret_cast<OAHWND>(m_owner)));
        EXPECT_EQ(S_OK, window.put_AutoShow(OAFALSE));
    }

    // The file's graph with its video window placed in the owner, not yet run.
    void OpenFile(LONG width, LONG height)
    {
        m_graph = FileGraph(m_counter);
        m_window = Query<IVideoWindow>(m_graph.get(), IID_IVideoWindow);
        m_control = Query<IMediaControl>(m_graph.get(), IID_IMediaControl);
        ShowIn(*m_window.get(), width, height);
    }

    void ReleaseGraph()
    {
        if (m_control) m_control->Stop();
        m_window = {};
        m_control = {};
        m_graph = {};
    }

    HWND m_owner = nullptr;
    PictureCounter m_counter;
    ComRef<IGraphBuilder> m_graph;
    ComRef<IVideoWindow> m_window;
    ComRef<IMediaControl> m_control;

private:
    std::unique_ptr<win32::testing::TempZvRoot> m_root;
    static inline const std::string s_path = "/tmp/zv-video-window-" + std::to_string(getpid()) + ".avi";
};

TEST_F(VideoWindowTest, PicturesFillTheChildWindowAndFollowItsPosition)
{
    OpenFile(200, 100);
    EXPECT_EQ(S_OK, m_window->put_Visible(OATRUE));
    ASSERT_LE(S_OK, m_control->Run());

    // The 160 x 120 picture scaled to 200 x 100: red to x = 100, blue after; the owner around it.
    struct Place {
        int x, y;
        Shade shade;
    };
    const auto shows = [](std::initializer_list<Place> places) {
        return PumpUntil([&] {
            for (const Place& p : places)
                if (ShadeAt(p.x, p.y) != p.shade) return false;
            return true;
        });
    };
    EXPECT_TRUE(shows({{5, 5, Shade::Red}, {90, 90, Shade::Red}, {110, 5, Shade::Blue}, {195, 95, Shade::Blue},
                       {205, 50, Shade::Owner}, {50, 105, Shade::Owner}}));
    zv::user::testing::KeepScreenshot("video_window_small", m_owner);

    EXPECT_EQ(S_OK, m_window->SetWindowPosition(20, 40, 300, 200));
    EXPECT_TRUE(shows({{25, 45, Shade::Red}, {160, 235, Shade::Red}, {180, 45, Shade::Blue}, {315, 235, Shade::Blue},
                       {10, 20, Shade::Owner}, {150, 20, Shade::Owner}}));
    zv::user::testing::KeepScreenshot("video_window_moved", m_owner);
    EXPECT_LT(0, m_counter.count.load());

    HWND child = GetWindow(m_owner, GW_CHILD);
    ASSERT_NE(nullptr, child);
    ReleaseGraph();
    // The renderer takes its window with it.
    EXPECT_FALSE(IsWindow(child));
}

TEST_F(VideoWindowTest, AHiddenWindowDrawsNothingUntilShown)
{
    OpenFile(200, 100);
    ASSERT_LE(S_OK, m_control->Run());
    ASSERT_TRUE(PumpUntil([&] { return m_counter.count.load() >= 5; }));
    EXPECT_EQ(Shade::Owner, ShadeAt(50, 50));
    EXPECT_EQ(S_OK, m_window->put_Visible(OATRUE));
    EXPECT_TRUE(PumpUntil([] { return ShadeAt(50, 50) == Shade::Red; }));
    EXPECT_EQ(S_OK, m_window->put_Visible(OAFALSE));
    EXPECT_TRUE(PumpUntil([] { return ShadeAt(50, 50) == Shade::Owner; }));
    EXPECT_EQ(S_OK, m_control->Stop());
}

TEST_F(VideoWindowTest, AStoppedGraphDrawsNoMorePictures)
{
    OpenFile(200, 100);
    EXPECT_EQ(S_OK, m_window->put_Visible(OATRUE));
    ASSERT_LE(S_OK, m_control->Run());
    ASSERT_TRUE(PumpUntil([] { return ShadeAt(50, 50) == Shade::Red; }));
    EXPECT_EQ(S_OK, m_control->Stop());

    // Painted over after the stop, the window keeps what it was given: no picture comes to draw.
    HWND child = GetWindow(m_owner, GW_CHILD);
    HDC dc = GetDC(child);
    RECT all{0, 0, 200, 100};
    HBRUSH green = CreateSolidBrush(RGB(0, 0xFF, 0));
    FillRect(dc, &all, green);
    ReleaseDC(child, dc);
    DeleteObject(green);
    const int seen = m_counter.count.load();
    EXPECT_FALSE(PumpUntil([] { return ShadeAt(50, 50) != Shade::Other; }));
    EXPECT_EQ(seen, m_counter.count.load());
}

TEST_F(VideoWindowTest, ACaptureGraphPreviewsWithoutAnOwnerAndSurvivesTheOwnersEnd)
{
    auto graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    auto builder = Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2);
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.get()));
    auto camera = BindCamera(1);
    auto grabber = Create<IBaseFilter>(CLSID_SampleGrabber, IID_IBaseFilter);
    PictureCounter counter;
    EXPECT_EQ(S_OK, Query<ISampleGrabber>(grabber.get(), IID_ISampleGrabber)->SetCallback(&counter, 1));
    ASSERT_EQ(S_OK, graph->AddFilter(camera.get(), u"Camera"));
    ASSERT_EQ(S_OK, graph->AddFilter(grabber.get(), u"Grabber"));
    ASSERT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.get(), grabber.get(), nullptr));
    auto window = Query<IVideoWindow>(graph.get(), IID_IVideoWindow);
    auto control = Query<IMediaControl>(graph.get(), IID_IMediaControl);

    // Without an owner the pictures go nowhere: no window of its own appears.
    EXPECT_EQ(S_OK, window->put_Visible(OATRUE));
    ASSERT_LE(S_OK, control->Run());
    ASSERT_TRUE(PumpUntil([&] { return counter.count.load() >= 3; }));
    EXPECT_EQ(nullptr, FindWindowA("ZvVideoRenderer", nullptr));
    EXPECT_EQ(nullptr, GetWindow(m_owner, GW_CHILD));

    ShowIn(*window.get(), 160, 120);
    // The camera's colour bars, not an empty window: many colours along a row.
    EXPECT_TRUE(PumpUntil([] {
        std::set<COLORREF> colours;
        for (int x = 0; x < 160; x += 4) colours.insert(headless::ScreenPixel(x, 20));
        return colours.size() >= 4;
    }));
    zv::user::testing::KeepScreenshot("video_window_camera", m_owner);

    // The owner goes while pictures still arrive; the renderer carries on without a window.
    DestroyWindow(m_owner);
    const int seen = counter.count.load();
    ASSERT_TRUE(PumpUntil([&] { return counter.count.load() >= seen + 3; }));
    EXPECT_EQ(S_OK, window->SetWindowPosition(0, 0, 10, 10));
    EXPECT_EQ(S_OK, window->put_Visible(OAFALSE));
    EXPECT_EQ(E_INVALIDARG, window->put_Owner(reinterpret_cast<OAHWND>(m_owner)));
    EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(VideoWindowTest, RefusedStylesAndSizes)
{
    OpenFile(50, 50);
    HWND child = GetWindow(m_owner, GW_CHILD);
    ASSERT_NE(nullptr, child);
    for (const DWORD refused : {WS_DISABLED, WS_MAXIMIZE, WS_MINIMIZE, WS_HSCROLL, WS_VSCROLL})
        EXPECT_EQ(E_INVALIDARG, m_window->put_WindowStyle(static_cast<LONG>(WS_CHILD | refused))) << refused;
    // A pop-up style still gives a child of the owner.
    EXPECT_EQ(S_OK, m_window->put_WindowStyle(static_cast<LONG>(WS_POPUP)));
    EXPECT_EQ(WS_CHILD, static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & (WS_CHILD | WS_POPUP));
    EXPECT_EQ(E_INVALIDARG, m_window->SetWindowPosition(0, 0, -1, 10));
    RECT place{};
    GetWindowRect(child, &place);
    EXPECT_EQ(50, place.right - place.left);
}

TEST_F(VideoWindowTest, MouseAndKeysGoToTheMessageDrain)
{
    OpenFile(50, 50);
    HWND child = GetWindow(m_owner, GW_CHILD);
    ASSERT_NE(nullptr, child);
    PumpUntil([] { return true; });
    struct Case {
        UINT message;
        bool drained;
    };
    for (const Case& c : {Case{WM_LBUTTONDOWN, true}, Case{WM_MOUSEMOVE, true}, Case{WM_KEYDOWN, true},
                          Case{WM_CHAR, true}, Case{WM_USER + 5, false}}) {
        SendMessageA(child, c.message, 7, 0x00090008);
        MSG msg{};
        const bool posted = PeekMessageA(&msg, m_owner, c.message, c.message, PM_REMOVE) != FALSE;
        EXPECT_EQ(c.drained, posted) << c.message;
        if (posted) {
            EXPECT_EQ(WPARAM{7}, msg.wParam);
            EXPECT_EQ(LPARAM{0x00090008}, msg.lParam);
        }
    }
    // Without a drain the window keeps its input.
    EXPECT_EQ(S_OK, m_window->put_MessageDrain(0));
    SendMessageA(child, WM_LBUTTONDOWN, 0, 0);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, m_owner, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
}

} // namespace
} // namespace zv::dshow::testing
