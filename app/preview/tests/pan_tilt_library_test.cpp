// Loading the pan/tilt library: only from the folder given, all 18 entry points before any call,
// CHECKPORT deciding, the camera readied in order and let go at the end.
#include "app/preview/PanTiltLibrary.h"
#include "app/preview/tests/fake_pan_tilt_log.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using preview_test::ClearPanTiltLog;
using preview_test::PanTiltLog;

const std::string kFolders = PAN_TILT_FOLDERS;
const std::string kReadied = "CHECKPORT;SETMIRROROFF;SETFLIPOFF;SETPANDEFAULT(5);SETTILTDEFAULT(2);";

TEST(PanTiltLibrary, LoadsOnlyAWholeLibraryWhoseCameraAnswers)
{
    const zv::win32::testing::TempZvRoot root;
    struct Case {
        const char* name;
        std::string folder;
        int checkPortAnswer;
        bool loads;
        std::string log; // what the library saw
    };
    const Case cases[] = {
        {"whole library", "pan_tilt", 1, true, kReadied},
        {"file name in lower case", "pan_tilt_lower", 1, true, kReadied},
        {"no camera answers", "pan_tilt", 0, false, "CHECKPORT;"},
        {"an entry point missing: nothing called", "pan_tilt_partial", 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = kFolders + "/" + c.folder;
        ClearPanTiltLog(folder, c.checkPortAnswer);
        std::unique_ptr<PanTiltLibrary> library(PanTiltLibrary::Load(folder));
        EXPECT_EQ(library != nullptr, c.loads);
        EXPECT_EQ(PanTiltLog(folder), c.log);
        ClearPanTiltLog(folder);
        library.reset();
        EXPECT_EQ(PanTiltLog(folder), c.loads ? "DELPORT;" : "") << "the port is let go only when it was opened";
    }
}

TEST(PanTiltLibrary, NoLibraryInTheFolderOrNoFolder)
{
    const zv::win32::testing::TempZvRoot root;
    EXPECT_EQ(PanTiltLibrary::Load(kFolders), nullptr) << "the libraries sit in subfolders only";
    EXPECT_EQ(PanTiltLibrary::Load(""), nullptr);
}

TEST(PanTiltLibrary, EachMoveReadsThePositionFirst)
{
    const zv::win32::testing::TempZvRoot root;
    const std::string folder = kFolders + "/pan_tilt";
    ClearPanTiltLog(folder);
    std::unique_ptr<PanTiltLibrary> library(PanTiltLibrary::Load(folder));
    ASSERT_NE(library, nullptr);
    const std::pair<PanTiltMove, std::string> moves[] = {
        {PanTiltMove::Left, "MOVELEFT"},         {PanTiltMove::Up, "MOVEUP"},
        {PanTiltMove::Right, "MOVERIGHT"},       {PanTiltMove::Down, "MOVEDOWN"},
        {PanTiltMove::LeftUp, "MOVELEFTUP"},     {PanTiltMove::RightUp, "MOVERIGHTUP"},
        {PanTiltMove::LeftDown, "MOVELEFTDOWN"}, {PanTiltMove::RightDown, "MOVERIGHTDOWN"},
        {PanTiltMove::Home, "MOVEHOME"},
    };
    for (const auto& [move, name] : moves) {
        ClearPanTiltLog(folder);
        library->Move(move);
        EXPECT_EQ(PanTiltLog(folder), "GETPANPOSITION;GETTILTPOSITION;" + name + ";");
    }
}

} // namespace
