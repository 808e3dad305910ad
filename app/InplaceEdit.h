// CInplaceEdit: a one-line edit box laid over a skin button so that the user types a value in place
// (the slideshow seconds, the overlay text). It reports to the application's main window with
// LabelEditedMessage: wParam m_nItemId, lParam the text (Enter) and then, once the edit is over,
// exactly one notice with lParam null. The box then destroys itself and deletes its object, so
// callers make it with new and keep no pointer to it.
#pragma once

#include "platform/afx/afx_basic_controls.h"
#include "platform/afx/afx_dc.h"

#include <string>

class CInplaceEdit : public CEdit {
public:
    // The edit control (child of the main window, id 701, hidden until ShowAt) with `style` plus
    // child and border, in the menu font scaled by `fontScale`.
    CInplaceEdit(DWORD style, double fontScale, LPCSTR text);

    // Shows the box over the rectangle (main window client coordinates) with its text selected and
    // takes the focus. When the box could not be made the edit ends at once: the end notice is
    // sent and the object deleted.
    void ShowAt(const RECT& rect);

    BOOL PreTranslateMessage(MSG* msg) override;

    std::string m_strText;
    CFont m_font;
    int m_nItemId = 0; // 0 slideshow seconds, 1 overlay text

protected:
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

private:
    ~CInplaceEdit() override = default;
    void OnKillFocus();
    LRESULT OnEndEdit(WPARAM, LPARAM);
    // Asks for the end once, however many ways (Enter, Escape, focus lost) arrive together.
    void RequestEnd();
    static void NotifyMain(int itemId, LPCSTR text);

    bool m_bEnding = false;
};
