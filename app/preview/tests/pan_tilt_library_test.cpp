// Loading the pan/tilt library from a folder: all 18 entry points before any call, CHECKPORT
// deciding, the camera readied in order, and let go only when it was opened.
#include "app/preview/PanTiltLibrary.h"
#include "app/preview/tests/fake_pan_tilt_log.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using preview_test::ClearPanTiltLog;
using preview_test::PanTiltLog;

TEST(PanTiltLibrary, LoadsOnlyAWholeLibraryWhoseCameraAnswers)
{
    const zv::win32::testing::TempZvRoot root;
    const std::string readied = "CHECKPORT;SETMIRROROFF;SETFLIPOFF;SETPANDEFAULT(5);SETTILTDEFAULT(2);";
    struct Case {
        const char* folder;
        int checkPortAnswer;
        std::string log; // what the library saw; empty: nothing called
    };
    const Case cases[] = {
        {"pan_tilt", 1, readied},
        {"pan_tilt_lower", 1, readied}, // movecheck.dll
        {"pan_tilt", 0, "CHECKPORT;"},  // no camera answers
        {"pan_tilt_partial", 1, ""},    // SETFLIPOFF missing
    };
    for (const Case& c : cases) {
        const std::string folder = std::string(PAN_TILT_FOLDERS "/") + c.folder;
        SCOPED_TRACE(folder);
        ClearPanTiltLog(folder, c.checkPortAnswer);
        std::unique_ptr<PanTiltLibrary> library(PanTiltLibrary::Load(folder));
        const bool loads = c.checkPortAnswer != 0 && !c.log.empty();
        EXPECT_EQ(library != nullptr, loads);
        EXPECT_EQ(PanTiltLog(folder), c.log);
        ClearPanTiltLog(folder);
        library.reset();
        EXPECT_EQ(PanTiltLog(folder), loads ? "DELPORT;" : "");
    }
    EXPECT_EQ(PanTiltLibrary::Load(PAN_TILT_FOLDERS), nullptr) << "the libraries sit in subfolders only";
}

} // namespace
