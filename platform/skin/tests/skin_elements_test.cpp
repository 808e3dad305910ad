// Elements of an applied form: lookup, places, visibility, texts and caption styles, sliders,
// check boxes, through the C++ methods and through IDispatch.
#include "platform/skin/tests/skin_test_support.h"

#include <cstring>

namespace zv::skin::test {
namespace {

class SkinElementsTest : public SkinTest {
protected:
    void SetUp() override
    {
        SkinTest::SetUp();
        window = NewWindow(50, 40);
        engine = NewControl(window, &sink);
        ASSERT_EQ(engine->LoadSkin(Wide(skinPath).c_str()), S_OK);
        ASSERT_EQ(engine->ApplyForm(window, u"Skin Main"), S_OK);
    }
    void TearDown() override
    {
        engine->Release();
        SkinTest::TearDown();
    }

    RecordingSink sink;
    HWND window = nullptr;
    ISkinEngine* engine = nullptr;
};

TEST_F(SkinElementsTest, TheWindowTakesTheFormsSize)
{
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    EXPECT_EQ(FormPixel(window, 5, 5), RGB(0x10, 0x20, 0x30)); // the form's colour where nothing else is
}

TEST_F(SkinElementsTest, FindsByNameInAnyCaseAndReportsAbsentOnes)
{
    const struct {
        const char* asked;
        const char* found; // null: absent
    } cases[] = {
        {"Button Play", "Button Play"},   {"button play", "Button Play"},   {"BUTTON PLAY", "Button Play"},
        {"static DEEP", "Static Deep"},   {"Button Pla", nullptr},          {"", nullptr},
    };
    ISkinRootElement* root = nullptr;
    ASSERT_EQ(engine->GetRootElement(window, &root), S_OK);
    for (const auto& c : cases) {
        ISkinElement* element = reinterpret_cast<ISkinElement*>(0x1);
        const HRESULT hr = root->FindElement(Wide(c.asked).c_str(), &element);
        if (!c.found) {
            EXPECT_TRUE(FAILED(hr)) << c.asked;
            EXPECT_EQ(element, nullptr) << c.asked;
            continue;
        }
        ASSERT_EQ(hr, S_OK) << c.asked;
        auto* name = As<ISkinElementName>(element, IID_ISkinElementName);
        BSTR text = nullptr;
        name->GetName(&text);
        EXPECT_EQ(Utf8(text), c.found);
        SysFreeString(text);
        name->Release();
        element->Release();
    }
    root->Release();
    ISkinRootElement* none = nullptr;
    EXPECT_TRUE(FAILED(engine->GetRootElement(NewWindow(), &none))); // a window without a form
    EXPECT_EQ(none, nullptr);
}

TEST_F(SkinElementsTest, RectanglesAreRelativeToTheParentElement)
{
    const struct {
        const char* name;
        RECT rect;
        const char* parent;
    } cases[] = {
        {"Button Play", {10, 10, 90, 40}, "Skin Main"},
        {"Tab Panel 1", {100, 50, 300, 200}, "Skin Main"},
        {"Button Inner", {20, 30, 80, 50}, "Tab Panel 1"},
        {"Static Deep", {7, 8, 57, 28}, "Deep Panel"},
    };
    for (const auto& c : cases) {
        ISkinElement* element = Find(engine, window, c.name);
        ASSERT_NE(element, nullptr) << c.name;
        RECT r{};
        element->GetRect(&r);
        EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
                  std::vector<LONG>({c.rect.left, c.rect.top, c.rect.right, c.rect.bottom}))
            << c.name;
        auto* windowed = As<ISkinElementWindow>(element, IID_ISkinElementWindow);
        ISkinElement* parent = nullptr;
        ASSERT_EQ(windowed->GetParentElement(&parent), S_OK);
        auto* parentName = As<ISkinElementName>(parent, IID_ISkinElementName);
        BSTR text = nullptr;
        parentName->GetName(&text);
        EXPECT_EQ(Utf8(text), c.parent);
        SysFreeString(text);
        parentName->Release();
        parent->Release();
        windowed->Release();
        element->Release();
    }
    // The deep text is drawn where its parents' offsets put it: (100+5+7, 50+100+8).
    EXPECT_EQ(FormPixel(window, 112, 158), RGB(0xC0, 0, 0));
    EXPECT_NE(FormPixel(window, 111, 158), RGB(0xC0, 0, 0));
    EXPECT_NE(FormPixel(window, 112, 157), RGB(0xC0, 0, 0));
}

TEST_F(SkinElementsTest, ChildrenAreEnumeratedInOrder)
{
    ISkinElement* panel = Find(engine, window, "Tab Panel 1");
    LONG count = 0;
    panel->GetChildCount(&count);
    ASSERT_EQ(count, 2);
    ISkinElement* second = nullptr;
    ASSERT_EQ(panel->GetChild(1, &second), S_OK);
    auto* name = As<ISkinElementName>(second, IID_ISkinElementName);
    BSTR text = nullptr;
    name->GetName(&text);
    EXPECT_EQ(Utf8(text), "Deep Panel");
    SysFreeString(text);
    name->Release();
    second->Release();
    ISkinElement* beyond = nullptr;
    EXPECT_TRUE(FAILED(panel->GetChild(2, &beyond)));
    EXPECT_EQ(beyond, nullptr);
    panel->Release();
}

TEST_F(SkinElementsTest, AHiddenPanelHidesAndDisablesEverythingUnderIt)
{
    ISkinElement* panel = Find(engine, window, "Tab Panel 1");
    const COLORREF innerButton = FormPixel(window, 125, 85);
    EXPECT_EQ(innerButton, RGB(0x40, 0x40, 0x40));
    panel->SetVisible(VARIANT_FALSE);
    EXPECT_EQ(FormPixel(window, 125, 85), RGB(0x10, 0x20, 0x30));
    ClickAt(window, 125, 85);
    EXPECT_TRUE(sink.events.empty());
    panel->SetVisible(VARIANT_TRUE);
    EXPECT_EQ(FormPixel(window, 125, 85), innerButton);
    ClickAt(window, 125, 85);
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].element, "Button Inner");
    panel->Release();
}

