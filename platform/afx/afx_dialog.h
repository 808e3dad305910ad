// CDialog: a dialog made from a template of the program's resources, its messages routed through
// the object's message map.
//
// Modeless: Create makes it (shown when the template says WS_VISIBLE) and it lives until
// DestroyWindow; the standard OK and Cancel only hide it. Modal: DoModal disables the owner (the
// parent given, else the application's main window, which may live on another thread), runs the
// dialog's own message loop on the calling thread and returns what EndDialog was given.
//
// Both loops offer each message to the framework windows from its target up to the dialog
// (PreTranslateMessage), and the dialog's PreTranslateMessage then gives keys to the dialog
// manager: Tab moves the focus, Enter presses the default button (IDOK), Escape IDCANCEL.
//
// End a framework dialog with CDialog::EndDialog, not with the window call.
#pragma once

#include "platform/afx/afx_ddx.h"
#include "platform/afx/afx_wnd.h"
#include "platform/user/dialog.h"

#include <atomic>

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    explicit CDialog(LPCSTR templateName, CWnd* parent = nullptr);

    // Makes the modeless dialog. FALSE, with no window left, when the template cannot be made or
    // OnInitDialog ended the dialog (EndDialog): such a dialog could never be shown or closed.
    virtual BOOL Create(LPCSTR templateName, CWnd* parent = nullptr);
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Runs the modal dialog: IDOK, IDCANCEL or what else EndDialog was given; -1 when it could
    // not be made, was destroyed without EndDialog, or WM_QUIT came (which is posted again).
    virtual INT_PTR DoModal();

    // After the controls are made: puts the members into them (UpdateData(FALSE)). TRUE: the
    // first tab stop gets the focus; an override that set the focus itself returns FALSE.
    virtual BOOL OnInitDialog();
    // IDOK: reads and checks the controls (the dialog stays when they do not pass), then
    // EndDialog(IDOK).
    virtual void OnOK();
    // IDCANCEL (and Escape, the close box): EndDialog(IDCANCEL).
    virtual void OnCancel();
    // A modal dialog's loop ends with `result`; a modeless dialog is hidden. From OnInitDialog,
    // the dialog is never shown.
    void EndDialog(int result);

    // Controls to members (TRUE, checked) or members to controls; FALSE when a check failed.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // Focus to the control (an edit's text selected), the next or the previous tab stop.
    void GotoDlgCtrl(CWnd* control);
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    // The default push button (Enter presses it); GetDefID: MAKELONG(id, DC_HASDEFID) or 0.
    void SetDefID(UINT id);
    DWORD GetDefID() const;
    // Dialog units of this dialog's font to pixels.
    void MapDialogRect(RECT* rect) const;

    BOOL PreTranslateMessage(MSG* msg) override;

    LPCSTR m_lpszTemplateName = nullptr; // a name, or MAKEINTRESOURCE of the id
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    BOOL CreateFromTemplate(HWND parent);
    void RunModalLoop();

    std::atomic<bool> m_bInModal{false};
    std::atomic<bool> m_bContinueModal{false};
    std::atomic<INT_PTR> m_nModalResult{-1};
};

// The dialog procedure of framework dialogs: meets the object and runs OnInitDialog.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
