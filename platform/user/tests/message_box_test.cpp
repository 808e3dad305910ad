#include "platform/user/message_box.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using zv::user::MessageBoxResponder;

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { MessageBoxResponder::Reset(); }
    void TearDown() override { MessageBoxResponder::Reset(); }
};

TEST_F(MessageBoxTest, WithoutAScriptTheDefaultButtonAnswers)
{
    struct Case { UINT type; int expected; };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OK | MB_ICONINFORMATION, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_RETRYCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
        {MB_OKCANCEL | MB_DEFBUTTON3, IDOK}, // no third button: the first
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", c.type), c.expected) << std::hex << c.type;
    EXPECT_EQ(MessageBoxResponder::History().size(), std::size(cases));
}

TEST_F(MessageBoxTest, DefaultAnswerWritesTheTextToStderr)
{
    testing::internal::CaptureStderr();
    MessageBoxA(nullptr, "Zelvante is already running.", "Zelvante", MB_ICONINFORMATION);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Zelvante is already running."), std::string::npos) << err;
}

TEST_F(MessageBoxTest, ScriptAnswersInOrderThenDefaultsResume)
{
    MessageBoxResponder::SetScript({IDNO, IDCANCEL});
    const HWND owner = zv::user::HandleFromDword(0x10010);
    EXPECT_EQ(MessageBoxA(owner, "Install the driver?", "Zelvante", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Close?", nullptr, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, "After", MB_YESNO), IDYES);

    const auto history = MessageBoxResponder::History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].owner, owner);
    EXPECT_EQ(history[0].text, "Install the driver?");
    EXPECT_EQ(history[0].caption, "Zelvante");
    EXPECT_EQ(history[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(history[0].answer, IDNO);
    EXPECT_TRUE(history[0].scripted);
    EXPECT_EQ(history[1].caption, "Error") << "a null caption is the system's default";
    EXPECT_EQ(history[2].text, "");
    EXPECT_FALSE(history[2].scripted);
}

TEST_F(MessageBoxTest, ScriptedAnswerTheBoxCannotGiveFails)
{
    MessageBoxResponder::SetScript({IDYES});
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Only OK", "c", MB_OK), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(MessageBoxResponder::History().size(), 1u);
    EXPECT_EQ(MessageBoxResponder::History()[0].answer, 0);
}

TEST_F(MessageBoxTest, BoxesFromSeveralThreadsTakeEachAnswerOnce)
{
    constexpr int kThreads = 4;
    constexpr int kBoxes = 25;
    std::vector<int> script;
    for (int i = 0; i < kThreads * kBoxes; ++i)
        script.push_back(i % 2 ? IDNO : IDYES);
    MessageBoxResponder::SetScript(script);
    std::atomic<int> yes{0}, no{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kBoxes; ++i)
                (MessageBoxA(nullptr, "q", "c", MB_YESNO) == IDYES ? yes : no)++;
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(yes.load(), kThreads * kBoxes / 2);
    EXPECT_EQ(no.load(), kThreads * kBoxes / 2);
    EXPECT_EQ(MessageBoxResponder::History().size(), static_cast<std::size_t>(kThreads * kBoxes));
}

} // namespace
