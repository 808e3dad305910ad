// CDlgPlaylist: the small pop-up with a thin border (template 176) that the main window lays over
// its tab area for tabs 2 and 3. Its whole client area is the play list view (control id 2500).
// Enter and Escape do not close it. Hidden at creation; user-interface thread only.
#pragma once

#include "app/PlayList.h"
#include "platform/afx/afx_dialog.h"

class CDlgPlaylist : public CDialog {
public:
    static constexpr UINT IDD = 176;
    static constexpr UINT kListId = 2500;

    CDlgPlaylist() = default;
    CDlgPlaylist(const CDlgPlaylist&) = delete;
    CDlgPlaylist& operator=(const CDlgPlaylist&) = delete;

    using CDialog::Create;
    // Makes the window (hidden) owned by `parent`; FALSE when it could not be made.
    BOOL Create(CWnd* parent);

    CPlayList m_playList;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()
};
