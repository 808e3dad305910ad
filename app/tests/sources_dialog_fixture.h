// Test support for the main dialog's sources, skin and desktop: the real dialog in a fresh machine
// on the headless display, with a start-up cut down to what these parts stand on (the skin applied,
// the two previews made) and only the test cameras named by each test in the device list.
#pragma once

#include "app/DlgZelvante.h"
#include "app/MsgBox.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "app/SkinElementRef.h"
#include "capture/FrameCallback.h"
#include "capture/PlayerState.h"
#include "platform/afx/afxdisp.h"
#include "platform/dshow/testing/device_hooks.h"
#include "platform/skin/skin_control.h"
#include "platform/user/headless_display.h"
#include "platform/user/input_events.h"
#include "platform/user/message_box.h"
#include "platform/user/timers.h"
#include "platform/user/virtual_keys.h"
#include "platform/win32/bstr.h"
#include "platform/win32/com.h"
#include "platform/win32/string_conversion.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// The test program's application object: the dialog reaches it through AfxGetApp().
inline CZelvanteApp g_testApp;

namespace zv::app::testing {

inline const std::string kDefaultSkin = std::string(ZV_SKIN_DIR) + "/Zelvante.skn";

class SourcesDialog : public CDlgZelvante {
public:
    bool skinApplied = false;

    void Close()
    {
        Stop();
        DestroyChildWindows();
        DestroyWindow();
    }

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        g_hWndMain = m_hWnd;
        skinApplied = ApplyStartupSkin();
        g_pSecondPreview = new CDlgCapPreview(this);
        g_pPreview = new CDlgCapPreview(this);
        return TRUE;
    }
};

