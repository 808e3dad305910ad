#include "app/DlgPlaylist.h"

#include "platform/afx/afx_geometry.h"
#include "platform/afx/message_map.h"
#include "platform/user/system_metrics.h"

namespace {

constexpr DWORD kListStyle =
    WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA | LVS_SHOWSELALWAYS;

} // namespace

BEGIN_MESSAGE_MAP(CDlgPlaylist, CDialog)
    ON_WM_SIZE()
END_MESSAGE_MAP()

BOOL CDlgPlaylist::Create(CWnd* parent) { return CDialog::Create(IDD, parent); }

BOOL CDlgPlaylist::OnInitDialog()
{
    CDialog::OnInitDialog();
    CRect client;
    GetClientRect(&client);
    if (!m_playList.Create(kListStyle, client, this, kListId)) {
        // A window without its list could show nothing: it is not made at all.
        EndDialog(IDCANCEL);
        return TRUE;
    }
    m_playList.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_UNDERLINEHOT);
    m_playList.SetBkColor(kListBackground);
    m_playList.SetTextBkColor(kListBackground);
    m_playList.SetTextColor(kListText);
    m_playList.InsertColumn(0, "Name");
    m_playList.SetColumnWidth(0, client.Width() - GetSystemMetrics(SM_CXVSCROLL));
    m_playList.ShowList(m_playList.m_nMode);
    return TRUE;
}

void CDlgPlaylist::OnOK() {}

void CDlgPlaylist::OnCancel() {}

void CDlgPlaylist::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    if (m_playList.m_hWnd)
        m_playList.MoveWindow(0, 0, cx, cy);
}
