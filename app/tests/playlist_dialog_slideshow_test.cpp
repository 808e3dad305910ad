// The slideshow and its interval: pictures in name order round the image list on timer 6 (on the
// virtual clock), going on with the first entry once the shown one is deleted; the seconds typed
// into the editor; timer 6 set again when the editor closes only while a slideshow runs; and a
// broken picture's message box standing alone while the slideshow waits for it.
#include "app/tests/playlist_dialog_fixture.h"

#include <atomic>
#include <set>
#include <thread>

namespace zv::app::testing {
namespace {

class SlideshowTest : public PlaylistDialogTest {
protected:
    void SetUp() override
    {
        PlaylistDialogTest::SetUp();
        zv::user::VirtualClock::Install();
        dialog->SelectTab(3);
    }

    static std::string Shown() { return FileNameOf(g_testApp.m_strImageFile); }
    static void Wait(std::uint32_t seconds)
    {
        zv::user::VirtualClock::Advance(seconds * 1000u);
        PumpAll();
    }
    // A click on the interval's button, `text` typed over the number, then `key`.
    void EditSeconds(const std::string& text, UINT key)
    {
        SetForegroundWindow(dialog->GetSafeHwnd());
        Click("Button Slideshow Time");
        HWND editor = GetDlgItem(dialog->GetSafeHwnd(), 701);
        ASSERT_EQ(GetFocus(), editor);
        SetWindowTextA(editor, text.c_str());
        zv::user::DeliverKey(key, true);
        zv::user::DeliverKey(key, false);
        PumpAll();
        EXPECT_FALSE(IsWindow(editor));
    }
};

TEST_F(SlideshowTest, PicturesComeInNameOrderRoundTheList)
{
    AddFiles({File("s/3.bmp"), File("s/1.bmp"), File("s/2.bmp")});
    ASSERT_TRUE(dialog->SetSlideshowSeconds(2));
    Click("Button Play");
    for (const char* name : {"1.bmp", "2.bmp", "3.bmp", "1.bmp", "2.bmp"}) {
        EXPECT_EQ(Shown(), name);
        Wait(1); // half the interval: nothing moves
        EXPECT_EQ(Shown(), name);
        Wait(1);
    }
    // The shown entry deleted: the list's first comes next.
    dialog->PlayList()->SelectOnly(2);
    dialog->DeleteSelectedEntries();
    Wait(2);
    EXPECT_EQ(Shown(), "1.bmp");
    Click("Button Stop");
    EXPECT_FALSE(SlideshowTimerRuns());
}

TEST_F(SlideshowTest, TheEditorTakesANumberOfSecondsUpToADay)
{
    const std::tuple<const char*, UINT, std::int32_t> cases[] = {
        {"12", VK_RETURN, 12}, {"7 s", VK_RETURN, 7},      {"86400", VK_RETURN, 86400},
        {"0", VK_RETURN, 5},   {"soon", VK_RETURN, 5},     {"-3", VK_RETURN, 5},
        {"86401", VK_RETURN, 5}, {"99999999999999999999", VK_RETURN, 5}, {"9", VK_ESCAPE, 5}};
    for (const auto& [typed, key, seconds] : cases) {
        SCOPED_TRACE(typed);
        ASSERT_TRUE(dialog->SetSlideshowSeconds(5));
        EditSeconds(typed, key);
        EXPECT_EQ(dialog->m_nSlideshowSeconds, seconds);
        EXPECT_EQ(g_testApp.GetProfileInt("Params", "SlideshowTime", 0), static_cast<UINT>(seconds));
        EXPECT_EQ(CaptionOf("Button Slideshow Time"), std::to_string(seconds) + " sec");
    }
}

TEST_F(SlideshowTest, ClosingTheEditorSetsTheTimerAgainOnlyWhileASlideshowRuns)
{
    AddFiles({File("t/a.bmp"), File("t/b.bmp")});
    for (const bool slideshow : {false, true}) {
        for (const UINT key : {VK_RETURN, VK_ESCAPE}) {
            Click(slideshow ? "Button Play" : "Button Stop");
            EditSeconds("3", key);
            EXPECT_EQ(SlideshowTimerRuns(), slideshow) << slideshow << key;
        }
    }
    const std::string before = Shown();
    Wait(3); // at the interval set meanwhile
    EXPECT_NE(Shown(), before);
}

TEST_F(SlideshowTest, ABrokenPictureShowsOneBoxAndTheSlideshowWaitsForIt)
{
    const std::string broken = File("b/2-broken.jpg");
    AddFiles({File("b/1.bmp"), broken, File("b/3.bmp")});
    ASSERT_TRUE(dialog->SetSlideshowSeconds(1));
    Click("Button Play");
    ASSERT_EQ(Shown(), "1.bmp");
    // Seconds pass while the box is up: no other picture and no other box.
    std::atomic<bool> done{false};
    std::set<HWND> boxes;
    std::thread answer([&] {
        for (int wait = 0; wait < 1000 && !done; ++wait) {
            if (HWND box = FindWindowA(nullptr, "Zelvante message"); box && boxes.insert(box).second) {
                zv::user::VirtualClock::Advance(5000);
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                PostMessageA(box, CMsgBox::ButtonClickMessage(), IDOK, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    Wait(1);
    done = true;
    answer.join();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Shown(), "1.bmp");
    Wait(1);
    EXPECT_EQ(Shown(), "3.bmp");
}

} // namespace
} // namespace zv::app::testing
