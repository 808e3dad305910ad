#include "app/DlgHostLogin.h"

#include "app/HostSignup.h"

BEGIN_MESSAGE_MAP(CDlgHostLogin, CDialog)
    ON_EN_CHANGE(kNameEdit, UpdateOkButton)
    ON_EN_CHANGE(kPasswordEdit, UpdateOkButton)
    ON_BN_CLICKED(kRememberNameCheck, OnRememberName)
    ON_COMMAND_RANGE(kSignupAdultButton, kSignupAdultButton, OnSignupButton)
    ON_COMMAND_RANGE(kSignupStandardButton, kSignupStandardButton, OnSignupButton)
    ON_COMMAND_RANGE(kSignupStudioButton, kSignupStudioButton, OnSignupButton)
END_MESSAGE_MAP()

CDlgHostLogin::CDlgHostLogin(CWnd* parent) : CDialog(kTemplateId, parent) {}

void CDlgHostLogin::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kNameEdit, m_strLoginName);
    DDV_MaxChars(pDX, m_strLoginName, kMaxChars);
    DDX_Text(pDX, kPasswordEdit, m_strPassword);
    DDV_MaxChars(pDX, m_strPassword, kMaxChars);
    DDX_Check(pDX, kRememberNameCheck, m_nRememberName);
    DDX_Check(pDX, kRememberPasswordCheck, m_nRememberPassword);
}

BOOL CDlgHostLogin::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_strLoginName.empty()) {
        GetDlgItem(kRememberPasswordCheck)->EnableWindow(FALSE);
        return TRUE;
    }
    if (!m_strPassword.empty()) {
        GotoDlgCtrl(GetDlgItem(IDOK));
        CheckDlgButton(kRememberPasswordCheck, BST_CHECKED);
    } else {
        GotoDlgCtrl(GetDlgItem(kPasswordEdit));
    }
    CheckDlgButton(kRememberNameCheck, BST_CHECKED);
    return FALSE;
}

void CDlgHostLogin::UpdateOkButton()
{
    CWnd* ok = GetDlgItem(IDOK);
    CWnd* name = GetDlgItem(kNameEdit);
    CWnd* password = GetDlgItem(kPasswordEdit);
    // Nothing to enable in a template that lacks one of them.
    if (!ok || !name || !password)
        return;
    ok->EnableWindow(name->GetWindowTextLength() > 0 && password->GetWindowTextLength() > 0);
}

void CDlgHostLogin::OnRememberName()
{
    if (!UpdateData(TRUE))
        return;
    GetDlgItem(kRememberPasswordCheck)->EnableWindow(m_nRememberName != 0);
}

void CDlgHostLogin::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (!m_nRememberName) {
        CheckDlgButton(kRememberPasswordCheck, BST_UNCHECKED);
        m_nRememberPassword = 0;
    }
    CDialog::OnOK();
}

void CDlgHostLogin::OnSignupButton(UINT id)
{
    EndDialog(static_cast<int>(id));
}

HostLoginPrompt::Answer DialogLoginPrompt::Ask(const std::string& name)
{
    CDlgHostLogin dialog(m_parent);
    dialog.m_strLoginName = name;
    Answer answer;
    answer.result = static_cast<int>(dialog.DoModal());
    answer.name = dialog.m_strLoginName;
    answer.password = dialog.m_strPassword;
    answer.rememberName = dialog.m_nRememberName != 0;
    answer.rememberPassword = dialog.m_nRememberPassword != 0;
    return answer;
}

void DialogLoginPrompt::OpenSignupPage(int buttonId)
{
    OpenHostSignupPage(buttonId);
}