// Handles what is queued; a source that keeps posting (the desktop) is cut off after a second.
inline void Pump()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    MSG msg;
    while (std::chrono::steady_clock::now() < end && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class SourcesDialogTest : public ::testing::Test {
protected:
    // Test cameras as ZV_TEST_CAMERA lists them; the machine's own devices stay out.
    virtual const char* Cameras() const { return "Test Camera:320x240@30"; }
    virtual std::string SavedSkin() const { return kDefaultSkin; }

    void SetUp() override
    {
        setenv("ZV_TEST_CAMERA", Cameras(), 1);
        zv::dshow::testing::HideSystemDevices(true);
        ASSERT_TRUE(zv::user::headless::SetScreenSize(1366, 768));
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        zv::skin::RegisterSkinControlClass();
        AfxEnableControlContainer();
        zv::user::MessageBoxResponder::Reset();
        g_testApp.SetRegistryKey("Kestrova");
        g_testApp.m_strSkinPath = SavedSkin();
        g_nSourceKind = SourceDevice;
        g_nPlayerState = PlayerStopped;
        dialog = std::make_unique<SourcesDialog>();
        ASSERT_TRUE(dialog->Create(kMainDialogTemplate));
        dialog->ShowWindow(SW_SHOW);
        Pump();
    }

    void TearDown() override
    {
        if (dialog && dialog->GetSafeHwnd())
            dialog->Close();
        Pump();
        dialog.reset();
        g_hWndMain = nullptr;
        g_nSourceKind = SourceDevice;
        g_nPlayerState = PlayerStopped;
        CoUninitialize();
        zv::dshow::testing::HideSystemDevices(false);
        unsetenv("ZV_TEST_CAMERA");
        zv::user::MessageBoxResponder::Reset();
    }

    SkinRef<ISkinElement> Element(const char* name) const
    {
        return FindSkinElement<ISkinElement>(dialog->m_pSkinRoot, name, IID_ISkinElement);
    }
    void Click(const char* name)
    {
        SkinRef<ISkinElement> element = Element(name);
        ASSERT_TRUE(element) << name;
        dialog->OnSkinElementClick(element.get());
    }
    // Moves the slider as the user would and tells the dialog.
    void Scroll(const char* name, LONG position)
    {
        SkinRef<ISkinScrollBar> bar = FindSkinElement<ISkinScrollBar>(dialog->m_pSkinRoot, name, IID_ISkinScrollBar);
        ASSERT_TRUE(bar) << name;
        bar->SetPosition(position);
        dialog->OnSkinScroll(bar.get(), position);
    }
    LONG SliderPosition(const char* name) const
    {
        SkinRef<ISkinScrollBar> bar = FindSkinElement<ISkinScrollBar>(dialog->m_pSkinRoot, name, IID_ISkinScrollBar);
        LONG position = -1;
        if (bar)
            bar->GetPosition(&position);
        return position;
    }
    static std::string Narrow(BSTR text)
    {
        std::string narrow;
        if (text != nullptr) {
            const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
            narrow.resize(static_cast<std::size_t>(length > 0 ? length : 1));
            WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
            narrow.resize(narrow.size() - 1);
            SysFreeString(text);
        }
        return narrow;
    }
    std::string TextOf(const char* name) const
    {
        SkinRef<ISkinText> text = FindSkinElement<ISkinText>(dialog->m_pSkinRoot, name, IID_ISkinText);
        BSTR value = nullptr;
        if (text)
            text->GetText(&value);
        return Narrow(value);
    }
    // A button's caption, read the way a script of the skin reads it.
    std::string CaptionOf(const char* name) const
    {
        SkinRef<ISkinButton> button = FindSkinElement<ISkinButton>(dialog->m_pSkinRoot, name, IID_ISkinButton);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT result;
        VariantInit(&result);
        if (!button || button->Invoke(kDispGetText, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr) != S_OK ||
            result.vt != VT_BSTR)
            return "<unreadable>";
        return Narrow(result.bstrVal); // frees it
    }
    std::string TooltipOf(const char* name) const
    {
        BSTR value = nullptr;
        if (SkinRef<ISkinElement> element = Element(name))
            element->GetTooltip(&value);
        return Narrow(value);
    }
    bool Visible(const char* name) const
    {
        VARIANT_BOOL visible = VARIANT_FALSE;
        if (SkinRef<ISkinElement> element = Element(name))
            element->GetVisible(&visible);
        return visible != VARIANT_FALSE;
    }
    // Whether the image watch runs (asking stops it, so it is started again).
    bool ImageWatchRuns() const
    {
        if (!KillTimer(dialog->GetSafeHwnd(), kImageWatchTimer))
            return false;
        SetTimer(dialog->GetSafeHwnd(), kImageWatchTimer, kImageWatchMs, nullptr);
        return true;
    }
    static SIZE ShownSize()
    {
        const CDlgCapPreview* preview = g_pPreview.load();
        if (preview == nullptr || !preview->ShownImage().IsValid())
            return {0, 0};
        return {preview->ShownImage().GetWidth(), preview->ShownImage().GetHeight()};
    }
    std::string Path(const std::string& name) const { return m_root.Path() + "/" + name; }

    // Removes the first queued message of that kind for the dialog; false when there is none.
    bool Queued(UINT message, WPARAM* wParam = nullptr)
    {
        MSG msg;
        if (!PeekMessageA(&msg, dialog->GetSafeHwnd(), message, message, PM_REMOVE))
            return false;
        if (wParam != nullptr)
            *wParam = msg.wParam;
        return true;
    }
    // Queues keys for the skinned pop-up that `open` shows (Down `downs` times, then Enter; none:
    // Escape) and returns the command it sent the dialog, 0 for none.
    UINT ChooseFromMenu(int downs, const std::function<void()>& open)
    {
        SetForegroundWindow(dialog->GetSafeHwnd());
        for (int i = 0; i < downs; ++i) {
            zv::user::DeliverKey(VK_DOWN, true);
            zv::user::DeliverKey(VK_DOWN, false);
        }
        zv::user::DeliverKey(downs > 0 ? VK_RETURN : VK_ESCAPE, true);
        zv::user::DeliverKey(downs > 0 ? VK_RETURN : VK_ESCAPE, false);
        open();
        WPARAM command = 0;
        return Queued(WM_COMMAND, &command) ? static_cast<UINT>(command) : 0u;
    }

    // Runs `show`, which opens the program's modal message box, and answers the box with OK from
    // another thread once it is up; false when no box came up.
    static bool AnswerMessageBox(const std::function<void()>& show)
    {
        std::atomic<bool> shown{false};
        std::thread answer([&shown] {
            for (int wait = 0; wait < 1000 && !shown; ++wait) {
                if (HWND box = FindWindowA(nullptr, "Zelvante message")) {
                    shown = true;
                    PostMessageA(box, CMsgBox::ButtonClickMessage(), IDOK, 0);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        show();
        answer.join();
        return shown;
    }

    zv::win32::testing::TempZvRoot m_root;
    std::unique_ptr<SourcesDialog> dialog;
};

} // namespace zv::app::testing
