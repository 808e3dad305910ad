// The main dialog's tabs and its two lists: the tab elements and the list shown for each tab,
// files added through the chooser (a selection of any length) and a folder's files by the list's
// Windows-style patterns, next and previous round the list, an entry played in each list mode.
#include "app/tests/playlist_dialog_fixture.h"

#include "platform/dshow/testing/glib_quark_leak.h"
#include "platform/dshow/testing/media_file.h"

namespace zv::app::testing {
namespace {

TEST_F(PlaylistDialogTest, EachTabShowsItsOwnElementsAndList)
{
    struct Case {
        int tab;
        std::int32_t listMode; // tabs 1 and 4 leave it
        bool listShown;
        std::int32_t listOfView;
        std::string hiddenPlain; // the plain tab buttons hidden
    };
    const Case cases[] = {{2, 2, true, CPlayList::kVideoList, "2L 2M 3L"}, {4, 2, false, CPlayList::kVideoList, "4L 4M 4R"},
                          {3, 3, true, CPlayList::kImageList, "3L 3M 4L"}, {1, 3, false, CPlayList::kImageList, "1L 1M 2L"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        Click(("Button Tab" + std::to_string(c.tab) + "M").c_str());
        EXPECT_EQ(dialog->m_nListMode, c.listMode);
        EXPECT_EQ(dialog->m_pDlgPlaylist->IsWindowVisible() != FALSE, c.listShown);
        EXPECT_EQ(dialog->PlayList()->m_nMode, c.listOfView);
        for (int tab = 1; tab <= 4; ++tab) {
            const std::string number = std::to_string(tab);
            for (const char* part : {"L", "M", "R"}) {
                EXPECT_EQ(Visible(("Button Tab" + number + part + " Sel").c_str()), tab == c.tab) << number << part;
                const bool plain = std::string(part) != "R" || tab == 4;
                const bool hidden = c.hiddenPlain.find(number + part) != std::string::npos;
                EXPECT_EQ(Visible(("Button Tab" + number + part).c_str()), plain && !hidden) << number << part;
            }
            EXPECT_EQ(Visible(("Tab Panel " + number).c_str()), tab == c.tab) << number;
        }
    }
}

TEST_F(PlaylistDialogTest, ChosenFilesGoIntoTheListShownInNameOrder)
{
    std::vector<std::string> many;
    for (int i = 0; i < 200; ++i) // some 25000 characters of names
        many.push_back("many/" + std::string(120, 'p') + std::to_string(1000 + i) + ".jpg");
    struct Case {
        const char* what;
        int tab;
        std::vector<std::string> chosen;
        std::vector<std::string> names; // empty: one per file chosen
    };
    const Case cases[] = {
        {"one file", 3, {"x/b.jpg"}, {"b.jpg"}},
        {"several, byte order", 3, {"x/b.jpg", "x/A.jpg", "x/a.jpg"}, {"A.jpg", "a.jpg", "b.jpg"}},
        {"a name again: the later path", 3, {"y/a.jpg"}, {"A.jpg", "a.jpg", "b.jpg"}},
        {"video list", 2, {"v/clip2.avi", "v/clip1.avi"}, {"clip1.avi", "clip2.avi"}},
        {"a long selection", 2, many, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialog->SelectTab(c.tab);
        std::vector<std::string> paths;
        for (const std::string& name : c.chosen)
            paths.push_back(File(name));
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose(paths));
        dialog->SendMessage(WM_COMMAND, kAddFilesCommand, 0);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].defaultExtension, c.tab == 3 ? "jpg" : "avi");
        if (c.names.empty()) {
            EXPECT_EQ(Names().size(), 2 + c.chosen.size()); // the two videos before
        } else {
            EXPECT_EQ(Names(), c.names);
        }
        if (c.names.size() > 1 && c.names[1] == "a.jpg") {
            EXPECT_EQ(dialog->PlayList()->FindPath("a.jpg"), Path(c.chosen.size() == 1 ? "y/a.jpg" : "x/a.jpg"));
        }
    }
}

TEST_F(PlaylistDialogTest, AFolderAddsTheFilesOfTheListsPatternsWithoutRegardToCase)
{
    for (const char* file : {"One.JPG", "two.jpeg", "three.Bmp", "four.GIF", "five.wmf", "six.tif", "clip.AVI",
                             "film.mpe", "show.MPEG", "old.mpg", "notes.txt", "deeper/seven.jpg"})
        File(std::string("pics/") + file);
    std::filesystem::create_directories(Path("pics/folder.jpg")); // a folder is no picture
    struct Case {
        int tab;
        std::vector<std::string> names;
    };
    const Case cases[] = {{3, {"One.JPG", "five.wmf", "four.GIF", "six.tif", "three.Bmp", "two.jpeg"}},
                          {2, {"clip.AVI", "film.mpe", "old.mpg", "show.MPEG"}}};
    g_strLastBrowseFolder = Path("pics/gone/deeper");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        dialog->SelectTab(c.tab);
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose({Path("pics")}));
        dialog->SendMessage(WM_COMMAND, kAddFolderCommand, 0);
        EXPECT_EQ(Names(), c.names);
        // It opened where the remembered folder still exists, and remembers the choice.
        EXPECT_EQ(std::filesystem::path(script.Seen().at(0).initialPath), std::filesystem::path(Path("pics")));
        EXPECT_EQ(g_testApp.GetProfileString("Params", "LastBrowseFolder", ""), Path("pics"));
    }
}

