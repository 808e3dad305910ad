// The skin list: skins kept in the order added and found by their menu ids; every refused skin
// thrown as a heap CGenericException that the catcher reports, the list left as it was.
#include "app/GenericException.h"
#include "app/SkinSet.h"
#include "platform/afx/afx_app.h"
#include "platform/user/message_box.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class SkinSetTest : public ::testing::Test {
protected:
    void SetUp() override { zv::user::MessageBoxResponder::Reset(); }
    void TearDown() override { zv::user::MessageBoxResponder::Reset(); }

    std::string SkinFile(const std::string& name)
    {
        const std::string path = m_root.Path() + "/" + name + ".skn";
        std::ofstream(path) << "skin";
        return path;
    }

    // The list as (id, name, path) in its order.
    static std::vector<std::tuple<int, std::string, std::string>> Items(const CSkinSet& set)
    {
        std::vector<std::tuple<int, std::string, std::string>> items;
        for (const CSkinItem* item = set.First(); item; item = item->next.get())
            items.emplace_back(item->id, item->name, item->path);
        return items;
    }

    zv::win32::testing::TempZvRoot m_root;
};

TEST_F(SkinSetTest, KeepsSkinsInTheOrderAddedAndFindsThemById)
{
    const std::string light = SkinFile("Light");
    const std::string dark = SkinFile("Dark");
    CSkinSet set;
    EXPECT_EQ(set.Add(34501, light.c_str(), "Light"), 1);
    EXPECT_EQ(set.Add(34503, dark.c_str(), "Dark"), 2);

    using Item = std::tuple<int, std::string, std::string>;
    EXPECT_EQ(Items(set), (std::vector<Item>{{34501, "Light", light}, {34503, "Dark", dark}}));
    ASSERT_NE(set.Find(34503), nullptr);
    EXPECT_EQ(set.Find(34503)->path, dark);
    EXPECT_EQ(set.Find(34502), nullptr);
    EXPECT_EQ(set.Find(34500), nullptr); // the default skin is no item

    set.Clear();
    EXPECT_EQ(set.Count(), 0);
    EXPECT_EQ(set.First(), nullptr);
    EXPECT_EQ(set.Find(34501), nullptr);
    EXPECT_EQ(set.Add(34501, dark.c_str(), "Dark"), 1); // a cleared list starts again
    EXPECT_EQ(Items(set), (std::vector<Item>{{34501, "Dark", dark}}));
}

struct RefusedCase {
    const char* label;
    bool nullPath;
    bool deletedFile;
    bool nullName;
    const char* message;
};

class SkinSetRefusalTest : public SkinSetTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(SkinSetRefusalTest, ThrowsTheReasonAndLeavesTheListAsItWas)
{
    const RefusedCase& c = GetParam();
    CWinApp app("Zelvante");
    const std::string kept = SkinFile("Kept");
    std::string path = SkinFile("Candidate");
    if (c.deletedFile)
        std::filesystem::remove(path); // gone between the folder search and the add
    CSkinSet set;
    ASSERT_EQ(set.Add(34501, kept.c_str(), "Kept"), 1);

    // As the menu code does: report the exception, delete it, go on.
    std::string caught;
    try {
        set.Add(34502, c.nullPath ? nullptr : path.c_str(), c.nullName ? nullptr : "Candidate");
    } catch (CGenericException* e) {
        e->GetMessageText(caught);
        e->ReportError();
        e->Delete();
    }
    EXPECT_EQ(caught, c.message);
    const auto shown = zv::user::MessageBoxResponder::History();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.message);

    EXPECT_EQ(set.Count(), 1);
    ASSERT_NE(set.First(), nullptr);
    EXPECT_EQ(set.First()->next, nullptr);
    // The tail still ends the list: the next add lands after the kept skin.
    const std::string next = SkinFile("Next");
    EXPECT_EQ(set.Add(34503, next.c_str(), "Next"), 2);
    ASSERT_NE(set.First()->next, nullptr);
    EXPECT_EQ(set.First()->next->id, 34503);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, SkinSetRefusalTest,
    ::testing::Values(RefusedCase{"NullPath", true, false, false, "NULL path in CSkinSet::Add()"},
                      RefusedCase{"DeletedFile", false, true, false,
                                  "Attempting to create a skin item with non existing path."},
                      RefusedCase{"NullName", false, false, true, "Invalid parameter in initializing CSkinItem"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SkinSetTest, ALongListIsFreedWithoutExhaustingTheStack)
{
    const std::string path = SkinFile("Many");
    CSkinSet set;
    constexpr int kSkins = 200000;
    for (int i = 0; i < kSkins; ++i)
        set.Add(i, path.c_str(), "Many");
    EXPECT_EQ(set.Count(), kSkins);
    set.Clear();
    EXPECT_EQ(set.Count(), 0);
}

} // namespace
