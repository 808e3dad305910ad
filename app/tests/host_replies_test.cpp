// The host server's login and status replies read into values: trimming, case, missing params,
// replies that cannot be read, and numbers that do not fit.
#include "app/HostReplies.h"
#include "app/tests/host_test_support.h"

#include <gtest/gtest.h>

#include <limits>

namespace zv::app::testing {
namespace {

TEST(HostRepliesTest, LoginReplies)
{
    struct Case {
        const char* what;
        std::string xml;
        bool loggedIn;
        std::int32_t type;
        const char* id;
    };
    // Replies through the server are in host_client_test.cpp; these are what only the reader sees.
    const Case cases[] = {
        {"blanks and case", Reply("userLogin", {{"loginok", " TRUE "}, {"TYPE", "\tHOST "}, {"Id", " 77 "}}), true, 1,
         "77"},
        {"yes is no success", Reply("userLogin", {{"LoginOK", "yes"}, {"type", "host"}, {"id", "5"}}), false, 1, "5"},
        {"later param wins", Reply("userLogin", {{"LoginOK", "false"}, {"id", "1"}, {"LoginOK", "true"}, {"id", "2"}}),
         true, 0, "2"},
        {"reply element is the document element",
         "<userLogin><param name=\"LoginOK\" value=\"true\"/></userLogin>", false, 0, ""},
        {"not xml", "LoginOK=true", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LoginReply reply = ReadLoginReply(c.xml);
        EXPECT_EQ(reply.loggedIn, c.loggedIn);
        EXPECT_EQ(reply.userType, c.type);
        EXPECT_EQ(reply.userId, c.id);
    }
}

TEST(HostRepliesTest, StatusParamsChangeOnlyWhatTheyName)
{
    using Params = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* what;
        Params params;
        std::optional<std::int32_t> messages, photo, group;
        std::optional<std::uint8_t> okStart, active;
        std::uint32_t set, clear;
    };
    const Case cases[] = {
        {"messages", {{"messages", "12abc"}}, 12, {}, {}, {}, {}, 0, 0},
        {"messages beyond int32", {{"messages", "99999999999999999999"}}, std::numeric_limits<std::int32_t>::max(),
         {}, {}, {}, {}, 0, 0},
        {"negative messages", {{"messages", "-5"}}, 0, {}, {}, {}, {}, 0, 0},
        {"menus hidden", {{"hasMenuPayment", "false"}, {"hasMenuSalary", "no"}, {"hasMenuEarning", ""}}, {}, {}, {},
         {}, {}, kHidePaymentMenu | kHideSalaryMenu | kHideEarningsMenu, 0},
        {"menus shown", {{"hasmenupayment", "1"}, {"HASMENUSALARY", "True"}}, {}, {}, {}, {}, {}, 0,
         kHidePaymentMenu | kHideSalaryMenu},
        {"later menu param wins", {{"hasMenuPayment", "false"}, {"hasMenuPayment", "true"}}, {}, {}, {}, {}, {}, 0,
         kHidePaymentMenu},
        {"photo number", {{"profilePhoto", "7"}}, {}, 7, {}, {}, {}, 0, 0},
        {"photo text", {{"profilePhoto", "abc"}}, {}, 0, {}, {}, {}, 0, 0},
        {"photo true", {{"profilePhoto", "TRUE"}}, {}, 1, {}, {}, {}, 0, 0},
        {"group 2", {{"hostGroup", "2"}}, {}, {}, 1, {}, {}, 0, 0},
        {"group 25", {{"hostGroup", "25"}}, {}, {}, 1, {}, {}, 0, 0},
        {"group 12", {{"hostGroup", "12"}}, {}, {}, 0, {}, {}, 0, 0},
        {"session flags", {{"okStartSession", "1"}, {"activeforsession", "false"}}, {}, {}, {}, 1, 0, 0, 0},
        {"values not trimmed", {{"okStartSession", " true"}, {"ActiveForSession", "true "}}, {}, {}, {}, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reply = ReadStatusReply(Reply("userStatus", c.params));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->unreadMessages, c.messages);
        EXPECT_EQ(reply->profilePhoto, c.photo);
        EXPECT_EQ(reply->hostGroup, c.group);
        EXPECT_EQ(reply->okStartSession, c.okStart);
        EXPECT_EQ(reply->activeForSession, c.active);
        EXPECT_EQ(reply->menuBitsToSet, c.set);
        EXPECT_EQ(reply->menuBitsToClear, c.clear);
    }
    for (const std::string& unreadable : {std::string(), std::string("<a><b></a>"), Reply("userLogin", {})})
        EXPECT_FALSE(ReadStatusReply(unreadable)) << unreadable;
}

} // namespace
} // namespace zv::app::testing
