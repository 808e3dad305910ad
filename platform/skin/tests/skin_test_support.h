// Test support for the skin engine: small skin archives written on the spot, a fresh machine with
// a known screen, plain windows to show forms in, and an event sink that records what it got.
#pragma once

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "platform/skin/skin_control.h"
#include "platform/skin/skin_dispatch.h"
#include "platform/skin/skin_form.h"
#include "platform/user/headless_display.h"
#include "platform/user/input.h"
#include "platform/user/input_events.h"
#include "platform/user/paint.h"
#include "platform/user/window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zv::skin::test {

// A PNG of one colour; alpha below 255 makes an RGBA file.
inline std::string SolidPng(int width, int height, COLORREF colour, BYTE alpha = 255)
{
    CPixImage image(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, PIXIMAGE_PNG);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.SetColorAt(x, y, MakePixColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)), false);
    }
    if (alpha != 255) {
        image.AllocAlpha();
        image.FillAlpha(alpha);
    }
    BYTE* block = nullptr;
    LONG length = 0;
    if (!image.EncodeToMemory(block, length, PIXIMAGE_PNG))
        return {};
    std::string bytes(reinterpret_cast<const char*>(block), static_cast<std::size_t>(length));
    std::free(block);
    return bytes;
}

// Writes a ZIP archive of the entries (name, bytes).
inline void WriteArchive(const std::string& path, const std::map<std::string, std::string>& entries)
{
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
        ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

// A skin with two forms and an element of every kind. Rectangles are chosen so tests can tell
// parent-relative from absolute places.
inline const char* const kTestSkinXml = R"(<skin name="Test">
  <style id="caption" height="12" weight="700" color="#FFFFFF" align="5" margin-x="2" margin-y="2"/>
  <menu style="caption" background="#202020" text="#FFFFFF" highlight="#2060C0" item-height="20"/>
  <form name="Skin Main" size="400 300" color="#102030">
    <button name="Button Play" rect="10 10 80 30" image="normal.png" hover="hover.png" pressed="pressed.png"
            text="Play" style="caption" tooltip="Play it"/>
    <panel name="Tab Panel 1" rect="100 50 200 150" color="#304050">
      <button name="Button Inner" rect="20 30 60 20" image="normal.png"/>
      <panel name="Deep Panel" rect="5 100 100 40">
        <text name="Static Deep" rect="7 8 50 20" text="deep" style="caption" color="#C00000"/>
      </panel>
    </panel>
    <slider name="Scroll Brightness" rect="10 210 210 20" image="track.png" thumb="thumb.png" min="0" max="100" position="25"/>
    <slider name="Scroll Reversed" rect="10 240 210 20" thumb="thumb.png" min="0" max="100" position="25" reversed="1"/>
    <check name="Check 160x120" rect="240 210 120 20" image="off.png" checked="on.png" text="160x120" style="caption"/>
    <text name="Static FPS" rect="240 240 150 20" text="Frame rate" style="caption"/>
    <frame name="Frame Video" rect="300 10 90 60"/>
  </form>
  <form name="Skin Msg" size="200 100" color="#000000">
    <button name="Button Msg OK" rect="10 10 80 30" image="normal.png"/>
  </form>
</skin>)";

inline std::map<std::string, std::string> TestSkinEntries(const std::string& xml = kTestSkinXml)
{
    return {
        {"skin.xml", xml},
        {"normal.png", SolidPng(8, 8, RGB(0x40, 0x40, 0x40))},
        {"hover.png", SolidPng(8, 8, RGB(0x60, 0x60, 0x60))},
        {"pressed.png", SolidPng(8, 8, RGB(0x20, 0x20, 0x20))},
        {"track.png", SolidPng(8, 4, RGB(0x80, 0x80, 0x80))},
        {"thumb.png", SolidPng(10, 20, RGB(0xF0, 0xF0, 0xF0))},
        {"off.png", SolidPng(16, 16, RGB(0x00, 0x00, 0x00))},
        {"on.png", SolidPng(16, 16, RGB(0x00, 0xFF, 0x00))},
    };
}

