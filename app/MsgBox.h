// CMsgBox: the program's own modal message box (dialog 140, "Zelvante message") with OK and
// Cancel. It takes the current skin's form "Skin Msg" when the skin has one, comes to the front
// when it opens and, when a caller sets m_nAutoResult (and m_nCountdown, in seconds, at least 1)
// before DoModal, closes itself with that result after the countdown. A text longer than the
// form's message element grows the skinned box (the skin marks the element as growing); the box
// stays in the middle of the work area. Enter answers OK, Escape Cancel.
//
// The skinned form's buttons are skin elements: their clicks reach the main dialog's skin event
// handler, which hands unclaimed ones to OnSkinEvent; that posts the registered message
// "Zelvante Msg Button Click" (wParam 0 front, 1 OK, 2 Cancel) to the box.
//
// A box shown on a thread other than the main window's is never skinned: the skin engine, its
// forms and its events belong to the user-interface thread. It is the plain dialog there, owned
// (and the main window disabled) as any modal dialog on a worker thread.
#pragma once

#include "platform/afx/afx_dialog.h"

#include <string>

struct ISkinRootElement;

class CMsgBox : public CDialog {
public:
    // A null text counts as empty.
    explicit CMsgBox(LPCSTR text);
    ~CMsgBox() override;
    CMsgBox(const CMsgBox&) = delete;
    CMsgBox& operator=(const CMsgBox&) = delete;

    // Replaces the text (null counts as empty) and shows it.
    void SetMessage(LPCSTR text);
    // Puts the text into the box while its window exists: the skin's "Static Msg Message" when
    // skinned, else static 1019.
    void ShowMessage();

    // The click dispatcher's last resort: "Button Msg OK" / "Button Msg Cancel" of a box's form
    // post the button message to the window showing that form. TRUE when the element was one of
    // them.
    static bool OnSkinEvent(IUnknown* element);
    // "Zelvante Msg Button Click", registered once per process.
    static UINT ButtonClickMessage();

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    int m_nCountdown = 0;  // seconds left before the automatic close
    int m_nAutoResult = 0; // the automatic close's result; 0: no automatic close
    std::string m_strText;
    ISkinRootElement* m_pSkinRoot = nullptr; // the form's root while skinned

protected:
    // Shows the form "Skin Msg" of the application's skin; false leaves the plain dialog.
    bool ApplySkin();
    LRESULT OnButtonClick(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void ReleaseSkinRoot();
};
