// Dialog data exchange: a dialog's DoDataExchange lists, control by control, which member holds
// the control's value. UpdateData(FALSE) puts the members into the controls, UpdateData(TRUE)
// reads them back and checks them (the DDV_ calls).
//
//   void CDlgHostLogin::DoDataExchange(CDataExchange* pDX)
//   {
//       DDX_Text(pDX, 1009, m_strName);
//       DDV_MaxChars(pDX, m_strName, 20);   // right after the DDX_ of the same control
//       DDX_Check(pDX, 1011, m_nRememberName);
//   }
//
// A value that does not pass tells the user why in a message box, puts the focus back on the
// control (its text selected) and ends the exchange: UpdateData returns FALSE, the members read
// so far keep their new values and the dialog stays open.
#pragma once

#include "platform/afx/afx_exception.h"

#include <string>

class CWnd;

// Ends a data exchange that failed (the user has been told).
class CUserException : public CException {};

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The control with that id, which the DDV_ calls that follow refer to; a missing one fails
    // the exchange.
    HWND PrepareCtrl(int id);
    // The same for an edit control: a failure selects its text.
    HWND PrepareEditCtrl(int id);
    // Focuses the last prepared control and throws CUserException.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate; // TRUE: controls to members, with checks
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;
};

// The messages a failed check shows.
inline constexpr char kDdxIntegerPrompt[] = "Please enter a whole number between -2147483648 and 2147483647.";
inline constexpr char kDdxUnsignedPrompt[] = "Please enter a whole number between 0 and 4294967295.";
inline constexpr char kDdvMaxCharsPrompt[] = "Please enter no more than %d characters.";

// Text of an edit (or any window text) and a member; numbers in decimal, blanks around allowed.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, UINT& value); // DWORD too
// On save: the text is at most `maxChars` long. On load: the edit takes no more than that.
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars);
// A check box's state: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// The radio buttons of a group, from the WS_GROUP button `id` to before the next WS_GROUP
// control: the index of the checked one, -1 for none.
void DDX_Radio(CDataExchange* pDX, int id, int& value);
// An IP address control's address, as a host-order number (1.2.3.4 is 0x01020304).
void DDX_IPAddress(CDataExchange* pDX, int id, DWORD& value);
// Attaches the control to `control` (routing its messages through the object's map) the first
// time; afterwards nothing.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
