// Test support: a sign-in dialog (template 152) with data exchange, change notifications and a
// script of steps that it runs inside its own message loop, one per posted message, so that tests
// can press keys in a modal dialog and note what they see. One file per test program includes it.
#pragma once

#include "platform/afx/afxwin.h"

#include <deque>
#include <functional>
#include <string>

// Takes what is queued as the application's loop would (PreTranslateMessage first).
inline void PumpQueued()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!AfxPreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

constexpr UINT kSignInDialog = 152;
constexpr int kNameEdit = 1009;
constexpr int kPasswordEdit = 1010;
constexpr int kRememberName = 1011;
constexpr int kRememberPassword = 1012;
constexpr int kAdultButton = 1008;

class SignInDialog : public CDialog {
public:
    explicit SignInDialog(CWnd* parent = nullptr) : CDialog(kSignInDialog, parent) {}

    std::string m_name;
    std::string m_password;
    int m_rememberName = 0;
    int m_rememberPassword = 0;

    int endInInit = 0;           // not 0: OnInitDialog ends the dialog with it
    bool focusPassword = false;  // OnInitDialog puts the focus on the password itself
    bool swallowEscape = false;  // PreTranslateMessage keeps Escape from the dialog
    std::deque<std::function<void(SignInDialog&)>> steps;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (endInInit) {
            EndDialog(endInInit);
            return FALSE;
        }
        if (!steps.empty())
            PostMessage(kStep);
        if (focusPassword) {
            GotoDlgCtrl(GetDlgItem(kPasswordEdit));
            return FALSE;
        }
        return TRUE;
    }

    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (swallowEscape && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
            return TRUE;
        return CDialog::PreTranslateMessage(msg);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, kNameEdit, m_name);
        DDV_MaxChars(pDX, m_name, 20);
        DDX_Text(pDX, kPasswordEdit, m_password);
        DDV_MaxChars(pDX, m_password, 20);
        DDX_Check(pDX, kRememberName, m_rememberName);
        DDX_Check(pDX, kRememberPassword, m_rememberPassword);
    }

    // OK only with both edits filled, also while the exchange fills them.
    void UpdateOkButton()
    {
        const bool filled = GetDlgItem(kNameEdit)->GetWindowTextLength() > 0 &&
                            GetDlgItem(kPasswordEdit)->GetWindowTextLength() > 0;
        GetDlgItem(IDOK)->EnableWindow(filled);
    }
    void OnAdult() { EndDialog(kAdultButton); }

    LRESULT OnStep(WPARAM, LPARAM)
    {
        if (steps.empty())
            return 0;
        auto step = std::move(steps.front());
        steps.pop_front();
        step(*this);
        // After what the step queued (keys) has been handled.
        if (!steps.empty())
            PostMessage(kStep);
        return 0;
    }

    static constexpr UINT kStep = WM_APP + 40;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SignInDialog, CDialog)
    ON_EN_CHANGE(kNameEdit, UpdateOkButton)
    ON_EN_CHANGE(kPasswordEdit, UpdateOkButton)
    ON_BN_CLICKED(kAdultButton, OnAdult)
    ON_MESSAGE(kStep, OnStep)
END_MESSAGE_MAP()