TEST_F(SkinElementsTest, FramesHaveAWindowOfTheirOwnAndOthersTheFormsWindow)
{
    ISkinElement* frame = Find(engine, window, "frame video");
    ISkinElement* button = Find(engine, window, "Button Play");
    HWND frameWindow = nullptr, buttonWindow = nullptr;
    As<ISkinElementWindow>(frame, IID_ISkinElementWindow)->GetWindow(&frameWindow);
    As<ISkinElementWindow>(button, IID_ISkinElementWindow)->GetWindow(&buttonWindow);
    EXPECT_EQ(buttonWindow, window);
    ASSERT_NE(frameWindow, nullptr);
    EXPECT_EQ(GetParent(frameWindow), window);
    RECT r;
    GetWindowRect(frameWindow, &r);
    EXPECT_EQ(r.left, 50 + 300);
    EXPECT_EQ(r.right - r.left, 90);
    frame->SetVisible(VARIANT_FALSE);
    EXPECT_FALSE(IsWindowVisible(frameWindow));
    // The extra references the queries took are dropped with the objects.
    frame->Release();
    frame->Release();
    button->Release();
    button->Release();
}

// The text's bright pixels inside the box, as (left, top, right, bottom).
RECT InkBox(HWND window, const RECT& box)
{
    const std::shared_ptr<SkinForm> form = SkinForm::Of(window);
    form->Compose(box);
    RECT ink{box.right, box.bottom, box.left, box.top};
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (GetRValue(GetPixel(form->PictureDC(), x, y)) > 0xA0) {
                ink.left = std::min<LONG>(ink.left, x), ink.right = std::max<LONG>(ink.right, x + 1);
                ink.top = std::min<LONG>(ink.top, y), ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
        }
    }
    return ink;
}

TEST_F(SkinElementsTest, CaptionsFollowEachAlignmentOfTheStyleRecords)
{
    ISkinElement* element = Find(engine, window, "Button Play");
    auto* button = As<ISkinButton>(element, IID_ISkinButton);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(As<ISkinText>(element, IID_ISkinText), nullptr); // buttons take captions, not texts
    button->SetCaption(u"Ab");
    const RECT box{10, 10, 90, 40};
    const int middle = (box.left + box.right) / 2, half = (box.top + box.bottom) / 2;
    const struct {
        UINT format;
        int horizontal; // -1 left, 0 centre, 1 right
        int vertical;   // -1 top, 0 centre, 1 bottom
    } cases[] = {{0, -1, -1}, {1, 0, -1}, {2, 1, -1}, {8, -1, 1}, {9, 0, 1}, {10, 1, 1}};
    for (const auto& c : cases) {
        for (LONG record = 0; record < 3; ++record) {
            SkinCaptionStyle style{};
            ASSERT_EQ(button->GetCaptionStyle(record, &style), S_OK);
            style.format = c.format;
            ASSERT_EQ(button->SetCaptionStyle(record, &style), S_OK);
        }
        const RECT ink = InkBox(window, box);
        ASSERT_LT(ink.left, ink.right) << c.format;
        const int centreX = (ink.left + ink.right) / 2, centreY = (ink.top + ink.bottom) / 2;
        if (c.horizontal < 0) {
            EXPECT_LT(ink.left, box.left + 8) << c.format;
        } else if (c.horizontal > 0) {
            EXPECT_GT(ink.right, box.right - 8) << c.format;
        } else {
            EXPECT_NEAR(centreX, middle, 3) << c.format;
        }
        if (c.vertical < 0) {
            EXPECT_LT(centreY, half) << c.format;
        } else {
            EXPECT_GT(centreY, half) << c.format;
        }
    }
    button->Release();
    element->Release();
}

