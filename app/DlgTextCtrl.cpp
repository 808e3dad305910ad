#include "app/DlgTextCtrl.h"

#include "app/ProgramMessages.h"
#include "platform/afx/afx_geometry.h"
#include "platform/afx/message_map.h"

#include <string>

namespace {

constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;

} // namespace

BEGIN_MESSAGE_MAP(CDlgTextCtrl, CDialog)
    ON_WM_SIZE()
END_MESSAGE_MAP()

CDlgTextCtrl::CDlgTextCtrl() : CDialog(IDD, nullptr) {}

BOOL CDlgTextCtrl::OnInitDialog()
{
    CDialog::OnInitDialog();
    CRect client;
    GetClientRect(&client);
    if (!m_edit.Create(kEditStyle, client, this, kEditId)) {
        // An input without its edit box could take nothing: it is not made at all.
        EndDialog(IDCANCEL);
        return TRUE;
    }
    return TRUE;
}

void CDlgTextCtrl::OnOK()
{
    if (HWND parent = ::GetParent(m_hWnd)) {
        const std::string text = m_edit.GetWindowText();
        ::SendMessageA(parent, OwnChatMessage, static_cast<WPARAM>(text.size()),
                       reinterpret_cast<LPARAM>(text.c_str()));
    }
    m_edit.SetWindowText("");
}

void CDlgTextCtrl::OnCancel()
{
    m_edit.SetWindowText("");
}

void CDlgTextCtrl::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    if (m_edit.m_hWnd)
        m_edit.MoveWindow(0, 0, cx, cy);
}
