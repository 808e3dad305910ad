// CDlgPlaylist: the small pop-up with a thin border (template 176) that the main window lays over
// its tab area for tabs 2 and 3. Its whole client area is the play list view (control id 2500).
// Enter and Escape do not close it. Hidden at creation; user-interface thread only.
// The list takes the look of the dark video area it lies on in the skins (light text on near
// black) rather than the desktop's white window colours.
#pragma once

#include "app/PlayList.h"
#include "platform/afx/afx_dialog.h"

class CDlgPlaylist : public CDialog {
public:
    static constexpr UINT IDD = 176;
    static constexpr UINT kListId = 2500;
    static constexpr COLORREF kListBackground = RGB(0x05, 0x07, 0x0A);
    static constexpr COLORREF kListText = RGB(0xE6, 0xEA, 0xF0);

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
