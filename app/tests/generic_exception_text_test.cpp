// The program's generic exception: its text copied into callers' buffers of every size, the
// fallbacks when it has none, and how ReportError shows it.
#include "app/GenericException.h"
#include "platform/afx/afx_app.h"
#include "platform/user/message_box.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kGuard = '#';

struct CopyCase {
    const char* message;
    UINT size;
    BOOL result;
    const char* copied; // null: the buffer is left as it was
};

class GenericExceptionCopyTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(GenericExceptionCopyTest, CopiesWithinTheGivenSizeOnly)
{
    const CopyCase& c = GetParam();
    auto* exception = new CGenericException(c.message);
    // The caller's buffer sits in the middle of guard bytes on both sides.
    std::array<char, 1024> memory;
    memory.fill(kGuard);
    char* buffer = memory.data() + 256;
    UINT helpContext = 77;

    EXPECT_EQ(exception->GetErrorMessage(buffer, c.size, &helpContext), c.result);
    EXPECT_EQ(helpContext, 77u);
    const std::size_t written = c.copied ? std::strlen(c.copied) + 1 : 0;
    if (c.copied) {
        EXPECT_STREQ(buffer, c.copied);
    }
    for (std::size_t i = 0; i < memory.size(); ++i) {
        if (i < 256 || i >= 256 + written) {
            ASSERT_EQ(memory[i], kGuard) << "byte " << static_cast<long>(i) - 256 << " of the buffer was written";
        }
    }
    exception->Delete();
}

INSTANTIATE_TEST_SUITE_P(Sizes, GenericExceptionCopyTest,
                         ::testing::Values(CopyCase{nullptr, 512, FALSE, nullptr},
                                           CopyCase{"Skin file is damaged", 512, TRUE, "Skin file is damaged"},
                                           CopyCase{"Skin file is damaged", 5, TRUE, "Skin"},
                                           CopyCase{"Skin file is damaged", 1, TRUE, ""},
                                           CopyCase{"Skin file is damaged", 0, TRUE, nullptr},
                                           CopyCase{"", 512, TRUE, ""}));

TEST(GenericExceptionTest, MessageTextFallsBackWhenThereIsNone)
{
    const std::array<const char*, 2> empty = {nullptr, ""};
    for (const char* message : empty) {
        CGenericException exception(message);
        std::string text = "stale";
        EXPECT_TRUE(exception.GetMessageText(text));
        EXPECT_EQ(text, "Unknown error");
    }
}

struct ReportCase {
    const char* message;
    UINT messageId;
    const char* shown;
};

class GenericExceptionReportTest : public ::testing::TestWithParam<ReportCase> {
protected:
    void SetUp() override { zv::user::MessageBoxResponder::Reset(); }
    void TearDown() override { zv::user::MessageBoxResponder::Reset(); }
    zv::win32::testing::TempZvRoot m_root;
};

TEST_P(GenericExceptionReportTest, ShowsTheTextElseTheStringElseAFixedText)
{
    const ReportCase& c = GetParam();
    CWinApp app("Zelvante");
    zv::user::MessageBoxResponder::SetScript({IDCANCEL});
    auto* exception = new CGenericException(c.message);
    EXPECT_EQ(exception->ReportError(MB_OKCANCEL | MB_ICONERROR, c.messageId), IDCANCEL);
    exception->Delete();

    const auto shown = zv::user::MessageBoxResponder::History();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.shown);
    EXPECT_EQ(shown[0].caption, "Zelvante");
    EXPECT_EQ(shown[0].type, MB_OKCANCEL | MB_ICONERROR);
}

// String 116 of the program's resources: "Error loading image file."
INSTANTIATE_TEST_SUITE_P(Texts, GenericExceptionReportTest,
                         ::testing::Values(ReportCase{"NULL path in CSkinSet::Add()", 116, "NULL path in CSkinSet::Add()"},
                                           ReportCase{"", 116, "Error loading image file."},
                                           ReportCase{nullptr, 116, "Error loading image file."},
                                           ReportCase{nullptr, 0, "No error message is available"}));

} // namespace