TEST_F(SkinElementsTest, StyleRecordsRoundTripWholeAndRefuseABadIndex)
{
    ISkinElement* element = Find(engine, window, "Button Play");
    auto* button = As<ISkinButton>(element, IID_ISkinButton);
    SkinCaptionStyle written;
    std::memset(&written, 0x5A, sizeof written);
    std::strcpy(written.faceName, "Liberation Serif");
    written.format = DT_RIGHT | DT_BOTTOM;
    for (LONG record = 0; record < 3; ++record) {
        written.height = 10 + record;
        ASSERT_EQ(button->SetCaptionStyle(record, &written), S_OK);
    }
    for (LONG record = 0; record < 3; ++record) {
        SkinCaptionStyle read{};
        ASSERT_EQ(button->GetCaptionStyle(record, &read), S_OK);
        written.height = 10 + record;
        EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0) << record;
    }
    SkinCaptionStyle any{};
    EXPECT_EQ(button->GetCaptionStyle(3, &any), E_INVALIDARG);
    EXPECT_EQ(button->SetCaptionStyle(-1, &any), E_INVALIDARG);
    button->Release();
    element->Release();
}

TEST_F(SkinElementsTest, SlidersMapTheirPositionBothWays)
{
    const struct {
        const char* name;
        LONG orientation;
        int clickX; // client x of a click on the track
        LONG expected;
    } cases[] = {
        // Travel of 200 pixels (210 less the thumb's 10) from x = 10; the thumb's middle goes where clicked.
        {"Scroll Brightness", 0, 10 + 5 + 50, 25},
        {"Scroll Brightness", 0, 10 + 5 + 150, 75},
        {"Scroll Reversed", 1, 10 + 5 + 50, 75},
        {"Scroll Reversed", 1, 10 + 5 + 150, 25},
    };
    for (const auto& c : cases) {
        ISkinElement* element = Find(engine, window, c.name);
        auto* bar = As<ISkinScrollBar>(element, IID_ISkinScrollBar);
        ASSERT_NE(bar, nullptr);
        LONG orientation = -1, minimum = -1, maximum = -1, position = -1;
        bar->GetOrientation(&orientation);
        bar->GetMinimum(&minimum);
        bar->GetMaximum(&maximum);
        EXPECT_EQ(orientation, c.orientation);
        EXPECT_EQ(minimum, 0);
        EXPECT_EQ(maximum, 100);
        bar->SetPosition(50);
        sink.events.clear();
        RECT r;
        element->GetRect(&r);
        ClickAt(window, c.clickX, (r.top + r.bottom) / 2);
        bar->GetPosition(&position);
        EXPECT_EQ(position, c.expected) << c.name << " at " << c.clickX;
        ASSERT_EQ(sink.events.size(), 1u);
        EXPECT_EQ(sink.events[0].id, kSkinEventScroll);
        EXPECT_EQ(sink.events[0].element, c.name);
        EXPECT_EQ(sink.events[0].position, c.expected);
        bar->Release();
        element->Release();
    }
    // Positions set by the program are kept within the range and fire nothing.
    ISkinElement* element = Find(engine, window, "Scroll Brightness");
    auto* bar = As<ISkinScrollBar>(element, IID_ISkinScrollBar);
    sink.events.clear();
    LONG position = 0;
    bar->SetPosition(250);
    bar->GetPosition(&position);
    EXPECT_EQ(position, 100);
    bar->SetPosition(-3);
    bar->GetPosition(&position);
    EXPECT_EQ(position, 0);
    EXPECT_TRUE(sink.events.empty());
    bar->Release();
    element->Release();
}

TEST_F(SkinElementsTest, CheckBoxesToggleOnClickAndKeepSetValues)
{
    ISkinElement* element = Find(engine, window, "Check 160x120");
    auto* check = As<ISkinCheckBox>(element, IID_ISkinCheckBox);
    ASSERT_NE(check, nullptr);
    SHORT value = -1;
    check->GetValue(&value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(FormPixel(window, 245, 220), RGB(0, 0, 0));
    ClickAt(window, 245, 220);
    check->GetValue(&value);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(FormPixel(window, 245, 220), RGB(0, 0xFF, 0));
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].id, kSkinEventClick);
    check->SetValue(0);
    check->GetValue(&value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(FormPixel(window, 245, 220), RGB(0, 0, 0));
    check->Release();
    element->Release();
}

TEST_F(SkinElementsTest, DispatchCallsReachTheSameOperations)
{
    ISkinRootElement* root = nullptr;
    engine->GetRootElement(window, &root);
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"findelement")};
    DISPID id = 0;
    ASSERT_EQ(root->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocString(u"Static FPS");
    DISPPARAMS params{&argument, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(root->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_UNKNOWN);
    auto* text = As<ISkinText>(result.punkVal, IID_ISkinText);
    ASSERT_NE(text, nullptr);
    VariantClear(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocString(u"Frame rate: 25");
    ASSERT_EQ(text->Invoke(kDispSetText, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    BSTR read = nullptr;
    text->GetText(&read);
    EXPECT_EQ(Utf8(read), "Frame rate: 25");
    SysFreeString(read);
    // A member the object does not have, and a wrong argument kind.
    EXPECT_EQ(text->Invoke(kDispSetPosition, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(text->Invoke(kDispSetVisible, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_TYPEMISMATCH);
    VariantClear(&argument);
    text->Release();
    VariantClear(&result);
    root->Release();
}

} // namespace
} // namespace zv::skin::test
