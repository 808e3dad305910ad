// Loading skin files: every broken or hostile file fails with a failure result and leaves the
// skin loaded before in place.
#include "platform/skin/skin_loader.h"
#include "platform/skin/tests/skin_test_support.h"

#include <fstream>

namespace zv::skin::test {
namespace {

// A PNG header claiming a picture of the given size, with nothing after it.
std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height)
{
    std::string png = SolidPng(4, 4, RGB(1, 2, 3));
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    return png;
}

std::string Nested(int depth)
{
    std::string xml = R"(<skin><form name="Skin Main" size="100 100">)";
    for (int i = 0; i < depth; ++i)
        xml += R"(<panel name="p" rect="0 0 10 10">)";
    for (int i = 0; i < depth; ++i)
        xml += "</panel>";
    return xml + "</form></skin>";
}

std::string ManyElements(int count)
{
    std::string xml = R"(<skin><form name="Skin Main" size="100 100">)";
    for (int i = 0; i < count; ++i)
        xml += R"(<image name="i" rect="0 0 1 1"/>)";
    return xml + "</form></skin>";
}

class SkinLoaderTest : public SkinTest {};

TEST_F(SkinLoaderTest, ABrokenFileFailsAndKeepsTheLoadedSkin)
{
    const std::string good = std::string(kTestSkinXml);
    std::string truncatedZip;
    {
        const std::string whole = (std::filesystem::path(std::getenv("ZV_ROOT")) / "whole.skn").string();
        WriteArchive(whole, TestSkinEntries());
        std::ifstream in(whole, std::ios::binary);
        truncatedZip.assign(std::istreambuf_iterator<char>(in), {});
        truncatedZip.resize(truncatedZip.size() / 2);
    }
    const struct {
        const char* what;
        std::map<std::string, std::string> entries; // empty: the file is `raw`
        std::string raw;
    } cases[] = {
        {"truncated archive", {}, truncatedZip},
        {"not an archive", {}, "just some text"},
        {"no skin.xml", {{"other.xml", good}}, {}},
        {"bad XML", TestSkinEntries("<skin><form name=\"Skin Main\" size=\"10 10\">"), {}},
        {"no forms", TestSkinEntries("<skin/>"), {}},
        {"missing picture", TestSkinEntries(R"(<skin><form name="F" size="9 9" image="gone.png"/></skin>)"), {}},
        {"broken picture", [&] {
             auto e = TestSkinEntries(R"(<skin><form name="F" size="9 9" image="bad.png"/></skin>)");
             e["bad.png"] = SolidPng(4, 4, 0).substr(0, 40);
             return e;
         }(), {}},
        {"huge picture", [&] {
             auto e = TestSkinEntries(R"(<skin><form name="F" size="9 9" image="huge.png"/></skin>)");
             e["huge.png"] = PngHeaderOnly(100000, 100000);
             return e;
         }(), {}},
        {"deep nesting", TestSkinEntries(Nested(200)), {}},
        {"too many elements", TestSkinEntries(ManyElements(5000)), {}},
        {"bad rectangle", TestSkinEntries(R"(<skin><form name="F" size="9 9"><image rect="1 2 3"/></form></skin>)"), {}},
        {"unknown style", TestSkinEntries(R"(<skin><form name="F" size="9 9"><text rect="0 0 1 1" style="x"/></form></skin>)"), {}},
        {"unknown element", TestSkinEntries(R"(<skin><form name="F" size="9 9"><blink rect="0 0 1 1"/></form></skin>)"), {}},
        {"huge form", TestSkinEntries(R"(<skin><form name="F" size="90000 90000"/></skin>)"), {}},
    };
    HWND window = NewWindow();
    RecordingSink sink;
    ISkinEngine* engine = NewControl(window, &sink);
    ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    const std::string broken = (std::filesystem::path(std::getenv("ZV_ROOT")) / "broken.skn").string();
    for (const auto& c : cases) {
        if (c.entries.empty()) {
            std::ofstream(broken, std::ios::binary | std::ios::trunc) << c.raw;
        } else {
            WriteArchive(broken, c.entries);
        }
        EXPECT_TRUE(FAILED(engine->LoadSkin(Wide(broken).c_str()))) << c.what;
        IUnknown* unknown = nullptr;
        engine->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
        EXPECT_FALSE(LastSkinError(unknown).empty()) << c.what;
        unknown->Release();
        // The skin loaded first still serves its forms.
        EXPECT_EQ(engine->ApplyForm(window, u"Skin Msg"), S_OK) << c.what;
    }
    EXPECT_TRUE(FAILED(engine->LoadSkin(u"/nowhere/at/all.skn")));
    EXPECT_EQ(engine->ApplyForm(window, u"skin main"), S_OK);
    EXPECT_EQ(engine->ApplyForm(window, u"Skin Nothing"), kSkinNotFound);
    engine->Release();
}

TEST_F(SkinLoaderTest, AnEntryLargerThanTheLimitIsNotRead)
{
    auto entries = TestSkinEntries();
    entries["skin.xml"] += std::string(2000, ' ');
    const std::string path = (std::filesystem::path(std::getenv("ZV_ROOT")) / "big.skn").string();
    WriteArchive(path, entries);
    SkinLimits limits;
    EXPECT_TRUE(LoadSkinFile(path, limits).skin);
    limits.maxEntryBytes = entries["skin.xml"].size() - 1;
    const SkinLoadResult refused = LoadSkinFile(path, limits);
    EXPECT_FALSE(refused.skin);
    EXPECT_NE(refused.error.find("too large"), std::string::npos) << refused.error;
}

TEST_F(SkinLoaderTest, PicturesKeepTheirTransparency)
{
    auto entries = TestSkinEntries(R"(<skin><form name="F" size="20 20" color="#0000FF">
        <image name="half" rect="0 0 10 10" image="half.png"/></form></skin>)");
    entries["half.png"] = SolidPng(10, 10, RGB(0xFF, 0, 0), 128);
    WriteArchive(skinPath, entries);
    const SkinLoadResult loaded = LoadSkinFile(skinPath);
    ASSERT_TRUE(loaded.skin) << loaded.error;
    HWND window = NewWindow();
    RecordingSink sink;
    ISkinEngine* engine = NewControl(window, &sink);
    ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
    ASSERT_EQ(engine->ApplyForm(window, u"F"), S_OK);
    const COLORREF mixed = FormPixel(window, 5, 5);
    EXPECT_NEAR(GetRValue(mixed), 128, 2);
    EXPECT_NEAR(GetBValue(mixed), 127, 2);
    EXPECT_EQ(FormPixel(window, 15, 15), RGB(0, 0, 0xFF));
    engine->Release();
}

} // namespace
} // namespace zv::skin::test