TEST_F(PlaylistDialogTest, NextAndPreviousGoRoundTheListAndShowThePicture)
{
    dialog->SelectTab(3);
    AddFiles({File("s/1.bmp"), File("s/2.bmp"), File("s/3.bmp")});
    const std::pair<const char*, const char*> steps[] = {
        {"Button Slideshow Next", "1.bmp"}, {"Button Slideshow Next", "2.bmp"}, {"Button Slideshow Next", "3.bmp"},
        {"Button Slideshow Next", "1.bmp"}, {"Button Slideshow Prev", "3.bmp"}, {"Button Slideshow Prev", "2.bmp"}};
    for (const auto& [button, shown] : steps) {
        Click(button);
        EXPECT_EQ(dialog->PlayList()->GetSelectedName(), shown);
        EXPECT_EQ(g_testApp.m_strImageFile, Path(std::string("s/") + shown));
        EXPECT_EQ(g_nPlayerState, PlayerStillShown);
        EXPECT_FALSE(SlideshowTimerRuns()); // stepping is no slideshow
    }
}

TEST_F(PlaylistDialogTest, APlayedEntryStartsWhatItsListModeSays)
{
    const std::string picture = File("p/pic.bmp");
    const std::string movie = Path("p/clip.avi");
    ASSERT_TRUE(zv::dshow::testing::WriteMediaFile("videotestsrc num-buffers=30 ! video/x-raw,width=320,height=240 ! "
                                                   "jpegenc ! avimux ! filesink location=" + movie));
    struct Case {
        std::int32_t listMode;
        std::string path;
        std::int32_t kind; // the source kind afterwards
        std::int32_t state;
    };
    const Case cases[] = {{1, picture, SourceDevice, PlayerStopped},
                          {3, picture, SourceImage, PlayerStillShown},
                          {2, Path("p/gone.avi"), SourceImage, PlayerStillShown},
                          {2, movie, SourceVideoFile, PlayerVideoRunning}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        dialog->m_nListMode = c.listMode;
        dialog->SendMessage(PlayFileMessage, 0, reinterpret_cast<LPARAM>(c.path.c_str()));
        EXPECT_EQ(g_nSourceKind, c.kind);
        EXPECT_EQ(g_nPlayerState, c.state);
    }
    EXPECT_EQ(g_testApp.m_strVideoFile, movie);
}

TEST_F(PlaylistDialogTest, PlayingAnEmptyVideoListKeepsTheRememberedVideo)
{
    g_testApp.m_strVideoFile = Path("remembered.avi");
    dialog->SelectTab(2);
    Click("Button Play");
    EXPECT_EQ(g_testApp.m_strVideoFile, Path("remembered.avi"));
    EXPECT_EQ(g_nSourceKind, SourceVideoFile);
}

} // namespace
} // namespace zv::app::testing
