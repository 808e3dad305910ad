// On the headless display there is no browser: the control is hosted, but every navigation fails
// at once with E_FAIL and the page stays without a document.
#include "platform/afx/afx_dialog.h"
#include "platform/afx/control_hosting.h"
#include "platform/browser/dhtml_dialog.h"
#include "platform/browser/page_text.h"
#include "platform/browser/web_browser_control.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using zv::win32::ComRef;

constexpr UINT kHostDialog = 300;
constexpr UINT kBrowserId = 1015;

class HeadlessBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        zv::browser::RegisterWebBrowserClass();
        AfxEnableControlContainer();
    }
    void TearDown() override
    {
        CoUninitialize();
        m_root.reset();
    }
    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
};

TEST_F(HeadlessBrowserTest, NavigationFailsAtOnceAndLeavesNoDocument)
{
    CDialog host(kHostDialog);
    ASSERT_TRUE(host.Create(kHostDialog));
    CWnd browser;
    ASSERT_TRUE(browser.CreateControl("Shell.Explorer.2", "HTML Data View", WS_CHILD | WS_VISIBLE,
                                      RECT{10, 10, 210, 110}, &host, kBrowserId));
    void* queried = nullptr;
    ASSERT_TRUE(SUCCEEDED(browser.GetControlUnknown()->QueryInterface(IID_IWebBrowser2, &queried)));
    const ComRef<IWebBrowser2> web = ComRef<IWebBrowser2>::Adopt(static_cast<IWebBrowser2*>(queried));

    for (const char* url : {"about:blank", "http://127.0.0.1:9/", "res:///opt/z/Zelvante/chat.html"}) {
        BSTR address = zv::browser::NewBstr(url);
        EXPECT_EQ(web->Navigate(address, nullptr, nullptr, nullptr, nullptr), E_FAIL) << url;
        // Through automation, as the program calls it.
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = address;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        EXPECT_EQ(web->Invoke(DISPID_NAVIGATE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
                  E_FAIL)
            << url;
        VariantClear(&argument);
    }
    IDispatch* document = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(web->get_Document(&document), S_OK);
    EXPECT_EQ(document, nullptr);
    READYSTATE state = READYSTATE_COMPLETE;
    EXPECT_EQ(web->get_ReadyState(&state), S_OK);
    EXPECT_EQ(state, READYSTATE_UNINITIALIZED);
    host.DestroyWindow();
}

TEST_F(HeadlessBrowserTest, AnHtmlDialogIsItsTemplateAlone)
{
    CDHtmlDialog dialog(301, 126);
    ASSERT_TRUE(dialog.Create(301));
    RECT templateOnly{0, 0, 190, 48};
    dialog.MapDialogRect(&templateOnly);
    RECT client{};
    dialog.GetClientRect(&client);
    EXPECT_EQ(client.bottom, templateOnly.bottom);
    EXPECT_EQ(dialog.GetBrowser(), nullptr);
    IHTMLElement* element = reinterpret_cast<IHTMLElement*>(1);
    EXPECT_EQ(dialog.GetElement("ButtonOK", &element), E_FAIL);
    EXPECT_EQ(element, nullptr);
    EXPECT_NE(::GetDlgItem(dialog.GetSafeHwnd(), 1007), nullptr);
    dialog.DestroyWindow();
}

} // namespace
