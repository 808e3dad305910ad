// The slideshow and the interval editor: pictures in name order round the image list on timer 6
// (on the virtual clock), going on with the first entry once the shown one is deleted; the seconds
// typed into the editor (a number in range taken, anything else leaving the interval); timer 6
// set again when the editor closes only while a slideshow runs; and a broken picture's message
// box standing alone while the slideshow waits for it.
#include "app/tests/playlist_dialog_fixture.h"

#include <atomic>
#include <chrono>
#include <fstream>
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

    std::string Shown() const { return FileNameOf(g_testApp.m_strImageFile); }

    // Opens the editor with a click on its button, types `text` over the selected number and ends
    // with `key` (Enter or Escape).
    void EditSeconds(const std::string& text, UINT key)
    {
        SetForegroundWindow(dialog->GetSafeHwnd());
        Click("Button Slideshow Time");
        PumpAll();
        HWND editor = GetDlgItem(dialog->GetSafeHwnd(), 701);
        ASSERT_NE(editor, nullptr);
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
    AddThroughChooser({Picture("s/3.bmp"), Picture("s/1.bmp"), Picture("s/2.bmp")});
    ASSERT_TRUE(dialog->SetSlideshowSeconds(2));
    Click("Button Play");
    EXPECT_EQ(g_nSourceKind, SourceImage);
    EXPECT_EQ(g_nPlayerState, PlayerStillShown);
    const char* const expected[] = {"1.bmp", "2.bmp", "3.bmp", "1.bmp", "2.bmp"};
    for (const char* name : expected) {
        EXPECT_EQ(Shown(), name);
        Wait(1); // half the interval: nothing moves
        EXPECT_EQ(Shown(), name);
        Wait(1);
    }
    // The shown entry deleted: the next one is the list's first.
    EXPECT_EQ(Shown(), "3.bmp");
    List().SelectOnly(2);
    dialog->DeleteSelectedEntries();
    Wait(2);
    EXPECT_EQ(Shown(), "1.bmp");
    Click("Button Stop");
    EXPECT_FALSE(SlideshowTimerRuns());
    Wait(4);
    EXPECT_EQ(Shown(), "1.bmp");
}

TEST_F(SlideshowTest, TheEditorTakesANumberInRangeOnly)
{
    struct Case {
        const char* typed;
        UINT key;
        std::int32_t seconds; // from 5 before
    };
    const Case cases[] = {
        {"12", VK_RETURN, 12},      {"7 seconds", VK_RETURN, 7}, {"0", VK_RETURN, 5},
        {"soon", VK_RETURN, 5},     {"-3", VK_RETURN, 5},        {"86401", VK_RETURN, 5},
        {"99999999999999999999", VK_RETURN, 5}, {"86400", VK_RETURN, 86400}, {"9", VK_ESCAPE, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(dialog->SetSlideshowSeconds(5));
        EditSeconds(c.typed, c.key);
        EXPECT_EQ(dialog->m_nSlideshowSeconds, c.seconds);
        EXPECT_EQ(g_testApp.GetProfileInt("Params", "SlideshowTime", -1), static_cast<UINT>(c.seconds));
        EXPECT_EQ(CaptionOf("Button Slideshow Time"), std::to_string(c.seconds) + " sec");
    }
}

TEST_F(SlideshowTest, ClosingTheEditorSetsTheTimerAgainOnlyWhileASlideshowRuns)
{
    AddThroughChooser({Picture("t/a.bmp"), Picture("t/b.bmp")});
    struct Case {
        const char* what;
        bool slideshow;
        UINT key;
    };
    const Case cases[] = {
        {"nothing plays, Enter", false, VK_RETURN},
        {"nothing plays, Escape", false, VK_ESCAPE},
        {"slideshow, Enter", true, VK_RETURN},
        {"slideshow, Escape", true, VK_ESCAPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.slideshow)
            Click("Button Play");
        else
            Click("Button Stop");
        EditSeconds("3", c.key);
        EXPECT_EQ(SlideshowTimerRuns(), c.slideshow);
    }
    // The new interval is the one the slideshow goes on with.
    const std::string before = Shown();
    Wait(3);
    EXPECT_NE(Shown(), before);
}

TEST_F(SlideshowTest, TheIntervalIsOneSecondToADay)
{
    struct Case {
        std::int32_t seconds;
        bool taken;
    };
    const Case cases[] = {{1, true}, {86400, true}, {0, false}, {-1, false}, {86401, false}, {INT32_MAX, false}};
    ASSERT_TRUE(dialog->SetSlideshowSeconds(30));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        const std::int32_t before = dialog->m_nSlideshowSeconds;
        EXPECT_EQ(dialog->SetSlideshowSeconds(c.seconds), c.taken);
        EXPECT_EQ(dialog->m_nSlideshowSeconds, c.taken ? c.seconds : before);
    }
}

TEST_F(SlideshowTest, ABrokenPictureShowsOneBoxAndTheSlideshowWaitsForIt)
{
    const std::string broken = Path("b/2-broken.jpg");
    std::filesystem::create_directories(Path("b"));
    std::ofstream(broken) << "not a picture";
    AddThroughChooser({Picture("b/1.bmp"), broken, Picture("b/3.bmp")});
    ASSERT_TRUE(dialog->SetSlideshowSeconds(1));
    Click("Button Play");
    ASSERT_EQ(Shown(), "1.bmp");

    // While the broken picture's box is up, seconds pass: no other picture and no other box.
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
    EXPECT_EQ(dialog->m_strPlayingName, "2-broken.jpg");
    // The slideshow goes on at the next tick.
    EXPECT_TRUE(SlideshowTimerRuns());
    Wait(1);
    EXPECT_EQ(Shown(), "3.bmp");
}

} // namespace
} // namespace zv::app::testing