// A sink that records the events: dispatch id, the element's name, the position of a scroll.
class RecordingSink final : public IDispatch {
public:
    struct Event {
        DISPID id;
        std::string element;
        LONG position;
    };
    std::vector<Event> events;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override { return --m_refs; } // lives on the test's stack
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override
    {
        // The element comes first, so it is the last of rgvarg.
        const VARIANT& element = params->rgvarg[params->cArgs - 1];
        Event event{id, {}, params->cArgs == 2 ? params->rgvarg[0].lVal : 0};
        ISkinElementName* name = nullptr;
        if (element.vt == VT_UNKNOWN &&
            SUCCEEDED(element.punkVal->QueryInterface(IID_ISkinElementName, reinterpret_cast<void**>(&name)))) {
            BSTR text = nullptr;
            name->GetName(&text);
            event.element = Utf8(text);
            SysFreeString(text);
            name->Release();
        }
        events.push_back(event);
        return S_OK;
    }
    ULONG Refs() const { return m_refs; }

private:
    ULONG m_refs = 1;
};

// Every skin test runs on a fresh machine with a 800 x 600 headless screen.
class SkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<win32::testing::TempZvRoot>();
        ASSERT_TRUE(user::headless::SetScreenSize(800, 600));
        RegisterPlainClass();
        skinPath = (std::filesystem::path(std::getenv("ZV_ROOT")) / "test.skn").string();
        WriteArchive(skinPath, TestSkinEntries());
    }
    void TearDown() override
    {
        ReleaseCapture();
        for (HWND window : m_windows) {
            if (IsWindow(window))
                DestroyWindow(window);
        }
        m_root.reset();
    }

    static void RegisterPlainClass()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "SkinTestWindow";
        RegisterClassA(&wc); // fails harmlessly when already there
    }

    // A shown top-level window at (x, y).
    HWND NewWindow(int x = 0, int y = 0)
    {
        HWND window = CreateWindowExA(0, "SkinTestWindow", "", WS_POPUP | WS_VISIBLE, x, y, 50, 50, nullptr, nullptr,
                                      nullptr, nullptr);
        m_windows.push_back(window);
        return window;
    }

    // A control with its window in `parent` at `place`, its events going to `sink`.
    ISkinEngine* NewControl(HWND parent, IDispatch* sink, RECT place = RECT{0, 0, 1, 1})
    {
        IUnknown* unknown = nullptr;
        EXPECT_EQ(CreateSkinControl(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
        IZvHostedControl* control = nullptr;
        unknown->QueryInterface(IID_IZvHostedControl, reinterpret_cast<void**>(&control));
        HWND window = nullptr;
        control->SetEventSink(sink);
        EXPECT_EQ(control->CreateControlWindow(parent, &place, 1002, WS_VISIBLE, "", &window), S_OK);
        control->Release();
        ISkinEngine* engine = nullptr;
        unknown->QueryInterface(IID_ISkinEngine, reinterpret_cast<void**>(&engine));
        unknown->Release();
        return engine;
    }

    static std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

    static ISkinElement* Find(ISkinEngine* engine, HWND window, const char* name)
    {
        ISkinRootElement* root = nullptr;
        if (FAILED(engine->GetRootElement(window, &root)))
            return nullptr;
        ISkinElement* element = nullptr;
        root->FindElement(Wide(name).c_str(), &element);
        root->Release();
        return element;
    }

    template <class Interface>
    static Interface* As(IUnknown* object, REFIID iid)
    {
        Interface* result = nullptr;
        if (object)
            object->QueryInterface(iid, reinterpret_cast<void**>(&result));
        return result;
    }

    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    // Clicks at a point of the window's client area.
    static void ClickAt(HWND window, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(window, &p);
        user::DeliverMouseMove(p.x, p.y);
        user::DeliverMouseButton(user::MouseButton::Left, true);
        user::DeliverMouseButton(user::MouseButton::Left, false);
        Pump();
    }

    // The colour the form's picture holds at a client point, freshly painted.
    static COLORREF FormPixel(HWND window, int x, int y)
    {
        const std::shared_ptr<SkinForm> form = SkinForm::Of(window);
        form->Compose(RECT{0, 0, 4096, 4096});
        return GetPixel(form->PictureDC(), x, y);
    }

    std::string skinPath;

private:
    std::unique_ptr<win32::testing::TempZvRoot> m_root;
    std::vector<HWND> m_windows;
};

} // namespace zv::skin::test
