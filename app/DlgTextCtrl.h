// The chat input: CDlgTextCtrl, an empty child dialog (template 149) whose client area is one edit
// box, CTextEdit. Enter sends the typed line to the dialog's parent as OwnChatMessage (wParam its
// length in bytes, lParam the text, valid during the call) and clears the box; Escape clears it.
// User-interface thread only.
#pragma once

#include "platform/afx/afx_basic_controls.h"
#include "platform/afx/afx_dialog.h"

// The edit box of the chat input; the framework's edit control as it stands.
class CTextEdit : public CEdit {
public:
    CTextEdit() = default;
};

class CDlgTextCtrl : public CDialog {
public:
    static constexpr UINT IDD = 149;
    static constexpr UINT kEditId = 1001;

    CDlgTextCtrl();
    CDlgTextCtrl(const CDlgTextCtrl&) = delete;
    CDlgTextCtrl& operator=(const CDlgTextCtrl&) = delete;

    CTextEdit m_edit;

protected:
    // Makes the edit box over the whole client area.
    BOOL OnInitDialog() override;
    // Enter: the line to the parent (also an empty one), then the box cleared.
    void OnOK() override;
    // Escape: the box cleared; the dialog stays.
    void OnCancel() override;
    void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()
};
