// The skins the program ships: every form and element name the program looks up is there, in
// both skins, and every form draws (pictures kept in ZV_TEST_PICTURES).
#include "platform/skin/tests/skin_test_support.h"
#include "platform/user/testing/screenshots.h"

namespace zv::skin::test {
namespace {

struct FormNames {
    const char* form;
    std::vector<const char*> names;
};

const std::vector<FormNames>& ProgramNames()
{
    static const std::vector<FormNames> names = {
        {"Skin Main",
         {"Menu File", "Menu Options", "Menu Account", "Menu Help", "Button Play", "Button Pause", "Button Stop",
          "Button Help", "Button Minimize", "Button Close", "Button ControlPanel", "Button FullScreen",
          "Button Snapshot", "Button New Messages", "Button Video Source", "Button Audio Source", "Button OpenFile",
          "Button FPS", "Button VideoStream", "Button Source", "Button Brightness", "Button Contrast",
          "Button Saturation", "Button Zero Red", "Button Zero Green", "Button Zero Blue", "Button Zero White",
          "Button Ad Zelvante", "Button Ad Beamlore", "Button Beamlore", "Button Tab1L", "Button Tab1M",
          "Button Tab2L", "Button Tab2M", "Button Tab3L", "Button Tab3M", "Button Tab4L", "Button Tab4M",
          "Button Tab4R", "Button Tab1L Sel", "Button Tab1M Sel", "Button Tab1R Sel", "Button Tab2L Sel",
          "Button Tab2M Sel", "Button Tab2R Sel", "Button Tab3L Sel", "Button Tab3M Sel", "Button Tab3R Sel",
          "Button Tab4L Sel", "Button Tab4M Sel", "Button Tab4R Sel", "Tab Panel 1", "Tab Panel 2", "Tab Panel 3",
          "Tab Panel 4", "Button Playlist Add", "Button Slideshow Add", "Button Playlist Delete",
          "Button Slideshow Delete", "Button Playlist Next", "Button Slideshow Next", "Button Playlist Prev",
          "Button Slideshow Prev", "Button Slideshow Time", "Static playlist", "Button Sound Volume",
          "Button Text Color", "Button Text Font", "Button Text TL", "Button Text TC", "Button Text TR",
          "Button Text BL", "Button Text BC", "Button Text BR", "Button Text", "Frame Video", "Static Ad",
          "Static FPS", "Static Source", "Static Program Version", "Static Driver Version",
          "Static Chat General Mid", "Static Chat Private Mid1", "Static Chat Send Mid", "Scroll Brightness",
          "Scroll Saturation", "Scroll Contrast", "Scroll Red", "Scroll Green", "Scroll Blue", "Scroll White",
          "Scroll Video Position"}},
        {"Skin ControlPanel",
         {"Check 160x120", "Check 176x144", "Check 240x176", "Check 240x180", "Check 320x240", "Check 352x288",
          "Check 640x480", "Check 720x480", "Button Control Ok"}},
        {"Skin Msg", {"Static Msg Message", "Button Msg OK", "Button Msg Cancel"}},
        {"Skin Browser", {"Browser Frame", "Browser Button Close"}},
        {"Skin Studio",
         {"Browser Frame", "Button Studio Close", "Button Studio Main", "Button Studio Settings",
          "Button Studio Payment", "Button Studio Salary", "Button Studio Add Host"}},
    };
    return names;
}

// What the program asks of the elements it names: the interface each kind must answer.
const IID* ExpectedInterface(const std::string& name)
{
    if (name.rfind("Scroll ", 0) == 0)
        return &IID_ISkinScrollBar;
    if (name.rfind("Check ", 0) == 0)
        return &IID_ISkinCheckBox;
    if (name == "Static FPS" || name == "Static Source" || name == "Static Msg Message" ||
        name.find("Version") != std::string::npos)
        return &IID_ISkinText;
    if (name.rfind("Button ", 0) == 0 || name.rfind("Menu ", 0) == 0 || name == "Browser Button Close")
        return &IID_ISkinButton;
    return nullptr;
}

class DefaultSkinsTest : public SkinTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DefaultSkinsTest, HasEveryFormAndNameTheProgramUses)
{
    ASSERT_TRUE(user::headless::SetScreenSize(1366, 768));
    const std::string path = std::string(ZV_SKIN_DIR) + "/" + GetParam();
    RecordingSink sink;
    HWND host = NewWindow();
    ISkinEngine* engine = NewControl(host, &sink);
    ASSERT_EQ(engine->LoadSkin(Wide(path).c_str()), S_OK) << path;
    std::size_t count = 0;
    for (const FormNames& form : ProgramNames()) {
        HWND window = NewWindow(0, 0);
        ASSERT_EQ(engine->ApplyForm(window, Wide(form.form).c_str()), S_OK) << form.form;
        RECT client;
        GetClientRect(window, &client);
        EXPECT_LE(client.right, 1366) << form.form;
        EXPECT_LE(client.bottom, 728) << form.form; // room for a task bar
        for (const char* name : form.names) {
            ISkinElement* element = Find(engine, window, name);
            ASSERT_NE(element, nullptr) << form.form << ": " << name;
            ++count;
            if (const IID* iid = ExpectedInterface(name)) {
                IUnknown* answer = As<IUnknown>(element, *iid);
                EXPECT_NE(answer, nullptr) << name;
                if (answer)
                    answer->Release();
            }
            element->Release();
        }
        Pump();
        const std::string picture =
            user::testing::KeepScreenshot(std::string("skin-") +
                                              (std::string(GetParam()) == "Zelvante.skn" ? "default" : "light") + "-" +
                                              form.form,
                                          window);
        if (!picture.empty())
            std::printf("picture: %s\n", picture.c_str());
        DestroyWindow(window);
    }
    EXPECT_EQ(count, 92u + 9u + 3u + 2u + 7u);
    engine->Release();
}

INSTANTIATE_TEST_SUITE_P(Shipped, DefaultSkinsTest, ::testing::Values("Zelvante.skn", "Skins/Light.skn"),
                         [](const auto& info) { return std::string(info.index == 0 ? "Default" : "Light"); });

} // namespace
} // namespace zv::skin::test
