// The main dialog's tabs and its two lists: which tab elements show for each tab and which list
// the playlist window shows, adding files through the file chooser (one, several, more than a
// small buffer holds) and a folder's files by their Windows-style patterns, next and previous
// round the list, and a list entry played in each list mode.
#include "app/tests/playlist_dialog_fixture.h"

#include "platform/dshow/testing/media_file.h"

#include <fstream>

namespace zv::app::testing {
namespace {

using zv::user::testing::CommonDialogScript;

TEST_F(PlaylistDialogTest, EachTabShowsItsOwnElementsAndList)
{
    struct Case {
        int tab;
        std::int32_t listMode;  // after the click
        bool listShown;
        std::int32_t listOfView; // the list the view shows (unchanged by tabs 1 and 4)
        std::vector<const char*> hiddenButtons;
    };
    const Case cases[] = {
        {2, 2, true, CPlayList::kVideoList, {"Button Tab2L", "Button Tab2M", "Button Tab3L"}},
        {4, 2, false, CPlayList::kVideoList, {"Button Tab4L", "Button Tab4M", "Button Tab4R"}},
        {3, 3, true, CPlayList::kImageList, {"Button Tab3L", "Button Tab3M", "Button Tab4L"}},
        {1, 3, false, CPlayList::kImageList, {"Button Tab1L", "Button Tab1M", "Button Tab2L"}},
    };
    const char* const plainButtons[] = {"Button Tab1L", "Button Tab1M", "Button Tab2L", "Button Tab2M", "Button Tab3L",
                                        "Button Tab3M", "Button Tab4L", "Button Tab4M", "Button Tab4R"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        Click(("Button Tab" + std::to_string(c.tab) + "M").c_str());
        EXPECT_EQ(dialog->m_nListMode, c.listMode);
        EXPECT_EQ(dialog->m_pDlgPlaylist->IsWindowVisible() != FALSE, c.listShown);
        EXPECT_EQ(List().m_nMode, c.listOfView);
        for (int tab = 1; tab <= 4; ++tab) {
            const bool chosen = tab == c.tab;
            const std::string prefix = "Button Tab" + std::to_string(tab);
            for (const char* part : {"L Sel", "M Sel", "R Sel"})
                EXPECT_EQ(Visible((prefix + part).c_str()), chosen) << prefix << part;
            EXPECT_EQ(Visible(("Tab Panel " + std::to_string(tab)).c_str()), chosen) << tab;
        }
        for (const char* button : plainButtons) {
            bool hidden = false;
            for (const char* name : c.hiddenButtons)
                hidden = hidden || std::string(name) == button;
            EXPECT_EQ(Visible(button), !hidden) << button;
        }
    }
}

TEST_F(PlaylistDialogTest, ThePlaylistWindowLiesOverItsSkinElementAndFollowsTheWindow)
{
    dialog->SelectTab(2);
    RECT element{};
    ASSERT_TRUE(dialog->GetSkinElementRect("Static playlist", &element));
    for (const POINT move : {POINT{0, 0}, POINT{37, 21}}) {
        RECT window{};
        dialog->GetWindowRect(&window);
        dialog->MoveWindow(window.left + move.x, window.top + move.y, window.right - window.left, window.bottom - window.top);
        PumpAll();
        POINT corner{element.left, element.top};
        dialog->ClientToScreen(&corner);
        RECT placed{};
        dialog->m_pDlgPlaylist->GetWindowRect(&placed);
        EXPECT_EQ(placed.left, corner.x);
        EXPECT_EQ(placed.top, corner.y);
        EXPECT_EQ(placed.right - placed.left, element.right - element.left);
        EXPECT_EQ(placed.bottom - placed.top, element.bottom - element.top);
    }
}

TEST_F(PlaylistDialogTest, FilesChosenGoIntoTheListShownInNameOrder)
{
    struct Case {
        const char* what;
        int tab;
        std::vector<std::string> chosen; // relative to the test's folder; one list of a chooser each
        std::vector<std::string> names;
        std::string pathOfA; // the path kept for "a.jpg", when listed
    };
    const Case cases[] = {
        {"one file", 3, {"x/b.jpg"}, {"b.jpg"}, ""},
        {"several files, byte order", 3, {"x/b.jpg", "x/A.jpg", "x/a.jpg"}, {"A.jpg", "a.jpg", "b.jpg"}, "x/a.jpg"},
        {"video list", 2, {"v/clip2.avi", "v/clip1.avi"}, {"clip1.avi", "clip2.avi"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialog->SelectTab(c.tab);
        dialog->SendMessage(WM_COMMAND, kClearListCommand, 0);
        std::vector<std::string> paths;
        for (const std::string& name : c.chosen)
            paths.push_back(Touch(name));
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose(paths));
        dialog->SendMessage(WM_COMMAND, kAddFilesCommand, 0);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_TRUE(script.Seen()[0].multiSelect);
        EXPECT_EQ(script.Seen()[0].defaultExtension, c.tab == 3 ? "jpg" : "avi");
        EXPECT_EQ(Names(), c.names);
        if (!c.pathOfA.empty()) {
            EXPECT_EQ(List().FindPath("a.jpg"), Path(c.pathOfA));
        }
    }
}

TEST_F(PlaylistDialogTest, ANameAddedAgainKeepsOneEntryWithTheLaterPath)
{
    dialog->SelectTab(3);
    AddThroughChooser({Touch("c/a.jpg")});
    AddThroughChooser({Touch("d/a.jpg")});
    EXPECT_EQ(Names(), std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(List().FindPath("a.jpg"), Path("d/a.jpg"));
    // Cancelled: nothing changes.
    CommonDialogScript script;
    script.Then(CommonDialogScript::Cancel());
    dialog->SendMessage(WM_COMMAND, kAddFilesCommand, 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"a.jpg"});
    // The device tab has no list to add to: no chooser.
    dialog->m_nListMode = 1;
    dialog->SendMessage(WM_COMMAND, kAddFilesCommand, 0);
    EXPECT_EQ(script.Seen().size(), 1u);
}

TEST_F(PlaylistDialogTest, ALongSelectionIsAddedWhole)
{
    dialog->SelectTab(3);
    std::vector<std::string> paths;
    const std::string longName(120, 'p');
    for (int i = 0; i < 200; ++i)
        paths.push_back(Touch("many/" + longName + std::to_string(1000 + i) + ".jpg"));
    AddThroughChooser(paths); // some 25000 characters of names
    EXPECT_EQ(Names().size(), paths.size());
    EXPECT_TRUE(zv::user::MessageBoxResponder::History().empty());
}

TEST_F(PlaylistDialogTest, AFolderAddsTheFilesMatchingTheListsPatternsWithoutRegardToCase)
{
    const char* const files[] = {"pics/One.JPG", "pics/two.jpeg", "pics/three.Bmp", "pics/four.GIF", "pics/five.wmf",
                                 "pics/six.tif", "pics/clip.AVI", "pics/film.mpe", "pics/show.MPEG", "pics/old.mpg",
                                 "pics/notes.txt", "pics/deeper/seven.jpg"};
    for (const char* file : files)
        Touch(file);
    std::filesystem::create_directories(Path("pics/folder.jpg")); // a folder is no picture
    struct Case {
        int tab;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {3, {"One.JPG", "five.wmf", "four.GIF", "six.tif", "three.Bmp", "two.jpeg"}},
        {2, {"clip.AVI", "film.mpe", "old.mpg", "show.MPEG"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        dialog->SelectTab(c.tab);
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose({Path("pics")}));
        dialog->SendMessage(WM_COMMAND, kAddFolderCommand, 0);
        EXPECT_EQ(Names(), c.names);
        EXPECT_EQ(List().FindPath("One.JPG").empty(), c.tab != 3);
        EXPECT_EQ(g_strLastBrowseFolder, Path("pics"));
        EXPECT_EQ(g_testApp.GetProfileString("Params", "LastBrowseFolder", ""), Path("pics"));
    }
}

TEST_F(PlaylistDialogTest, TheFolderBrowserStartsAtTheRememberedFolderOrWhatIsLeftOfIt)
{
    std::filesystem::create_directories(Path("kept"));
    g_strLastBrowseFolder = Path("kept/gone/deeper");
    dialog->SelectTab(3);
    CommonDialogScript script;
    script.Then(CommonDialogScript::Cancel());
    dialog->SendMessage(WM_COMMAND, kAddFolderCommand, 0);
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].title, "Select a folder");
    EXPECT_EQ(std::filesystem::path(script.Seen()[0].initialPath), std::filesystem::path(Path("kept")));
    // Cancelled: the remembered folder stays.
    EXPECT_EQ(g_strLastBrowseFolder, Path("kept/gone/deeper"));
}

TEST_F(PlaylistDialogTest, NextAndPreviousGoRoundTheListAndShowThePicture)
{
    dialog->SelectTab(3);
    AddThroughChooser({Picture("s/1.bmp"), Picture("s/2.bmp"), Picture("s/3.bmp")});
    struct Step {
        const char* button;
        const char* shown;
    };
    const Step steps[] = {
        {"Button Slideshow Next", "1.bmp"}, {"Button Slideshow Next", "2.bmp"}, {"Button Slideshow Next", "3.bmp"},
        {"Button Slideshow Next", "1.bmp"}, {"Button Slideshow Prev", "3.bmp"}, {"Button Slideshow Prev", "2.bmp"},
    };
    for (const Step& step : steps) {
        Click(step.button);
        EXPECT_EQ(List().GetSelectedName(), step.shown);
        EXPECT_EQ(g_testApp.m_strImageFile, Path(std::string("s/") + step.shown));
        EXPECT_EQ(g_nSourceKind, SourceImage);
        EXPECT_EQ(g_nPlayerState, PlayerStillShown);
        EXPECT_FALSE(SlideshowTimerRuns()); // stepping is no slideshow
    }
}

TEST_F(PlaylistDialogTest, DeleteRemovesTheSelectedEntriesAndClearEmptiesTheList)
{
    dialog->SelectTab(3);
    AddThroughChooser({Touch("d/a.jpg"), Touch("d/b.jpg"), Touch("d/c.jpg")});
    List().SelectOnly(0);
    List().SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    dialog->SendMessage(WM_COMMAND, kDeleteSelectedCommand, 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"b.jpg"});
    dialog->SelectTab(2);
    AddThroughChooser({Touch("d/v.avi")});
    dialog->SendMessage(WM_COMMAND, kClearListCommand, 0);
    EXPECT_TRUE(Names().empty());
    dialog->SelectTab(3);
    EXPECT_EQ(Names(), std::vector<std::string>{"b.jpg"}); // the other list is its own
}

TEST_F(PlaylistDialogTest, APlayedEntryStartsWhatItsListModeSays)
{
    const std::string picture = Picture("p/pic.bmp");
    const std::string movie = Path("p/clip.avi");
    ASSERT_TRUE(zv::dshow::testing::WriteMediaFile(
        "videotestsrc num-buffers=30 ! video/x-raw,width=320,height=240,framerate=10/1 ! jpegenc ! avimux ! "
        "filesink location=" + movie));
    struct Case {
        const char* what;
        std::int32_t listMode;
        std::string path;
        std::int32_t kind;     // the source kind afterwards
        std::int32_t state;
    };
    const Case cases[] = {
        {"device mode: nothing", 1, picture, SourceDevice, PlayerStopped},
        {"image list", 3, picture, SourceImage, PlayerStillShown},
        {"a file that is gone: nothing", 2, Path("p/gone.avi"), SourceImage, PlayerStillShown},
        {"video list", 2, movie, SourceVideoFile, PlayerVideoRunning},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialog->m_nListMode = c.listMode;
        dialog->SendMessage(PlayFileMessage, 0, reinterpret_cast<LPARAM>(c.path.c_str()));
        EXPECT_EQ(g_nSourceKind, c.kind);
        EXPECT_EQ(g_nPlayerState, c.state);
    }
    EXPECT_EQ(g_testApp.m_strImageFile, picture);
    EXPECT_EQ(g_testApp.m_strVideoFile, movie);
    dialog->SendMessage(PlayFileMessage, 0, 0); // no path: nothing
    EXPECT_EQ(g_nPlayerState, PlayerVideoRunning);
}

TEST_F(PlaylistDialogTest, PlayingAnEmptyVideoListKeepsTheRememberedVideo)
{
    g_testApp.m_strVideoFile = Path("remembered.avi");
    dialog->SelectTab(2);
    ASSERT_TRUE(Names().empty());
    Click("Button Play");
    EXPECT_EQ(g_testApp.m_strVideoFile, Path("remembered.avi"));
    EXPECT_EQ(g_nSourceKind, SourceVideoFile);
    EXPECT_NE(g_nPlayerState, PlayerVideoRunning); // the file does not exist
}

TEST_F(PlaylistDialogTest, AnOpenedFileJoinsItsList)
{
    const std::string picture = Picture("o/opened.bmp");
    CommonDialogScript script;
    script.Then(CommonDialogScript::Choose({picture}));
    dialog->SendMessage(WM_COMMAND, kOpenImageCommand, 0);
    EXPECT_EQ(dialog->m_nListMode, 3);
    EXPECT_EQ(Names(), std::vector<std::string>{"opened.bmp"});
    EXPECT_TRUE(Visible("Tab Panel 3"));

    dialog->SelectTab(2);
    AddThroughChooser({Touch("o/old.avi")});
    dialog->PlayVideoFile(Path("o/new.avi").c_str());
    EXPECT_EQ(dialog->m_nListMode, 2);
    EXPECT_EQ(Names(), std::vector<std::string>{"new.avi"}); // the video list holds just this file
}

} // namespace
} // namespace zv::app::testing
