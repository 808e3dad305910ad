// A modal framework dialog on a worker thread, owned by the application's main window on the
// user-interface thread: the owner is disabled meanwhile, the worker's loop serves sends from the
// owner's thread and handles keys through PreTranslateMessage, and the owner comes back after.
#include "platform/afx/tests/sign_in_dialog.h"
#include "platform/user/input_events.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class ModalThreadTest : public zv::user::test::WindowSystemTest {};

void PumpOnce()
{
    PumpQueued();
    std::this_thread::yield();
}

TEST_F(ModalThreadTest, WorkerDialogOwnedByTheMainWindowOnTheInterfaceThread)
{
    CWinApp app("threads");
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, nullptr, "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    app.m_pMainWnd = &main;

    SignInDialog dialog; // no parent: the application's main window owns it
    std::atomic<bool> done{false};
    INT_PTR result = 0;
    std::thread worker([&] {
        result = dialog.DoModal();
        done = true;
    });

    // Shown only after OnInitDialog filled the controls.
    HWND shown = nullptr;
    while (!done && !((shown = FindWindowA(nullptr, "Sign in")) && IsWindowVisible(shown)))
        PumpOnce();
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(main.IsWindowEnabled()); // before the dialog was made
    EXPECT_EQ(GetWindow(shown, GW_OWNER), main.GetSafeHwnd());

    // Sent from here, served by the worker's modal loop; Enter goes through that loop's
    // PreTranslateMessage.
    HWND name = GetDlgItem(shown, kNameEdit);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ann"));
    SendMessageA(GetDlgItem(shown, kPasswordEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("secret"));
    SendMessageA(shown, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(name), TRUE);
    zv::user::DeliverKey(VK_RETURN, true);
    zv::user::DeliverKey(VK_RETURN, false);
    while (!done)
        PumpOnce();
    worker.join();

    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.m_name, "ann");
    EXPECT_EQ(dialog.m_password, "secret");
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_TRUE(main.IsWindowEnabled());
    app.m_pMainWnd = nullptr;
    main.DestroyWindow();
    MSG quit;
    while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {
    }
}

} // namespace
