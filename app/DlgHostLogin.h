// CDlgHostLogin: the modal host login dialog (template 152): login name and password, "Remember my
// login name", the never-shown "Remember my password", and three sign-up buttons that end the
// dialog with their own id (1013 standard, 1008 adult, 1014 studio). OK is enabled exactly while
// both edits hold text.
//
// DialogLoginPrompt is the login procedure's prompt (HostClient.h) shown as this dialog.
#pragma once

#include "app/HostClient.h"
#include "platform/afx/afx_dialog.h"

#include <string>

class CDlgHostLogin : public CDialog {
public:
    static constexpr UINT kTemplateId = 152;
    static constexpr int kNameEdit = 1009;
    static constexpr int kPasswordEdit = 1010;
    static constexpr int kRememberNameCheck = 1011;
    static constexpr int kRememberPasswordCheck = 1012;
    // Neither edit takes more characters (the stored values are read into 20 bytes).
    static constexpr int kMaxChars = 20;

    explicit CDlgHostLogin(CWnd* parent = nullptr);

    std::string m_strLoginName;
    std::string m_strPassword;
    int m_nRememberName = 0;
    int m_nRememberPassword = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void UpdateOkButton();
    void OnRememberName();
    void OnSignupButton(UINT id);

    DECLARE_MESSAGE_MAP()
};

// The login dialog, modal over `parent` (the main dialog), shown by the login procedure.
class DialogLoginPrompt : public HostLoginPrompt {
public:
    explicit DialogLoginPrompt(CWnd* parent) : m_parent(parent) {}

    Answer Ask(const std::string& name) override;
    void OpenSignupPage(int buttonId) override;

private:
    CWnd* m_parent;
};
